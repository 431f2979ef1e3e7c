// The network sections of the emulated adapter's configuration file
// (config_json.h): "targets", the simulated iSCSI targets, "real_portals",
// the portals that stand for real targets, and the "network" of each iSCSI
// function's port. All are described in emulator/README.md.
#ifndef OXIM_EMULATOR_CONFIG_NETWORK_H_
#define OXIM_EMULATOR_CONFIG_NETWORK_H_

#include "adapter_model.h"
#include "config_reader.h"

namespace oxim::emulator::config_parse {

// Reads the top-level "targets" array (absent: none) into config->targets.
// Target names are unique, ignoring case.
bool ParseTargets(Reader& reader, const json& root, AdapterConfig* config);

// Reads the top-level "real_portals" array (absent: none) into
// config->real_portals. REQUIRES: the targets read before, since a portal is
// either simulated or real.
bool ParseRealPortals(Reader& reader, const json& root, AdapterConfig* config);
// "isns_servers": iSNS servers and the targets (of "targets") registered
// with them. REQUIRES: the targets parsed first.
bool ParseIsnsServers(Reader& reader, const json& root, AdapterConfig* config);

// Reads the "network" object of an iSCSI function over *network, which
// holds the defaults of that function (DefaultPortNetwork()). ipv6_stack:
// the controller's chip has one (IPv6 fields are refused otherwise).
bool ParsePortNetwork(Reader& reader, const json& value, const std::string& path, bool ipv6_stack,
                      PortNetwork* network);

}  // namespace oxim::emulator::config_parse

#endif  // OXIM_EMULATOR_CONFIG_NETWORK_H_
