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
// OXIM_ROOT). A file that cannot be read, or holds more than
// kMaxConfigFileSize bytes, is refused with "<path>: <problem>".
std::optional<AdapterConfig> LoadAdapterConfig(const std::string& path, std::string* error);

// As LoadAdapterConfig, and leaves the text read in *text (what the daemon
// and its clients digest to tell configurations apart). REQUIRES: text not
// null.
std::optional<AdapterConfig> ReadAdapterConfig(const std::string& path, std::string* text,
                                               std::string* error);

// Parses the value of a configuration's "faults" member alone (the daemon's
// fault request carries one): a configuration with only its fault vectors
// filled, or nullopt with the message the configuration reader gives, its
// field path starting at "faults" ("faults.commands[0].opcode: expected an
// integer 0..255").
std::optional<AdapterConfig> ParseFaultSet(std::string_view faults_json, std::string* error);

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_CONFIG_JSON_H_
