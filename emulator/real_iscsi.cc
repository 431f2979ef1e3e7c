// Login, keep-alive and logout of a real iSCSI session with libiscsi. Every
// exchange runs on libiscsi's asynchronous calls with our own poll loop, so
// that each wait has a deadline.
#include "real_iscsi.h"

#include <arpa/inet.h>
#include <errno.h>
#include <iscsi/iscsi.h>
#include <iscsi/scsi-lowlevel.h>
#include <netinet/in.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

namespace oxim::emulator {
namespace {

using Clock = std::chrono::steady_clock;

// Unanswered NOP-Outs after which the target counts as gone.
constexpr int kMaxNopsInFlight = 2;
// Longest single poll, so that libiscsi's own time-outs are looked at.
constexpr int kPollSliceMs = 100;
constexpr std::chrono::milliseconds kLogoutTimeout{3000};
// libiscsi logs each key of a login response at this level.
constexpr int kLoginKeyLogLevel = 6;
constexpr std::string_view kLoginReplyPrefix = "TargetLoginReply: ";

// libiscsi's log callback carries no context. A login runs entirely on the
// calling thread, so its lines go to that thread's collector; other threads
// have none and their lines are dropped.
thread_local std::vector<std::string>* t_log_lines = nullptr;

void CollectLog(int /*level*/, const char* message) {
  if (t_log_lines != nullptr && message != nullptr) t_log_lines->emplace_back(message);
}

class LogCollector {
 public:
  LogCollector() : previous_(t_log_lines) { t_log_lines = &lines_; }
  ~LogCollector() { t_log_lines = previous_; }
  LogCollector(const LogCollector&) = delete;
  LogCollector& operator=(const LogCollector&) = delete;
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  std::vector<std::string>* previous_;
  std::vector<std::string> lines_;
};

bool IsNumericAddress(const std::string& host, bool* ipv6) {
  unsigned char buffer[sizeof(in6_addr)];
  *ipv6 = false;
  if (inet_pton(AF_INET, host.c_str(), buffer) == 1) return true;
  *ipv6 = inet_pton(AF_INET6, host.c_str(), buffer) == 1;
  return *ipv6;
}

// The ISID bytes through the setter of their type; false when libiscsi cannot
// write them as given.
bool SetIsid(iscsi_context* context, const std::array<uint8_t, 6>& isid) {
  const unsigned type = isid[0] >> 6;
  const uint32_t upper = (uint32_t{isid[1]} << 16) | (uint32_t{isid[2]} << 8) | isid[3];
  const uint32_t lower16 = (uint32_t{isid[4]} << 8) | isid[5];
  switch (type) {
    case 0:
      return iscsi_set_isid_oui(context,
                                (uint32_t{isid[0]} << 16) | (uint32_t{isid[1]} << 8) | isid[2],
                                (uint32_t{isid[3]} << 16) | lower16) == 0;
    case 1: return (isid[0] & 0x3f) == 0 && iscsi_set_isid_en(context, upper, lower16) == 0;
    case 2: return (isid[0] & 0x3f) == 0 && iscsi_set_isid_random(context, upper, lower16) == 0;
    default:
      return std::all_of(isid.begin() + 1, isid.end(), [](uint8_t b) { return b == 0; }) &&
             isid[0] == 0xc0 && iscsi_set_isid_reserved(context) == 0;
  }
}

// libiscsi formats every log line in static buffers, so a context may log only
// while holding this lock. Contexts run at log level 0 except during their
// login exchange, whose libiscsi calls all happen under it.
std::mutex& LogLock() {
  static std::mutex lock;
  return lock;
}

enum class Wait { kDone, kTimedOut, kFailed };

struct ServiceOptions {
  std::mutex* lock = nullptr;  // held around each libiscsi call
  // While connecting: an error on the socket is read here (SO_ERROR) instead
  // of by libiscsi, which would only log it.
  int* connect_error = nullptr;
};

// Services the context until *done is set or the deadline passes.
Wait ServiceUntil(iscsi_context* context, const bool& done, Clock::time_point deadline,
                  ServiceOptions options = {}) {
  std::unique_lock<std::mutex> lock;
  if (options.lock != nullptr) lock = std::unique_lock(*options.lock, std::defer_lock);
  while (!done) {
    const auto now = Clock::now();
    if (now >= deadline) return Wait::kTimedOut;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    if (options.lock != nullptr) lock.lock();
    pollfd poll_fd{iscsi_get_fd(context), static_cast<short>(iscsi_which_events(context)), 0};
    if (options.lock != nullptr) lock.unlock();
    if (poll_fd.fd < 0) return Wait::kFailed;
    const int ready = poll(&poll_fd, 1, static_cast<int>(std::min<long>(left, kPollSliceMs)));
    if (ready < 0) {
      if (errno == EINTR) continue;
      return Wait::kFailed;
    }
    if (options.connect_error != nullptr && (poll_fd.revents & (POLLERR | POLLHUP)) != 0) {
      socklen_t length = sizeof *options.connect_error;
      if (getsockopt(poll_fd.fd, SOL_SOCKET, SO_ERROR, options.connect_error, &length) != 0) {
        *options.connect_error = errno;
      }
      return Wait::kFailed;
    }
    if (options.lock != nullptr) lock.lock();
    const int serviced = iscsi_service(context, ready > 0 ? poll_fd.revents : 0);
    if (options.lock != nullptr) lock.unlock();
    if (serviced < 0) return done ? Wait::kDone : Wait::kFailed;
  }
  return Wait::kDone;
}

// The number in the last "(N)" of text, or -1.
int TrailingNumber(std::string_view text) {
  const size_t open = text.rfind('(');
  if (open == std::string_view::npos) return -1;
  const size_t close = text.find(')', open);
  if (close == std::string_view::npos || close == open + 1) return -1;
  int value = 0;
  for (size_t i = open + 1; i < close; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// The errno of a socket failure that libiscsi logged or reported: its
// "socket error TEXT(N)" line, else the text of a known errno.
int SocketErrorOf(const std::vector<std::string>& lines, std::string_view error) {
  for (const std::string& line : lines) {
    const size_t at = line.find("socket error ");
    if (at != std::string::npos) {
      const int number = TrailingNumber(std::string_view(line).substr(at));
      if (number > 0) return number;
    }
  }
  for (int number :
       {ECONNREFUSED, ETIMEDOUT, ECONNRESET, EHOSTUNREACH, ENETUNREACH, EHOSTDOWN, ENETDOWN}) {
    const char* text = strerrordesc_np(number);
    if (text != nullptr && error.find(text) != std::string_view::npos) return number;
  }
  return -1;
}

void Fail(RealLoginResult* result, int status, int additional, std::string error) {
  result->firmware_status = status;
  result->additional_status = additional;
  result->error = std::move(error);
}

// Negotiated values from the target's login response keys; later keys (the
// final response) override earlier ones.
void ReadLoginReply(const std::vector<std::string>& lines, RealLoginResult* result) {
  for (std::string_view line : lines) {
    if (!line.starts_with(kLoginReplyPrefix)) continue;
    line.remove_prefix(kLoginReplyPrefix.size());
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, equals);
    std::string_view value = line.substr(equals + 1);
    value = value.substr(0, value.find(' '));  // libiscsi appends " [target]"
    const std::string text(value);
    const auto number = static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
    if (key == "HeaderDigest") {
      result->header_digest_crc32c = value == "CRC32C";
    } else if (key == "MaxRecvDataSegmentLength") {
      result->max_recv_data_segment_length = number;
    } else if (key == "FirstBurstLength") {
      result->first_burst_length = number;
    } else if (key == "MaxBurstLength") {
      result->max_burst_length = number;
    } else if (key == "InitialR2T") {
      result->initial_r2t = value == "Yes";
    } else if (key == "ImmediateData") {
      result->immediate_data = value == "Yes";
    } else if (key == "TargetPortalGroupTag") {
      result->target_portal_group_tag = static_cast<uint16_t>(number);
    } else if (key == "AuthMethod") {
      result->chap_authenticated = value == "CHAP";
    }
  }
}

void ReadEndpoint(const sockaddr_storage& address, std::string* text, uint16_t* port) {
  char buffer[INET6_ADDRSTRLEN] = {};
  if (address.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    inet_ntop(AF_INET, &v4.sin_addr, buffer, sizeof buffer);
    *port = ntohs(v4.sin_port);
  } else if (address.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
    inet_ntop(AF_INET6, &v6.sin6_addr, buffer, sizeof buffer);
    *port = ntohs(v6.sin6_port);
  }
  *text = buffer;
}

void ReadEndpoints(int fd, RealLoginResult* result) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    ReadEndpoint(address, &result->local_address, &result->local_port);
  }
  address = {};
  length = sizeof address;
  if (getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    ReadEndpoint(address, &result->remote_address, &result->remote_port);
  }
}

}  // namespace

void MapLoginStatus(int class_detail, RealLoginResult* result) {
  int additional = 0;
  switch (class_detail) {
    case 0x0201: additional = kRealAuthenticationFailed; break;
    case 0x0202: additional = kRealAuthorizationFailed; break;
    case 0x0203:  // not found
    case 0x0204:  // removed
      additional = kRealTargetNotFound;
      break;
    case 0x0206:  // too many connections
    case 0x0301:  // service unavailable
    case 0x0302:  // out of resources
      additional = kRealTargetUnavailable;
      break;
  }
  result->firmware_status = additional != 0 ? kRealLoginFailed : kRealLoginOtherFailure;
  result->additional_status = additional;
}

void MapSocketError(int error_number, RealLoginResult* result) {
  int additional = 0;
  switch (error_number) {
    case EHOSTUNREACH:
    case ENETUNREACH:
    case EHOSTDOWN:
    case ENETDOWN: additional = kRealHostUnreachable; break;
    case ECONNREFUSED:
    case ETIMEDOUT:
    case ECONNRESET:
    case ECONNABORTED: additional = kRealConnectFailed; break;
  }
  result->firmware_status = additional != 0 ? kRealLoginFailed : kRealLoginOtherFailure;
  result->additional_status = additional;
}

RealSession::RealSession(iscsi_context* context, std::chrono::milliseconds nop_interval)
    : context_(context), nop_interval_(std::max(nop_interval, std::chrono::milliseconds(100))) {}

std::unique_ptr<RealSession> RealSession::Login(const RealLoginRequest& request,
                                                RealLoginResult* result) {
  *result = RealLoginResult{};
  bool ipv6 = false;
  if (!IsNumericAddress(request.host, &ipv6)) {
    Fail(result, kRealLoginOtherFailure, 0, "not a numeric address: " + request.host);
    return nullptr;
  }
  if ((request.target_name.empty() && !request.discovery) || request.initiator_name.empty() ||
      (!request.mutual_user.empty() && request.chap_user.empty())) {
    Fail(result, kRealLoginOtherFailure, 0, "incomplete login request");
    return nullptr;
  }
  iscsi_context* context = iscsi_create_context(request.initiator_name.c_str());
  if (context == nullptr) {
    Fail(result, kRealLoginOtherFailure, 0, "cannot create an iSCSI context");
    return nullptr;
  }
  std::unique_ptr<RealSession> session(new RealSession(context, request.nop_interval));
  std::lock_guard lock(session->mutex_);  // nobody else yet; keeps every use under it

  LogCollector log;
  iscsi_set_log_fn(context, CollectLog);
  iscsi_set_log_level(context, 0);
  iscsi_set_noautoreconnect(context, 1);
  // Unacknowledged data (a NOP-Out to a vanished host) fails the socket too.
  iscsi_set_tcp_user_timeout(context,
                             static_cast<int>(session->nop_interval_.count()) * kMaxNopsInFlight);
  iscsi_header_digest digest = ISCSI_HEADER_DIGEST_NONE;
  if (request.header_digest_crc32c) {
    digest = request.header_digest_required ? ISCSI_HEADER_DIGEST_CRC32C
                                            : ISCSI_HEADER_DIGEST_CRC32C_NONE;
  }
  session->discovery_ = request.discovery;
  bool ready =
      (request.discovery || iscsi_set_targetname(context, request.target_name.c_str()) == 0) &&
      iscsi_set_session_type(
          context, request.discovery ? ISCSI_SESSION_DISCOVERY : ISCSI_SESSION_NORMAL) == 0 &&
      iscsi_set_header_digest(context, digest) == 0 &&
      (request.chap_user.empty() ||
       iscsi_set_initiator_username_pwd(context, request.chap_user.c_str(),
                                        request.chap_secret.c_str()) == 0) &&
      (request.mutual_user.empty() ||
       iscsi_set_target_username_pwd(context, request.mutual_user.c_str(),
                                     request.mutual_secret.c_str()) == 0);
  if (!ready) {
    Fail(result, kRealLoginOtherFailure, 0, iscsi_get_error(context));
    return nullptr;
  }
  if (!SetIsid(context, request.isid)) {
    Fail(result, kRealLoginOtherFailure, 0, "ISID not expressible with libiscsi");
    return nullptr;
  }

  const std::string portal =
      (ipv6 ? "[" + request.host + "]" : request.host) + ":" + std::to_string(request.port);
  const auto connect_deadline =
      Clock::now() + std::max(request.connect_timeout, std::chrono::milliseconds(1));
  Wait wait = Wait::kFailed;
  int connect_error = 0;
  if (iscsi_connect_async(context, portal.c_str(), OnConnect, session.get()) == 0) {
    wait = ServiceUntil(context, session->connect_done_.done, connect_deadline,
                        {.connect_error = &connect_error});
  }
  if (wait == Wait::kDone && session->connect_done_.status != SCSI_STATUS_GOOD) {
    wait = Wait::kFailed;
  }
  if (wait == Wait::kTimedOut) {
    Fail(result, kRealLoginFailed, kRealConnectFailed, "connect to " + portal + " timed out");
    return nullptr;
  }
  if (wait == Wait::kFailed) {
    const std::string error = iscsi_get_error(context);
    if (connect_error <= 0) connect_error = SocketErrorOf(log.lines(), error);
    if (connect_error > 0) {
      MapSocketError(connect_error, result);
      result->error = strerrordesc_np(connect_error);
    } else {
      Fail(result, kRealLoginFailed, kRealConnectFailed, error);
    }
    return nullptr;
  }

  // The login response keys are only seen in libiscsi's log.
  const auto login_deadline =
      Clock::now() + std::max(request.login_timeout, std::chrono::milliseconds(1));
  wait = Wait::kFailed;
  int started;
  {
    std::lock_guard log_lock(LogLock());
    iscsi_set_log_level(context, kLoginKeyLogLevel);
    started = iscsi_login_async(context, OnDone, &session->login_done_);
  }
  if (started == 0) {
    wait = ServiceUntil(context, session->login_done_.done, login_deadline, {.lock = &LogLock()});
  }
  {
    std::lock_guard log_lock(LogLock());
    iscsi_set_log_level(context, 0);
  }
  if (wait == Wait::kDone && session->login_done_.status != SCSI_STATUS_GOOD) {
    wait = Wait::kFailed;
  }
  if (wait == Wait::kTimedOut) {
    Fail(result, kRealLoginOtherFailure, 0, "no login response from " + portal);
    return nullptr;
  }
  if (wait == Wait::kFailed) {
    const std::string error = iscsi_get_error(context);
    const size_t status = error.find("Status: ");
    const int error_number = SocketErrorOf(log.lines(), error);
    if (status != std::string::npos && TrailingNumber(error) >= 0) {
      MapLoginStatus(TrailingNumber(error), result);
    } else if (error.find("Authentication failed") != std::string::npos ||
               error.find("CHAP") != std::string::npos) {
      result->firmware_status = kRealLoginFailed;  // the target failed mutual CHAP
      result->additional_status = kRealAuthenticationFailed;
    } else if (error_number > 0) {
      MapSocketError(error_number, result);
    } else {
      MapLoginStatus(-1, result);
    }
    result->error = error;
    return nullptr;
  }

  ReadLoginReply(log.lines(), result);
  ReadEndpoints(iscsi_get_fd(context), result);
  if (request.header_digest_required && !result->header_digest_crc32c) {
    result->header_digest_refused = true;
    session->LogoutLocked();
    Fail(result, kRealLoginOtherFailure, 0, "target refused the header digest");
    return nullptr;
  }
  if (!request.discovery) {
    session->next_nop_ = Clock::now() + session->nop_interval_;
    session->keep_alive_ = KeepAliveService::Instance().Add(
        session.get(), iscsi_get_fd(context), static_cast<uint32_t>(iscsi_which_events(context)),
        session->next_nop_);
    if (session->keep_alive_.id == 0) {
      session->LogoutLocked();
      Fail(result, kRealLoginOtherFailure, 0, "cannot watch the connection");
      return nullptr;
    }
  }
  return session;
}

bool RealSession::SendTargets(std::chrono::milliseconds timeout,
                              std::vector<RealDiscoveredTarget>* targets) {
  std::lock_guard lock(mutex_);
  if (!discovery_ || logged_out_ || !iscsi_is_logged_in(context_)) return false;
  targets->clear();
  discovery_done_ = {};
  discovered_ = targets;
  const bool answered =
      iscsi_discovery_async(context_, OnDiscovery, this) == 0 &&
      ServiceUntil(context_, discovery_done_.done, Clock::now() + timeout) == Wait::kDone &&
      discovery_done_.status == SCSI_STATUS_GOOD;
  discovered_ = nullptr;
  if (!answered) connected_.store(false, std::memory_order_release);
  return answered;
}

void RealSession::OnDiscovery(iscsi_context*, int status, void* command_data, void* data) {
  auto* session = static_cast<RealSession*>(data);
  if (status == SCSI_STATUS_GOOD && session->discovered_ != nullptr) {
    for (auto* address = static_cast<iscsi_discovery_address*>(command_data); address != nullptr;
         address = address->next) {
      RealDiscoveredTarget target;
      if (address->target_name != nullptr) target.name = address->target_name;
      for (iscsi_target_portal* portal = address->portals; portal != nullptr;
           portal = portal->next) {
        if (portal->portal != nullptr) target.addresses.emplace_back(portal->portal);
      }
      session->discovered_->push_back(std::move(target));
    }
  }
  session->discovery_done_ = {true, status};
}

void RealSession::OnConnect(iscsi_context*, int status, void*, void* data) {
  auto* session = static_cast<RealSession*>(data);
  if (!session->connect_done_.done) {
    session->connect_done_ = {true, status};
  } else {
    // Called once more when an established connection fails.
    session->connected_.store(false, std::memory_order_release);
  }
}

void RealSession::OnDone(iscsi_context*, int status, void*, void* data) {
  *static_cast<Pending*>(data) = {true, status};
}

void RealSession::WatchConnection(bool watch) {
  if (keep_alive_.id == 0) return;
  KeepAliveService::Instance().Watch(
      keep_alive_, watch ? static_cast<uint32_t>(iscsi_which_events(context_)) : 0);
}

KeepAliveService::Turn RealSession::TryTurn(uint32_t events, Clock::time_point now,
                                            Clock::time_point* next_turn) {
  std::unique_lock lock(mutex_, std::try_to_lock);
  if (!lock.owns_lock()) return KeepAliveService::Turn::kBusy;
  if (keep_alive_.id == 0) return KeepAliveService::Turn::kOver;  // being stopped
  bool alive = true;
  if (now >= next_nop_) {
    alive = iscsi_get_nops_in_flight(context_) < kMaxNopsInFlight &&
            iscsi_nop_out_async(context_, nullptr, nullptr, 0, nullptr) == 0;
    next_nop_ += nop_interval_;
  }
  // Events are poll's bits (EPOLLIN == POLLIN, and so on); none lets
  // libiscsi look at its time-outs.
  alive = alive && iscsi_service(context_, static_cast<int>(events)) >= 0 &&
          iscsi_is_logged_in(context_) && connected();
  if (!alive) {
    connected_.store(false, std::memory_order_release);
    keep_alive_ = {};  // the service forgets the session
    return KeepAliveService::Turn::kOver;
  }
  WatchConnection(true);
  *next_turn =
      std::min<Clock::time_point>(next_nop_, now + std::chrono::milliseconds(kPollSliceMs * 5));
  return KeepAliveService::Turn::kTaken;
}

void RealSession::StopKeepAlive() {
  KeepAliveService::Handle handle;
  {
    std::lock_guard lock(mutex_);
    handle = std::exchange(keep_alive_, {});
  }
  if (handle.id != 0) KeepAliveService::Instance().Remove(handle);
}

int RealSession::LogoutLocked() {
  if (logged_out_) return -1;
  logged_out_ = true;
  int status = -1;
  if (connected() && iscsi_is_logged_in(context_)) {
    logout_done_ = {};
    if (iscsi_logout_async(context_, OnDone, &logout_done_) == 0 &&
        ServiceUntil(context_, logout_done_.done, Clock::now() + kLogoutTimeout) == Wait::kDone &&
        logout_done_.status == SCSI_STATUS_GOOD) {
      status = 0;
    }
  }
  connected_.store(false, std::memory_order_release);
  if (!iscsi_is_logged_in(context_)) iscsi_disconnect(context_);
  return status;
}

int RealSession::Logout() {
  StopKeepAlive();
  std::lock_guard lock(mutex_);
  return LogoutLocked();
}

namespace {

// A command's completion and what came back, kept alive until the task is
// freed.
struct ScsiPending {
  bool done = false;
  int status = 0;
};

void OnScsiDone(iscsi_context*, int status, void*, void* data) {
  *static_cast<ScsiPending*>(data) = {true, status};
}

// Fixed-format sense data (response code 0x70) of a parsed sense.
std::vector<uint8_t> FixedSense(const scsi_sense& sense) {
  std::vector<uint8_t> bytes(18, 0);
  bytes[0] = 0x70;
  bytes[2] = static_cast<uint8_t>(sense.key & 0x0F);
  bytes[7] = 10;
  bytes[12] = static_cast<uint8_t>(sense.ascq >> 8);
  bytes[13] = static_cast<uint8_t>(sense.ascq);
  return bytes;
}

}  // namespace

RealScsiResult RealSession::Scsi(const RealScsiCommand& command) {
  RealScsiResult result;
  std::lock_guard lock(mutex_);
  if (!connected() || logged_out_ || !iscsi_is_logged_in(context_)) {
    result.error = "the session is not logged in";
    return result;
  }
  int direction = SCSI_XFER_NONE;
  int expected = 0;
  if (command.direction == RealScsiCommand::Direction::kRead) {
    direction = SCSI_XFER_READ;
    expected = static_cast<int>(command.data_in_length);
  } else if (command.direction == RealScsiCommand::Direction::kWrite) {
    direction = SCSI_XFER_WRITE;
    expected = static_cast<int>(command.data_out.size());
  }
  std::array<unsigned char, 16> cdb{};
  std::copy(command.cdb.begin(), command.cdb.end(), cdb.begin());
  scsi_task* task = scsi_create_task(static_cast<int>(std::min<size_t>(command.cdb_size, 16)),
                                     cdb.data(), direction, expected);
  if (task == nullptr) {
    result.error = "cannot create a SCSI task";
    return result;
  }
  // The command's own wait reads the answer; the keep-alive does not wake
  // for it.
  WatchConnection(false);
  struct WatchAgain {
    RealSession* session;
    ~WatchAgain() { session->WatchConnection(true); }
  } watch_again{this};
  ScsiPending pending;
  std::vector<uint8_t> out = command.data_out;
  iscsi_data data{out.size(), out.data()};
  if (iscsi_scsi_command_async(context_, command.lun, task, OnScsiDone,
                               direction == SCSI_XFER_WRITE ? &data : nullptr, &pending) != 0) {
    result.error = iscsi_get_error(context_);
    scsi_free_scsi_task(task);
    return result;
  }
  const Wait wait = ServiceUntil(context_, pending.done, Clock::now() + command.timeout);
  if (!pending.done) {
    // Cancelling calls back (cancelled) before the task can be freed.
    iscsi_scsi_cancel_task(context_, task);
    result.error = wait == Wait::kTimedOut ? "no answer within the time-out" : "connection lost";
    if (wait != Wait::kTimedOut) connected_.store(false, std::memory_order_release);
    scsi_free_scsi_task(task);
    return result;
  }
  if (pending.status == SCSI_STATUS_GOOD || pending.status == SCSI_STATUS_CHECK_CONDITION ||
      (pending.status >= 0 && pending.status < 0x100)) {
    result.completed = true;
    result.scsi_status = static_cast<uint8_t>(pending.status);
    if (pending.status == SCSI_STATUS_CHECK_CONDITION) result.sense = FixedSense(task->sense);
    if (direction == SCSI_XFER_READ && task->datain.data != nullptr && task->datain.size > 0) {
      const size_t size = std::min<size_t>(task->datain.size, command.data_in_length);
      result.data_in.assign(task->datain.data, task->datain.data + size);
    }
  } else {
    result.error = iscsi_get_error(context_);
  }
  scsi_free_scsi_task(task);
  return result;
}

RealSession::~RealSession() {
  Logout();
  iscsi_destroy_context(context_);  // cancels what is in flight; the Pending members are alive
}

}  // namespace oxim::emulator
