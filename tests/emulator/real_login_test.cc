// The emulated adapter's firmware with real targets behind mapped portals,
// driven through its driver interface from several threads: a real login
// does not hold up the other requests, sessions of two functions log in and
// out at once, and persistent entries are restored on the adapter's own time.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "emulator.h"
#include "emulator/loopback_listener.h"
#include "records/coding.h"
#include "records/driver_records.h"
#include "records/erase_rom.h"
#include "records/iscsi_login.h"
#include "records/iscsi_sessions.h"
#include "records/iscsi_targets.h"
#include "records/login_options_record.h"
#include "records/request_header.h"
#include "records/scsi_commands.h"
#include "records/scsi_passthrough.h"
#include "support/temp_root.h"
#include "support/tgtd_fixture.h"
#include "support/tgtd_suite.h"

namespace oxim::emulator {
namespace {

using oxim::testing::LoopbackListener;
using oxim::testing::SharedTgtdTest;
using oxim::testing::TgtdServer;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr char kInitiator[] = "iqn.2026-01.net.oxim-test:adapter";
constexpr char kTgtdAddress[] = "192.0.2.20";
constexpr char kSilentAddress[] = "192.0.2.30";
constexpr char kDeafAddress[] = "192.0.2.31";
constexpr milliseconds kSilentLoginTimeout{1000};
constexpr milliseconds kDeafConnectTimeout{800};

struct Answer {
  uint8_t status = 0xff;
  uint16_t additional = 0;
  std::vector<uint8_t> payload;
};

RealPortal Mapping(const char* address, uint16_t port) {
  RealPortal portal;
  portal.address = address;
  portal.endpoint_host = "127.0.0.1";
  portal.endpoint_port = port;
  return portal;
}

class RealLoginFirmware : public ::testing::Test {
 protected:
  void SetUp() override {
    config_ = DefaultConfig();
    RealPortal silent = Mapping(kSilentAddress, silent_.port());
    silent.login_timeout = kSilentLoginTimeout;
    RealPortal deaf = Mapping(kDeafAddress, deaf_.port());
    deaf.connect_timeout = kDeafConnectTimeout;
    config_.real_portals = {silent, deaf};
  }
  void TearDown() override { Stop(); }

  // A new adapter over the state directory (an adapter start).
  void Start() {
    adapter_ = std::make_shared<EmulatedAdapter>(config_, root_.file("/state"));
    for (int n = 0; n < 2; ++n) {
      handles_[n] = adapter_->Open(records::kIscsiDevicePrefix + std::to_string(n));
      ASSERT_GE(handles_[n], 0);
    }
  }
  void Stop() { adapter_.reset(); }

  Answer Command(int function, uint8_t subsystem, uint8_t opcode,
                 const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> buffer(records::kRequestHeaderSize + payload.size(), 0);
    records::EncodeRequestHeader(
        buffer, {opcode, subsystem, 0, 0, 120, static_cast<uint32_t>(payload.size()), 0});
    std::copy(payload.begin(), payload.end(), buffer.begin() + records::kPayloadOffset);
    Answer answer;
    if (adapter_->Ioctl(handles_[function], records::kIscsiFirmwareRequest, buffer).result != 0) {
      return answer;
    }
    records::ResponseHeader header = *records::DecodeResponseHeader(buffer);
    answer.status = header.status;
    answer.additional = header.additional_status;
    answer.payload.assign(buffer.begin() + records::kPayloadOffset,
                          buffer.begin() + records::kPayloadOffset + header.response_length);
    return answer;
  }

  std::vector<uint8_t> Request(const char* target, const char* address, uint32_t flags) {
    records::LoginRequest request;
    request.target_name = target;
    request.portal = records::PortalFromText(address, 3260);
    request.flags = flags;
    request.initiator_name = kInitiator;
    records::EncodeLoginOptions(request.options, records::DefaultLoginOptions());
    std::vector<uint8_t> bytes(records::kLoginRequestSize, 0);
    records::EncodeLoginRequest(bytes, request);
    return bytes;
  }
  Answer Login(int function, const char* target, const char* address) {
    return Command(function, 6, 23, Request(target, address, records::kLoginFlagsLogin));
  }
  Answer AddPersistent(int function, const char* target, const char* address) {
    return Command(function, 6, 27, Request(target, address, records::kLoginFlagsPersistent));
  }
  Answer DeletePersistent(int function, const char* target, const char* address) {
    records::DeletePersistentRequest request;
    request.target_name = target;
    request.portal = records::PortalFromText(address, 3260);
    request.portal.tag = records::kIsidWordFlag;
    request.initiator_name = kInitiator;
    std::vector<uint8_t> bytes(records::kDeletePersistentSize, 0);
    records::EncodeDeletePersistent(bytes, request);
    return Command(function, 6, 28, bytes);
  }
  Answer Logout(int function, uint32_t handle) {
    std::vector<uint8_t> bytes(records::kSessionHandleRequestSize);
    records::EncodeSessionHandleRequest(bytes, handle);
    return Command(function, 6, 24, bytes);
  }
  Answer Erase(int function) {
    std::vector<uint8_t> bytes(records::kEraseRequestSize, 0);
    records::EncodeEraseRequest(bytes, records::kEraseIscsiConfiguration);
    return Command(function, 1, 7, bytes);
  }
  std::vector<uint32_t> Sessions(int function) {
    std::vector<uint8_t> query(1024, 0);
    records::EncodeActiveSessionQuery(query, records::kActiveSessionSelector);
    Answer answer = Command(function, 6, 29, query);
    EXPECT_EQ(answer.status, 0);
    return records::DecodeActiveSessionList(answer.payload).value_or(std::vector<uint32_t>{});
  }
  records::FirmwareSession Session(int function, uint32_t handle) {
    std::vector<uint8_t> query(records::kSessionRecordSize, 0);
    records::EncodeSessionHandleRequest(query, handle);
    Answer answer = Command(function, 6, 14, query);
    EXPECT_EQ(answer.status, 0);
    return records::DecodeSessionRecord(answer.payload).value_or(records::FirmwareSession{});
  }
  // The one session of a function once there is one, within the bound.
  std::optional<records::FirmwareSession> AwaitSession(int function, milliseconds bound) {
    const auto deadline = Clock::now() + bound;
    while (Clock::now() < deadline) {
      std::vector<uint32_t> sessions = Sessions(function);
      if (!sessions.empty()) return Session(function, sessions.front());
      std::this_thread::sleep_for(milliseconds(20));
    }
    return std::nullopt;
  }

  testing::TempRoot root_;
  LoopbackListener silent_{LoopbackListener::kSilent};
  LoopbackListener deaf_{LoopbackListener::kNeverAccepts};
  AdapterConfig config_;
  std::shared_ptr<EmulatedAdapter> adapter_;
  int handles_[2] = {-1, -1};
};

TEST_F(RealLoginFirmware, OtherRequestsAreAnsweredWhileARealLoginWaits) {
  Start();
  const auto start = Clock::now();
  std::future<Answer> waiting = std::async(
      std::launch::async, [&] { return Login(0, "iqn.2026-01.test:silent", kSilentAddress); });
  // Under way once the function's configuration cannot be erased.
  Answer erase;
  do {
    erase = Erase(0);
  } while (erase.additional != 16 && Clock::now() - start < milliseconds(500));
  ASSERT_EQ(erase.status, 1);
  ASSERT_EQ(erase.additional, 16);

  const auto others = Clock::now();
  EXPECT_TRUE(Sessions(0).empty());
  Answer simulated = Login(1, kOpenTargetName, kOpenTargetAddress);
  EXPECT_EQ(simulated.status, 0);
  EXPECT_EQ(Sessions(1).size(), 1u);
  Answer again = Login(0, "iqn.2026-01.test:silent", kSilentAddress);
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.additional, 17);
  EXPECT_LT(Clock::now() - others, milliseconds(300));

  Answer login = waiting.get();
  EXPECT_GE(Clock::now() - start, kSilentLoginTimeout - milliseconds(100));
  EXPECT_EQ(login.status, kRealLoginOtherFailure);
  EXPECT_EQ(login.additional, 0);
  EXPECT_TRUE(Sessions(0).empty());
  EXPECT_EQ(Erase(0).status, 0);
}

TEST_F(RealLoginFirmware, RefusedConnectionIsAConnectFailure) {
  config_.real_portals.push_back(Mapping("192.0.2.32", 1));  // nothing listens on port 1
  Start();
  Answer login = Login(0, "iqn.2026-01.test:none", "192.0.2.32");
  EXPECT_EQ(login.status, kRealLoginFailed);
  EXPECT_EQ(login.additional, kRealConnectFailed);
}

TEST_F(RealLoginFirmware, AdapterStartDoesNotWaitForRealLogins) {
  Start();
  ASSERT_EQ(AddPersistent(0, "iqn.2026-01.test:deaf", kDeafAddress).status, 0);
  ASSERT_EQ(AddPersistent(1, kOpenTargetName, kOpenTargetAddress).status, 0);
  Stop();

  const auto start = Clock::now();
  Start();
  EXPECT_LT(Clock::now() - start, kDeafConnectTimeout / 2);
  // The simulated entry is in at once, the real one once its login ended.
  EXPECT_EQ(Sessions(1).size(), 1u);
  EXPECT_TRUE(Sessions(0).empty());
  std::optional<records::FirmwareSession> failed = AwaitSession(0, milliseconds(5000));
  ASSERT_TRUE(failed);
  EXPECT_GE(Clock::now() - start, kDeafConnectTimeout - milliseconds(100));
  EXPECT_EQ(failed->state, records::kSessionLoginFailed);
  EXPECT_EQ(failed->target_name, "iqn.2026-01.test:deaf");
  ASSERT_EQ(failed->connections.size(), 1u);
  EXPECT_EQ(records::FormatAddress(failed->connections[0].destination_type,
                                   failed->connections[0].destination_address),
            kDeafAddress);
}

TEST_F(RealLoginFirmware, EntryDeletedDuringItsLoginIsNotRestored) {
  Start();
  ASSERT_EQ(AddPersistent(0, "iqn.2026-01.test:deaf", kDeafAddress).status, 0);
  Stop();
  Start();
  EXPECT_EQ(DeletePersistent(0, "iqn.2026-01.test:deaf", kDeafAddress).status, 0);
  std::this_thread::sleep_for(kDeafConnectTimeout + milliseconds(300));
  EXPECT_TRUE(Sessions(0).empty());
}

TEST_F(RealLoginFirmware, AdapterGoesAwayDuringABackgroundLogin) {
  Start();
  ASSERT_EQ(AddPersistent(0, "iqn.2026-01.test:silent", kSilentAddress).status, 0);
  Stop();
  Start();
  // Connected, and waiting for a login response that never comes.
  ASSERT_TRUE(silent_.Connected(milliseconds(2000)));
  const auto start = Clock::now();
  Stop();
  EXPECT_LT(Clock::now() - start, kSilentLoginTimeout + milliseconds(500));
}

class RealLoginWithTgtd : public SharedTgtdTest<RealLoginFirmware> {
 protected:
  void SetUp() override {
    OXIM_REQUIRE_TGTD();
    RealLoginFirmware::SetUp();
    config_.real_portals.push_back(Mapping(kTgtdAddress, server_->port()));
  }
};

TEST_F(RealLoginWithTgtd, TwoFunctionsLogInAndOutAtOnce) {
  Start();
  std::future<Answer> other = std::async(
      std::launch::async, [&] { return Login(1, TgtdServer::kOpenTarget, kTgtdAddress); });
  Answer first = Login(0, TgtdServer::kOpenTarget, kTgtdAddress);
  Answer second = other.get();
  ASSERT_EQ(first.status, 0);
  ASSERT_EQ(second.status, 0);

  uint16_t source_ports[2] = {};
  for (int function = 0; function < 2; ++function) {
    std::vector<uint32_t> sessions = Sessions(function);
    ASSERT_EQ(sessions.size(), 1u);
    records::FirmwareSession session = Session(function, sessions[0]);
    EXPECT_EQ(session.state, records::kSessionOpen);
    EXPECT_EQ(session.isid[3], function);  // the ISID names the function
    ASSERT_EQ(session.connections.size(), 1u);
    const records::FirmwareConnection& connection = session.connections[0];
    EXPECT_EQ(connection.bits & records::kConnectionLoggedIn, records::kConnectionLoggedIn);
    EXPECT_EQ(records::FormatAddress(connection.destination_type, connection.destination_address),
              kTgtdAddress);
    EXPECT_EQ(connection.destination_port, 3260);
    source_ports[function] = connection.source_port;
  }
  EXPECT_NE(source_ports[0], 0);
  EXPECT_NE(source_ports[0], source_ports[1]);

  std::future<Answer> closing =
      std::async(std::launch::async, [&] { return Logout(1, Sessions(1).front()); });
  EXPECT_EQ(Logout(0, Sessions(0).front()).status, 0);
  EXPECT_EQ(closing.get().status, 0);
  EXPECT_TRUE(Sessions(0).empty());
  EXPECT_TRUE(Sessions(1).empty());
}

// SCSI through a real session goes to tgtd unchanged: the LUN of the
// record, data both ways, the target's check condition and sense.
TEST_F(RealLoginWithTgtd, PassthroughReachesTgtdsLuns) {
  Start();
  ASSERT_EQ(Login(0, TgtdServer::kOpenTarget, kTgtdAddress).status, 0);
  const uint32_t handle = Sessions(0).front();
  auto scsi = [&](uint16_t lun, const records::Cdb& cdb, uint8_t direction,
                  std::vector<uint8_t> data) {
    records::ScsiPassthrough command;
    command.session_handle = handle;
    command.lun = records::PassthroughLunOf(records::LunEntryOf(lun));
    command.direction = direction;
    command.cdb = cdb;
    command.data = std::move(data);
    std::vector<uint8_t> bytes(records::ScsiPassthroughSize(command), 0);
    records::EncodeScsiPassthrough(bytes, command);
    Answer answer = Command(0, 6, 59, bytes);
    EXPECT_EQ(answer.status, 0);
    return records::DecodeScsiPassthrough(answer.payload).value_or(records::ScsiPassthrough{});
  };
  records::ScsiPassthrough luns =
      scsi(0, records::ReportLunsCdb(64), records::kScsiDataRead, std::vector<uint8_t>(64, 0xEE));
  std::optional<records::ReportLuns> list = records::DecodeReportLuns(luns.data, 255);
  ASSERT_TRUE(list);
  ASSERT_EQ(list->entries.size(), 2u);
  EXPECT_EQ(records::LunNumberOf(list->entries[1]), 1);
  EXPECT_EQ(luns.data[24], 0);  // past what tgtd sent: zeros

  auto read_block = [&](uint32_t lba) {
    return scsi(1, records::ReadWrite10Cdb(records::kScsiRead10, lba, 1), records::kScsiDataRead,
                std::vector<uint8_t>(512, 0));
  };
  // A new I_T nexus: the first command to the LUN reports the unit
  // attention of the power-on, with its sense.
  records::ScsiPassthrough attention = read_block(2);
  EXPECT_EQ(attention.scsi_status, records::kScsiStatusCheckCondition);
  ASSERT_GE(attention.sense.size(), 3u);
  EXPECT_EQ(attention.sense[2], 0x06);
  // Two readers at once on the one connection, each block as in the file.
  std::future<records::ScsiPassthrough> other =
      std::async(std::launch::async, [&] { return read_block(3); });
  records::ScsiPassthrough block = read_block(2);
  for (auto [lba, answer] : {std::pair{2u, block}, std::pair{3u, other.get()}}) {
    ASSERT_EQ(answer.data.size(), 512u);
    EXPECT_EQ(answer.scsi_status, records::kScsiStatusGood);
    for (size_t i = 0; i < 512; ++i) {
      ASSERT_EQ(answer.data[i], TgtdServer::PatternByte(lba * 512 + i)) << lba << ":" << i;
    }
  }
  records::ScsiPassthrough write = scsi(1, records::ReadWrite10Cdb(records::kScsiWrite10, 60, 1),
                                        records::kScsiDataWrite, std::vector<uint8_t>(512, 0xA5));
  EXPECT_EQ(write.scsi_status, records::kScsiStatusGood);
  std::ifstream file(server_->lun_path(1), std::ios::binary);
  std::vector<char> written(512);
  file.seekg(60 * 512);
  file.read(written.data(), 512);
  EXPECT_EQ(std::count(written.begin(), written.end(), static_cast<char>(0xA5)), 512);

  // tgtd's controller has no capacity: check condition, illegal request
  // (after its own unit attention).
  auto read_capacity = [&] {
    return scsi(0, records::ReadCapacity10Cdb(), records::kScsiDataRead,
                std::vector<uint8_t>(8, 0));
  };
  records::ScsiPassthrough capacity = read_capacity();
  if (capacity.sense.size() > 2 && capacity.sense[2] == 0x06) capacity = read_capacity();
  EXPECT_EQ(capacity.scsi_status, records::kScsiStatusCheckCondition);
  ASSERT_GE(capacity.sense.size(), 3u);
  EXPECT_EQ(capacity.sense[2], 0x05);
  EXPECT_EQ(Logout(0, handle).status, 0);
}

TEST_F(RealLoginWithTgtd, PersistentEntryLogsInAfterAStart) {
  Start();
  ASSERT_EQ(AddPersistent(0, TgtdServer::kOpenTarget, kTgtdAddress).status, 0);
  Stop();
  Start();
  std::optional<records::FirmwareSession> restored = AwaitSession(0, milliseconds(5000));
  ASSERT_TRUE(restored);
  EXPECT_EQ(restored->state, records::kSessionOpen);
  EXPECT_EQ(restored->flags & records::kSessionNotPersistent, 0u);
  // Logged in: a second login of the same key is refused.
  EXPECT_EQ(Login(0, TgtdServer::kOpenTarget, kTgtdAddress).additional, 17);
}

}  // namespace
}  // namespace oxim::emulator
