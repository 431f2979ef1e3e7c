// Real iSCSI logins with libiscsi against tgtd on loopback: CHAP variants,
// negotiated values, the failure statuses, bounded waits, concurrent
// sessions, and a target that goes away.
#include "real_iscsi.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "support/tgtd_fixture.h"
#include "support/tgtd_suite.h"

namespace oxim::emulator {
namespace {

using oxim::testing::SharedTgtdTest;
using oxim::testing::TgtdServer;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr const char* kInitiator = "iqn.2026-01.net.oxim-test:initiator";

RealLoginRequest RequestFor(uint16_t port, const char* target) {
  RealLoginRequest request;
  request.host = "127.0.0.1";
  request.port = port;
  request.target_name = target;
  request.initiator_name = kInitiator;
  return request;
}

RealLoginRequest WithChap(RealLoginRequest request) {
  request.chap_user = TgtdServer::kChapUser;
  request.chap_secret = TgtdServer::kChapSecret;
  return request;
}

RealLoginRequest WithMutual(RealLoginRequest request) {
  request = WithChap(std::move(request));
  request.mutual_user = TgtdServer::kMutualUser;
  request.mutual_secret = TgtdServer::kMutualSecret;
  return request;
}

bool WaitUntilLost(const RealSession& session, milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (session.connected() && Clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(20));
  }
  return !session.connected();
}

// A loopback listener that the test controls: it may never accept, or
// accept and stay silent.
class Listener {
 public:
  explicit Listener(int backlog) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(fd_, backlog);
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~Listener() {
    for (int fd : others_) close(fd);
    close(fd_);
  }
  uint16_t port() const { return port_; }
  int fd() const { return fd_; }
  // Fills the accept queue, so that further SYNs are dropped unanswered.
  void FillQueue() {
    for (int i = 0; i < 4; ++i) {
      const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      address.sin_port = htons(port_);
      connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
      others_.push_back(fd);
    }
    std::this_thread::sleep_for(milliseconds(50));
  }

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
  std::vector<int> others_;
};

class RealIscsi : public SharedTgtdTest<::testing::Test> {
 protected:
  void SetUp() override { OXIM_REQUIRE_TGTD(); }
  RealLoginRequest Request(const char* target) const { return RequestFor(server_->port(), target); }
};

TEST_F(RealIscsi, LoginWithoutChapReportsNegotiatedValuesAndEndpoints) {
  RealLoginResult result;
  auto session = RealSession::Login(Request(TgtdServer::kOpenTarget), &result);
  ASSERT_NE(session, nullptr) << result.error;
  EXPECT_EQ(result.firmware_status, 0);
  EXPECT_EQ(result.additional_status, 0);
  EXPECT_TRUE(session->connected());
  EXPECT_EQ(result.remote_address, "127.0.0.1");
  EXPECT_EQ(result.remote_port, server_->port());
  EXPECT_EQ(result.local_address, "127.0.0.1");
  EXPECT_NE(result.local_port, 0);
  EXPECT_NE(result.local_port, server_->port());
  // tgtd's answers (it leaves out its MaxRecvDataSegmentLength: the default).
  EXPECT_FALSE(result.header_digest_crc32c);
  EXPECT_EQ(result.max_recv_data_segment_length, 8192u);
  EXPECT_EQ(result.first_burst_length, 65536u);
  EXPECT_EQ(result.max_burst_length, 262144u);
  EXPECT_TRUE(result.initial_r2t);
  EXPECT_TRUE(result.immediate_data);
  EXPECT_EQ(result.target_portal_group_tag, 1);
  EXPECT_FALSE(result.chap_authenticated);
  EXPECT_EQ(session->Logout(), 0);
  EXPECT_FALSE(session->connected());
  EXPECT_EQ(session->Logout(), -1);
}

TEST_F(RealIscsi, HeaderDigestIsUsedWhenTheTargetOffersIt) {
  RealLoginRequest request = Request(TgtdServer::kOpenTarget);
  request.header_digest_crc32c = true;
  request.header_digest_required = true;
  request.nop_interval = milliseconds(100);
  RealLoginResult result;
  auto session = RealSession::Login(request, &result);
  ASSERT_NE(session, nullptr) << result.error;
  EXPECT_TRUE(result.header_digest_crc32c);
  // NOP-Outs with digests go back and forth without losing the session.
  std::this_thread::sleep_for(milliseconds(400));
  EXPECT_TRUE(session->connected());
  EXPECT_EQ(session->Logout(), 0);
}

TEST_F(RealIscsi, RequiredHeaderDigestThatTheTargetRefusesFailsTheLogin) {
  RealLoginRequest request = WithChap(Request(TgtdServer::kOneWayTarget));
  request.header_digest_crc32c = true;
  request.header_digest_required = true;
  RealLoginResult result;
  EXPECT_EQ(RealSession::Login(request, &result), nullptr);
  EXPECT_EQ(result.firmware_status, kRealLoginOtherFailure);
  EXPECT_EQ(result.additional_status, 0);
  EXPECT_TRUE(result.header_digest_refused);
}

TEST_F(RealIscsi, OneWayChapLogsIn) {
  RealLoginResult result;
  auto session = RealSession::Login(WithChap(Request(TgtdServer::kOneWayTarget)), &result);
  ASSERT_NE(session, nullptr) << result.error;
  EXPECT_EQ(result.remote_port, server_->port());
  EXPECT_TRUE(result.chap_authenticated);
  EXPECT_EQ(session->Logout(), 0);
}

// A target without accounts answers AuthMethod=None to an offer of CHAP, and
// libiscsi goes on without it; the result tells.
TEST_F(RealIscsi, ChapOfferedToATargetWithoutAccountsIsNotUsed) {
  RealLoginResult result;
  auto session = RealSession::Login(WithChap(Request(TgtdServer::kOpenTarget)), &result);
  ASSERT_NE(session, nullptr) << result.error;
  EXPECT_FALSE(result.chap_authenticated);
  EXPECT_EQ(session->Logout(), 0);
}

TEST_F(RealIscsi, MutualChapLogsIn) {
  RealLoginResult result;
  auto session = RealSession::Login(WithMutual(Request(TgtdServer::kMutualTarget)), &result);
  ASSERT_NE(session, nullptr) << result.error;
  EXPECT_EQ(session->Logout(), 0);
}

TEST_F(RealIscsi, WrongSecretIsAnAuthenticationFailure) {
  RealLoginRequest request = WithChap(Request(TgtdServer::kOneWayTarget));
  request.chap_secret = "not-the-secret";
  RealLoginResult result;
  EXPECT_EQ(RealSession::Login(request, &result), nullptr);
  EXPECT_EQ(result.firmware_status, kRealLoginFailed);
  EXPECT_EQ(result.additional_status, kRealAuthenticationFailed);
  EXPECT_NE(result.error.find("Authentication failure(513)"), std::string::npos) << result.error;
}

TEST_F(RealIscsi, MissingChapIsAnAuthenticationFailure) {
  RealLoginResult result;
  EXPECT_EQ(RealSession::Login(Request(TgtdServer::kOneWayTarget), &result), nullptr);
  EXPECT_EQ(result.firmware_status, kRealLoginFailed);
  EXPECT_EQ(result.additional_status, kRealAuthenticationFailed);
}

TEST_F(RealIscsi, WrongTargetSecretIsAnAuthenticationFailure) {
  RealLoginRequest request = WithMutual(Request(TgtdServer::kMutualTarget));
  request.mutual_secret = "not-the-secret";
  RealLoginResult result;
  EXPECT_EQ(RealSession::Login(request, &result), nullptr);
  EXPECT_EQ(result.firmware_status, kRealLoginFailed);
  EXPECT_EQ(result.additional_status, kRealAuthenticationFailed) << result.error;
}

TEST_F(RealIscsi, UnknownTargetIsNotFound) {
  RealLoginResult result;
  EXPECT_EQ(RealSession::Login(Request("iqn.2026-01.net.oxim-test:absent"), &result), nullptr);
  EXPECT_EQ(result.firmware_status, kRealLoginFailed);
  EXPECT_EQ(result.additional_status, kRealTargetNotFound) << result.error;
}

TEST_F(RealIscsi, TwoSessionsFromTwoThreads) {
  RealLoginResult results[2];
  std::unique_ptr<RealSession> sessions[2];
  std::thread first(
      [&] { sessions[0] = RealSession::Login(Request(TgtdServer::kOpenTarget), &results[0]); });
  std::thread second([&] {
    sessions[1] = RealSession::Login(WithChap(Request(TgtdServer::kOneWayTarget)), &results[1]);
  });
  first.join();
  second.join();
  ASSERT_NE(sessions[0], nullptr) << results[0].error;
  ASSERT_NE(sessions[1], nullptr) << results[1].error;
  EXPECT_NE(results[0].local_port, results[1].local_port);
  EXPECT_TRUE(sessions[0]->connected());
  EXPECT_TRUE(sessions[1]->connected());
  std::thread closer([&] { EXPECT_EQ(sessions[0]->Logout(), 0); });
  EXPECT_EQ(sessions[1]->Logout(), 0);
  closer.join();
}

// One keep-alive thread serves every session: each session's NOP-Outs go
// on while another's commands run, and a session that ends takes nothing of
// the others' with it.
TEST_F(RealIscsi, SessionsKeptAliveTogetherRunCommandsAndEndOneByOne) {
  RealLoginRequest request = Request(TgtdServer::kOpenTarget);
  request.nop_interval = milliseconds(150);
  RealLoginResult result;
  auto first = RealSession::Login(request, &result);
  ASSERT_NE(first, nullptr) << result.error;
  request.isid[5] = 0x02;
  auto second = RealSession::Login(request, &result);
  ASSERT_NE(second, nullptr) << result.error;
  RealScsiCommand test_unit_ready;  // an all-zero block
  test_unit_ready.cdb_size = 6;
  const auto until = Clock::now() + milliseconds(700);  // several NOP-Out rounds
  while (Clock::now() < until) {
    RealScsiResult answer = first->Scsi(test_unit_ready);
    ASSERT_TRUE(answer.completed) << answer.error;
    std::this_thread::sleep_for(milliseconds(20));
  }
  EXPECT_TRUE(first->connected());
  EXPECT_TRUE(second->connected());
  EXPECT_EQ(first->Logout(), 0);
  std::this_thread::sleep_for(milliseconds(500));
  EXPECT_TRUE(second->connected());
  EXPECT_TRUE(second->Scsi(test_unit_ready).completed);
  EXPECT_EQ(second->Logout(), 0);
}

TEST_F(RealIscsi, DestructorLogsOut) {
  RealLoginResult result;
  auto session = RealSession::Login(Request(TgtdServer::kOpenTarget), &result);
  ASSERT_NE(session, nullptr) << result.error;
  session.reset();
  // The target has no session left to refuse a new one with the same ISID.
  session = RealSession::Login(Request(TgtdServer::kOpenTarget), &result);
  EXPECT_NE(session, nullptr) << result.error;
}

TEST(RealIscsiFailures, ClosedPortFailsQuickly) {
  uint16_t port;
  {
    Listener closed(1);
    port = closed.port();
  }
  const auto start = Clock::now();
  RealLoginResult result;
  EXPECT_EQ(RealSession::Login(RequestFor(port, TgtdServer::kOpenTarget), &result), nullptr);
  EXPECT_LT(Clock::now() - start, milliseconds(1000));
  EXPECT_EQ(result.firmware_status, kRealLoginFailed);
  EXPECT_EQ(result.additional_status, kRealConnectFailed) << result.error;
}

TEST(RealIscsiFailures, ConnectTimeoutIsBounded) {
  Listener full(0);
  full.FillQueue();
  RealLoginRequest request = RequestFor(full.port(), TgtdServer::kOpenTarget);
  request.connect_timeout = milliseconds(300);
  const auto start = Clock::now();
  RealLoginResult result;
  EXPECT_EQ(RealSession::Login(request, &result), nullptr);
  const auto elapsed = Clock::now() - start;
  EXPECT_GE(elapsed, milliseconds(250));
  EXPECT_LT(elapsed, milliseconds(1500));
  EXPECT_EQ(result.firmware_status, kRealLoginFailed);
  EXPECT_EQ(result.additional_status, kRealConnectFailed) << result.error;
}

TEST(RealIscsiFailures, SilentTargetIsBoundedAndSeesTheIsid) {
  Listener silent(4);
  RealLoginRequest request = RequestFor(silent.port(), TgtdServer::kOpenTarget);
  request.login_timeout = milliseconds(300);
  request.isid = {0x00, 0x02, 0x3d, 0x12, 0x34, 0x56};
  RealLoginResult result;
  std::vector<uint8_t> header(48);
  std::thread target([&] {
    const int fd = accept(silent.fd(), nullptr, nullptr);
    size_t got = 0;
    while (fd >= 0 && got < header.size()) {
      const ssize_t n = read(fd, header.data() + got, header.size() - got);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    std::this_thread::sleep_for(milliseconds(600));
    if (fd >= 0) close(fd);
  });
  const auto start = Clock::now();
  EXPECT_EQ(RealSession::Login(request, &result), nullptr);
  EXPECT_LT(Clock::now() - start, milliseconds(1000));
  target.join();
  EXPECT_EQ(result.firmware_status, kRealLoginOtherFailure);
  EXPECT_EQ(header[0] & 0x3f, 0x03);  // Login Request
  EXPECT_EQ(std::vector<uint8_t>(header.begin() + 8, header.begin() + 14),
            std::vector<uint8_t>(request.isid.begin(), request.isid.end()));
}

TEST(RealIscsiFailures, RequestsLibiscsiCannotExpressAreRefusedBeforeConnecting) {
  RealLoginRequest request = RequestFor(1, TgtdServer::kOpenTarget);
  request.isid = {0x41, 0, 0, 0, 0, 1};  // enterprise-number form with A bits set
  RealLoginResult result;
  EXPECT_EQ(RealSession::Login(request, &result), nullptr);
  EXPECT_EQ(result.firmware_status, kRealLoginOtherFailure);
  EXPECT_EQ(result.additional_status, 0);

  request = RequestFor(3260, TgtdServer::kOpenTarget);
  request.host = "target.example";  // no resolver inside a login
  EXPECT_EQ(RealSession::Login(request, &result), nullptr);
  EXPECT_EQ(result.firmware_status, kRealLoginOtherFailure);
}

TEST(RealIscsiFailures, LoginStatusesTgtdCannotProduce) {
  const std::pair<int, int> expected[] = {
      {0x0202, kRealAuthorizationFailed}, {0x0204, kRealTargetNotFound},
      {0x0206, kRealTargetUnavailable},   {0x0301, kRealTargetUnavailable},
      {0x0302, kRealTargetUnavailable},
  };
  for (const auto& [code, additional] : expected) {
    RealLoginResult result;
    MapLoginStatus(code, &result);
    EXPECT_EQ(result.firmware_status, kRealLoginFailed) << code;
    EXPECT_EQ(result.additional_status, additional) << code;
  }
  RealLoginResult result;
  MapLoginStatus(0x0300, &result);
  EXPECT_EQ(result.firmware_status, kRealLoginOtherFailure);
  MapSocketError(EHOSTUNREACH, &result);
  EXPECT_EQ(result.firmware_status, kRealLoginFailed);
  EXPECT_EQ(result.additional_status, kRealHostUnreachable);
  MapSocketError(ENETUNREACH, &result);
  EXPECT_EQ(result.additional_status, kRealHostUnreachable);
  MapSocketError(ETIMEDOUT, &result);
  EXPECT_EQ(result.additional_status, kRealConnectFailed);
}

// Its own tgtd, since it stops it.
TEST(RealIscsiTargetGone, SessionIsLostWhenTgtdStopsAndLogsInAgainAfterRestart) {
  TgtdServer server;
  if (!server.skip_reason().empty()) GTEST_SKIP() << server.skip_reason();
  ASSERT_TRUE(server.running()) << server.error();
  RealLoginRequest request = RequestFor(server.port(), TgtdServer::kOpenTarget);
  request.nop_interval = milliseconds(500);
  RealLoginResult result;
  auto session = RealSession::Login(request, &result);
  ASSERT_NE(session, nullptr) << result.error;
  std::this_thread::sleep_for(milliseconds(1200));  // NOP-Outs answered meanwhile
  EXPECT_TRUE(session->connected());

  server.Stop();
  EXPECT_TRUE(WaitUntilLost(*session, milliseconds(10000)));
  EXPECT_EQ(session->Logout(), -1);

  ASSERT_TRUE(server.Start()) << server.error();
  auto again = RealSession::Login(request, &result);
  ASSERT_NE(again, nullptr) << result.error;
  EXPECT_EQ(again->Logout(), 0);
}

// The connection stays open but nothing answers the NOP-Outs.
TEST(RealIscsiTargetGone, UnansweredNopOutsLoseTheSession) {
  TgtdServer server;
  if (!server.skip_reason().empty()) GTEST_SKIP() << server.skip_reason();
  ASSERT_TRUE(server.running()) << server.error();
  RealLoginRequest request = RequestFor(server.port(), TgtdServer::kOpenTarget);
  request.nop_interval = milliseconds(300);
  RealLoginResult result;
  auto session = RealSession::Login(request, &result);
  ASSERT_NE(session, nullptr) << result.error;
  server.Pause();
  EXPECT_TRUE(WaitUntilLost(*session, milliseconds(5000)));
  server.Resume();
  EXPECT_EQ(session->Logout(), -1);
}

}  // namespace
}  // namespace oxim::emulator
