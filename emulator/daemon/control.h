// Control requests of the emulated adapter's daemon, for tests and demos:
// a JSON object with "op" and its fields, answered with a JSON object
// (emulator/README.md lists them with their answers). A field the op does
// not take, or one of the wrong type, refuses the request.
//
//   {"op":"status"}                                  configuration, uptime, clients, sessions
//   {"op":"start"}                                   a daemon runs already: its configuration
//   {"op":"stop"}                                    the daemon exits once it has answered
//   {"op":"reboot"}                                  volatile state dropped, flash kept
//   {"op":"fault","faults":{...}}                    as the configuration's "faults"
//   {"op":"clear_faults"}
//   {"op":"target","name":"iqn...","online":false}   a simulated target goes or comes
//   {"op":"nic_functions","count":1}                 the NIC driver shows that many
//   {"op":"link","function":"vmhba64","up":false}    an iSCSI port's link goes down
//   {"op":"host","address":"192.0.2.30","present":false}  a host of the ports' networks goes
//   {"op":"dhcp","on":false}                         the ports' DHCP servers stop answering
#ifndef OXIM_EMULATOR_DAEMON_CONTROL_H_
#define OXIM_EMULATOR_DAEMON_CONTROL_H_

#include <string>

#include "platform/emulator_wire.h"

namespace oxim::emulator {

class Server;

struct ControlOutcome {
  // Status 0 with the answer, or 1 with {"error": "..."}.
  wire::ControlAnswer answer;
  bool stop = false;  // the daemon ends once the answer is sent
};

// Carries out one control request.
ControlOutcome HandleControl(Server& server, const std::string& request);

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_DAEMON_CONTROL_H_
