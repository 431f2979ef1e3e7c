// Vital product data of functions and controllers; see vpd.h.
#include "areas/controller/vpd.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "areas/controller/controller_update.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/tree_services.h"
#include "kit/function_tree.h"
#include "kit/groups.h"
#include "kit/properties.h"
#include "records/vpd.h"
#include "schema/handler_registry.h"
#include "transport/commands.h"

namespace oxim {
namespace {

constexpr size_t kVpdChunks = 9;        // VPDData0 to VPDData8
constexpr size_t kBlockZeroChunks = 9;  // FRUVPDData0 to FRUVPDData8
constexpr size_t kBlockOneChunks = 2;   // FRUVPDData9 and FRUVPDData10

// Writes chunk properties `prefix`first.. of a group; false when one is
// missing.
bool write_chunks(Node* group, const char* prefix, size_t first,
                  const std::vector<std::string>& chunks) {
  bool ok = true;
  for (size_t k = 0; k < chunks.size(); ++k) {
    const std::string name = prefix + std::to_string(first + k);
    ok = set_prop_val(group, name.c_str(), "%s", chunks[k].c_str()) == 0 && ok;
  }
  return ok;
}

// The VPD request of a function: on QF2 a NIC function is selected by 2 +
// its port, every other function by its PCI function number.
records::VpdRequest vpd_request(Node* physical_hba, int chip, uint32_t function_number) {
  const bool iscsi = driver_kind_of(physical_hba) == DriverKind::kIscsi;
  uint32_t selector = function_number;
  if (!iscsi && chip == kChipQF2)
    selector = 2 + static_cast<uint32_t>(get_phba_port_number(physical_hba));
  return {static_cast<uint16_t>(selector), iscsi};
}

// One block of the FRU VPD; nullopt when it cannot be read (logged).
std::optional<std::vector<uint8_t>> read_fru_block(const ControllerFunction& target,
                                                   const records::FruVpdRequest& request) {
  pdebug(kModuleAdapter, kLogInfo, "%s:offset = %d size = %d data_type = %d\n", __func__,
         static_cast<int>(request.offset), static_cast<int>(request.size),
         static_cast<int>(request.data_type));
  std::vector<uint8_t> buffer(request.size, 0);
  if (!records::EncodeFruVpdRequest(buffer, request)) return std::nullopt;
  const uint32_t status = ioctl_read_fruvpd_data(target.address, buffer, request.size, target.kind);
  if (status != OXIM_STATUS_SUCCESS) {
    pdebug(kModuleAdapter, kLogError, "%s: Read FRU VPD failed with status = %d.\n", __func__,
           static_cast<int>(status));
    return std::nullopt;
  }
  return records::DecodeFruVpdAnswer(buffer, request.size);
}

// FRUVPDData0: reads the whole FRU VPD again, then shows its chunk.
uint32_t handle_fru_vpd_data(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  Node* controller = enclosing_group(property, "Quellfire");
  if (running_on_virtual_function()) return refuse_on_virtual_function(buffer);
  if (uint32_t status = OXIM_read_FRU_VPD(controller); status != 0) return status;
  read_cached_value(property, buffer);
  return 0;
}

}  // namespace

std::vector<std::string> vpd_chunks(std::span<const uint8_t> block, size_t count) {
  std::vector<std::string> chunks(count);
  for (size_t k = 0; k < count; ++k) {
    const size_t first = std::min(block.size(), k * kVpdChunkBytes);
    const size_t last = std::min(block.size(), first + kVpdChunkBytes);
    std::string& text = chunks[k];
    text.reserve(2 * (last - first));
    char hex[3];
    for (size_t i = first; i < last; ++i) {
      std::snprintf(hex, sizeof hex, "%02x", block[i]);
      text += hex;
    }
  }
  return chunks;
}

uint32_t OXIM_update_vpd_data(Node* physical_hba) {
  if (internal_get_node(physical_hba, "PCI", OXIM_KIND_GROUP) == nullptr) {
    pdebug(kModuleAdapter, kLogError, "%s: Failed to get pci node\n", __func__);
    return OXIM_STATUS_FAILURE;
  }
  Node* vpd_group = internal_get_node(physical_hba, "VPD", OXIM_KIND_GROUP);
  if (vpd_group == nullptr) {
    pdebug(kModuleAdapter, kLogError, "%s: Failed to get vpd node\n", __func__);
    return OXIM_STATUS_FAILURE;
  }
  std::optional<uint32_t> function_number = pci_function_number(physical_hba, __func__);
  if (!function_number) return OXIM_STATUS_FAILURE;
  const int chip = get_qf_type(physical_hba);
  if (chip == kChipUndetermined) return OXIM_STATUS_FAILURE;
  const FunctionAddress address = function_address(physical_hba);
  const DriverKind kind = driver_kind_of(physical_hba);
  std::vector<uint8_t> buffer(records::kVpdSize, 0);
  records::EncodeVpdRequest(buffer, vpd_request(physical_hba, chip, *function_number));
  uint32_t status = OXIM_STATUS_FAILURE;
  if (chip == kChipKorvel) {
    status = ioctl_get_korvel_vpd_data(address, buffer, records::kVpdSize, kind);
    pdebug(kModuleAdapter, kLogDebug, "%s:status of ioctl_get_korvel_vpd_data = %d\n", __func__,
           static_cast<int>(status));
    if (status != OXIM_STATUS_SUCCESS) {
      records::EncodeVpdRequest(buffer, vpd_request(physical_hba, chip, *function_number));
    }
  }
  if (status != OXIM_STATUS_SUCCESS) {
    status = ioctl_get_vpd_data(address, buffer, records::kVpdSize, kind);
  }
  std::optional<std::vector<uint8_t>> vpd;
  if (status != OXIM_STATUS_SUCCESS || !(vpd = records::DecodeVpdAnswer(buffer))) {
    pdebug(kModuleAdapter, kLogError, "%s:ioctl_get_vpd_data failed with status = %d.\n", __func__,
           static_cast<int>(status));
    return OXIM_STATUS_FAILURE;
  }
  return write_chunks(vpd_group, "VPDData", 0, vpd_chunks(*vpd, kVpdChunks)) ? OXIM_STATUS_SUCCESS
                                                                             : OXIM_STATUS_FAILURE;
}

uint32_t OXIM_read_FRU_VPD(Node* controller) {
  if (running_on_virtual_function()) return report(kNotOnVirtualFunction);
  Node* fru_group = internal_get_node(controller, "FRUVPD", OXIM_KIND_GROUP);
  std::optional<ControllerFunction> target = controller_function(controller);
  if (fru_group == nullptr || !target) return OXIM_STATUS_FAILURE;
  std::optional<std::vector<uint8_t>> zero =
      read_fru_block(*target, {records::kFruVpdBlockZeroSize, 0, 0});
  if (!zero) {
    pdebug(kModuleAdapter, kLogError, "%s:Reading Block Zero Data Failed.\n", __func__);
    return OXIM_STATUS_FAILURE;
  }
  std::optional<std::vector<uint8_t>> one =
      read_fru_block(*target, {records::kFruVpdBlockOneSize, records::kFruVpdBlockOneOffset, 1});
  if (!one) {
    pdebug(kModuleAdapter, kLogError, "%s:Reading Block One Data Failed.\n", __func__);
    return OXIM_STATUS_FAILURE;
  }
  const bool ok =
      write_chunks(fru_group, "FRUVPDData", 0, vpd_chunks(*zero, kBlockZeroChunks)) &&
      write_chunks(fru_group, "FRUVPDData", kBlockZeroChunks, vpd_chunks(*one, kBlockOneChunks));
  return ok ? OXIM_STATUS_SUCCESS : OXIM_STATUS_FAILURE;
}

void register_vpd_handlers(HandlerRegistry& registry) {
  registry.add_property("handle_fru_vpd_data", handle_fru_vpd_data);
}

}  // namespace oxim
