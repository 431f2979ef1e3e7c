// Real iSCSI logins for the emulated adapter: when a target portal that the
// adapter shows is mapped to a real endpoint (a tgtd on loopback, say), the
// login, the keep-alive and the logout run over TCP with libiscsi. This file
// knows nothing of the rest of the emulator; the login handler fills a
// RealLoginRequest from its own records and copies the RealLoginResult back
// into the firmware's answer.
//
//   RealLoginRequest request;
//   request.host = "127.0.0.1";
//   request.port = 3260;
//   request.target_name = "iqn.2026-01.net.example:disk";
//   request.initiator_name = "iqn.2026-01.net.example:host";
//   RealLoginResult result;
//   std::unique_ptr<RealSession> session = RealSession::Login(request, &result);
//   if (!session) return result.firmware_status;  // with result.additional_status
//   ...
//   session->Logout();
//
// What libiscsi (1.19) cannot do, and so neither can this:
//  - Data digest: it negotiates header digest only. A login that asks for a
//    data digest must be answered as by a firmware that does not support it
//    (the caller refuses it with its digest-mismatch status); this file never
//    offers one.
//  - TSIH: the login response header is not exposed, so RealLoginResult has no
//    TSIH (the caller numbers sessions itself).
//  - Negotiated values: there is no getter; they are read from the keys of the
//    target's final login response (libiscsi logs each one), with the
//    protocol's defaults for keys the target leaves out.
//  - ISID: only the forms its setters write (see RealLoginRequest::isid).
//
// Threads: every RealSession owns its own libiscsi context and lock; several
// sessions may log in and run at once from different threads. libiscsi formats
// its log lines in static buffers, so the login exchanges (the only time a
// context logs) take turns for each libiscsi call, though not for their waits.
#ifndef OXIM_EMULATOR_REAL_ISCSI_H_
#define OXIM_EMULATOR_REAL_ISCSI_H_

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "keep_alive_service.h"

struct iscsi_context;

namespace oxim::emulator {

// Firmware statuses of a failed login.
inline constexpr int kRealLoginFailed = 1;        // with one of the additional statuses below
inline constexpr int kRealLoginOtherFailure = 2;  // additional status 0
// Additional statuses with kRealLoginFailed.
inline constexpr int kRealHostUnreachable = 19;
inline constexpr int kRealConnectFailed = 21;  // refused or timed out
inline constexpr int kRealAuthenticationFailed = 44;
inline constexpr int kRealAuthorizationFailed = 45;
inline constexpr int kRealTargetNotFound = 46;
inline constexpr int kRealTargetUnavailable = 56;

struct RealLoginRequest {
  // Numeric IPv4 or IPv6 address of the real endpoint (names are refused, so
  // that no resolver can stall a login) and its TCP port.
  std::string host;
  uint16_t port = 3260;
  std::string target_name;
  std::string initiator_name;
  // The six ISID bytes as they go on the wire. libiscsi writes the OUI form
  // (type 00) in full, the enterprise-number (01) and random (10) forms with
  // the A bits zero, and the reserved form (11) as all zero; any other value
  // fails the login (kRealLoginOtherFailure) before a connection is made.
  std::array<uint8_t, 6> isid{0x00, 0x02, 0x3d, 0x00, 0x00, 0x01};
  // One-way CHAP: the initiator answers the target's challenge with these.
  // Empty chap_user: no CHAP offered.
  std::string chap_user;
  std::string chap_secret;
  // Mutual CHAP: the target's name and secret the initiator checks. Empty
  // mutual_user: one-way only. Needs chap_user.
  std::string mutual_user;
  std::string mutual_secret;
  // Offer CRC32C header digest. If required, None is not offered and a target
  // that answers None anyway fails the login (kRealLoginOtherFailure with
  // RealLoginResult::header_digest_refused set).
  bool header_digest_crc32c = false;
  bool header_digest_required = false;
  // Bound on the TCP connect, and on the login exchange after it.
  std::chrono::milliseconds connect_timeout{3000};
  std::chrono::milliseconds login_timeout{5000};
  // Time between NOP-Outs of the keep-alive; the session counts as lost when
  // two in a row are unanswered a further interval later.
  std::chrono::milliseconds nop_interval{2000};
  // A discovery session (target_name may be empty): it carries only
  // SendTargets and the logout, so it gets no keep-alive.
  bool discovery = false;
};

// One target of a SendTargets answer as the target sent it: its name and
// its TargetAddress values ("host:port,tag", "[v6]:port,tag").
struct RealDiscoveredTarget {
  std::string name;
  std::vector<std::string> addresses;
};

struct RealLoginResult {
  int firmware_status = 0;  // 0 on success
  int additional_status = 0;
  // libiscsi's last error or the socket error, for the log.
  std::string error;
  bool header_digest_refused = false;

  // Negotiated (from the target's login response, or the protocol default).
  bool header_digest_crc32c = false;
  uint32_t max_recv_data_segment_length = 8192;  // the target's
  uint32_t first_burst_length = 65536;
  uint32_t max_burst_length = 262144;
  bool initial_r2t = true;
  bool immediate_data = true;
  uint16_t target_portal_group_tag = 0;
  // The target chose CHAP. A target without an account answers AuthMethod=None
  // to an offer of CHAP, and libiscsi accepts that.
  bool chap_authenticated = false;

  // The TCP connection: our (source) end and the target's end.
  std::string local_address;
  uint16_t local_port = 0;
  std::string remote_address;
  uint16_t remote_port = 0;
};

// Firmware status and additional status for an iSCSI login response status
// (class << 8 | detail, as libiscsi prints it) and for a socket error number.
void MapLoginStatus(int class_detail, RealLoginResult* result);
void MapSocketError(int error_number, RealLoginResult* result);

// One SCSI command for a real session: the block goes unchanged to the LUN.
struct RealScsiCommand {
  uint16_t lun = 0;
  std::array<uint8_t, 16> cdb{};
  size_t cdb_size = 16;
  enum class Direction { kNone, kRead, kWrite } direction = Direction::kNone;
  std::vector<uint8_t> data_out;  // kWrite
  uint32_t data_in_length = 0;    // kRead: what the initiator takes at most
  std::chrono::milliseconds timeout{10000};
};

struct RealScsiResult {
  // False when the command did not complete (connection lost, time-out):
  // nothing below is the target's.
  bool completed = false;
  uint8_t scsi_status = 0;
  // Fixed-format sense rebuilt from what libiscsi parsed (key, ASC, ASCQ)
  // on a CHECK CONDITION; empty otherwise.
  std::vector<uint8_t> sense;
  std::vector<uint8_t> data_in;  // at most data_in_length bytes
  std::string error;             // for the log
};

// One libiscsi context logged in to one target, kept alive by the process's
// keep-alive service (which services the connection and sends NOP-Outs while
// no command is waiting on it).
class RealSession final : private KeepAliveService::Session {
 public:
  // Connects and logs in, bounded by the request's time-outs. On success
  // returns the session and fills *result with the negotiated values; on
  // failure returns null with the statuses in *result.
  // REQUIRES: result != nullptr.
  static std::unique_ptr<RealSession> Login(const RealLoginRequest& request,
                                            RealLoginResult* result);

  // Logs out if still logged in, then closes the connection.
  ~RealSession();
  RealSession(const RealSession&) = delete;
  RealSession& operator=(const RealSession&) = delete;

  // False once the target has gone away (connection closed or reset, NOP-Outs
  // unanswered) or after Logout.
  bool connected() const { return connected_.load(std::memory_order_acquire); }

  // Stops the keep-alive and sends a Logout request (bounded wait). Returns 0
  // when the target answered it, -1 when the session was already lost or
  // logged out or the logout failed; the connection is closed either way.
  int Logout();

  // Asks a discovery session for every target ("SendTargets=All": libiscsi
  // sends no other key), waiting at most `timeout`. False when the session
  // is not a logged-in discovery session or no answer came.
  bool SendTargets(std::chrono::milliseconds timeout, std::vector<RealDiscoveredTarget>* targets);

  // Sends one SCSI command and waits for its completion, bounded by the
  // command's time-out; the context's lock is held meanwhile (the
  // keep-alive waits). Safe from any thread.
  RealScsiResult Scsi(const RealScsiCommand& command);

 private:
  // A libiscsi request's completion. Members, not locals: libiscsi may call
  // back (cancelled) until the context is destroyed.
  struct Pending {
    bool done = false;
    int status = 0;
  };

  RealSession(iscsi_context* context, std::chrono::milliseconds nop_interval);
  static void OnConnect(iscsi_context* context, int status, void* command_data, void* data);
  static void OnDone(iscsi_context* context, int status, void* command_data, void* data);
  static void OnDiscovery(iscsi_context* context, int status, void* command_data, void* data);
  // The keep-alive's turn (KeepAliveService): the NOP-Out when one is due,
  // and whatever the connection has for the context.
  KeepAliveService::Turn TryTurn(uint32_t events, KeepAliveService::Clock::time_point now,
                                 KeepAliveService::Clock::time_point* next_turn) override;
  // Whether the keep-alive wakes for the connection: not while a command
  // waits for its own answer on it. REQUIRES: mutex_ held.
  void WatchConnection(bool watch);
  void StopKeepAlive();
  // REQUIRES: mutex_ held, keep-alive stopped.
  int LogoutLocked();

  std::mutex mutex_;        // guards the context and what follows up to connected_
  iscsi_context* context_;  // owned
  const std::chrono::milliseconds nop_interval_;
  Pending connect_done_;
  Pending login_done_;
  Pending logout_done_;
  Pending discovery_done_;
  std::vector<RealDiscoveredTarget>* discovered_ = nullptr;  // during SendTargets
  bool discovery_ = false;
  bool logged_out_ = false;
  KeepAliveService::Handle keep_alive_;  // id 0: no keep-alive (yet, or any more)
  KeepAliveService::Clock::time_point next_nop_;
  std::atomic<bool> connected_{true};
};

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_REAL_ISCSI_H_
