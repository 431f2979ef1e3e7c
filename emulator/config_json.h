// The emulated adapter's configuration file (OXIM_ADAPTER=emulator:FILE):
// JSON describing the host (vendor ID, whether it is a virtual function,
// /etc/issue.net), the controllers and their functions, the iSCSI network
// (simulated targets, and portals that stand for real targets;
// config_network.h) and the faults armed from the start. The format is
// described in emulator/README.md.
//
// A configuration is taken whole or not at all: the first problem found
// (bad JSON, a field of the wrong type, a missing required field, a value out
// of range, an unknown field, a duplicate PCI address or interface name, more
// functions than the drivers can show) refuses it with a message that names
// the field:
//
//   std::string error;
//   std::optional<AdapterConfig> config = ParseAdapterConfig(text, &error);
//   if (!config) ...;  // error: "controllers[1].functions[0].pci.bus:
//                      //          expected an integer 0..255"
#ifndef OXIM_EMULATOR_CONFIG_JSON_H_
#define OXIM_EMULATOR_CONFIG_JSON_H_

#include <optional>
#include <string>
#include <string_view>

#include "adapter_model.h"

namespace oxim::emulator {

// Largest configuration file read.
inline constexpr size_t kMaxConfigFileSize = 1 << 20;

// Parses a configuration. On failure returns nullopt and, when error is
// not null, sets it to "<field path>: <problem>".
std::optional<AdapterConfig> ParseAdapterConfig(std::string_view json, std::string* error);

// Reads and parses a configuration file (the path as given, not under
// OXIM_ROOT).
std::optional<AdapterConfig> LoadAdapterConfig(const std::string& path, std::string* error);

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_CONFIG_JSON_H_
