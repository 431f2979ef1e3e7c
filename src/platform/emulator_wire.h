// The wire between the library and the emulated adapter's daemon
// (oxim-emulatord): what crosses the driver boundary on a real host (device
// opens, driver requests with their exact bytes, closes), the host files and
// host tools that describe the adapter, and the daemon's control requests.
// Shared by the library's socket backend and the daemon.
//
// A frame is a 32-bit little-endian payload length followed by the payload;
// a payload longer than kMaxFramePayload is refused. A payload starts with
// its message type; fields follow in order, integers little-endian, texts
// and byte strings as a 32-bit length and the bytes:
//
//   type  request (client to daemon)            answer (type | 0x80)
//   1     hello: u32 version, text selection,   u32 status (0 accepted,
//                text configuration digest       1 another configuration),
//                                                text the daemon's config
//   2     open: text device path                i32 handle, i32 errno
//   3     ioctl: i32 handle, u64 request,       i32 result, i32 errno,
//                bytes argument                  bytes argument as left
//   4     close: i32 handle                     i32 result, i32 errno
//   5     read host file: text path             u8 found, bytes content
//   6     run host tool: u32 count, texts       i32 exit status, bytes output
//   7     control: text request (JSON)          u32 status, text answer (JSON)
//
//   Frame frame = EncodeOpen("/vmfs/devices/char/vmkdriver/qf_esx_nic");
//   ... send frame, receive answer bytes ...
//   std::optional<OpenAnswer> answer = DecodeOpenAnswer(payload);
#ifndef OXIM_PLATFORM_EMULATOR_WIRE_H_
#define OXIM_PLATFORM_EMULATOR_WIRE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace oxim::wire {

// Where a root's daemon keeps things, under OXIM_ROOT: its socket and lock
// (a directory of mode 0700) and the adapter's flash (0700, files 0600).
inline constexpr char kEmulatorRunDirectory[] = "/var/run/oxim-emulator";
inline constexpr char kEmulatorSocketPath[] = "/var/run/oxim-emulator/socket";
inline constexpr char kEmulatorLockPath[] = "/var/run/oxim-emulator/lock";
inline constexpr char kEmulatorStateDirectory[] = "/var/lib/oxim-emulator";
// Milliseconds a client waits for a daemon it started to answer.
inline constexpr int kDaemonStartWaitMs = 2000;

inline constexpr uint32_t kProtocolVersion = 1;
inline constexpr size_t kFrameHeaderSize = 4;
// Larger than any driver request (64 KiB) or host file the adapter shows.
inline constexpr size_t kMaxFramePayload = 4u << 20;
inline constexpr uint8_t kAnswerBit = 0x80;

enum class Type : uint8_t {
  kHello = 1,
  kOpen = 2,
  kIoctl = 3,
  kClose = 4,
  kReadHostFile = 5,
  kRunHostTool = 6,
  kControl = 7,
};

struct Hello {
  uint32_t version = kProtocolVersion;
  std::string selection;  // "emulator" or "emulator:FILE"
  std::string digest;     // of the configuration the client names ("" built-in)
};
struct Open {
  std::string path;
};
struct Ioctl {
  int32_t handle = -1;
  uint64_t request = 0;
  std::vector<uint8_t> argument;
};
struct Close {
  int32_t handle = -1;
};
struct ReadHostFile {
  std::string path;
};
struct RunHostTool {
  std::vector<std::string> argv;
};
struct Control {
  std::string request;
};
using Request = std::variant<Hello, Open, Ioctl, Close, ReadHostFile, RunHostTool, Control>;

struct HelloAnswer {
  uint32_t status = 0;  // 0 accepted, 1 the daemon runs another configuration
  std::string configuration;
};
struct DeviceAnswer {  // open, close: result (handle for open) and errno
  int32_t result = -1;
  int32_t error = 0;
};
struct IoctlAnswer {
  int32_t result = -1;
  int32_t error = 0;
  std::vector<uint8_t> argument;
};
struct HostFileAnswer {
  bool found = false;
  std::string content;
};
struct HostToolAnswer {
  int32_t exit_status = -1;
  std::string output;
};
struct ControlAnswer {
  uint32_t status = 0;
  std::string answer;
};

// Whole frames (header and payload) of each request and answer.
std::vector<uint8_t> EncodeRequest(const Request& request);
std::vector<uint8_t> EncodeAnswer(Type type, const HelloAnswer& answer);
std::vector<uint8_t> EncodeAnswer(Type type, const DeviceAnswer& answer);
std::vector<uint8_t> EncodeAnswer(Type type, const IoctlAnswer& answer);
std::vector<uint8_t> EncodeAnswer(Type type, const HostFileAnswer& answer);
std::vector<uint8_t> EncodeAnswer(Type type, const HostToolAnswer& answer);
std::vector<uint8_t> EncodeAnswer(Type type, const ControlAnswer& answer);

// The payload length a frame header announces; nullopt when it is above
// kMaxFramePayload. REQUIRES: header holds kFrameHeaderSize bytes.
std::optional<size_t> DecodeFrameLength(std::span<const uint8_t, kFrameHeaderSize> header);

// A request payload (without the frame header); nullopt for an unknown type,
// a field that runs past the payload, or bytes left over.
std::optional<Request> DecodeRequest(std::span<const uint8_t> payload);

// Answer payloads of each request type; nullopt when the payload is not an
// answer of that type or is malformed.
std::optional<HelloAnswer> DecodeHelloAnswer(std::span<const uint8_t> payload);
std::optional<DeviceAnswer> DecodeDeviceAnswer(Type type, std::span<const uint8_t> payload);
std::optional<IoctlAnswer> DecodeIoctlAnswer(std::span<const uint8_t> payload);
std::optional<HostFileAnswer> DecodeHostFileAnswer(std::span<const uint8_t> payload);
std::optional<HostToolAnswer> DecodeHostToolAnswer(std::span<const uint8_t> payload);
std::optional<ControlAnswer> DecodeControlAnswer(std::span<const uint8_t> payload);

// A digest of configuration text that the client and the daemon compare
// (64-bit FNV-1a as 16 hexadecimal digits); "" for the built-in
// configuration.
std::string ConfigurationDigest(std::string_view content);

}  // namespace oxim::wire

#endif  // OXIM_PLATFORM_EMULATOR_WIRE_H_
