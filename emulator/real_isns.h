// A real iSNS server (isnsd) for the emulated adapter's iSNS discovery: the
// initiator registers its node there, asks for the target nodes with their
// portal groups, and deregisters. Built on libisns (open-isns), whose
// configuration is one global: every call here takes one process-wide lock.
// Its text parsers end the process on bad input (isns_fatal), so only its
// attribute interface is used.
//
//   RealIsnsEndpoint server{"127.0.0.1", 3205};
//   std::vector<RealIsnsTarget> targets;
//   std::string error;
//   if (!RegisterAndQuery(server, "iqn.1998-01.com.example:host7", &targets, &error)) ...
//   (void)Deregister(server, "iqn.1998-01.com.example:host7", &error);
#ifndef OXIM_EMULATOR_REAL_ISNS_H_
#define OXIM_EMULATOR_REAL_ISNS_H_

#include <cstdint>
#include <string>
#include <vector>

namespace oxim::emulator {

// Where isnsd listens: a numeric address and a TCP port.
struct RealIsnsEndpoint {
  std::string host;
  uint16_t port = 3205;
};

// One portal group of a target node: its address (numeric text; IPv4 for an
// IPv4-mapped address), TCP port and tag.
struct RealIsnsPortal {
  std::string address;
  uint16_t port = 0;
  uint32_t tag = 0;
};

struct RealIsnsTarget {
  std::string name;
  std::vector<RealIsnsPortal> portals;
};

// Registers the initiator node (in an entity named after it) and asks for
// every target node with its portal groups. False, with the reason in
// *error, when the server cannot be reached or refuses.
bool RegisterAndQuery(const RealIsnsEndpoint& server, const std::string& initiator,
                      std::vector<RealIsnsTarget>* targets, std::string* error);

// Deregisters the initiator node; false with the reason when that fails.
bool Deregister(const RealIsnsEndpoint& server, const std::string& initiator, std::string* error);

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_REAL_ISNS_H_
