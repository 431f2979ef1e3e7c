// Arbitrary bytes on the wire of the emulated adapter's daemon: as one
// request payload and as each kind of answer payload, every decoder stays
// inside the bytes and what decodes encodes again (a request to the very
// same bytes, an answer to bytes that decode and encode alike once more);
// and as a client's stream of frames, through the daemon's request handling
// against an in-process adapter, whose every answer must decode as the
// answer to its request.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "daemon/server.h"
#include "emulator.h"
#include "platform/emulator_wire.h"

namespace {

using namespace oxim;
using Bytes = std::vector<uint8_t>;

// Requests handled per input at most.
constexpr int kMaxRequests = 64;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// The payload of a whole frame (its header checked).
std::span<const uint8_t> PayloadOf(const Bytes& frame) {
  Check(frame.size() >= wire::kFrameHeaderSize);
  std::span<const uint8_t, wire::kFrameHeaderSize> header(frame.data(), wire::kFrameHeaderSize);
  std::optional<size_t> length = wire::DecodeFrameLength(header);
  Check(length && *length == frame.size() - wire::kFrameHeaderSize);
  return std::span(frame).subspan(wire::kFrameHeaderSize);
}

void RequestCodec(std::span<const uint8_t> in) {
  std::optional<wire::Request> request = wire::DecodeRequest(in);
  if (!request) return;
  // Every field is taken as it is: the encoding is the input.
  const Bytes frame = wire::EncodeRequest(*request);
  std::span<const uint8_t> payload = PayloadOf(frame);
  Check(Bytes(payload.begin(), payload.end()) == Bytes(in.begin(), in.end()));
}

// Decodes `in` as an answer; when that works, encodes it, and checks that
// the encoding decodes and encodes to the same bytes again.
template <class Decode, class Encode>
void AnswerRoundTrip(std::span<const uint8_t> in, Decode decode, Encode encode) {
  auto first = decode(in);
  if (!first) return;
  const Bytes once = encode(*first);
  auto second = decode(PayloadOf(once));
  Check(second.has_value());
  Check(encode(*second) == once);
}

void AnswerCodecs(std::span<const uint8_t> in) {
  AnswerRoundTrip(in, wire::DecodeHelloAnswer,
                  [](const auto& a) { return wire::EncodeAnswer(wire::Type::kHello, a); });
  for (wire::Type type : {wire::Type::kOpen, wire::Type::kClose}) {
    AnswerRoundTrip(
        in, [type](std::span<const uint8_t> p) { return wire::DecodeDeviceAnswer(type, p); },
        [type](const auto& a) { return wire::EncodeAnswer(type, a); });
  }
  AnswerRoundTrip(in, wire::DecodeIoctlAnswer,
                  [](const auto& a) { return wire::EncodeAnswer(wire::Type::kIoctl, a); });
  AnswerRoundTrip(in, wire::DecodeHostFileAnswer,
                  [](const auto& a) { return wire::EncodeAnswer(wire::Type::kReadHostFile, a); });
  AnswerRoundTrip(in, wire::DecodeHostToolAnswer,
                  [](const auto& a) { return wire::EncodeAnswer(wire::Type::kRunHostTool, a); });
  AnswerRoundTrip(in, wire::DecodeControlAnswer,
                  [](const auto& a) { return wire::EncodeAnswer(wire::Type::kControl, a); });
}

// The daemon's service over an adapter with its flash in a directory of
// its own.
emulator::Server& Service() {
  static emulator::Server* server = [] {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "oxim-wire-fuzz-XXXXXX").string();
    const char* root = mkdtemp(pattern.data());
    Check(root != nullptr);
    setenv("OXIM_ROOT", root, 1);
    static std::string directory = root;
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(directory, ignored);
    });
    auto adapter = std::make_shared<emulator::EmulatedAdapter>(
        emulator::DefaultConfig(), std::string(root) + wire::kEmulatorStateDirectory);
    emulator::DaemonIdentity identity;
    identity.root = root;
    return new emulator::Server(adapter, identity, -1, emulator::ServerOptions());
  }();
  return *server;
}

// Whether an answer payload is the answer to a request of this kind.
bool AnswersRequest(const wire::Request& request, std::span<const uint8_t> answer) {
  switch (static_cast<wire::Type>(request.index() + 1)) {
    case wire::Type::kHello: return wire::DecodeHelloAnswer(answer).has_value();
    case wire::Type::kOpen: return wire::DecodeDeviceAnswer(wire::Type::kOpen, answer).has_value();
    case wire::Type::kIoctl: return wire::DecodeIoctlAnswer(answer).has_value();
    case wire::Type::kClose:
      return wire::DecodeDeviceAnswer(wire::Type::kClose, answer).has_value();
    case wire::Type::kReadHostFile: return wire::DecodeHostFileAnswer(answer).has_value();
    case wire::Type::kRunHostTool: return wire::DecodeHostToolAnswer(answer).has_value();
    case wire::Type::kControl: return wire::DecodeControlAnswer(answer).has_value();
  }
  return false;
}

// The input as one client's frames, until one breaks the wire's rules or
// the daemon would close the connection.
void ThroughTheDaemon(std::span<const uint8_t> in) {
  emulator::Server& server = Service();
  emulator::Server::ClientState client;
  client.greeted = true;  // as after a hello; a hello in the input may undo it
  for (int n = 0; n < kMaxRequests && in.size() >= wire::kFrameHeaderSize; ++n) {
    std::span<const uint8_t, wire::kFrameHeaderSize> header(in.data(), wire::kFrameHeaderSize);
    std::optional<size_t> length = wire::DecodeFrameLength(header);
    if (!length || *length > in.size() - wire::kFrameHeaderSize) break;
    std::optional<wire::Request> request =
        wire::DecodeRequest(in.subspan(wire::kFrameHeaderSize, *length));
    in = in.subspan(wire::kFrameHeaderSize + *length);
    if (!request) break;
    // Handle numbers are the adapter's, never the same twice: point the
    // input's at the handles this client holds.
    auto own = [&](int32_t handle) {
      if (client.process == nullptr || client.process->handles.empty()) return handle;
      const std::set<int>& handles = client.process->handles;
      auto it = handles.begin();
      std::advance(it, static_cast<uint32_t>(handle) % handles.size());
      return static_cast<int32_t>(*it);
    };
    if (auto* ioctl = std::get_if<wire::Ioctl>(&*request)) ioctl->handle = own(ioctl->handle);
    if (auto* close = std::get_if<wire::Close>(&*request)) close->handle = own(close->handle);
    emulator::Server::Reply reply = server.Handle(client, *request);
    if (!reply.frame) break;
    Check(AnswersRequest(*request, PayloadOf(*reply.frame)));
  }
  server.Release(client);
  server.adapter().faults().Clear();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> in(data, size);
  RequestCodec(in);
  AnswerCodecs(in);
  ThroughTheDaemon(in);
  return 0;
}
