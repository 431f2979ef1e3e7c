// Arbitrary bytes as an iSCSI region the adapter answers with: the TLV walk
// must stay inside the bytes and the area the header names, what decodes
// encodes back to exactly those bytes, the pad rule always ends the area on
// a multiple of 4, and every boot target TLV that decodes encodes to a TLV
// that decodes to the same fields. The same bytes also go through the
// stored-object answer and write decoders and the initiator name record.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "fuzz_support.h"
#include "records/coding.h"
#include "records/initiator_name.h"
#include "records/iscsi_region.h"

namespace {

using namespace oxim::records;
using oxim::fuzz::Check;
using Bytes = std::vector<uint8_t>;

bool SameBoot(const BootTarget& a, const BootTarget& b) {
  const size_t size = a.address_kind == kBootAddressIpv6 ? 16 : 4;
  return a.authentication == b.authentication && a.isid_qualifier == b.isid_qualifier &&
         a.header_digest == b.header_digest && a.data_digest == b.data_digest && a.port == b.port &&
         a.address_kind == b.address_kind &&
         std::equal(a.address.begin(), a.address.begin() + size, b.address.begin()) &&
         a.target_name == b.target_name && a.target_chap_name == b.target_chap_name &&
         a.target_secret == b.target_secret;
}

void Region(std::span<const uint8_t> in) {
  std::optional<IscsiRegion> region = DecodeIscsiRegion(in);
  if (!region) return;
  const size_t area = DecodeFixed32(in.data() + kRegionLengthOffset);
  Check(TlvAreaLength(region->tlvs) == area);
  Bytes again(IscsiRegionSize(*region), 0);
  if (area <= kMaxTlvArea) {
    Check(EncodeIscsiRegion(again, *region));
    Check(std::equal(again.begin(), again.end(), in.begin()));
  }
  for (const Tlv& tlv : region->tlvs) {
    std::optional<BootTarget> boot = DecodeBootTargetTlv(tlv);
    if (!boot) continue;
    std::optional<Tlv> encoded = EncodeBootTargetTlv(*boot);
    Check(encoded.has_value());  // every length came from one byte
    std::optional<BootTarget> twice = DecodeBootTargetTlv(*encoded);
    Check(twice && SameBoot(*boot, *twice));
  }
  RemovePadTlv(&*region);
  for (const Tlv& tlv : region->tlvs) Check(tlv.type != kPadTlvType);
  AddPadTlv(&*region);
  Check(TlvAreaLength(region->tlvs) % 4 == 0);
}

void Objects(std::span<const uint8_t> in) {
  if (std::optional<ObjectReadAnswer> answer = DecodeObjectReadAnswer(in)) {
    Check(answer->data.size() + kObjectReadDataOffset <= in.size());
    Region(answer->data);
  }
  if (std::optional<ObjectWrite> write = DecodeObjectWrite(in)) {
    Bytes once(ObjectWriteSize(write->data.size()), 0);
    Check(EncodeObjectWrite(once, *write) || write->name.size() >= kObjectNameSize);
  }
  if (std::optional<InitiatorNameRecord> record = DecodeInitiatorName(in)) {
    Bytes once(kInitiatorNameRecordSize, 0);
    Check(EncodeInitiatorName(once, *record));
    Bytes twice(kInitiatorNameRecordSize, 0);
    Check(EncodeInitiatorName(twice, *DecodeInitiatorName(once)));
    Check(once == twice);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> in(data, size);
  Region(in);
  Objects(in);
  return 0;
}
