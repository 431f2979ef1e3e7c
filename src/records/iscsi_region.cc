// Stored objects, iSCSI regions and their TLVs; see iscsi_region.h.
#include "records/iscsi_region.h"

#include <algorithm>
#include <cstdio>

namespace oxim::records {
namespace {

constexpr size_t kMaxTlvValue = 0xFFFF;

bool NameFits(std::string_view name) { return name.size() < kObjectNameSize; }

// Appends bytes of a text or byte field whose length is one byte.
bool AppendShort(std::vector<uint8_t>* out, const uint8_t* data, size_t size) {
  if (size > 0xFF) return false;
  out->insert(out->end(), data, data + size);
  return true;
}

size_t AddressSize(uint8_t kind) { return kind == kBootAddressIpv6 ? 16 : 4; }

}  // namespace

std::string IscsiRegionObjectName(unsigned port, int region) {
  char name[kObjectNameSize];
  std::snprintf(name, sizeof name, "/iscsidata/Port%x/Instance0/Region%d", port, region);
  return name;
}

bool EncodeObjectReadRequest(std::span<uint8_t> out, std::string_view name) {
  if (out.size() < kObjectWriteDataOffset || !NameFits(name)) return false;
  std::fill(out.begin(), out.end(), uint8_t{0});
  EncodeText(out.subspan(kObjectNameOffset, kObjectNameSize), name, TextEnd::kNul);
  return true;
}

std::optional<std::string> DecodeObjectName(std::span<const uint8_t> in) {
  if (in.size() < kObjectWriteDataOffset) return std::nullopt;
  return DecodeText(in.subspan(kObjectNameOffset, kObjectNameSize));
}

bool EncodeObjectReadAnswer(std::span<uint8_t> out, const ObjectReadAnswer& answer) {
  if (out.size() < kObjectReadDataOffset ||
      answer.data.size() > out.size() - kObjectReadDataOffset ||
      answer.data.size() > kObjectLengthMask) {
    return false;
  }
  EncodeFixed32(out.data() + kObjectLengthOffset, static_cast<uint32_t>(answer.data.size()));
  std::fill_n(out.data() + 4, 4, uint8_t{0});
  if (answer.end) out[kObjectReadEndOffset] = kObjectReadEndBit;
  std::copy(answer.data.begin(), answer.data.end(), out.begin() + kObjectReadDataOffset);
  return true;
}

std::optional<ObjectReadAnswer> DecodeObjectReadAnswer(std::span<const uint8_t> in) {
  if (in.size() < kObjectReadDataOffset) return std::nullopt;
  const size_t length = DecodeFixed32(in.data() + kObjectLengthOffset) & kObjectLengthMask;
  if (length > in.size() - kObjectReadDataOffset) return std::nullopt;
  ObjectReadAnswer answer;
  answer.end = (in[kObjectReadEndOffset] & kObjectReadEndBit) != 0;
  answer.data.assign(in.begin() + kObjectReadDataOffset,
                     in.begin() + kObjectReadDataOffset + length);
  return answer;
}

size_t ObjectWriteSize(size_t data_size) { return data_size + kObjectWriteOverhead; }

bool EncodeObjectWrite(std::span<uint8_t> out, const ObjectWrite& write) {
  if (write.data.size() > kObjectLengthMask || out.size() < ObjectWriteSize(write.data.size()) ||
      !NameFits(write.name)) {
    return false;
  }
  std::fill(out.begin(), out.end(), uint8_t{0});
  const uint32_t length = static_cast<uint32_t>(write.data.size());
  out[0] = static_cast<uint8_t>(length);
  out[1] = static_cast<uint8_t>(length >> 8);
  out[2] = static_cast<uint8_t>(length >> 16);
  out[kObjectWriteFlagsOffset] = write.end ? kObjectWriteEndBit : 0;
  EncodeFixed32(out.data() + kObjectWriteOffsetOffset, write.offset);
  EncodeText(out.subspan(kObjectNameOffset, kObjectNameSize), write.name, TextEnd::kNul);
  std::copy(write.data.begin(), write.data.end(), out.begin() + kObjectWriteDataOffset);
  return true;
}

std::optional<ObjectWrite> DecodeObjectWrite(std::span<const uint8_t> in) {
  if (in.size() < kObjectWriteDataOffset) return std::nullopt;
  const size_t length = DecodeFixed32(in.data()) & kObjectLengthMask;
  if (length > in.size() - kObjectWriteDataOffset) return std::nullopt;
  ObjectWrite write;
  write.name = DecodeText(in.subspan(kObjectNameOffset, kObjectNameSize));
  write.offset = DecodeFixed32(in.data() + kObjectWriteOffsetOffset);
  write.end = (in[kObjectWriteFlagsOffset] & kObjectWriteEndBit) != 0;
  write.data.assign(in.begin() + kObjectWriteDataOffset,
                    in.begin() + kObjectWriteDataOffset + length);
  return write;
}

size_t TlvAreaLength(const std::vector<Tlv>& tlvs) {
  size_t length = 0;
  for (const Tlv& tlv : tlvs) length += kTlvHeaderSize + tlv.value.size();
  return length;
}

size_t IscsiRegionSize(const IscsiRegion& region) {
  return kRegionHeaderSize + TlvAreaLength(region.tlvs);
}

bool EncodeIscsiRegion(std::span<uint8_t> out, const IscsiRegion& region) {
  const size_t area = TlvAreaLength(region.tlvs);
  if (area > kMaxTlvArea || out.size() < kRegionHeaderSize + area) return false;
  for (const Tlv& tlv : region.tlvs) {
    if (tlv.value.size() > kMaxTlvValue) return false;
  }
  EncodeFixed32(out.data() + kRegionWordOffset, region.header_word);
  EncodeFixed32(out.data() + kRegionLengthOffset, static_cast<uint32_t>(area));
  std::copy(region.tail.begin(), region.tail.end(), out.begin() + kRegionTailOffset);
  size_t at = kRegionHeaderSize;
  for (const Tlv& tlv : region.tlvs) {
    out[at] = tlv.type;
    EncodeFixed16(out.data() + at + 1, static_cast<uint16_t>(tlv.value.size()));
    std::copy(tlv.value.begin(), tlv.value.end(), out.begin() + at + kTlvHeaderSize);
    at += kTlvHeaderSize + tlv.value.size();
  }
  return true;
}

std::optional<IscsiRegion> DecodeIscsiRegion(std::span<const uint8_t> in) {
  if (in.size() < kRegionHeaderSize) return std::nullopt;
  const size_t area = DecodeFixed32(in.data() + kRegionLengthOffset);
  if (area > in.size() - kRegionHeaderSize) return std::nullopt;
  IscsiRegion region;
  region.header_word = DecodeFixed32(in.data() + kRegionWordOffset);
  std::copy_n(in.begin() + kRegionTailOffset, kRegionTailSize, region.tail.begin());
  std::span<const uint8_t> tlvs = in.subspan(kRegionHeaderSize, area);
  size_t at = 0;
  bool padded = false;
  while (at < tlvs.size()) {
    if (padded || tlvs.size() - at < kTlvHeaderSize) return std::nullopt;
    Tlv tlv;
    tlv.type = tlvs[at];
    const size_t length = DecodeFixed16(tlvs.data() + at + 1);
    at += kTlvHeaderSize;
    if (length > tlvs.size() - at) return std::nullopt;
    tlv.value.assign(tlvs.begin() + at, tlvs.begin() + at + length);
    at += length;
    padded = tlv.type == kPadTlvType;
    region.tlvs.push_back(std::move(tlv));
  }
  return region;
}

void RemovePadTlv(IscsiRegion* region) {
  auto pad = std::find_if(region->tlvs.begin(), region->tlvs.end(),
                          [](const Tlv& tlv) { return tlv.type == kPadTlvType; });
  if (pad != region->tlvs.end()) region->tlvs.erase(pad);
}

void AddPadTlv(IscsiRegion* region) {
  // With the area m bytes long: m mod 4 = 1 takes 3 bytes, 2 takes 6 and 3
  // takes 5, so that the area ends on a multiple of 4.
  static constexpr size_t kPadValue[4] = {0, 0, 3, 2};
  const size_t rest = TlvAreaLength(region->tlvs) % 4;
  if (rest == 0) return;
  region->tlvs.push_back({kPadTlvType, std::vector<uint8_t>(kPadValue[rest], 0)});
}

std::optional<Tlv> EncodeBootTargetTlv(const BootTarget& boot) {
  // The bytes from offset 3 on; the TLV's value.
  std::vector<uint8_t> v(kBootAddressOffset - kTlvHeaderSize, 0);
  auto at = [&](size_t offset) { return v.data() + offset - kTlvHeaderSize; };
  std::copy(kBootConstants.begin(), kBootConstants.end(), at(kBootConstantsOffset));
  *at(kBootAuthenticationOffset) = boot.authentication;
  EncodeFixed16(at(kBootQualifierOffset), boot.isid_qualifier);
  *at(kBootHeaderDigestOffset) = boot.header_digest;
  *at(kBootDataDigestOffset) = boot.data_digest;
  EncodeFixed16(at(kBootPortOffset), boot.port);
  *at(kBootAddressKindOffset) = boot.address_kind;
  if (boot.target_name.size() > 0xFF || boot.target_chap_name.size() > 0xFF ||
      boot.target_secret.size() > 0xFF) {
    return std::nullopt;
  }
  *at(kBootTargetNameLengthOffset) = static_cast<uint8_t>(boot.target_name.size());
  *at(kBootChapNameLengthOffset) = static_cast<uint8_t>(boot.target_chap_name.size());
  *at(kBootSecretLengthOffset) = static_cast<uint8_t>(boot.target_secret.size());
  const auto* name = reinterpret_cast<const uint8_t*>(boot.target_name.data());
  const auto* chap = reinterpret_cast<const uint8_t*>(boot.target_chap_name.data());
  const auto* initiator = reinterpret_cast<const uint8_t*>(boot.initiator_chap_name.data());
  v.insert(v.end(), boot.address.begin(), boot.address.begin() + AddressSize(boot.address_kind));
  v.insert(v.end(), name, name + boot.target_name.size());
  v.insert(v.end(), chap, chap + boot.target_chap_name.size());
  v.insert(v.end(), boot.target_secret.begin(), boot.target_secret.end());
  const bool mutual = boot.authentication == kBootAuthMutual;
  const size_t i = mutual ? boot.initiator_chap_name.size() : 0;
  const size_t j = mutual ? boot.initiator_secret.size() : 0;
  if (i > 0xFF || j > 0xFF) return std::nullopt;
  v.push_back(static_cast<uint8_t>(i));
  v.push_back(static_cast<uint8_t>(j));
  if (!AppendShort(&v, initiator, i) || !AppendShort(&v, boot.initiator_secret.data(), j)) {
    return std::nullopt;
  }
  // The length field counts the whole TLV; a reader skips 3 more bytes.
  v.insert(v.end(), kBootTrailingZeros, 0);
  return Tlv{kBootTargetTlvType, std::move(v)};
}

std::optional<BootTarget> DecodeBootTargetTlv(const Tlv& tlv) {
  if (tlv.type != kBootTargetTlvType && tlv.type != kBootTargetTlvAltType) return std::nullopt;
  const std::vector<uint8_t>& v = tlv.value;
  auto at = [&](size_t offset) { return v.data() + offset - kTlvHeaderSize; };
  if (v.size() < kBootAddressOffset - kTlvHeaderSize) return std::nullopt;
  BootTarget boot;
  boot.authentication = *at(kBootAuthenticationOffset);
  boot.isid_qualifier = DecodeFixed16(at(kBootQualifierOffset));
  boot.header_digest = *at(kBootHeaderDigestOffset);
  boot.data_digest = *at(kBootDataDigestOffset);
  boot.port = DecodeFixed16(at(kBootPortOffset));
  boot.address_kind = *at(kBootAddressKindOffset);
  const size_t a = AddressSize(boot.address_kind);
  const size_t t = *at(kBootTargetNameLengthOffset);
  const size_t c = *at(kBootChapNameLengthOffset);
  const size_t s = *at(kBootSecretLengthOffset);
  size_t pos = kBootAddressOffset - kTlvHeaderSize;
  // Every piece is checked against the value before it is read.
  auto take = [&](size_t size) -> const uint8_t* {
    if (size > v.size() - pos) return nullptr;
    const uint8_t* piece = v.data() + pos;
    pos += size;
    return piece;
  };
  const uint8_t* address = take(a);
  const uint8_t* name = address ? take(t) : nullptr;
  const uint8_t* chap = name ? take(c) : nullptr;
  const uint8_t* secret = chap ? take(s) : nullptr;
  const uint8_t* lengths = secret ? take(2) : nullptr;
  if (lengths == nullptr) return std::nullopt;
  const uint8_t* initiator = take(lengths[0]);
  const uint8_t* initiator_secret = initiator ? take(lengths[1]) : nullptr;
  if (initiator_secret == nullptr) return std::nullopt;
  std::copy_n(address, a, boot.address.begin());
  boot.target_name.assign(reinterpret_cast<const char*>(name), t);
  boot.target_chap_name.assign(reinterpret_cast<const char*>(chap), c);
  boot.target_secret.assign(secret, secret + s);
  boot.initiator_chap_name.assign(reinterpret_cast<const char*>(initiator), lengths[0]);
  boot.initiator_secret.assign(initiator_secret, initiator_secret + lengths[1]);
  return boot;
}

Tlv ChapTlv(uint8_t type, std::span<const uint8_t> bytes) {
  Tlv tlv{type, std::vector<uint8_t>(bytes.size() + 1, kChapTlvPrefix)};
  std::copy(bytes.begin(), bytes.end(), tlv.value.begin() + 1);
  return tlv;
}

}  // namespace oxim::records
