// Port networks of the configuration; see network_config.h.
#include "network_config.h"

#include <arpa/inet.h>

#include <cstdio>

namespace oxim::emulator {

std::optional<NetAddress> ParseNetAddress(const std::string& text) {
  NetAddress address;
  if (text.find(':') != std::string::npos) {
    address.ipv6 = true;
    if (inet_pton(AF_INET6, text.c_str(), address.bytes.data()) != 1) return std::nullopt;
    return address;
  }
  // Dotted decimal only: inet_pton takes no other IPv4 form either.
  if (inet_pton(AF_INET, text.c_str(), address.bytes.data()) != 1) return std::nullopt;
  return address;
}

std::string NetAddressText(const NetAddress& address) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address.ipv6) {
    inet_ntop(AF_INET6, address.bytes.data(), text, sizeof text);
  } else {
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", address.bytes[0], address.bytes[1],
                  address.bytes[2], address.bytes[3]);
  }
  return text;
}

NetAddress Ipv4NetAddress(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  NetAddress address;
  address.bytes[0] = a;
  address.bytes[1] = b;
  address.bytes[2] = c;
  address.bytes[3] = d;
  return address;
}

std::array<uint8_t, 6> HostMac(const NetAddress& address) {
  // 02: locally administered; then the address's last four bytes.
  const size_t at = address.ipv6 ? 12 : 0;
  return {0x02,
          static_cast<uint8_t>(address.ipv6 ? 0x06 : 0x00),
          address.bytes[at],
          address.bytes[at + 1],
          address.bytes[at + 2],
          address.bytes[at + 3]};
}

PortNetwork DefaultPortNetwork(int instance, bool ipv6_stack) {
  PortNetwork network;
  network.address = Ipv4NetAddress(192, 0, 2, static_cast<uint8_t>(100 + instance));
  network.prefix = 24;
  network.gateway = Ipv4NetAddress(192, 0, 2, 1);
  NetworkHost loopback;
  loopback.address = Ipv4NetAddress(192, 0, 2, 30);
  loopback.mac = HostMac(loopback.address);
  loopback.ping = "127.0.0.1";
  network.hosts.push_back(loopback);
  DhcpServer dhcp;
  dhcp.first = Ipv4NetAddress(192, 0, 2, 150);
  dhcp.last = Ipv4NetAddress(192, 0, 2, 199);
  dhcp.router = *network.gateway;
  network.dhcp = dhcp;
  if (ipv6_stack) {
    network.ipv6_prefix = ParseNetAddress("2001:db8::");
    network.ipv6_router = *ParseNetAddress("fe80::1");
    NetworkHost loopback6;
    loopback6.address = *ParseNetAddress("2001:db8::30");
    loopback6.mac = HostMac(loopback6.address);
    loopback6.ping = "::1";
    network.hosts.push_back(loopback6);
  }
  return network;
}

}  // namespace oxim::emulator
