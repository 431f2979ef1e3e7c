// The published SCSI commands the library sends through the pass-through
// record (scsi_passthrough.h), and the answers it reads: REPORT LUNS,
// INQUIRY (standard, and the unit serial number page 0x80), READ CAPACITY
// (10) and (16), READ (10) and WRITE (10). Shared by the library, which
// builds the command descriptor blocks and reads the answers, and the
// emulated adapter, whose simulated targets read the blocks and build the
// answers. SCSI fields are big-endian.
//
// Command descriptor blocks (the bytes the library sets; the rest zero):
//   REPORT LUNS         0 0xA0; 6..9 allocation length
//   INQUIRY             0 0x12; 4 allocation length (36)
//   INQUIRY, page 0x80  0 0x12; 1 1 (EVPD); 2 0x80; 4 0xFF
//   READ CAPACITY (10)  0 0x25
//   READ CAPACITY (16)  0 0x9E; 1 0x10; 10..13 allocation length (12)
//   READ / WRITE (10)   0 0x28 / 0x2A; 2..5 logical block address;
//                       7..8 block count
//
// REPORT LUNS answer: 0..3 LUN list length in bytes; from 8, one 8-byte LUN
//   entry per LUN (entry i at 8 + 8i). LUN n below 256 is the entry
//   00 n 00..; from 256 on the flat form 0x40|(n >> 8), n & 0xFF, 00...
// Standard INQUIRY answer (36 bytes): 0 peripheral qualifier and device
//   type (low 5 bits); 4 additional length (31); 8..15 vendor; 16..31
//   product; 32..35 revision (texts blank-padded).
// Unit serial number page: 0 device type; 1 page code 0x80; 3 page length
//   n; 4..4+n serial number.
// READ CAPACITY (10) answer: 0..3 last logical block address (0xFFFFFFFF:
//   too large, ask (16)); 4..7 block length in bytes.
// READ CAPACITY (16) answer: 0..7 last logical block address; 8..11 block
//   length in bytes (the library reads these 12 bytes).
//
//   std::optional<ReportLuns> list = DecodeReportLuns(answer, 255);
//   for (const LunEntry& entry : list->entries) ... LunNumberOf(entry) ...
#ifndef OXIM_RECORDS_SCSI_COMMANDS_H_
#define OXIM_RECORDS_SCSI_COMMANDS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "records/coding.h"
#include "records/scsi_passthrough.h"

namespace oxim::records {

// Operation codes.
inline constexpr uint8_t kScsiReportLuns = 0xA0;
inline constexpr uint8_t kScsiInquiry = 0x12;
inline constexpr uint8_t kScsiReadCapacity10 = 0x25;
inline constexpr uint8_t kScsiServiceActionIn16 = 0x9E;
inline constexpr uint8_t kScsiReadCapacity16Action = 0x10;
inline constexpr uint8_t kScsiRead10 = 0x28;
inline constexpr uint8_t kScsiWrite10 = 0x2A;
inline constexpr uint8_t kUnitSerialNumberPage = 0x80;
inline constexpr uint8_t kInquiryEvpd = 0x01;

// Data lengths of the commands, as the library asks them.
inline constexpr uint32_t kReportLunsFirstLength = 16;
inline constexpr uint32_t kStandardInquiryLength = 36;
inline constexpr uint32_t kUnitSerialPageLength = 256;
inline constexpr uint32_t kReadCapacity10Length = 8;
inline constexpr uint32_t kReadCapacity16Length = 12;
inline constexpr uint32_t kScsiBlockSize = 512;  // of READ (10) and WRITE (10)

// Field positions in the blocks and answers.
inline constexpr size_t kReportLunsAllocationOffset = 6;
inline constexpr size_t kInquiryPageOffset = 2;
inline constexpr size_t kInquiryAllocationOffset = 4;
inline constexpr size_t kReadCapacity16AllocationOffset = 10;
inline constexpr size_t kReadWriteLbaOffset = 2;
inline constexpr size_t kReadWriteCountOffset = 7;
inline constexpr size_t kReportLunsHeaderSize = 8;
inline constexpr size_t kLunEntrySize = 8;
inline constexpr size_t kInquiryVendorOffset = 8;
inline constexpr size_t kInquiryVendorSize = 8;
inline constexpr size_t kInquiryProductOffset = 16;
inline constexpr size_t kInquiryProductSize = 16;
inline constexpr size_t kInquiryRevisionOffset = 32;
inline constexpr size_t kInquiryRevisionSize = 4;
inline constexpr size_t kUnitSerialLengthOffset = 3;
inline constexpr size_t kUnitSerialOffset = 4;
// What one unit serial number answer of 256 bytes can hold.
inline constexpr size_t kMaxUnitSerialLength = kUnitSerialPageLength - kUnitSerialOffset;
inline constexpr uint32_t kReadCapacity10Overflow = 0xFFFFFFFF;
inline constexpr uint8_t kPeripheralTypeMask = 0x1F;
static_assert(FieldFits(kInquiryVendorOffset, kInquiryVendorSize, kInquiryProductOffset));
static_assert(FieldFits(kInquiryProductOffset, kInquiryProductSize, kInquiryRevisionOffset));
static_assert(FieldFits(kInquiryRevisionOffset, kInquiryRevisionSize, kStandardInquiryLength));
static_assert(FieldFits(kReadCapacity16AllocationOffset, 4, kCdbSize));

// ---- Command descriptor blocks ---------------------------------------------

Cdb ReportLunsCdb(uint32_t allocation_length);
Cdb StandardInquiryCdb();
Cdb UnitSerialNumberCdb();
Cdb ReadCapacity10Cdb();
Cdb ReadCapacity16Cdb();
// READ (10) or WRITE (10) (opcode kScsiRead10 or kScsiWrite10).
Cdb ReadWrite10Cdb(uint8_t opcode, uint32_t lba, uint16_t blocks);

// The length of a block by its operation code's group: 6, 10, 12 or 16
// bytes (what goes on the wire of the 16 the record holds).
size_t CdbLength(uint8_t opcode);

// A block as a target reads it.
struct ScsiRequest {
  uint8_t opcode = 0;
  bool evpd = false;
  uint8_t page = 0;
  uint8_t service_action = 0;
  uint32_t allocation_length = 0;  // REPORT LUNS, INQUIRY, READ CAPACITY (16)
  uint32_t lba = 0;                // READ (10), WRITE (10)
  uint16_t blocks = 0;             // READ (10), WRITE (10)
};
ScsiRequest DecodeCdb(const Cdb& cdb);

// ---- REPORT LUNS -----------------------------------------------------------

using LunEntry = std::array<uint8_t, kLunEntrySize>;

struct ReportLuns {
  uint32_t list_length = 0;  // as the target says: 8 bytes per LUN it has
  std::vector<LunEntry> entries;
};

// The allocation length of the second REPORT LUNS for a list length the
// first answer gave: 8·(n+1) for n = list length / 8, n at most 256, so
// that neither the 16-bit data length nor the buffer grows with what a
// target claims.
uint32_t ReportLunsAllocation(uint32_t list_length);
// The entries an answer holds: min(list length / 8, what the answer's
// bytes hold, max_entries). nullopt when in is shorter than the 8-byte
// header.
std::optional<ReportLuns> DecodeReportLuns(std::span<const uint8_t> in, size_t max_entries);
// The answer for these entries (list length 8 per entry), cut to out as a
// target cuts it to the allocation length. Writes min(out.size(), 8 + 8n)
// bytes and zeroes the rest of out.
void EncodeReportLuns(std::span<uint8_t> out, const std::vector<LunEntry>& entries);
// Entry of a LUN number (peripheral form below 256, flat form from 256 on)
// and the number of an entry (either form; 0 for other forms).
LunEntry LunEntryOf(uint16_t number);
uint16_t LunNumberOf(const LunEntry& entry);
// The pass-through record's LUN field for an entry: its bytes 0 to 3, then
// zeros.
PassthroughLun PassthroughLunOf(const LunEntry& entry);
// The entry a pass-through LUN field names (bytes 0 to 3, then zeros).
LunEntry LunEntryOf(const PassthroughLun& lun);

// ---- INQUIRY ---------------------------------------------------------------

struct StandardInquiry {
  uint8_t peripheral = 0;  // qualifier and device type, as byte 0
  std::string vendor;      // bytes 8..15 as they are (blank padding kept)
  std::string product;     // bytes 16..31
  std::string revision;    // bytes 32..35
};

// The 36-byte answer, texts blank-padded to their fields; writes
// min(out.size(), 36) bytes.
void EncodeStandardInquiry(std::span<uint8_t> out, const StandardInquiry& inquiry);
// Each text is its field's bytes up to the first NUL. nullopt when in is
// shorter than the 32 bytes up to the product's end; a missing revision
// reads as empty.
std::optional<StandardInquiry> DecodeStandardInquiry(std::span<const uint8_t> in);
// The unit serial number page for a serial of at most 252 bytes (cut
// there); writes min(out.size(), 4 + length) bytes.
void EncodeUnitSerialNumber(std::span<uint8_t> out, uint8_t peripheral, const std::string& serial);
// The serial number: as many bytes as byte 3 gives, but never past in's end
// nor past 252, and up to a NUL. nullopt when in is shorter than 4 bytes or
// is not page 0x80.
std::optional<std::string> DecodeUnitSerialNumber(std::span<const uint8_t> in);

// ---- READ CAPACITY ---------------------------------------------------------

struct Capacity {
  uint64_t last_lba = 0;
  uint32_t block_length = 0;
};

// READ CAPACITY (10): a last block address beyond 32 bits is answered as
// 0xFFFFFFFF. Writes min(out.size(), 8) bytes.
void EncodeReadCapacity10(std::span<uint8_t> out, const Capacity& capacity);
// nullopt when in is shorter than 8 bytes.
std::optional<Capacity> DecodeReadCapacity10(std::span<const uint8_t> in);
// READ CAPACITY (16) (the first 12 bytes of its answer; the rest zeroed).
void EncodeReadCapacity16(std::span<uint8_t> out, const Capacity& capacity);
// nullopt when in is shorter than 12 bytes.
std::optional<Capacity> DecodeReadCapacity16(std::span<const uint8_t> in);

}  // namespace oxim::records

#endif  // OXIM_RECORDS_SCSI_COMMANDS_H_
