// The controller attributes the firmware reports for one function (the
// 540-byte record of records/controller_attributes.h): fetched and decoded
// for start-up, which matches functions to controllers by them, and for the
// handlers that show them.
#ifndef OXIM_KIT_FUNCTION_ATTRIBUTES_H_
#define OXIM_KIT_FUNCTION_ATTRIBUTES_H_

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "core/node.h"
#include "core/status.h"
#include "records/controller_attributes.h"
#include "transport/function_address.h"

namespace oxim {

inline constexpr StatusMessage kControllerAttributesNotRead{
    109, "Failed to obtain controller attributes. " OXIM_INTERNAL_ERROR};

// Fetches the controller attributes of a function through the driver of
// `kind` into buffer (540 bytes). 0, or 1 with last status 109 and a log
// line.
[[nodiscard]] uint32_t OXIM_get_cntr_attribs(const FunctionAddress& function, DriverKind kind,
                                             std::span<uint8_t> buffer);

// The decoded attributes of function index `function_index` of a driver;
// nullopt when the command fails.
std::optional<records::ControllerAttributes> function_attributes(int function_index,
                                                                 DriverKind kind);

// From the controller attributes of the node's function: its bus, device and
// function numbers and the count at offset 447 as decimal texts (each
// buffer 256 bytes); returns the number of logical HBAs, or -1.
int get_lhba_count(Node* node, char* bus, char* device, char* function, char* count);

// The bus, device or function number as start-up compares them ("0x%x").
std::string pci_number_text(uint8_t number);

}  // namespace oxim

#endif  // OXIM_KIT_FUNCTION_ATTRIBUTES_H_
