// A real ICMP or ICMPv6 echo, for the hosts of an emulated port's network
// that stand for a loopback address (network_config.h): one echo request,
// and the wait for its reply within a bound. Raw ICMP sockets need the
// privilege to open them (root); where neither they nor unprivileged ping
// sockets can be had, the caller learns so and answers from its model.
//
//   switch (RealPing("127.0.0.1", std::chrono::seconds(2))) {
//     case PingOutcome::kAnswered: ...
//     case PingOutcome::kNoAnswer: ...
//     case PingOutcome::kNotPermitted: ...
//   }
#ifndef OXIM_EMULATOR_REAL_PING_H_
#define OXIM_EMULATOR_REAL_PING_H_

#include <chrono>
#include <string>

namespace oxim::emulator {

enum class PingOutcome {
  kAnswered,
  kNoAnswer,      // no reply within the bound, or the address cannot be used
  kNotPermitted,  // no ICMP socket may be opened here
};

// Sends one echo request to a numeric IPv4 or IPv6 address and waits at
// most `bound` for its reply.
PingOutcome RealPing(const std::string& numeric_host, std::chrono::milliseconds bound);

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_REAL_PING_H_
