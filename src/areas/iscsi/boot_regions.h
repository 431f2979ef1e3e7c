// Boot sessions: marking a session as the adapter's iSCSI boot session (a
// flag of the session in the firmware, every chip) and, on Tindra
// controllers, the two stored iSCSI regions of the function's port that the
// boot code reads: region 3 with one boot target TLV, region 2 with the
// initiator's mutual-CHAP name and secret (records/iscsi_region.h).
//
// A region is read, edited in memory and written back whole. Every edit
// first reads and checks every region it will write: a damaged region (a TLV
// area or a value that runs past the bytes read) or one without TLVs fails
// the operation with 1 and nothing is written.
#ifndef OXIM_AREAS_ISCSI_BOOT_REGIONS_H_
#define OXIM_AREAS_ISCSI_BOOT_REGIONS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/node.h"
#include "records/iscsi_sessions.h"
#include "transport/function_address.h"

namespace oxim::iscsi {

// The bytes of a region (header and TLV area) of the function's port. 0, or
// 1 (logged) when the read fails, is not whole or is empty.
[[nodiscard]] uint32_t OXIM_read_iscsi_region(const FunctionAddress& function, int region,
                                              std::vector<uint8_t>* bytes);

// Adds the boot target TLV of a session to region 3 (replacing every boot
// target TLV there) and, for mutual CHAP, the initiator's CHAP TLVs to
// region 2. 0, or 1 (logged) on any failure.
[[nodiscard]] uint32_t OXIM_add_boottarget_tlv(Node* session);
// Removes the boot target TLV of the session whose record is given (read
// while the session was still marked) from region 3, and the CHAP TLVs from
// region 2. 0, or 1 (logged) on any failure.
[[nodiscard]] uint32_t OXIM_delete_boottarget_tlv(Node* session,
                                                  const records::FirmwareSession& record);

// Marks ("True") or unmarks (any other text) a session as boot session; on
// a Tindra controller the boot target TLV is added after the marking, or
// removed before the unmarking (so that a failed removal leaves the session
// marked). 0, or 258 (the marking failed), 306 (the TLV was not added) or
// 307 (not removed) with the last status set.
[[nodiscard]] uint32_t set_boot_session(Node* session, const std::string& value);

// On a Tindra controller, adds the boot target TLV of a session; 0, or 306.
// 0 on other chips.
[[nodiscard]] uint32_t add_boot_tlv_on_tindra(Node* session);

}  // namespace oxim::iscsi

#endif  // OXIM_AREAS_ISCSI_BOOT_REGIONS_H_
