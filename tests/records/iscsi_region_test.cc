// The stored-object read and write requests, iSCSI regions with their TLV
// lists and pad rule, the boot target TLV, the initiator CHAP TLVs and the
// initiator name record, against bytes written by hand from their tables.
#include "records/iscsi_region.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/golden.h"
#include "records/initiator_name.h"

namespace oxim::records {
namespace {

using golden::Bytes;

constexpr char kRegion3[] = "/iscsidata/Port1/Instance0/Region3";

TEST(IscsiObject, NamesCarryThePortInHexadecimal) {
  EXPECT_EQ(IscsiRegionObjectName(1, 3), kRegion3);
  EXPECT_EQ(IscsiRegionObjectName(10, 2), "/iscsidata/Porta/Instance0/Region2");
}

TEST(IscsiObject, ReadRequestAndAnswer) {
  Bytes request(kObjectReadSize, 0xAA);
  ASSERT_TRUE(EncodeObjectReadRequest(request, kRegion3));
  Bytes want(kObjectReadSize, 0);
  golden::PutText(want, 8, kRegion3);
  EXPECT_EQ(request, want);
  EXPECT_EQ(DecodeObjectName(request), kRegion3);
  EXPECT_FALSE(EncodeObjectReadRequest(request, std::string(104, 'x'))) << "no room for a NUL";

  // The answer: 5 bytes read, the end of the object, the data from 8.
  Bytes answer(32, 0);
  golden::Put32(answer, 0, 5);
  answer[7] = 0x80;
  golden::PutBytes(answer, 8, {1, 2, 3, 4, 5});
  std::optional<ObjectReadAnswer> read = DecodeObjectReadAnswer(answer);
  ASSERT_TRUE(read);
  EXPECT_TRUE(read->end);
  EXPECT_EQ(read->data, (Bytes{1, 2, 3, 4, 5}));
  Bytes again(32, 0);
  ASSERT_TRUE(EncodeObjectReadAnswer(again, *read));
  EXPECT_EQ(again, answer);
  // Only the low 24 bits count; a count past the buffer is refused.
  golden::Put32(answer, 0, 0x01000005);
  EXPECT_EQ(DecodeObjectReadAnswer(answer)->data.size(), 5u);
  golden::Put32(answer, 0, 25);
  EXPECT_FALSE(DecodeObjectReadAnswer(answer));
  answer[7] = 0;
  golden::Put32(answer, 0, 24);
  EXPECT_FALSE(DecodeObjectReadAnswer(answer)->end);
}

TEST(IscsiObject, WriteRequest) {
  ObjectWrite write{kRegion3, 0, true, Bytes(20, 0x5A)};
  ASSERT_EQ(ObjectWriteSize(20), 148u);
  Bytes request(148, 0xAA);
  ASSERT_TRUE(EncodeObjectWrite(request, write));
  Bytes want(148, 0);
  golden::PutBytes(want, 0, {20, 0, 0, 0x80});
  golden::PutText(want, 8, kRegion3);
  for (size_t i = 0; i < 20; ++i) want[112 + i] = 0x5A;
  EXPECT_EQ(request, want);
  std::optional<ObjectWrite> read = DecodeObjectWrite(request);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->name, kRegion3);
  EXPECT_EQ(read->offset, 0u);
  EXPECT_TRUE(read->end);
  EXPECT_EQ(read->data, write.data);
  EXPECT_FALSE(EncodeObjectWrite(std::span(request).first(147), write));
  // A write length past the request is refused.
  request[0] = 37;
  EXPECT_FALSE(DecodeObjectWrite(request));
}

// A region whose TLV area holds one type-1 TLV with a 2-byte value, padded.
Bytes SeededRegion() {
  Bytes region(24, 0);
  golden::Put32(region, 0, 0x11223344);
  golden::Put32(region, 4, 8);
  golden::PutBytes(region, 8, {9, 8, 7, 6, 5, 4, 3, 2});
  golden::PutBytes(region, 16, {1, 2, 0, 0xAB, 0xCD});  // type 1, length 2
  golden::PutBytes(region, 21, {0xFF, 0, 0});           // pad, length 0
  return region;
}

TEST(IscsiRegion, DecodesHeaderAndTlvsAndEncodesThemBack) {
  std::optional<IscsiRegion> region = DecodeIscsiRegion(SeededRegion());
  ASSERT_TRUE(region);
  EXPECT_EQ(region->header_word, 0x11223344u);
  EXPECT_EQ(region->tail, (std::array<uint8_t, 8>{9, 8, 7, 6, 5, 4, 3, 2}));
  ASSERT_EQ(region->tlvs.size(), 2u);
  EXPECT_EQ(region->tlvs[0].type, 1);
  EXPECT_EQ(region->tlvs[0].value, (Bytes{0xAB, 0xCD}));
  EXPECT_EQ(region->tlvs[1].type, kPadTlvType);
  ASSERT_EQ(IscsiRegionSize(*region), 24u);
  Bytes again(24, 0xEE);
  ASSERT_TRUE(EncodeIscsiRegion(again, *region));
  EXPECT_EQ(again, SeededRegion());
  // Bytes past the TLV area are not the region's.
  Bytes longer = SeededRegion();
  longer.resize(40, 0x77);
  EXPECT_EQ(DecodeIscsiRegion(longer)->tlvs.size(), 2u);
}

TEST(IscsiRegion, DamagedRegionsAreRefused) {
  EXPECT_FALSE(DecodeIscsiRegion(Bytes(15, 0))) << "shorter than the header";
  Bytes region = SeededRegion();
  golden::Put32(region, 4, 9);
  EXPECT_FALSE(DecodeIscsiRegion(region)) << "area past the bytes";
  region = SeededRegion();
  golden::Put16(region, 17, 6);
  EXPECT_FALSE(DecodeIscsiRegion(region)) << "value past the area";
  region = SeededRegion();
  golden::Put32(region, 4, 7);
  EXPECT_FALSE(DecodeIscsiRegion(region)) << "TLV header cut by the area";
  region = SeededRegion();
  golden::PutBytes(region, 16, {0xFF, 2, 0});
  EXPECT_FALSE(DecodeIscsiRegion(region)) << "a TLV after the pad";
  // An empty area is a region without TLVs.
  Bytes empty(16, 0);
  ASSERT_TRUE(DecodeIscsiRegion(empty));
  EXPECT_TRUE(DecodeIscsiRegion(empty)->tlvs.empty());
}

TEST(IscsiRegion, PadRuleByAreaLength) {
  // Areas of 13, 14, 15 and 16 bytes: pads of value length 0, 3, 2, none.
  const struct {
    size_t area;
    std::optional<size_t> pad;
  } cases[] = {{13, 0}, {14, 3}, {15, 2}, {16, std::nullopt}};
  for (const auto& c : cases) {
    IscsiRegion region;
    region.tlvs.push_back({7, Bytes(c.area - 3, 1)});
    AddPadTlv(&region);
    if (!c.pad) {
      EXPECT_EQ(region.tlvs.size(), 1u) << c.area;
      continue;
    }
    ASSERT_EQ(region.tlvs.size(), 2u) << c.area;
    EXPECT_EQ(region.tlvs[1].type, kPadTlvType);
    EXPECT_EQ(region.tlvs[1].value, Bytes(*c.pad, 0)) << c.area;
    EXPECT_EQ(TlvAreaLength(region.tlvs) % 4, 0u);
    RemovePadTlv(&region);
    EXPECT_EQ(region.tlvs.size(), 1u);
  }
}

// One-way CHAP over IPv4: every field by hand.
TEST(BootTargetTlv, GoldenBytesOneWayIpv4) {
  BootTarget boot;
  boot.authentication = kBootAuthOneWay;
  boot.isid_qualifier = 0x0102;
  boot.header_digest = 1;
  boot.port = 3260;
  boot.address = {192, 0, 2, 11};
  boot.target_name = "iqn.t";
  boot.target_chap_name = "user";
  boot.target_secret = {'s', 'e', 'c'};
  boot.initiator_chap_name = "ignored";  // one-way: not written
  std::optional<Tlv> tlv = EncodeBootTargetTlv(boot);
  ASSERT_TRUE(tlv);
  const size_t length = 29 + 4 + 5 + 4 + 3;  // 45
  Bytes want(length + 3, 0);
  want[0] = 3;
  golden::Put16(want, 1, length);
  golden::PutBytes(want, 3, {3, 1, 1, 0, 1});
  want[16] = 1;
  golden::Put16(want, 17, 0x0102);
  want[19] = 1;
  want[20] = 0;
  golden::Put16(want, 21, 3260);
  want[23] = 0;
  golden::PutBytes(want, 24, {5, 4, 3});
  golden::PutBytes(want, 27, {192, 0, 2, 11});
  golden::PutText(want, 31, "iqn.t");
  golden::PutText(want, 36, "user");
  golden::PutText(want, 40, "sec");
  golden::PutBytes(want, 43, {0, 0});
  // The TLV in a region: type, value length, value.
  IscsiRegion region;
  region.tlvs.push_back(*tlv);
  Bytes bytes(IscsiRegionSize(region), 0);
  ASSERT_TRUE(EncodeIscsiRegion(bytes, region));
  EXPECT_EQ(Bytes(bytes.begin() + 16, bytes.end()), want);
  std::optional<BootTarget> back = DecodeBootTargetTlv(*tlv);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->target_name, "iqn.t");
  EXPECT_EQ(back->isid_qualifier, 0x0102);
  EXPECT_EQ(back->target_secret, boot.target_secret);
  EXPECT_TRUE(back->initiator_chap_name.empty());
}

TEST(BootTargetTlv, MutualChapOverIpv6) {
  BootTarget boot;
  boot.authentication = kBootAuthMutual;
  boot.address_kind = kBootAddressIpv6;
  boot.address = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10};
  boot.target_name = "iqn.v6";
  boot.target_chap_name = "u";
  boot.target_secret = {1};
  boot.initiator_chap_name = "in";
  boot.initiator_secret = {2, 3};
  std::optional<Tlv> tlv = EncodeBootTargetTlv(boot);
  ASSERT_TRUE(tlv);
  const size_t length = 29 + 16 + 6 + 1 + 1 + 2 + 2;
  ASSERT_EQ(tlv->value.size(), length);
  Bytes want(length, 0);  // the value: offsets 3.. of the TLV, then 3 zeros
  golden::PutBytes(want, 0, {3, 1, 1, 0, 1});
  want[16 - 3] = 2;
  want[23 - 3] = 1;
  golden::PutBytes(want, 24 - 3, {6, 1, 1});
  std::copy(boot.address.begin(), boot.address.end(), want.begin() + 27 - 3);
  golden::PutText(want, 43 - 3, "iqn.v6");
  golden::PutText(want, 49 - 3, "u");
  want[50 - 3] = 1;
  golden::PutBytes(want, 51 - 3, {2, 2});
  golden::PutText(want, 53 - 3, "in");
  golden::PutBytes(want, 55 - 3, {2, 3});
  EXPECT_EQ(tlv->value, want);
  std::optional<BootTarget> back = DecodeBootTargetTlv(*tlv);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->target_name, "iqn.v6") << "found after the 16-byte address";
  EXPECT_EQ(back->address, boot.address);
  EXPECT_EQ(back->initiator_secret, boot.initiator_secret);
}

TEST(BootTargetTlv, LengthsOfOneByteAreNeverExceeded) {
  BootTarget boot;
  boot.authentication = kBootAuthMutual;
  boot.target_chap_name = std::string(255, 'c');
  EXPECT_TRUE(EncodeBootTargetTlv(boot));
  boot.target_chap_name = std::string(256, 'c');
  EXPECT_FALSE(EncodeBootTargetTlv(boot)) << "would be stored with length 0";
  boot.target_chap_name = "c";
  boot.initiator_chap_name = std::string(256, 'i');
  EXPECT_FALSE(EncodeBootTargetTlv(boot));
}

TEST(BootTargetTlv, ShortValuesAndOtherTypesAreRefused) {
  BootTarget boot;
  boot.target_name = "iqn.t";
  Tlv tlv = *EncodeBootTargetTlv(boot);
  tlv.type = 4;
  EXPECT_TRUE(DecodeBootTargetTlv(tlv)) << "type 4 has the same layout";
  tlv.type = 2;
  EXPECT_FALSE(DecodeBootTargetTlv(tlv));
  tlv.type = 3;
  tlv.value.resize(27 + 4 + 5 - 3 + 1);  // cut in the initiator lengths
  EXPECT_FALSE(DecodeBootTargetTlv(tlv));
  tlv.value[24 - 3] = 200;  // a name past the value
  EXPECT_FALSE(DecodeBootTargetTlv(tlv));
}

TEST(ChapTlv, PrefixThreeThenTheBytes) {
  const std::string name = "initiator2";
  Tlv tlv = ChapTlv(kChapNameTlvType,
                    std::span(reinterpret_cast<const uint8_t*>(name.data()), name.size()));
  EXPECT_EQ(tlv.type, 2);
  Bytes want(11, 0);
  want[0] = 3;
  golden::PutText(want, 1, name);
  EXPECT_EQ(tlv.value, want);
}

TEST(InitiatorNameRecord, GoldenBytes) {
  Bytes want(kInitiatorNameRecordSize, 0);
  golden::Put16(want, 0, 0x0003);
  golden::Put16(want, 2, 0xBEEF);
  golden::PutText(want, 4, "iqn.2026-01.net.example:host");
  golden::PutText(want, 228, "host");
  std::optional<InitiatorNameRecord> record = DecodeInitiatorName(want);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->flags, 3);
  EXPECT_EQ(record->reserved, 0xBEEF);
  EXPECT_EQ(record->name, "iqn.2026-01.net.example:host");
  EXPECT_EQ(record->alias, "host");
  Bytes again(kInitiatorNameRecordSize, 0xAA);
  ASSERT_TRUE(EncodeInitiatorName(again, *record));
  EXPECT_EQ(again, want);
  EXPECT_FALSE(DecodeInitiatorName(std::span(want).first(259)));
  record->alias = std::string(40, 'a');
  ASSERT_TRUE(EncodeInitiatorName(again, *record));
  EXPECT_EQ(DecodeInitiatorName(again)->alias, std::string(31, 'a')) << "cut, keeping a NUL";
}

}  // namespace
}  // namespace oxim::records
