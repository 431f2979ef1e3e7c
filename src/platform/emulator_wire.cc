// The wire of the emulated adapter's daemon; see emulator_wire.h.
#include "platform/emulator_wire.h"

#include <cstdio>
#include <type_traits>

namespace oxim::wire {
namespace {

// Appends fields to a frame; the header is filled in by finish().
class Writer {
 public:
  explicit Writer(uint8_t type) : bytes_(kFrameHeaderSize, 0) { bytes_.push_back(type); }
  Writer& u8(uint8_t value) {
    bytes_.push_back(value);
    return *this;
  }
  Writer& u32(uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
      bytes_.push_back(static_cast<uint8_t>(value >> shift));
    return *this;
  }
  Writer& i32(int32_t value) { return u32(static_cast<uint32_t>(value)); }
  Writer& u64(uint64_t value) {
    u32(static_cast<uint32_t>(value));
    return u32(static_cast<uint32_t>(value >> 32));
  }
  Writer& bytes(std::span<const uint8_t> data) {
    u32(static_cast<uint32_t>(data.size()));
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    return *this;
  }
  Writer& text(std::string_view data) {
    return bytes(std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
  }
  std::vector<uint8_t> finish() {
    const uint32_t length = static_cast<uint32_t>(bytes_.size() - kFrameHeaderSize);
    for (size_t i = 0; i < kFrameHeaderSize; ++i) bytes_[i] = static_cast<uint8_t>(length >> 8 * i);
    return std::move(bytes_);
  }

 private:
  std::vector<uint8_t> bytes_;
};

// Reads fields in order; once a field does not fit, every later read fails
// too and ok() is false.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> payload) : rest_(payload) {}
  bool ok() const { return ok_; }
  bool done() const { return ok_ && rest_.empty(); }

  uint8_t u8() {
    if (!take(1)) return 0;
    return taken_[0];
  }
  uint32_t u32() {
    if (!take(4)) return 0;
    return static_cast<uint32_t>(taken_[0]) | static_cast<uint32_t>(taken_[1]) << 8 |
           static_cast<uint32_t>(taken_[2]) << 16 | static_cast<uint32_t>(taken_[3]) << 24;
  }
  int32_t i32() { return static_cast<int32_t>(u32()); }
  uint64_t u64() {
    const uint64_t low = u32();
    return low | static_cast<uint64_t>(u32()) << 32;
  }
  std::vector<uint8_t> bytes() {
    const uint32_t length = u32();
    if (!take(length)) return {};
    return {taken_.begin(), taken_.end()};
  }
  std::string text() {
    const uint32_t length = u32();
    if (!take(length)) return {};
    return {reinterpret_cast<const char*>(taken_.data()), taken_.size()};
  }

 private:
  bool take(size_t count) {
    if (!ok_ || count > rest_.size()) {
      ok_ = false;
      return false;
    }
    taken_ = rest_.first(count);
    rest_ = rest_.subspan(count);
    return true;
  }

  std::span<const uint8_t> rest_;
  std::span<const uint8_t> taken_;
  bool ok_ = true;
};

uint8_t answer_type(Type type) { return static_cast<uint8_t>(type) | kAnswerBit; }

// A reader over an answer payload of the given type; its ok() is false when
// the type byte is another.
Reader answer_reader(Type type, std::span<const uint8_t> payload) {
  Reader reader(payload);
  if (reader.u8() != answer_type(type)) return Reader({});
  return reader;
}

template <typename T>
std::optional<T> finished(const Reader& reader, T value) {
  return reader.done() ? std::optional<T>(std::move(value)) : std::nullopt;
}

}  // namespace

std::vector<uint8_t> EncodeRequest(const Request& request) {
  return std::visit(
      [](const auto& message) {
        using T = std::decay_t<decltype(message)>;
        if constexpr (std::is_same_v<T, Hello>) {
          return Writer(static_cast<uint8_t>(Type::kHello))
              .u32(message.version)
              .text(message.selection)
              .text(message.digest)
              .finish();
        } else if constexpr (std::is_same_v<T, Open>) {
          return Writer(static_cast<uint8_t>(Type::kOpen)).text(message.path).finish();
        } else if constexpr (std::is_same_v<T, Ioctl>) {
          return Writer(static_cast<uint8_t>(Type::kIoctl))
              .i32(message.handle)
              .u64(message.request)
              .bytes(message.argument)
              .finish();
        } else if constexpr (std::is_same_v<T, Close>) {
          return Writer(static_cast<uint8_t>(Type::kClose)).i32(message.handle).finish();
        } else if constexpr (std::is_same_v<T, ReadHostFile>) {
          return Writer(static_cast<uint8_t>(Type::kReadHostFile)).text(message.path).finish();
        } else if constexpr (std::is_same_v<T, RunHostTool>) {
          Writer writer(static_cast<uint8_t>(Type::kRunHostTool));
          writer.u32(static_cast<uint32_t>(message.argv.size()));
          for (const std::string& word : message.argv) writer.text(word);
          return writer.finish();
        } else {
          static_assert(std::is_same_v<T, Control>);
          return Writer(static_cast<uint8_t>(Type::kControl)).text(message.request).finish();
        }
      },
      request);
}

std::vector<uint8_t> EncodeAnswer(Type type, const HelloAnswer& answer) {
  return Writer(answer_type(type)).u32(answer.status).text(answer.configuration).finish();
}
std::vector<uint8_t> EncodeAnswer(Type type, const DeviceAnswer& answer) {
  return Writer(answer_type(type)).i32(answer.result).i32(answer.error).finish();
}
std::vector<uint8_t> EncodeAnswer(Type type, const IoctlAnswer& answer) {
  return Writer(answer_type(type))
      .i32(answer.result)
      .i32(answer.error)
      .bytes(answer.argument)
      .finish();
}
std::vector<uint8_t> EncodeAnswer(Type type, const HostFileAnswer& answer) {
  return Writer(answer_type(type)).u8(answer.found ? 1 : 0).text(answer.content).finish();
}
std::vector<uint8_t> EncodeAnswer(Type type, const HostToolAnswer& answer) {
  return Writer(answer_type(type)).i32(answer.exit_status).text(answer.output).finish();
}
std::vector<uint8_t> EncodeAnswer(Type type, const ControlAnswer& answer) {
  return Writer(answer_type(type)).u32(answer.status).text(answer.answer).finish();
}

std::optional<size_t> DecodeFrameLength(std::span<const uint8_t, kFrameHeaderSize> header) {
  const size_t length = static_cast<size_t>(header[0]) | static_cast<size_t>(header[1]) << 8 |
                        static_cast<size_t>(header[2]) << 16 | static_cast<size_t>(header[3]) << 24;
  if (length > kMaxFramePayload) return std::nullopt;
  return length;
}

std::optional<Request> DecodeRequest(std::span<const uint8_t> payload) {
  Reader reader(payload);
  switch (static_cast<Type>(reader.u8())) {
    case Type::kHello: {
      Hello hello;
      hello.version = reader.u32();
      hello.selection = reader.text();
      hello.digest = reader.text();
      return finished<Request>(reader, std::move(hello));
    }
    case Type::kOpen: return finished<Request>(reader, Open{reader.text()});
    case Type::kIoctl: {
      Ioctl ioctl;
      ioctl.handle = reader.i32();
      ioctl.request = reader.u64();
      ioctl.argument = reader.bytes();
      return finished<Request>(reader, std::move(ioctl));
    }
    case Type::kClose: return finished<Request>(reader, Close{reader.i32()});
    case Type::kReadHostFile: return finished<Request>(reader, ReadHostFile{reader.text()});
    case Type::kRunHostTool: {
      RunHostTool tool;
      const uint32_t count = reader.u32();
      // Each word takes at least its 4-byte length: a count the payload
      // cannot hold is refused before anything is reserved for it.
      if (count > payload.size() / 4) return std::nullopt;
      for (uint32_t i = 0; i < count && reader.ok(); ++i) tool.argv.push_back(reader.text());
      return finished<Request>(reader, std::move(tool));
    }
    case Type::kControl: return finished<Request>(reader, Control{reader.text()});
  }
  return std::nullopt;
}

std::optional<HelloAnswer> DecodeHelloAnswer(std::span<const uint8_t> payload) {
  Reader reader = answer_reader(Type::kHello, payload);
  HelloAnswer answer;
  answer.status = reader.u32();
  answer.configuration = reader.text();
  return finished(reader, std::move(answer));
}

std::optional<DeviceAnswer> DecodeDeviceAnswer(Type type, std::span<const uint8_t> payload) {
  Reader reader = answer_reader(type, payload);
  DeviceAnswer answer;
  answer.result = reader.i32();
  answer.error = reader.i32();
  return finished(reader, answer);
}

std::optional<IoctlAnswer> DecodeIoctlAnswer(std::span<const uint8_t> payload) {
  Reader reader = answer_reader(Type::kIoctl, payload);
  IoctlAnswer answer;
  answer.result = reader.i32();
  answer.error = reader.i32();
  answer.argument = reader.bytes();
  return finished(reader, std::move(answer));
}

std::optional<HostFileAnswer> DecodeHostFileAnswer(std::span<const uint8_t> payload) {
  Reader reader = answer_reader(Type::kReadHostFile, payload);
  HostFileAnswer answer;
  answer.found = reader.u8() != 0;
  answer.content = reader.text();
  return finished(reader, std::move(answer));
}

std::optional<HostToolAnswer> DecodeHostToolAnswer(std::span<const uint8_t> payload) {
  Reader reader = answer_reader(Type::kRunHostTool, payload);
  HostToolAnswer answer;
  answer.exit_status = reader.i32();
  answer.output = reader.text();
  return finished(reader, std::move(answer));
}

std::optional<ControlAnswer> DecodeControlAnswer(std::span<const uint8_t> payload) {
  Reader reader = answer_reader(Type::kControl, payload);
  ControlAnswer answer;
  answer.status = reader.u32();
  answer.answer = reader.text();
  return finished(reader, std::move(answer));
}

std::string ConfigurationDigest(std::string_view content) {
  uint64_t hash = 14695981039346656037ull;
  for (char c : content) {
    hash ^= static_cast<uint8_t>(c);
    hash *= 1099511628211ull;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

}  // namespace oxim::wire
