// The emulated adapter's iSCSI regions and initiator name records through
// the library's command wrappers: the seeded regions of a Tindra controller,
// whole-object writes kept in owner-only flash across adapter starts, the
// regions a configuration seeds, chips without regions, and the initiator
// name each function starts with and keeps.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "boot_firmware.h"
#include "config_json.h"
#include "records/initiator_name.h"
#include "records/iscsi_region.h"
#include "transport/commands.h"
#include "transport/emulated_fixture.h"

namespace oxim::emulator {
namespace {

using Bytes = std::vector<uint8_t>;

AdapterConfig Tindra() {
  std::string error;
  std::optional<AdapterConfig> config =
      LoadAdapterConfig(std::string(OXIM_CONFIG_DIR) + "/tindra.json", &error);
  EXPECT_TRUE(config) << error;
  return config.value_or(DefaultConfig());
}

class BootFirmwareTest : public testing::EmulatedTest {
 protected:
  void SetUp() override { Start(Tindra()); }
  void Restart(AdapterConfig config) {
    TearDown();
    Start(std::move(config));
  }

  // Reads an object; its status, and the answer in *answer.
  uint32_t Read(const std::string& name, records::ObjectReadAnswer* answer,
                size_t size = records::kObjectReadSize) {
    Bytes request(size, 0);
    EXPECT_TRUE(records::EncodeObjectReadRequest(request, name));
    const uint32_t status = ioctl_common_read_object_version1(
        {.index = 1}, request, static_cast<uint32_t>(request.size()), DriverKind::kIscsi);
    if (status == 0) *answer = records::DecodeObjectReadAnswer(request).value();
    return status;
  }
  uint32_t Write(const std::string& name, const Bytes& data, uint32_t offset = 0) {
    Bytes request(records::ObjectWriteSize(data.size()), 0);
    EXPECT_TRUE(records::EncodeObjectWrite(request, {name, offset, true, data}));
    return ioctl_common_write_object_version1(
        {.index = 1}, request, static_cast<uint32_t>(request.size()), DriverKind::kIscsi);
  }
  records::InitiatorNameRecord FetchName(int index) {
    Bytes record(records::kInitiatorNameRecordSize, 0);
    EXPECT_EQ(ioctl_fetch_initiator_name_params({.index = index}, record), 0u);
    return records::DecodeInitiatorName(record).value();
  }
};

const std::string kRegion2 = records::IscsiRegionObjectName(0, 2);
const std::string kRegion3 = records::IscsiRegionObjectName(0, 3);

TEST_F(BootFirmwareTest, RegionsStartWithOneSeedTlv) {
  for (const std::string& name : {kRegion2, kRegion3, records::IscsiRegionObjectName(1, 3)}) {
    records::ObjectReadAnswer answer;
    ASSERT_EQ(Read(name, &answer), 0u) << name;
    EXPECT_TRUE(answer.end);
    Bytes want(20, 0);
    want[0] = 1;   // header word
    want[4] = 4;   // TLV area: a multiple of 4, no pad
    want[16] = 1;  // type 1, value length 1, value 1
    want[17] = 1;
    want[19] = 1;
    EXPECT_EQ(answer.data, want) << name;
    std::optional<records::IscsiRegion> region = records::DecodeIscsiRegion(answer.data);
    ASSERT_TRUE(region);
    EXPECT_EQ(region->tlvs.size(), 1u);
  }
}

TEST_F(BootFirmwareTest, WritesAreKeptInOwnerOnlyFlashAcrossStarts) {
  Bytes region(20, 0);
  region[4] = 4;
  region[16] = 9;
  region[17] = 1;
  region[19] = 7;
  ASSERT_EQ(Write(kRegion3, region), 0u);
  records::ObjectReadAnswer answer;
  ASSERT_EQ(Read(kRegion3, &answer), 0u);
  EXPECT_EQ(answer.data, region);
  ASSERT_EQ(Read(kRegion2, &answer), 0u);
  EXPECT_NE(answer.data, region) << "each region is an object of its own";
  Restart(Tindra());
  ASSERT_EQ(Read(kRegion3, &answer), 0u);
  EXPECT_EQ(answer.data, region);
  // Region 2 holds CHAP secrets: the flash files are the owner's only.
  for (const auto& entry :
       std::filesystem::directory_iterator(root_.file("/var/lib/oxim-emulator"))) {
    struct stat info {};
    ASSERT_EQ(stat(entry.path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u) << entry.path();
  }
  // Reads in pieces: the length and offset words, the end mark on the last.
  Bytes request(records::kObjectReadSize, 0);
  ASSERT_TRUE(records::EncodeObjectReadRequest(request, kRegion3));
  request[0] = 8;
  request[4] = 16;
  ASSERT_EQ(ioctl_common_read_object_version1(
                {.index = 1}, request, static_cast<uint32_t>(request.size()), DriverKind::kIscsi),
            0u);
  answer = records::DecodeObjectReadAnswer(request).value();
  EXPECT_EQ(answer.data, Bytes(region.begin() + 16, region.end()));
  EXPECT_TRUE(answer.end);
}

TEST_F(BootFirmwareTest, UnknownObjectsAndPiecewiseWritesAreRefused) {
  records::ObjectReadAnswer answer;
  EXPECT_NE(Read("/iscsidata/Port2/Instance0/Region3", &answer), 0u) << "a port it has not";
  EXPECT_NE(Read("/iscsidata/Port0/Instance0/Region4", &answer), 0u);
  EXPECT_NE(Read("/prg", &answer), 0u);
  EXPECT_NE(Write(kRegion3, Bytes(20, 0), 16), 0u);
  ASSERT_EQ(Read(kRegion3, &answer), 0u);
  EXPECT_EQ(answer.data.size(), 20u) << "the refused write changed nothing";
}

TEST_F(BootFirmwareTest, ConfigurationSeedsARegionAndOtherChipsHaveNone) {
  std::string error;
  std::optional<AdapterConfig> config = ParseAdapterConfig(
      R"({"controllers": [{"chip": 5, "serial_number": "VN5T1912E044",
          "iscsi_regions": [{"port": 0, "region": 3, "bytes": "01000000000000000000000000000000"}],
          "functions": [{"kind": "iscsi", "port": 0, "pci": {"bus": 5, "device": 0, "function": 2}}]}]})",
      &error);
  ASSERT_TRUE(config) << error;
  Restart(*config);
  records::ObjectReadAnswer answer;
  ASSERT_EQ(Read(kRegion3, &answer), 0u);
  EXPECT_EQ(answer.data, Bytes({1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  ASSERT_EQ(Read(kRegion2, &answer), 0u);
  EXPECT_EQ(answer.data.size(), 20u) << "the usual seed";

  EXPECT_FALSE(ParseAdapterConfig(
      R"({"controllers": [{"chip": 3, "serial_number": "A",
          "iscsi_regions": [{"port": 0, "region": 3, "bytes": "00"}], "functions": []}]})",
      &error));
  EXPECT_NE(error.find("iscsi_regions"), std::string::npos) << error;

  Restart(DefaultConfig());  // a QF3: the boot flag only, no region
  EXPECT_NE(Read(kRegion3, &answer), 0u);
}

TEST_F(BootFirmwareTest, InitiatorNamePerFunctionStartsValidAndIsKept) {
  const records::InitiatorNameRecord first = FetchName(1);
  const records::InitiatorNameRecord second = FetchName(2);
  EXPECT_EQ(first.name, "iqn.2026-01.net.oxim-lab:vn5t1912e044.05-00-2");
  EXPECT_EQ(second.name, "iqn.2026-01.net.oxim-lab:vn5t1912e044.05-00-3");
  EXPECT_EQ(first.alias, "");
  records::InitiatorNameRecord changed = first;
  changed.name = "iqn.2026-02.net.example:host";
  changed.alias = "host";
  Bytes record(records::kInitiatorNameRecordSize, 0);
  records::EncodeInitiatorName(record, changed);
  ASSERT_EQ(ioctl_save_initiator_name_params({.index = 1}, record), 0u);
  Restart(Tindra());
  EXPECT_EQ(FetchName(1).name, "iqn.2026-02.net.example:host");
  EXPECT_EQ(FetchName(1).alias, "host");
  EXPECT_EQ(FetchName(2).name, second.name) << "the other function keeps its own";
}

}  // namespace
}  // namespace oxim::emulator
