// The wire to the emulated adapter's daemon, against frames written by hand
// from the table in emulator_wire.h.
#include "platform/emulator_wire.h"

#include <gtest/gtest.h>

#include <vector>

namespace oxim::wire {
namespace {

using Bytes = std::vector<uint8_t>;

std::span<const uint8_t> Payload(const Bytes& frame) {
  return std::span(frame).subspan(kFrameHeaderSize);
}

TEST(EmulatorWire, RequestsAreFramedAsWritten) {
  EXPECT_EQ(EncodeRequest(Open{"/d"}), (Bytes{7, 0, 0, 0, 2, 2, 0, 0, 0, '/', 'd'}));
  EXPECT_EQ(EncodeRequest(Ioctl{5, 0x4580, {0xAA, 0xBB}}),
            (Bytes{19,   0,    0, 0,                   // payload length
                   3,                                  // ioctl
                   5,    0,    0, 0,                   // handle
                   0x80, 0x45, 0, 0, 0,    0,   0, 0,  // request
                   2,    0,    0, 0, 0xAA, 0xBB}));    // argument
  EXPECT_EQ(EncodeRequest(RunHostTool{{"ls", ""}}),
            (Bytes{15, 0, 0, 0, 6, 2, 0, 0, 0, 2, 0, 0, 0, 'l', 's', 0, 0, 0, 0}));
  EXPECT_EQ(EncodeRequest(Close{-1}), (Bytes{5, 0, 0, 0, 4, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(EmulatorWire, AnswersAreFramedAsWritten) {
  EXPECT_EQ(EncodeAnswer(Type::kOpen, DeviceAnswer{-1, 2}),
            (Bytes{9, 0, 0, 0, 0x82, 0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0}));
  EXPECT_EQ(EncodeAnswer(Type::kReadHostFile, HostFileAnswer{true, "x"}),
            (Bytes{7, 0, 0, 0, 0x85, 1, 1, 0, 0, 0, 'x'}));
}

TEST(EmulatorWire, EveryMessageDecodesToWhatWasEncoded) {
  const Request requests[] = {
      Hello{1, "emulator:/c.json", "00ff"}, Open{"/vmfs/x"},
      Ioctl{7, 5, Bytes(300, 0x5A)},        Close{7},
      ReadHostFile{"/etc/vmware/esx.conf"}, RunHostTool{{"ethtool", "-i", "vmnic0"}},
      Control{R"({"op":"status"})"}};
  for (const Request& request : requests) {
    const Bytes frame = EncodeRequest(request);
    std::optional<Request> decoded = DecodeRequest(Payload(frame));
    ASSERT_TRUE(decoded.has_value()) << request.index();
    EXPECT_EQ(EncodeRequest(*decoded), frame) << request.index();
  }
  const Bytes ioctl = EncodeAnswer(Type::kIoctl, IoctlAnswer{0, 0, {1, 2, 3}});
  ASSERT_TRUE(DecodeIoctlAnswer(Payload(ioctl)).has_value());
  EXPECT_EQ(DecodeIoctlAnswer(Payload(ioctl))->argument, (Bytes{1, 2, 3}));
  EXPECT_FALSE(DecodeControlAnswer(Payload(ioctl)).has_value()) << "another answer's type";
}

TEST(EmulatorWire, DamagedPayloadsAreRefused) {
  const Bytes frame = EncodeRequest(Ioctl{5, 0x4580, {0xAA, 0xBB}});
  const Bytes payload(frame.begin() + kFrameHeaderSize, frame.end());
  for (size_t length = 0; length < payload.size(); ++length) {
    EXPECT_FALSE(DecodeRequest(std::span(payload).first(length)).has_value()) << length;
  }
  Bytes longer = payload;
  longer.push_back(0);
  EXPECT_FALSE(DecodeRequest(longer).has_value()) << "bytes left over";
  EXPECT_FALSE(DecodeRequest(Bytes{9}).has_value()) << "unknown type";
  EXPECT_FALSE(DecodeRequest(Bytes{6, 0xFF, 0xFF, 0xFF, 0xFF}).has_value())
      << "a word count the payload cannot hold";
  EXPECT_FALSE(DecodeRequest(Bytes{2, 0xFF, 0xFF, 0xFF, 0x7F}).has_value())
      << "a text longer than the payload";
}

TEST(EmulatorWire, FramesAboveTheLimitAreRefused) {
  const uint8_t limit[4] = {0, 0, 0x40, 0};  // 4 MiB
  const uint8_t above[4] = {1, 0, 0x40, 0};
  EXPECT_EQ(DecodeFrameLength(limit), kMaxFramePayload);
  EXPECT_FALSE(DecodeFrameLength(above).has_value());
}

TEST(EmulatorWire, ConfigurationDigestsTellContentsApart) {
  EXPECT_EQ(ConfigurationDigest(""), "cbf29ce484222325");
  EXPECT_NE(ConfigurationDigest("{\"controllers\":[]}"), ConfigurationDigest("{}"));
}

}  // namespace
}  // namespace oxim::wire
