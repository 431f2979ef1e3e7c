// Vital product data shown as properties: each function's VPD (VPDData0 to
// VPDData8 of its VPD group, filled when start-up places the function) and
// the controller's FRU VPD (FRUVPDData0 to FRUVPDData10 of its FRUVPD group,
// read again whenever FRUVPDData0 is read). Each property is a chunk of at
// most 127 bytes in lower-case hexadecimal (at most 254 characters): chunk k
// of a block holds its bytes 127·k to 127·k + 126, the last chunk what is
// left of the block, up to 127 bytes.
#ifndef OXIM_AREAS_CONTROLLER_VPD_H_
#define OXIM_AREAS_CONTROLLER_VPD_H_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/node.h"

namespace oxim {

class HandlerRegistry;

// Bytes per chunk.
inline constexpr size_t kVpdChunkBytes = 127;

// `count` chunks of a block, each the lower-case hexadecimal text of at most
// 127 bytes: chunk k holds bytes 127·k on; bytes beyond the last chunk's 127
// are not shown, and a chunk past the block's end is empty.
std::vector<std::string> vpd_chunks(std::span<const uint8_t> block, size_t count);

// Fills VPDData0 to VPDData8 of a physical HBA's VPD group from the
// function's VPD (Korvel's command first on Korvel). 1 on failure.
[[nodiscard]] uint32_t OXIM_update_vpd_data(Node* physical_hba);
// Reads the controller's FRU VPD into FRUVPDData0 to FRUVPDData10. On a
// virtual function 1 with last status 256; 1 when a block cannot be read.
[[nodiscard]] uint32_t OXIM_read_FRU_VPD(Node* controller);

void register_vpd_handlers(HandlerRegistry& registry);

}  // namespace oxim

#endif  // OXIM_AREAS_CONTROLLER_VPD_H_
