// Configuration file of the emulated adapter; see config_json.h.
#include "config_json.h"

#include <cstdio>
#include <exception>
#include <map>
#include <tuple>
#include <utility>

#include "config_network.h"
#include "config_reader.h"
#include "core/strings.h"
#include "records/additional_attributes.h"
#include "records/controller_attributes.h"
#include "records/driver_records.h"
#include "records/ffv_params.h"
#include "records/oem_params.h"
#include "records/vnic.h"

namespace oxim::emulator {
namespace {

using config_parse::Index;
using config_parse::Join;
using config_parse::json;
using config_parse::Reader;

constexpr size_t kMaxIssueNet = 4096;
constexpr int64_t kMaxTimes = 1000000;
constexpr size_t kMaxRegionSeed = 4096;

std::string PciText(const records::PciAddress& pci) {
  char text[16];
  std::snprintf(text, sizeof text, "%02x:%02x.%x", pci.bus, pci.device, pci.function);
  return text;
}

// Hexadecimal bytes of at most `most` bytes; padded with zeros to `most`
// unless `pad` is false.
bool ParseHexBytes(Reader& reader, const json& object, const std::string& path, const char* key,
                   size_t most, std::vector<uint8_t>* out, bool pad = true) {
  auto it = object.find(key);
  if (it == object.end()) return true;
  std::string expected = "expected a text of at most " + std::to_string(2 * most) +
                         " hexadecimal digits, two per byte";
  if (!it->is_string()) return reader.Fail(Join(path, key), expected);
  const std::string& text = it->get_ref<const std::string&>();
  if (text.size() % 2 != 0 || text.size() > 2 * most) return reader.Fail(Join(path, key), expected);
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < text.size(); i += 2) {
    int high = hex_digit_value(text[i]);
    int low = hex_digit_value(text[i + 1]);
    if (high < 0 || low < 0) return reader.Fail(Join(path, key), expected);
    bytes.push_back(static_cast<uint8_t>(high * 16 + low));
  }
  if (pad) bytes.resize(most, 0);
  *out = std::move(bytes);
  return true;
}

// A controller's iscsi_regions: what regions 2 and 3 of a port hold before
// anything is written to them (Tindra only).
bool ParseRegionSeeds(Reader& reader, const json& value, const std::string& path,
                      ControllerConfig* c) {
  bool failed = false;
  const json* seeds = reader.Array(value, path, "iscsi_regions", false, &failed);
  if (failed) return false;
  if (seeds == nullptr) return true;
  const std::string seeds_path = Join(path, "iscsi_regions");
  if (!seeds->empty() && c->chip != kChipTindra) {
    return reader.Fail(seeds_path, "only a Tindra controller (chip 5) has iSCSI regions");
  }
  for (size_t i = 0; i < seeds->size(); ++i) {
    const json& seed = (*seeds)[i];
    const std::string at = Index(seeds_path, i);
    RegionSeed region;
    if (!reader.Object(seed, at, {"port", "region", "bytes"}) ||
        !reader.Int(seed, at, "port", 0, c->ports - 1, &region.port, true) ||
        !reader.Int(seed, at, "region", 2, 3, &region.region, true) ||
        reader.Member(seed, at, "bytes", true) == nullptr ||
        !ParseHexBytes(reader, seed, at, "bytes", kMaxRegionSeed, &region.bytes, false)) {
      return false;
    }
    for (const RegionSeed& other : c->iscsi_regions) {
      if (other.port == region.port && other.region == region.region) {
        return reader.Fail(at, "a port's region is seeded once");
      }
    }
    c->iscsi_regions.push_back(std::move(region));
  }
  return true;
}

bool ParseFunction(Reader& reader, const json& value, const std::string& path, int ports,
                   FunctionConfig* function) {
  if (!reader.Object(value, path,
                     {"kind", "port", "pci", "mac", "device_id", "mtu", "virtual_functions",
                      "interface_name", "network", "qos_speed", "boot_rom", "vnic"})) {
    return false;
  }
  const json* kind = reader.Member(value, path, "kind", true);
  if (kind == nullptr) return false;
  if (*kind == "iscsi") {
    function->kind = FunctionKind::kIscsi;
  } else if (*kind == "nic") {
    function->kind = FunctionKind::kNic;
  } else {
    return reader.Fail(Join(path, "kind"), "expected \"iscsi\" or \"nic\"");
  }
  if (!reader.Int(value, path, "port", 0, ports - 1, &function->port, true)) return false;
  const json* pci = reader.Member(value, path, "pci", true);
  if (pci == nullptr) return false;
  std::string pci_path = Join(path, "pci");
  if (!reader.Object(*pci, pci_path, {"bus", "device", "function"}) ||
      !reader.Int(*pci, pci_path, "bus", 0, 255, &function->pci.bus, true) ||
      !reader.Int(*pci, pci_path, "device", 0, 31, &function->pci.device, true) ||
      !reader.Int(*pci, pci_path, "function", 0, 7, &function->pci.function, true)) {
    return false;
  }
  function->mac = {0x00,
                   0x90,
                   0xfa,
                   0x4c,
                   function->pci.bus,
                   static_cast<uint8_t>(function->pci.device << 3 | function->pci.function)};
  if (!config_parse::Mac(reader, value, path, "mac", &function->mac) ||
      !reader.Id(value, path, "device_id", &function->device_id) ||
      !reader.Int(value, path, "mtu", 68, 9216, &function->mtu) ||
      !reader.Int(value, path, "virtual_functions", 0,
                  static_cast<int64_t>(records::kMaxVirtualFunctions),
                  &function->virtual_functions) ||
      !reader.Int(value, path, "qos_speed", 0, 65535, &function->qos_speed) ||
      !reader.Bool(value, path, "boot_rom", &function->boot_rom)) {
    return false;
  }
  if (value.contains("network") && function->kind != FunctionKind::kIscsi) {
    return reader.Fail(Join(path, "network"), "only an iSCSI function has a network");
  }
  if (const json* vnic = reader.Member(value, path, "vnic", false)) {
    const std::string vnic_path = Join(path, "vnic");
    VnicConfig config;
    if (!reader.Object(*vnic, vnic_path,
                       {"name", "outer_vlan", "min_bandwidth", "max_bandwidth"}) ||
        !reader.Text(*vnic, vnic_path, "name", 1, records::kVnicNameTextSize, &config.name, true) ||
        !reader.Int(*vnic, vnic_path, "outer_vlan", 0, 4095, &config.outer_vlan) ||
        !reader.Int(*vnic, vnic_path, "min_bandwidth", 0, 100, &config.min_bandwidth) ||
        !reader.Int(*vnic, vnic_path, "max_bandwidth", 0, 100, &config.max_bandwidth)) {
      return false;
    }
    function->vnic = config;
  }
  if (value.contains("interface_name")) {
    std::string field = Join(path, "interface_name");
    if (function->kind != FunctionKind::kNic) {
      return reader.Fail(field, "only a NIC function has an interface name");
    }
    const json& name = *value.find("interface_name");
    if (!name.is_string() || !is_plausible_interface_name(name.get_ref<const std::string&>())) {
      return reader.Fail(field,
                         "expected 1..15 letters, digits or \".-_:\", not starting with \"-\" "
                         "(the library keeps the first 9)");
    }
    function->interface_name = name.get<std::string>();
  }
  return true;
}

bool ParseController(Reader& reader, const json& value, const std::string& path,
                     ControllerConfig* out) {
  if (!reader.Object(value, path,
                     {"chip",
                      "device_id",
                      "subsystem_vendor_id",
                      "subsystem_device_id",
                      "serial_number",
                      "manufacturer",
                      "model_number",
                      "description",
                      "active_firmware_version",
                      "flash_firmware_version",
                      "bios_version",
                      "boot_code_version",
                      "driver_version",
                      "logical_hbas",
                      "ports",
                      "capabilities",
                      "firmware_state",
                      "default_eto",
                      "max_cdb_length",
                      "link_down_timeout",
                      "iscsi_versions",
                      "temperature",
                      "oem_prefix",
                      "oem_binary",
                      "oem_serial",
                      "personality_word",
                      "ncsi_supported",
                      "ncsi_handshake",
                      "phy_loopback",
                      "link_speed",
                      "base_t",
                      "ipl_file_number",
                      "ipl_suffix_number",
                      "ipl_file_name",
                      "phy_firmware_version",
                      "phy_configuration_id",
                      "uefi_version",
                      "fcoe_version",
                      "ffv_name",
                      "iscsi_regions",
                      "functions"})) {
    return false;
  }
  int chip = 0;
  if (!reader.Int(value, path, "chip", kChipQF2, kChipFurther, &chip, true)) return false;
  ControllerConfig c = ControllerDefaults(chip);
  if (!reader.Text(value, path, "serial_number", 1, records::kAttrSerialSize, &c.serial_number,
                   true)) {
    return false;
  }
  c.oem_serial = ("OEM-" + c.serial_number).substr(0, records::kOemSerialSize);
  bool ok =
      reader.Id(value, path, "device_id", &c.device_id) &&
      reader.Id(value, path, "subsystem_vendor_id", &c.subsystem_vendor_id) &&
      reader.Id(value, path, "subsystem_device_id", &c.subsystem_device_id) &&
      reader.Text(value, path, "manufacturer", 0, records::kAttrTextSize, &c.manufacturer) &&
      reader.Text(value, path, "model_number", 0, records::kAttrTextSize, &c.model_number) &&
      reader.Text(value, path, "description", 0, records::kAttrDescriptionSize, &c.description) &&
      reader.Text(value, path, "active_firmware_version", 0, records::kAttrTextSize,
                  &c.active_firmware_version);
  if (!ok) return false;
  c.flash_firmware_version = c.active_firmware_version;
  ok = reader.Text(value, path, "flash_firmware_version", 0, records::kAttrTextSize,
                   &c.flash_firmware_version) &&
       reader.Text(value, path, "bios_version", 0, records::kAttrTextSize, &c.bios_version) &&
       reader.Text(value, path, "boot_code_version", 0, records::kAttrTextSize,
                   &c.boot_code_version) &&
       reader.Text(value, path, "driver_version", 0, records::kAttrDriverVersionSize,
                   &c.driver_version) &&
       reader.Int(value, path, "logical_hbas", 0, 255, &c.logical_hbas) &&
       reader.Int(value, path, "ports", 1, kMaxPorts, &c.ports) &&
       reader.Id(value, path, "capabilities", &c.capabilities) &&
       reader.Int(value, path, "firmware_state", 0, 255, &c.firmware_state) &&
       reader.Int(value, path, "default_eto", 0, 3600, &c.default_eto) &&
       reader.Int(value, path, "max_cdb_length", 0, 65535, &c.max_cdb_length) &&
       reader.Int(value, path, "link_down_timeout", 0, 65535, &c.link_down_timeout) &&
       reader.Id(value, path, "iscsi_versions", &c.iscsi_versions) &&
       reader.Int(value, path, "temperature", -40, 150, &c.temperature) &&
       reader.Text(value, path, "oem_prefix", 0, records::kOemPrefixSize, &c.oem_prefix) &&
       ParseHexBytes(reader, value, path, "oem_binary", c.oem_binary.size(), &c.oem_binary) &&
       reader.NullableText(value, path, "oem_serial", records::kOemSerialSize, &c.oem_serial) &&
       reader.Id(value, path, "personality_word", &c.personality_word) &&
       ParseRegionSeeds(reader, value, path, &c);
  if (!ok) return false;
  int link_speed = c.link_speed;
  ok =
      reader.Bool(value, path, "ncsi_supported", &c.ncsi_supported) &&
      reader.Int(value, path, "ncsi_handshake", 0, 255, &c.ncsi_handshake) &&
      reader.Bool(value, path, "phy_loopback", &c.phy_loopback) &&
      config_parse::Choice(
          reader, value, path, "link_speed",
          {"down", "10Mb", "100Mb", "1Gb", "10Gb", "20Gb", "25Gb", "40Gb", "100Gb"}, &link_speed) &&
      reader.Bool(value, path, "base_t", &c.base_t) &&
      reader.Int(value, path, "ipl_file_number", 0, 65535, &c.ipl_file_number) &&
      reader.Int(value, path, "ipl_suffix_number", 0, 65535, &c.ipl_suffix_number) &&
      reader.Text(value, path, "ipl_file_name", 0, records::kAddIplFileNameSize,
                  &c.ipl_file_name) &&
      reader.Text(value, path, "phy_firmware_version", 0, records::kAddPhyVersionSize,
                  &c.phy_firmware_version) &&
      reader.Text(value, path, "phy_configuration_id", 0, records::kAddPhyConfigIdSize,
                  &c.phy_configuration_id) &&
      reader.Text(value, path, "uefi_version", 0, records::kAddVersionSize, &c.uefi_version) &&
      reader.Text(value, path, "fcoe_version", 0, records::kAddVersionSize, &c.fcoe_version) &&
      reader.Text(value, path, "ffv_name", 0, records::kFfvNameSize, &c.ffv_name);
  if (!ok) return false;
  c.link_speed = static_cast<uint8_t>(link_speed);

  bool failed = false;
  const json* functions = reader.Array(value, path, "functions", true, &failed);
  if (failed) return false;
  std::string functions_path = Join(path, "functions");
  // Counted before the functions are read, so that a list longer than the
  // drivers can show is refused as such.
  size_t iscsi = 0;
  size_t nic = 0;
  for (const json& function : *functions) {
    if (!function.is_object()) continue;
    auto kind = function.find("kind");
    if (kind == function.end()) continue;
    iscsi += *kind == "iscsi";
    nic += *kind == "nic";
  }
  if (iscsi > kMaxIscsiFunctionsPerController) {
    return reader.Fail(functions_path, "at most " +
                                           std::to_string(kMaxIscsiFunctionsPerController) +
                                           " iSCSI functions per controller");
  }
  if (nic > kMaxNicFunctionsPerController) {
    return reader.Fail(functions_path, "at most " + std::to_string(kMaxNicFunctionsPerController) +
                                           " NIC functions per controller");
  }
  if (nic > records::kChipInfoMaxFunctions) {
    return reader.Fail(functions_path,
                       "at most " + std::to_string(records::kChipInfoMaxFunctions) +
                           " NIC functions per controller (the chip information holds " +
                           std::to_string(records::kChipInfoMaxFunctions) + ")");
  }
  std::optional<std::pair<uint8_t, uint8_t>> nic_bus_device;
  for (size_t f = 0; f < functions->size(); ++f) {
    FunctionConfig function;
    std::string function_path = Index(functions_path, f);
    if (!ParseFunction(reader, (*functions)[f], function_path, c.ports, &function)) return false;
    if (function.kind == FunctionKind::kNic) {
      std::pair<uint8_t, uint8_t> bus_device{function.pci.bus, function.pci.device};
      if (nic_bus_device && *nic_bus_device != bus_device) {
        return reader.Fail(Join(function_path, "pci"),
                           "the NIC functions of one controller share bus and device (the chip "
                           "information names one of each per controller)");
      }
      nic_bus_device = bus_device;
    }
    c.functions.push_back(std::move(function));
  }
  *out = std::move(c);
  return true;
}

bool ParseFaults(Reader& reader, const json& value, AdapterConfig* config) {
  const std::string path = "faults";
  if (!reader.Object(value, path,
                     {"commands", "driver_calls", "short_answers", "nic_count_changes"})) {
    return false;
  }
  bool failed = false;
  if (const json* rules = reader.Array(value, path, "commands", false, &failed)) {
    for (size_t i = 0; i < rules->size(); ++i) {
      const json& rule = (*rules)[i];
      std::string at = Index("faults.commands", i);
      CommandFault fault;
      if (!reader.Object(rule, at,
                         {"subsystem", "opcode", "status", "additional_status", "fill",
                          "response_length", "times"}) ||
          !reader.Int(rule, at, "subsystem", 0, 255, &fault.subsystem, true) ||
          !reader.Int(rule, at, "opcode", 0, 255, &fault.opcode, true) ||
          !reader.Int(rule, at, "status", 0, 255, &fault.status) ||
          !reader.Int(rule, at, "additional_status", 0, 65535, &fault.additional_status) ||
          !reader.Int(rule, at, "response_length", 0, 65535, &fault.response_length) ||
          !reader.Int(rule, at, "times", -1, kMaxTimes, &fault.times)) {
        return false;
      }
      if (rule.contains("fill")) {
        uint8_t fill = 0;
        if (!reader.Int(rule, at, "fill", 0, 255, &fill)) return false;
        fault.fill = fill;
      }
      config->command_faults.push_back(fault);
    }
  }
  if (failed) return false;
  if (const json* rules = reader.Array(value, path, "driver_calls", false, &failed)) {
    for (size_t i = 0; i < rules->size(); ++i) {
      const json& rule = (*rules)[i];
      std::string at = Index("faults.driver_calls", i);
      DriverFault fault;
      if (!reader.Object(rule, at, {"request", "error", "times"}) ||
          !reader.Int(rule, at, "request", 0, 0xFFFFFFFF, &fault.request) ||
          !reader.Int(rule, at, "error", 1, 4095, &fault.error) ||
          !reader.Int(rule, at, "times", -1, kMaxTimes, &fault.times)) {
        return false;
      }
      config->driver_faults.push_back(fault);
    }
  }
  if (failed) return false;
  if (const json* rules = reader.Array(value, path, "short_answers", false, &failed)) {
    for (size_t i = 0; i < rules->size(); ++i) {
      const json& rule = (*rules)[i];
      std::string at = Index("faults.short_answers", i);
      ShortAnswerFault fault;
      if (!reader.Object(rule, at, {"subsystem", "opcode", "bytes", "times"}) ||
          !reader.Int(rule, at, "subsystem", 0, 255, &fault.subsystem, true) ||
          !reader.Int(rule, at, "opcode", 0, 255, &fault.opcode, true) ||
          !reader.Int(rule, at, "bytes", 0, 65535, &fault.bytes, true) ||
          !reader.Int(rule, at, "times", -1, kMaxTimes, &fault.times)) {
        return false;
      }
      config->short_answers.push_back(fault);
    }
  }
  if (failed) return false;
  if (const json* rules = reader.Array(value, path, "nic_count_changes", false, &failed)) {
    for (size_t i = 0; i < rules->size(); ++i) {
      const json& rule = (*rules)[i];
      std::string at = Index("faults.nic_count_changes", i);
      NicCountChange change;
      if (!reader.Object(rule, at, {"after_requests", "nic_functions"}) ||
          !reader.Int(rule, at, "after_requests", 0, kMaxTimes, &change.after_requests, true) ||
          !reader.Int(rule, at, "nic_functions", 0, 128, &change.nic_functions, true)) {
        return false;
      }
      config->nic_count_changes.push_back(change);
    }
  }
  return !failed;
}

// The "network" of every iSCSI function, over the defaults of its place
// among the iSCSI functions of the file (which is its device instance).
bool ParseNetworks(Reader& reader, const json& controllers, AdapterConfig* config) {
  int instance = 0;
  for (size_t c = 0; c < config->controllers.size(); ++c) {
    ControllerConfig& controller = config->controllers[c];
    const bool ipv6_stack = controller.chip == kChipKorvel || controller.chip == kChipTindra;
    for (size_t f = 0; f < controller.functions.size(); ++f) {
      FunctionConfig& function = controller.functions[f];
      if (function.kind != FunctionKind::kIscsi) continue;
      const json& value = controllers[c]["functions"][f];
      const int own = instance++;
      if (!value.contains("network")) continue;
      PortNetwork network = DefaultPortNetwork(own, ipv6_stack);
      if (!config_parse::ParsePortNetwork(
              reader, value["network"],
              Join(Index(Index("controllers", c) + ".functions", f), "network"), ipv6_stack,
              &network)) {
        return false;
      }
      function.network = std::move(network);
    }
  }
  return true;
}

// Checks across controllers: PCI addresses and interface names are unique,
// and the chip information can describe every controller with NIC
// functions.
bool CheckAdapter(Reader& reader, const AdapterConfig& config) {
  std::map<std::tuple<int, int, int>, std::string> addresses;
  std::map<std::string, std::string> names;
  size_t nic_controllers = 0;
  size_t nic_index = 0;
  for (size_t c = 0; c < config.controllers.size(); ++c) {
    const ControllerConfig& controller = config.controllers[c];
    bool has_nic = false;
    for (size_t f = 0; f < controller.functions.size(); ++f) {
      const FunctionConfig& function = controller.functions[f];
      std::string path = Index(Index("controllers", c) + ".functions", f);
      auto key = std::make_tuple(function.pci.bus, function.pci.device, function.pci.function);
      auto [it, added] = addresses.emplace(key, path);
      if (!added) {
        return reader.Fail(path + ".pci", "duplicate PCI address " + PciText(function.pci) +
                                              " (also " + it->second + ")");
      }
      if (function.kind != FunctionKind::kNic) continue;
      has_nic = true;
      std::string name = function.interface_name.empty() ? "vmnic" + std::to_string(nic_index)
                                                         : function.interface_name;
      ++nic_index;
      auto [named, fresh] = names.emplace(name, path);
      if (!fresh) {
        return reader.Fail(path + ".interface_name",
                           "duplicate interface name " + name + " (also " + named->second + ")");
      }
    }
    if (has_nic && ++nic_controllers > records::kChipInfoMaxControllers) {
      return reader.Fail(Index("controllers", c),
                         "at most " + std::to_string(records::kChipInfoMaxControllers) +
                             " controllers with NIC functions (the chip information holds " +
                             std::to_string(records::kChipInfoMaxControllers) + ")");
    }
  }
  if (config.visible_nic_functions && *config.visible_nic_functions > static_cast<int>(nic_index)) {
    return reader.Fail(
        "visible_nic_functions",
        "expected an integer 0.." + std::to_string(nic_index) + " (the number of NIC functions)");
  }
  return true;
}

std::optional<AdapterConfig> Parse(Reader& reader, std::string_view text) {
  json root;
  try {
    root = json::parse(text.begin(), text.end());
  } catch (const json::exception& e) {
    reader.Fail("(JSON)", e.what());
    return std::nullopt;
  }
  if (!reader.Object(root, "",
                     {"vendor_id", "virtual_function", "visible_nic_functions", "issue_net",
                      "controllers", "faults", "targets", "real_portals", "isns_servers"})) {
    return std::nullopt;
  }
  AdapterConfig config;
  if (!reader.Id(root, "", "vendor_id", &config.vendor_id) ||
      !reader.Bool(root, "", "virtual_function", &config.virtual_function) ||
      !reader.NullableText(root, "", "issue_net", kMaxIssueNet, &config.issue_net, true)) {
    return std::nullopt;
  }
  if (root.contains("visible_nic_functions")) {
    int visible = 0;
    if (!reader.Int(root, "", "visible_nic_functions", 0, 128, &visible)) return std::nullopt;
    config.visible_nic_functions = visible;
  }
  bool failed = false;
  const json* controllers = reader.Array(root, "", "controllers", true, &failed);
  if (failed) return std::nullopt;
  if (controllers->size() > kMaxControllers) {
    reader.Fail("controllers", "at most " + std::to_string(kMaxControllers) + " controllers");
    return std::nullopt;
  }
  for (size_t c = 0; c < controllers->size(); ++c) {
    ControllerConfig controller;
    if (!ParseController(reader, (*controllers)[c], Index("controllers", c), &controller)) {
      return std::nullopt;
    }
    config.controllers.push_back(std::move(controller));
  }
  if (root.contains("faults") && !ParseFaults(reader, root["faults"], &config)) {
    return std::nullopt;
  }
  if (!config_parse::ParseTargets(reader, root, &config) ||
      !config_parse::ParseRealPortals(reader, root, &config) ||
      !config_parse::ParseIsnsServers(reader, root, &config)) {
    return std::nullopt;
  }
  if (!ParseNetworks(reader, *controllers, &config) || !CheckAdapter(reader, config)) {
    return std::nullopt;
  }
  return config;
}

}  // namespace

std::optional<AdapterConfig> ParseAdapterConfig(std::string_view text, std::string* error) {
  Reader reader(error);
  try {
    return Parse(reader, text);
  } catch (const std::exception& e) {
    // Only allocation can fail here; a configuration that cannot be held is
    // refused like a bad one.
    reader.Fail("(configuration)", e.what());
    return std::nullopt;
  }
}

std::optional<AdapterConfig> ParseFaultSet(std::string_view text, std::string* error) {
  Reader reader(error);
  try {
    json faults;
    try {
      faults = json::parse(text.begin(), text.end());
    } catch (const json::exception& e) {
      reader.Fail("(JSON)", e.what());
      return std::nullopt;
    }
    AdapterConfig config;
    if (!ParseFaults(reader, faults, &config)) return std::nullopt;
    return config;
  } catch (const std::exception& e) {
    reader.Fail("(configuration)", e.what());
    return std::nullopt;
  }
}

std::optional<AdapterConfig> ReadAdapterConfig(const std::string& path, std::string* text,
                                               std::string* error) {
  text->clear();
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    if (error != nullptr) *error = path + ": cannot be read";
    return std::nullopt;
  }
  char chunk[4096];
  size_t got;
  bool too_large = false;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    if (text->size() + got > kMaxConfigFileSize) {
      too_large = true;
      break;
    }
    text->append(chunk, got);
  }
  bool read_error = std::ferror(file) != 0;
  std::fclose(file);
  if (read_error || too_large) {
    if (error != nullptr) {
      *error = path + (too_large ? ": larger than 1 MiB" : ": cannot be read");
    }
    return std::nullopt;
  }
  return ParseAdapterConfig(*text, error);
}

std::optional<AdapterConfig> LoadAdapterConfig(const std::string& path, std::string* error) {
  std::string text;
  return ReadAdapterConfig(path, &text, error);
}

}  // namespace oxim::emulator
