// Host files and tools of the emulated adapter; see host_view.h.
#include "host_view.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <string_view>

#include "pci_config.h"

namespace oxim::emulator {
namespace {

// Bytes of configuration space lspci -x dumps.
constexpr size_t kLspciDumpBytes = 64;

std::string Format(const char* format, auto... arguments) {
  char text[160];
  int length = std::snprintf(text, sizeof text, format, arguments...);
  if (length < 0) return {};
  return std::string(text, std::min(static_cast<size_t>(length), sizeof text - 1));
}

std::string MacText(const std::array<uint8_t, 6>& mac) {
  return Format("%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
}

std::string BusAddress(const records::PciAddress& pci) {
  return Format("0000:%02x:%02x.%x", pci.bus, pci.device, pci.function);
}

// The text as a hexadecimal number; nullopt unless it is 1 to `digits`
// hexadecimal digits.
std::optional<unsigned> Hex(std::string_view text, size_t digits) {
  if (text.empty() || text.size() > digits) return std::nullopt;
  unsigned value = 0;
  for (char c : text) {
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    value = value * 16 + digit;
  }
  return value;
}

// "[DDDD:]BB:DD.F" as lspci -s takes it (domain 0 only).
std::optional<records::PciAddress> ParseBusAddress(std::string_view text) {
  if (text.size() > 5 && text[4] == ':' && text.find(':', 5) != std::string_view::npos) {
    if (Hex(text.substr(0, 4), 4) != 0u) return std::nullopt;
    text.remove_prefix(5);
  }
  size_t colon = text.find(':');
  size_t dot = text.find('.');
  if (colon == std::string_view::npos || dot == std::string_view::npos || dot < colon) {
    return std::nullopt;
  }
  std::optional<unsigned> bus = Hex(text.substr(0, colon), 2);
  std::optional<unsigned> device = Hex(text.substr(colon + 1, dot - colon - 1), 2);
  std::optional<unsigned> function = Hex(text.substr(dot + 1), 1);
  if (!bus || !device || !function || *device > 31 || *function > 7) return std::nullopt;
  return records::PciAddress{static_cast<uint8_t>(*bus), static_cast<uint8_t>(*device),
                             static_cast<uint8_t>(*function)};
}

platform::ToolResult Ethtool(const AdapterModel& model, const std::vector<std::string>& argv) {
  if (argv.size() != 3 || argv[1] != "-i") return {1, {}};
  std::optional<FunctionRef> ref = model.FindInterface(argv[2]);
  if (!ref) return {1, {}};
  const ControllerConfig& controller = model.controller(*ref);
  std::string output = "driver: qfnic\n";
  output += "version: " + controller.driver_version + "\n";
  output += "firmware-version: " + controller.active_firmware_version + "\n";
  output += "expansion-rom-version: \n";
  output += "bus-info: " + BusAddress(model.function(*ref).pci) + "\n";
  output += "supports-statistics: yes\nsupports-test: no\nsupports-eeprom-access: no\n";
  output += "supports-register-dump: no\nsupports-priv-flags: no\n";
  return {0, output};
}

platform::ToolResult Lspci(const AdapterModel& model, const std::vector<std::string>& argv) {
  if (argv.size() != 4) return {1, {}};
  std::string address;
  if (argv[1] == "-s" && argv[3] == "-x") {
    address = argv[2];
  } else if (argv[1] == "-x" && argv[2] == "-s") {
    address = argv[3];
  } else {
    return {1, {}};
  }
  std::optional<records::PciAddress> pci = ParseBusAddress(address);
  if (!pci) return {1, {}};
  std::optional<FunctionRef> ref = model.FindFunction(*pci);
  if (!ref) return {1, {}};
  bool nic = model.function(*ref).kind == FunctionKind::kNic;
  std::string output =
      Format("%02x:%02x.%x %s: Kelvarronitex Corp. Device %04x (rev 01)\n", pci->bus, pci->device,
             pci->function, nic ? "Ethernet controller" : "Mass storage controller",
             model.device_id(*ref));
  std::vector<uint8_t> space = ConfigSpace(model, *ref);
  for (size_t line = 0; line < kLspciDumpBytes; line += 16) {
    output += Format("%02zx:", line);
    for (size_t i = 0; i < 16; ++i) output += Format(" %02x", space[line + i]);
    output += "\n";
  }
  output += "\n";
  return {0, output};
}

// A decimal number from 0 to `most`.
std::optional<unsigned> Decimal(std::string_view text, unsigned most) {
  unsigned value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > most) {
    return std::nullopt;
  }
  return value;
}

// "aa:bb:cc:dd:ee:ff".
std::optional<std::array<uint8_t, 6>> Mac(std::string_view text) {
  if (text.size() != 17) return std::nullopt;
  std::array<uint8_t, 6> mac{};
  for (size_t i = 0; i < 6; ++i) {
    if (i < 5 && text[3 * i + 2] != ':') return std::nullopt;
    std::optional<unsigned> byte = Hex(text.substr(3 * i, 2), 2);
    if (!byte || text.substr(3 * i, 2).size() != 2) return std::nullopt;
    mac[i] = static_cast<uint8_t>(*byte);
  }
  return mac;
}

// ip link set NAME vf N [mac M] [vlan V [qos Q]] [rate R]: the change is
// made only when every word is right.
platform::ToolResult IpLink(AdapterModel& model, const std::vector<std::string>& argv) {
  constexpr int kRefused = 2;
  if (argv.size() < 6 || argv[1] != "link" || argv[2] != "set" || argv[4] != "vf") return {1, {}};
  std::optional<FunctionRef> ref = model.FindInterface(argv[3]);
  if (!ref) return {1, {}};
  std::vector<records::VirtualFunctionEntry>& vfs = model.nic_state(*ref).virtual_functions;
  std::optional<unsigned> vf = Decimal(argv[5], 255);
  if (!vf || *vf >= vfs.size() || argv.size() == 6) return {kRefused, {}};
  records::VirtualFunctionEntry changed = vfs[*vf];
  for (size_t i = 6; i < argv.size(); i += 2) {
    if (i + 1 >= argv.size()) return {kRefused, {}};
    const std::string& word = argv[i];
    const std::string& value = argv[i + 1];
    if (word == "mac") {
      std::optional<std::array<uint8_t, 6>> mac = Mac(value);
      if (!mac) return {kRefused, {}};
      changed.mac = *mac;
    } else if (word == "vlan") {
      std::optional<unsigned> vlan = Decimal(value, 4095);
      if (!vlan) return {kRefused, {}};
      changed.vlan_id = static_cast<uint16_t>(*vlan);
    } else if (word == "qos" && i >= 8 && argv[i - 2] == "vlan") {
      if (!Decimal(value, 7)) return {kRefused, {}};
    } else if (word == "rate") {
      std::optional<unsigned> rate = Decimal(value, 65535);
      if (!rate) return {kRefused, {}};
      changed.qos = static_cast<uint16_t>(*rate / 10);
    } else {
      return {kRefused, {}};
    }
  }
  vfs[*vf] = changed;
  return {0, {}};
}

}  // namespace

std::string EsxConf(const AdapterModel& model) {
  std::string content = "/adv/Misc/HostName = \"esx-emulated\"\n";
  int child = 0;
  for (const FunctionRef& ref : model.visible_nic_functions()) {
    const FunctionConfig& function = model.function(ref);
    const std::string& name = model.interface_name(ref);
    std::string prefix = Format("/net/pnic/child[%04d]", child++);
    content += prefix + "/name = \"" + name + "\"\n";
    content += prefix + "/mac = \"" + MacText(function.mac) + "\"\n";
    content += prefix + "/mtu = \"" + std::to_string(function.mtu) + "\"\n";
    content += Format("/device/000:%03d:%02d.%d/vmkname = \"%s\"\n", function.pci.bus,
                      function.pci.device, function.pci.function, name.c_str());
  }
  return content;
}

platform::ToolResult RunEmulatedTool(AdapterModel& model, const std::vector<std::string>& argv) {
  if (argv.empty()) return {1, {}};
  if (argv[0] == "ethtool") return Ethtool(model, argv);
  if (argv[0] == "lspci") return Lspci(model, argv);
  if (argv[0] == "ip") return IpLink(model, argv);
  return {1, {}};
}

}  // namespace oxim::emulator
