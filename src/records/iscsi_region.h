// The adapter's stored iSCSI regions, which its boot code reads: the
// stored-object read and write requests that carry them
// (ioctl_common_read_object_version1, ioctl_common_write_object_version1),
// the region with its TLV list and the pad rule, the boot target TLV of
// region 3 and the initiator CHAP TLVs of region 2. Shared by the library
// and the emulated adapter. Little-endian.
//
// Object read request (32876 bytes, zeroed):
//   offset size field
//   8      104  object name, "/iscsidata/Port%x/Instance0/Region%d"
// Object read answer (over the request):
//   0      4    bytes read (low 24 bits)
//   7      1    bit 7: the end of the object was read
//   8      n    the object's bytes
//
// Object write request (object length + 128 bytes, zeroed):
//   0      3    write length
//   3      1    bit 7 set: the write ends the object; bit 6 clear
//   4      4    write offset (0)
//   8      104  object name
//   112    n    the object's bytes
//
// iSCSI region:
//   0      4    header word, kept as read
//   4      4    length of the TLV area (0: no TLVs)
//   8      8    header words, kept as read
//   16     m    TLVs, one after another
// TLV: 1 byte type, 2 bytes value length, the value; the next starts
// 3 + value length bytes on. Type 0xFF is the pad TLV, zero-filled and last:
// a region is written with its TLV area padded to a multiple of 4 (m mod 4
// = 1, 2, 3: a pad TLV with value length 0, 3, 2).
//
// Boot target TLV (region 3, type 3; offsets from the TLV's start):
//   0      1    type 3
//   1      2    length L: the whole TLV, these 3 bytes included
//   3      5    3, 1, 1, 0, 1
//   8      8    zero
//   16     1    authentication: 0 none, 1 one-way CHAP, 2 mutual CHAP
//   17     2    ISID qualifier
//   19     1    header digest (1 CRC32C)
//   20     1    data digest (1 CRC32C)
//   21     2    target TCP port
//   23     1    address kind: 0 IPv4, 1 IPv6
//   24     1    target name length t
//   25     1    target CHAP name length c
//   26     1    target secret length s
//   27     a    target address (a = 4 or 16)
//   27+a   t, c, s  target name, target CHAP name, target secret
//   27+a+t+c+s  1  initiator CHAP name length i (mutual CHAP only)
//   28+a+t+c+s  1  initiator secret length j (mutual CHAP only)
//   29+a+t+c+s  i, j  initiator CHAP name, initiator secret
// L = 29 + a + t + c + s + i + j; since a reader skips 3 + L bytes, three
// zero bytes follow. As a TLV of the list its value is therefore bytes 3 to
// L - 1 and three zeros (value length L). Type 4 TLVs are boot target TLVs
// of the same layout.
//
// Initiator CHAP TLVs (region 2): name (type 2) and secret (type 3), each
// the byte 3 followed by the n bytes of the name or secret (value length
// n + 1).
//
//   std::optional<IscsiRegion> region = DecodeIscsiRegion(answer_data);
//   RemovePadTlv(&*region);
//   region->tlvs.push_back(*EncodeBootTargetTlv(boot));
//   AddPadTlv(&*region);
//   std::vector<uint8_t> bytes(IscsiRegionSize(*region));
//   EncodeIscsiRegion(bytes, *region);
#ifndef OXIM_RECORDS_ISCSI_REGION_H_
#define OXIM_RECORDS_ISCSI_REGION_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "records/coding.h"

namespace oxim::records {

// ---- Stored objects ----------------------------------------------------------
inline constexpr size_t kObjectReadSize = 32876;
inline constexpr size_t kObjectLengthOffset = 0;
inline constexpr uint32_t kObjectLengthMask = 0x00FFFFFF;
inline constexpr size_t kObjectReadEndOffset = 7;
inline constexpr uint8_t kObjectReadEndBit = 0x80;
inline constexpr size_t kObjectNameOffset = 8;
inline constexpr size_t kObjectNameSize = 104;
inline constexpr size_t kObjectReadDataOffset = 8;
inline constexpr size_t kObjectMaxRead = kObjectReadSize - kObjectReadDataOffset;
inline constexpr size_t kObjectWriteFlagsOffset = 3;
inline constexpr uint8_t kObjectWriteEndBit = 0x80;
inline constexpr size_t kObjectWriteOffsetOffset = 4;
inline constexpr size_t kObjectWriteDataOffset = 112;
inline constexpr size_t kObjectWriteOverhead = 128;
static_assert(FieldFits(kObjectNameOffset, kObjectNameSize, kObjectWriteDataOffset));
static_assert(FieldFits(kObjectReadEndOffset, 1, kObjectReadDataOffset));

// "/iscsidata/Port%x/Instance0/Region%d".
std::string IscsiRegionObjectName(unsigned port, int region);

// The read request for an object; false when out is shorter than 112 bytes
// or the name does not fit its field with a NUL.
bool EncodeObjectReadRequest(std::span<uint8_t> out, std::string_view name);
// The object name of a read or write request; nullopt when in is shorter
// than 112 bytes.
std::optional<std::string> DecodeObjectName(std::span<const uint8_t> in);

struct ObjectReadAnswer {
  std::vector<uint8_t> data;
  bool end = false;
};
// The answer over a read request; false when the data does not fit.
bool EncodeObjectReadAnswer(std::span<uint8_t> out, const ObjectReadAnswer& answer);
// nullopt when in is shorter than 8 bytes or the count of bytes read runs
// past it.
std::optional<ObjectReadAnswer> DecodeObjectReadAnswer(std::span<const uint8_t> in);

struct ObjectWrite {
  std::string name;
  uint32_t offset = 0;
  bool end = true;
  std::vector<uint8_t> data;  // at most kObjectLengthMask bytes
};
// Bytes of the write request for `data_size` bytes.
size_t ObjectWriteSize(size_t data_size);
// false when out is shorter than ObjectWriteSize, the data is too long for
// the 3-byte length or the name does not fit.
bool EncodeObjectWrite(std::span<uint8_t> out, const ObjectWrite& write);
// nullopt when in is shorter than 112 bytes or the write length runs past
// it.
std::optional<ObjectWrite> DecodeObjectWrite(std::span<const uint8_t> in);

// ---- iSCSI regions -----------------------------------------------------------
inline constexpr int kBootTargetRegion = 3;
inline constexpr int kInitiatorChapRegion = 2;
inline constexpr size_t kRegionHeaderSize = 16;
inline constexpr size_t kRegionWordOffset = 0;
inline constexpr size_t kRegionLengthOffset = 4;
inline constexpr size_t kRegionTailOffset = 8;
inline constexpr size_t kRegionTailSize = 8;
static_assert(FieldFits(kRegionTailOffset, kRegionTailSize, kRegionHeaderSize));
// The largest TLV area an object read can bring back whole.
inline constexpr size_t kMaxTlvArea = kObjectMaxRead - kRegionHeaderSize;
inline constexpr size_t kTlvHeaderSize = 3;
inline constexpr uint8_t kPadTlvType = 0xFF;

struct Tlv {
  uint8_t type = 0;
  std::vector<uint8_t> value;  // at most 65535 bytes
};

struct IscsiRegion {
  uint32_t header_word = 0;                     // kept as read
  std::array<uint8_t, kRegionTailSize> tail{};  // kept as read
  std::vector<Tlv> tlvs;                        // in order, a pad TLV included
};

// Bytes the TLVs take (3 + value length each).
size_t TlvAreaLength(const std::vector<Tlv>& tlvs);
// Bytes of the encoded region: 16 + the TLV area.
size_t IscsiRegionSize(const IscsiRegion& region);
// false when out is too short, a value is longer than 65535 bytes or the
// area longer than kMaxTlvArea.
bool EncodeIscsiRegion(std::span<uint8_t> out, const IscsiRegion& region);
// A region from its bytes (bytes past the TLV area are ignored). nullopt
// when in is shorter than 16 bytes, the TLV area runs past in, a TLV runs
// past the area, or a pad TLV is followed by more TLVs: a damaged region,
// which is never edited.
std::optional<IscsiRegion> DecodeIscsiRegion(std::span<const uint8_t> in);

// Removes the pad TLV (the first of type 0xFF).
void RemovePadTlv(IscsiRegion* region);
// Appends the pad TLV the area's length asks for (none when it is a
// multiple of 4). REQUIRES: no pad TLV in the region.
void AddPadTlv(IscsiRegion* region);

// ---- Boot target TLV ----------------------------------------------------------
inline constexpr uint8_t kBootTargetTlvType = 3;
inline constexpr uint8_t kBootTargetTlvAltType = 4;  // treated as a boot target TLV too
// Offsets from the TLV's start.
inline constexpr size_t kBootConstantsOffset = 3;
inline constexpr std::array<uint8_t, 5> kBootConstants = {3, 1, 1, 0, 1};
inline constexpr size_t kBootAuthenticationOffset = 16;
inline constexpr size_t kBootQualifierOffset = 17;
inline constexpr size_t kBootHeaderDigestOffset = 19;
inline constexpr size_t kBootDataDigestOffset = 20;
inline constexpr size_t kBootPortOffset = 21;
inline constexpr size_t kBootAddressKindOffset = 23;
inline constexpr size_t kBootTargetNameLengthOffset = 24;
inline constexpr size_t kBootChapNameLengthOffset = 25;
inline constexpr size_t kBootSecretLengthOffset = 26;
inline constexpr size_t kBootAddressOffset = 27;
inline constexpr size_t kBootTrailingZeros = 3;
static_assert(FieldFits(kBootConstantsOffset, kBootConstants.size(), kBootAuthenticationOffset));
static_assert(FieldFits(kBootQualifierOffset, 2, kBootHeaderDigestOffset));
static_assert(FieldFits(kBootPortOffset, 2, kBootAddressKindOffset));

inline constexpr uint8_t kBootAuthNone = 0;
inline constexpr uint8_t kBootAuthOneWay = 1;
inline constexpr uint8_t kBootAuthMutual = 2;
inline constexpr uint8_t kBootAddressIpv4 = 0;
inline constexpr uint8_t kBootAddressIpv6 = 1;

struct BootTarget {
  uint8_t authentication = kBootAuthNone;
  uint16_t isid_qualifier = 0;
  uint8_t header_digest = 0;
  uint8_t data_digest = 0;
  uint16_t port = 0;
  uint8_t address_kind = kBootAddressIpv4;
  std::array<uint8_t, 16> address{};  // the first 4 bytes for IPv4
  std::string target_name;
  std::string target_chap_name;
  std::vector<uint8_t> target_secret;
  std::string initiator_chap_name;  // mutual CHAP only
  std::vector<uint8_t> initiator_secret;
};

// The type-3 TLV (with its three trailing zeros); nullopt when a name or
// secret is longer than its one-byte length allows (255).
std::optional<Tlv> EncodeBootTargetTlv(const BootTarget& boot);
// A boot target TLV (type 3 or 4) read back; nullopt for another type or a
// value too short for the lengths it names.
std::optional<BootTarget> DecodeBootTargetTlv(const Tlv& tlv);

// ---- Initiator CHAP TLVs -------------------------------------------------------
inline constexpr uint8_t kChapNameTlvType = 2;
inline constexpr uint8_t kChapSecretTlvType = 3;
inline constexpr uint8_t kChapTlvPrefix = 3;

// The name (type 2) or secret (type 3) TLV of region 2.
Tlv ChapTlv(uint8_t type, std::span<const uint8_t> bytes);

}  // namespace oxim::records

#endif  // OXIM_RECORDS_ISCSI_REGION_H_
