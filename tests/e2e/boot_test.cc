// Boot sessions and the initiator's name through the public C API against
// the emulated adapter: on a Tindra the boot target TLV in region 3 and the
// mutual-CHAP TLVs in region 2 of the port (checked byte by byte as the
// adapter holds them), regions without TLVs or damaged ones refused without
// a write, unmarking before logout; on a QF3 the boot flag only; and the
// initiator name and alias kept by every iSCSI function across restarts and
// reboots.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "oxim/oxim.h"
#include "oxim/oxim_emulator.h"
#include "support/api_client.h"
#include "support/library_fixture.h"

namespace {

using namespace oxim::testing;
using Bytes = std::vector<uint8_t>;

constexpr char kHba[] = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0";
constexpr char kHba1[] = "Quellfire0/iSCSIPhysicalHBA1/LogicalHBA0";
constexpr char kOpen[] = "iqn.2026-01.net.oxim-lab:open";
constexpr char kMutual[] = "iqn.2026-01.net.oxim-lab:mutual";
constexpr char kV6[] = "iqn.2026-01.net.oxim-lab:v6";
constexpr char kSeed[] = "0100000004000000000000000000000001010001";

// A Tindra (or another chip) with two ports, an iSCSI function on each,
// the open, IPv6 and mutual-CHAP targets, and `regions` as its
// iscsi_regions.
std::string TindraConfig(const std::string& regions = "[]", int chip = 5) {
  return R"({"controllers": [{"chip": )" + std::to_string(chip) +
         R"(, "serial_number": "VN5T1912E044",
      "iscsi_regions": )" +
         regions + R"(,
      "functions": [
        {"kind": "iscsi", "port": 0, "pci": {"bus": 5, "device": 0, "function": 2}},
        {"kind": "iscsi", "port": 1, "pci": {"bus": 5, "device": 0, "function": 3}}]}],
    "targets": [
      {"name": "iqn.2026-01.net.oxim-lab:open", "portals": [{"address": "192.0.2.10"}]},
      {"name": "iqn.2026-01.net.oxim-lab:v6", "portals": [{"address": "2001:db8::10"}]},
      {"name": "iqn.2026-01.net.oxim-lab:mutual", "portals": [{"address": "192.0.2.12"}],
       "chap": {"mode": "mutual", "user": "tgtuser2", "secret": "mutual-secret2",
                "mutual_user": "initiator2", "mutual_secret": "initsecret22"}}]})";
}

std::string Hex(const Bytes& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (uint8_t b : bytes) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return hex;
}

void Put(Bytes& bytes, std::initializer_list<uint8_t> values) { bytes.insert(bytes.end(), values); }
void PutText(Bytes& bytes, const std::string& text) {
  bytes.insert(bytes.end(), text.begin(), text.end());
}

// The TLV types of a region's hexadecimal bytes, in order.
std::vector<int> TlvTypes(const std::string& hex) {
  auto byte = [&](size_t i) { return std::stoi(hex.substr(2 * i, 2), nullptr, 16); };
  std::vector<int> types;
  const size_t area = byte(4) | byte(5) << 8;
  for (size_t at = 16; at + 3 <= 16 + area;) {
    types.push_back(byte(at));
    at += 3 + (byte(at + 1) | byte(at + 2) << 8);
  }
  return types;
}

class BootTest : public LibraryTest {
 protected:
  // The bytes region 3 (or 2) of the function's port holds, in hexadecimal.
  std::string Region(int region, const std::string& function = "vmhba64") {
    const std::string answer = EmulatorControl(R"({"op":"region","function":")" + function +
                                               R"(","region":)" + std::to_string(region) + "}");
    const std::string key = R"("bytes":")";
    const size_t at = answer.find(key);
    if (at == std::string::npos) return "";
    return answer.substr(at + key.size(), answer.find('"', at + key.size()) - at - key.size());
  }
  std::string AddTarget(const std::string& hba, const std::string& name, const std::string& ip) {
    EXPECT_EQ(Do(hba + "/AddTarget", {name, ip}), 0u) << LastStatus().second;
    for (const std::string& group : Groups(hba)) {
      if (group.rfind("Target", 0) == 0 && Value(hba + "/" + group + "/TargetISCSIName") == name) {
        return hba + "/" + group;
      }
    }
    return "";
  }
};

// The boot target TLV of a login to the open target at 192.0.2.10:3260
// with qualifier 0, no CHAP and no digests, and the pad after it.
std::string OpenBootTlv() {
  const std::string name = kOpen;
  Bytes tlv;
  Put(tlv, {3, 62, 0});  // type 3; 29 + 4 + 29 bytes
  Put(tlv, {3, 1, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0});
  Put(tlv, {0, 0, 0, 0, 0});  // no CHAP, qualifier 0, no digests
  Put(tlv, {0xbc, 0x0c, 0});  // port 3260, IPv4
  Put(tlv, {29, 0, 0});       // name length, no CHAP name or secret
  Put(tlv, {192, 0, 2, 10});
  PutText(tlv, name);
  Put(tlv, {0, 0, 0, 0, 0});  // no initiator CHAP; three zeros
  Put(tlv, {0xff, 0, 0});     // area 4 + 65 = 69: a pad of value length 0
  return Hex(tlv);
}

TEST_F(BootTest, TindraBootLoginWritesOneTlvThatUnmarkingRemoves) {
  Start(WriteConfig(TindraConfig()));
  ASSERT_EQ(Region(3), kSeed);
  const std::string target = AddTarget(kHba, kOpen, "192.0.2.10");
  ASSERT_EQ(Do(target + "/Login", {"", "", "", "", "True"}), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus(), Status(0, ""));
  EXPECT_EQ(Value(target + "/Session0/iSCSIBoot"), "True");
  const std::string marked = Region(3);
  EXPECT_EQ(marked,
            "0100000048000000"
            "0000000000000000"
            "01010001" +
                OpenBootTlv());
  EXPECT_EQ(Region(2), kSeed) << "no mutual CHAP, region 2 untouched";
  EXPECT_EQ(Region(3, "vmhba65"), kSeed) << "the other port's region";

  // An open boot session is not logged out.
  EXPECT_EQ(Do(target + "/Logout"), 126u);
  EXPECT_EQ(LastStatus(), Status(126,
                                 "Cannot logout the session as it is an active boot session. "
                                 "Please use the vIZIZOdozez configuration utility to logout the "
                                 "session."));
  // Marking again changes nothing.
  ASSERT_EQ(SetValue(target + "/Session0/iSCSIBoot", "True"), 0u) << LastStatus().second;
  EXPECT_EQ(Region(3), marked);
  // Unmarking leaves the seed, and the session may go.
  ASSERT_EQ(SetValue(target + "/Session0/iSCSIBoot", "False"), 0u) << LastStatus().second;
  EXPECT_EQ(Value(target + "/Session0/iSCSIBoot"), "False");
  EXPECT_EQ(Region(3), kSeed);
  EXPECT_EQ(Do(target + "/Logout"), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus(), Status(0, ""));
}

TEST_F(BootTest, MutualChapBootTargetFillsRegionTwoOnce) {
  Start(WriteConfig(TindraConfig()));
  const std::string target = AddTarget(kHba, kMutual, "192.0.2.12");
  ASSERT_EQ(
      Do(target + "/TargetLoginOptions/Authentication/ConfigureCHAP",
         {"Mutual CHAP", "initiator2", "initsecret22", "tgtuser2", "mutual-secret2", "Required"}),
      0u)
      << LastStatus().second;
  ASSERT_EQ(Do(target + "/Login", {"", "", "", "", "True"}), 0u) << LastStatus().second;
  // Region 2: the seed, the name and the secret (each after the byte 3),
  // and a pad of value length 3 (area 4 + 14 + 16 = 34).
  Bytes chap;
  Put(chap, {2, 11, 0, 3});
  PutText(chap, "initiator2");
  Put(chap, {3, 13, 0, 3});
  PutText(chap, "initsecret22");
  Put(chap, {0xff, 3, 0, 0, 0, 0});
  EXPECT_EQ(Region(2),
            "0100000028000000"
            "0000000000000000"
            "01010001" +
                Hex(chap));
  // Region 3: mutual CHAP with both accounts.
  const std::string name = kMutual;
  Bytes tlv;
  const uint8_t length = static_cast<uint8_t>(29 + 4 + name.size() + 8 + 14 + 10 + 12);
  Put(tlv, {3, length, 0, 3, 1, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0});
  Put(tlv, {2, 0, 0, 0, 0, 0xbc, 0x0c, 0});
  Put(tlv, {static_cast<uint8_t>(name.size()), 8, 14, 192, 0, 2, 12});
  PutText(tlv, name + "tgtuser2" + "mutual-secret2");
  Put(tlv, {10, 12});
  PutText(tlv, std::string("initiator2") + "initsecret22");
  Put(tlv, {0, 0, 0});
  const std::string region3 = Region(3);
  EXPECT_EQ(region3.substr(40, Hex(tlv).size()), Hex(tlv));
  EXPECT_EQ(TlvTypes(region3), (std::vector<int>{1, 3, 0xff}));

  // A second boot login (a session of its own) replaces the boot target
  // TLV and does not add CHAP TLVs twice.
  ASSERT_EQ(Do(target + "/Login", {"", "", "", "", "True"}), 0u) << LastStatus().second;
  EXPECT_EQ(TlvTypes(Region(3)), (std::vector<int>{1, 3, 0xff}));
  EXPECT_NE(Region(3), region3) << "the second session's qualifier";
  EXPECT_EQ(TlvTypes(Region(2)), (std::vector<int>{1, 2, 3, 0xff}));
}

TEST_F(BootTest, RegionsWithoutTlvsOrDamagedAreRefusedWithoutAWrite) {
  // Port 0: region 3 without TLVs. Port 1: region 2 damaged (its TLV area
  // runs past its bytes).
  const std::string empty = "01000000000000000000000000000000";
  const std::string damaged = "010000000c000000000000000000000001010001";
  Start(
      WriteConfig(TindraConfig(R"([{"port": 0, "region": 3, "bytes": ")" + empty +
                               R"("}, {"port": 1, "region": 2, "bytes": ")" + damaged + R"("}])")));
  const std::string target = AddTarget(kHba, kOpen, "192.0.2.10");
  EXPECT_EQ(Do(target + "/Login", {"", "", "", "", "True"}), 306u);
  EXPECT_EQ(LastStatus(), Status(306,
                                 "Target Login succeeded, but failed to add the iSCSI Boot "
                                 "Target TLV in the iSCSI Region in firmware."));
  EXPECT_EQ(Region(3), empty);
  EXPECT_EQ(Value(target + "/Session0/SessionStatus"), "Open") << "the login itself succeeded";

  // Port 1: the TLV goes to region 3; unmarking needs region 2 as well,
  // which is damaged: refused, nothing written, the session still marked.
  const std::string other = AddTarget(kHba1, kOpen, "192.0.2.10");
  ASSERT_EQ(Do(other + "/Login", {"", "", "", "", "True"}), 0u) << LastStatus().second;
  const std::string marked = Region(3, "vmhba65");
  EXPECT_EQ(TlvTypes(marked), (std::vector<int>{1, 3, 0xff}));
  EXPECT_EQ(SetValue(other + "/Session0/iSCSIBoot", "False"), 307u);
  EXPECT_EQ(LastStatus(),
            Status(307,
                   "Failed to delete the iSCSI Boot Target TLV in the iSCSI Region in "
                   "firmware."));
  EXPECT_EQ(Region(3, "vmhba65"), marked);
  EXPECT_EQ(Region(2, "vmhba65"), damaged);
  EXPECT_EQ(Value(other + "/Session0/iSCSIBoot"), "True") << "still the boot session";
  EXPECT_EQ(Do(other + "/Logout"), 126u);
}

// A boot session that is no longer open is unmarked, and its TLV removed,
// by a logout, by the deletion of its target and by a change of the
// target's authentication (which marks the entry it makes again).
TEST_F(BootTest, ClosedBootSessionsAreUnmarkedWhereTheyGo) {
  Start(WriteConfig(TindraConfig()));
  const std::string offline = R"({"op":"target","name":"iqn.2026-01.net.oxim-lab:open",)";
  const std::string target = AddTarget(kHba, kOpen, "192.0.2.10");
  ASSERT_EQ(Do(target + "/Login", {"", "", "", "", "True"}), 0u) << LastStatus().second;
  EmulatorControl(offline + R"("online":false})");
  EXPECT_EQ(Value(target + "/Session0/SessionStatus"), "Closed");
  EXPECT_EQ(Do(target + "/Logout"), 0u) << LastStatus().second;
  EXPECT_EQ(Region(3), kSeed);

  EmulatorControl(offline + R"("online":true})");
  ASSERT_EQ(Do(target + "/Login", {"", "", "", "", "True"}), 0u) << LastStatus().second;
  EmulatorControl(offline + R"("online":false})");
  ASSERT_EQ(Do(target + "/TargetLoginOptions/Authentication/ConfigureCHAP",
               {"One-Way CHAP", "", "", "tgtuser1", "oneway-secret1"}),
            0u)
      << LastStatus().second;
  EXPECT_EQ(Value(target + "/Session0/iSCSIBoot"), "True") << "the entry is made again as boot";
  EXPECT_EQ(TlvTypes(Region(3)), (std::vector<int>{1, 3, 0xff})) << "and its TLV again";

  EXPECT_EQ(Do(std::string(kHba) + "/DeleteTarget", {"0"}), 0u) << LastStatus().second;
  EXPECT_EQ(Region(3), kSeed);
}

// Over IPv6 the TLV has address kind 1 and the 16-byte address, and its
// removal finds it by the name after that address.
TEST_F(BootTest, Ipv6BootTargetCarriesTheLongAddress) {
  Start(WriteConfig(TindraConfig()));
  const std::string target = AddTarget(kHba, kV6, "2001:db8::10");
  ASSERT_EQ(Do(target + "/Login", {"", "", "", "", "True"}), 0u) << LastStatus().second;
  const std::string region = Region(3);
  const std::string tlv = region.substr(40);  // after the header and the seed
  const std::string name = kV6;
  EXPECT_EQ(tlv.substr(0, 6), Hex({3, static_cast<uint8_t>(29 + 16 + name.size()), 0}));
  EXPECT_EQ(tlv.substr(2 * 23, 2 * 4), Hex({1, static_cast<uint8_t>(name.size()), 0, 0}));
  EXPECT_EQ(tlv.substr(2 * 27, 2 * 16), "20010db8000000000000000000000010");
  EXPECT_EQ(tlv.substr(2 * 43, 2 * name.size()), Hex(Bytes(name.begin(), name.end())));
  ASSERT_EQ(SetValue(target + "/Session0/iSCSIBoot", "False"), 0u) << LastStatus().second;
  EXPECT_EQ(Region(3), kSeed);
}

// A region holds one boot target: those of types 3 and 4 already there go.
TEST_F(BootTest, AddingReplacesEveryBootTargetTlv) {
  Start(WriteConfig(TindraConfig(
      R"([{"port": 0, "region": 3, "bytes": "010000000c0000000000000000000000010100010301000004010000"}])")));
  EXPECT_EQ(TlvTypes(Region(3)), (std::vector<int>{1, 3, 4}));
  const std::string target = AddTarget(kHba, kOpen, "192.0.2.10");
  ASSERT_EQ(Do(target + "/Login", {"", "", "", "", "True"}), 0u) << LastStatus().second;
  EXPECT_EQ(Region(3),
            "0100000048000000"
            "0000000000000000"
            "01010001" +
                OpenBootTlv());
}

// A CHAP name of 255 characters, the most a one-byte length holds (and a
// saved line or a parameter): a longer one the TLV encoder refuses.
TEST_F(BootTest, ChapNamesOfTheLongestLengthFitTheTlv) {
  const std::string user(255, 'u');
  std::string config = TindraConfig();
  const std::string long_target = R"({"name": "iqn.2026-01.net.oxim-lab:long",
       "portals": [{"address": "192.0.2.14"}],
       "chap": {"mode": "one-way", "user": ")" +
                                  user + R"(", "secret": "long-secret-1"}},
      )";
  config.insert(config.find(R"({"name": "iqn.2026-01.net.oxim-lab:open")"), long_target);
  root_.write("/scratch/Vallorn/savetgt.txt",
              "Quellfire0,iSCSIPhysicalHBA0,LogicalHBA0,iqn.2026-01.net.oxim-lab:long,192.0.2.14,"
              "3260,,iqn.2026-01.net.example:host,Yes,Yes,None,None,One-Way CHAP,,," +
                  user + ",long-secret-1,Static,Required,Prohibited,Prohibited\n");
  Start(WriteConfig(config));
  const std::string target = std::string(kHba) + "/Target0";
  ASSERT_EQ(Value(target + "/TargetISCSIName"), "iqn.2026-01.net.oxim-lab:long");
  ASSERT_EQ(Do(target + "/Login", {"", "", "", "", "True"}), 0u) << LastStatus().second;
  const std::string tlv = Region(3).substr(40);
  EXPECT_EQ(tlv.substr(2 * 16, 2), "01") << "one-way CHAP";
  EXPECT_EQ(tlv.substr(2 * 24, 6), "1dff0d") << "name 29, CHAP name 255, secret 13";
  EXPECT_EQ(tlv.substr(2 * (27 + 4 + 29), 2 * 255), Hex(Bytes(user.begin(), user.end())));
}

// Unmarking removes only the session's own TLV: same name, qualifier and
// address.
TEST_F(BootTest, UnmarkingLeavesTheTlvOfAnotherSession) {
  Start(WriteConfig(TindraConfig()));
  const std::string target = AddTarget(kHba, kOpen, "192.0.2.10");
  ASSERT_EQ(Do(target + "/Login", {"", "", "", "", "True"}), 0u) << LastStatus().second;
  ASSERT_EQ(Do(target + "/Login", {"", "", "", "", "True"}), 0u) << LastStatus().second;
  ASSERT_EQ(Value(target + "/Session1/ISIDQualifier"), "0001");
  const std::string second = Region(3);
  EXPECT_EQ(TlvTypes(second), (std::vector<int>{1, 3, 0xff}));
  EXPECT_EQ(second.substr(40 + 2 * 17, 4), "0100") << "the second session's qualifier";
  ASSERT_EQ(SetValue(target + "/Session0/iSCSIBoot", "False"), 0u) << LastStatus().second;
  EXPECT_EQ(Region(3), second);
  ASSERT_EQ(SetValue(target + "/Session1/iSCSIBoot", "False"), 0u) << LastStatus().second;
  EXPECT_EQ(Region(3), kSeed);
}

TEST_F(BootTest, OtherChipsMarkTheSessionOnly) {
  for (const std::string& adapter : {std::string("emulator"), WriteConfig(TindraConfig("[]", 4))}) {
    SCOPED_TRACE(adapter);  // the built-in QF3, a Korvel
    if (clients() > 0) Stop();
    Start(adapter);
    // A region command would fail the boot login: none is sent.
    EmulatorControl(R"({"op":"fault","faults":{"commands":[
        {"subsystem":1,"opcode":171,"status":1},{"subsystem":1,"opcode":172,"status":1}]}})");
    const std::string target = AddTarget(kHba, kOpen, "192.0.2.10");
    ASSERT_EQ(Do(target + "/Login", {"", "", "", "", "True"}), 0u) << LastStatus().second;
    EXPECT_EQ(LastStatus(), Status(0, ""));
    EXPECT_EQ(Value(target + "/Session0/iSCSIBoot"), "True");
    EXPECT_EQ(Do(target + "/Logout"), 126u);
    ASSERT_EQ(SetValue(target + "/Session0/iSCSIBoot", "False"), 0u) << LastStatus().second;
    EXPECT_EQ(Do(target + "/Logout"), 0u) << LastStatus().second;
    EXPECT_EQ(Do(std::string(kHba) + "/DeleteTarget", {"0"}), 0u) << LastStatus().second;
  }
}

class InitiatorNameTest : public LibraryTest {
 protected:
  static std::string Name(const std::string& hba) {
    return Value(hba + "/InitiatoriSCSIName/InitiatoriSCSIName");
  }
  static std::string Alias(const std::string& hba) {
    return Value(hba + "/InitiatoriSCSIName/InitiatorAlias");
  }
};

TEST_F(InitiatorNameTest, EveryFunctionKeepsTheNameAcrossRestartsAndReboots) {
  Start();
  // Each function starts with a name of its own, from the adapter.
  EXPECT_EQ(Name(kHba), "iqn.2026-01.net.oxim-lab:vn3q0417a2k9.03-00-2");
  EXPECT_EQ(Name(kHba1), "iqn.2026-01.net.oxim-lab:vn3q0417a2k9.03-00-3");
  EXPECT_EQ(Alias(kHba), "");
  const std::string path = std::string(kHba) + "/InitiatoriSCSIName/";
  ASSERT_EQ(SetValue(path + "InitiatoriSCSIName", "IQN.2026-02.Net.Example:Host-One"), 0u)
      << LastStatus().second;
  ASSERT_EQ(SetValue(path + "InitiatorAlias", "Host One"), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus(), Status(0, ""));
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    for (const char* hba : {kHba, kHba1}) {
      EXPECT_EQ(Name(hba), "iqn.2026-02.net.example:host-one");
      EXPECT_EQ(Alias(hba), "Host One");
    }
    if (round == 0) Restart();         // the client again
    if (round == 1) RebootEmulator();  // the adapter power-cycles
  }
  // Logins use it.
  EXPECT_EQ(Do(std::string(kHba) + "/AddTarget", {kOpen, "192.0.2.10"}), 0u);
  ASSERT_EQ(Do(std::string(kHba) + "/Target0/Login"), 0u) << LastStatus().second;
  EXPECT_EQ(Value(std::string(kHba) + "/Target0/Session0/SessionInitiatorName"),
            "iqn.2026-02.net.example:host-one");
}

TEST_F(InitiatorNameTest, InvalidValuesChangeNothing) {
  Start();
  const std::string path = std::string(kHba) + "/InitiatoriSCSIName/";
  const std::string name = Name(kHba);
  for (const char* bad : {"iqn.2026-02.net.example:host_one", "iqn.2026 host"}) {
    EXPECT_EQ(SetValue(path + "InitiatoriSCSIName", bad), 30u) << bad;
    EXPECT_EQ(LastStatus(),
              Status(30, "Invalid iSCSI name. Please use valid iSCSI name as per RFC 3722."));
  }
  EXPECT_EQ(Name(kHba), name);
  EXPECT_EQ(Name(kHba1), "iqn.2026-01.net.oxim-lab:vn3q0417a2k9.03-00-3");
  EXPECT_NE(SetValue(path + "InitiatorAlias", std::string(32, 'a')), 0u);
  EXPECT_EQ(LastStatus().first, 8u);
  EXPECT_EQ(Alias(kHba), "");
  EXPECT_EQ(Alias(kHba1), "");
}

TEST_F(InitiatorNameTest, RecordsThatCannotBeReadOrSavedFail) {
  Start();
  const std::string path = std::string(kHba) + "/InitiatoriSCSIName/";
  const std::string name = Name(kHba);
  EmulatorControl(R"({"op":"fault","faults":{"commands":[
      {"subsystem":6,"opcode":7,"status":1,"times":1}]}})");
  EXPECT_EQ(SetValue(path + "InitiatoriSCSIName", "iqn.2026-02.net.example:h"), 111u);
  EXPECT_EQ(LastStatus(),
            Status(111,
                   "Quellfire0/iSCSIPhysicalHBA0: Failed to set initiator name and initiator "
                   "alias. Application internal error occurred. Please check oxim2d.log "
                   "file for more information."));
  EXPECT_EQ(Name(kHba), name);
  EmulatorControl(R"({"op":"fault","faults":{"commands":[
      {"subsystem":6,"opcode":6,"status":1,"times":1}]}})");
  EXPECT_EQ(Read(path + "InitiatorAlias").first, 110u);
  EXPECT_EQ(LastStatus().first, 110u);
}

}  // namespace
