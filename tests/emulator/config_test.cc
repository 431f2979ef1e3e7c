// The emulated adapter's configuration file: the example configurations
// load, defaults are filled per chip, and every kind of bad input is refused
// whole with a message that names the field.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "config_json.h"
#include "support/temp_root.h"

namespace oxim::emulator {
namespace {

const std::filesystem::path kConfigs =
    std::filesystem::path(__FILE__).parent_path() / "../../emulator/configs";

std::optional<AdapterConfig> Load(const std::string& name) {
  std::string error;
  std::optional<AdapterConfig> config = LoadAdapterConfig((kConfigs / name).string(), &error);
  EXPECT_TRUE(config.has_value()) << name << ": " << error;
  return config;
}

// The error of a configuration that must be refused ("" when it loads).
std::string Refusal(const std::string& json) {
  std::string error;
  std::optional<AdapterConfig> config = ParseAdapterConfig(json, &error);
  return config ? std::string() : error;
}

// One controller of `chip` with the given functions (JSON array members).
std::string Controller(const std::string& functions, const std::string& extra = "", int chip = 3) {
  return "{\"chip\": " + std::to_string(chip) + ", \"serial_number\": \"VN1\"" + extra +
         ", \"functions\": [" + functions + "]}";
}

std::string Function(const char* kind, int bus, int device, int function, int port = 0,
                     const std::string& extra = "") {
  return "{\"kind\": \"" + std::string(kind) + "\", \"port\": " + std::to_string(port) +
         ", \"pci\": {\"bus\": " + std::to_string(bus) + ", \"device\": " + std::to_string(device) +
         ", \"function\": " + std::to_string(function) + "}" + extra + "}";
}

std::string Adapter(const std::vector<std::string>& controllers, const std::string& extra = "") {
  std::string list;
  for (const std::string& c : controllers) list += (list.empty() ? "" : ", ") + c;
  return "{\"controllers\": [" + list + "]" + extra + "}";
}

// `count` functions of one kind on bus `bus`, device 0 (functions 0..7,
// then device 1, ...).
std::string Functions(const char* kind, int count, int bus) {
  std::string list;
  for (int i = 0; i < count; ++i) {
    list += (list.empty() ? "" : ", ") + Function(kind, bus, i / 8, i % 8);
  }
  return list;
}

TEST(EmulatorConfig, EveryExampleConfigurationLoads) {
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(kConfigs)) {
    if (entry.path().extension() != ".json") continue;
    ++files;
    Load(entry.path().filename().string());
  }
  EXPECT_GE(files, 8u);
}

TEST(EmulatorConfig, ExamplesDescribeWhatTheirNamesSay) {
  std::optional<AdapterConfig> two = Load("two_controllers.json");
  ASSERT_TRUE(two && two->controllers.size() == 2);
  EXPECT_NE(two->controllers[0].serial_number, two->controllers[1].serial_number);
  EXPECT_NE(two->controllers[0].functions[0].pci.bus, two->controllers[1].functions[0].pci.bus);

  std::optional<AdapterConfig> large = Load("large.json");
  ASSERT_TRUE(large && large->controllers.size() == 4);
  for (const ControllerConfig& controller : large->controllers) {
    int nic = 0;
    for (const FunctionConfig& f : controller.functions) nic += f.kind == FunctionKind::kNic;
    EXPECT_EQ(nic, 4);
    EXPECT_EQ(controller.functions.size(), 8u);
  }
  std::optional<AdapterConfig> nic_only = Load("nic_only.json");
  ASSERT_TRUE(nic_only);
  for (const FunctionConfig& f : nic_only->controllers[0].functions) {
    EXPECT_EQ(f.kind, FunctionKind::kNic);
  }
  std::optional<AdapterConfig> vf = Load("vf_host.json");
  ASSERT_TRUE(vf);
  EXPECT_TRUE(vf->virtual_function);
  EXPECT_EQ(vf->controllers[0].chip, kChipQF3);
  EXPECT_EQ(Load("korvel.json")->controllers[0].chip, kChipKorvel);
  EXPECT_EQ(Load("tindra.json")->controllers[0].chip, kChipTindra);
  EXPECT_EQ(Load("qf2.json")->controllers[0].chip, kChipQF2);
}

TEST(EmulatorConfig, OmittedFieldsTakeTheChipsDefaults) {
  std::string error;
  auto config = ParseAdapterConfig(
      Adapter({Controller(Function("nic", 9, 0, 1), ", \"serial_number\": \"0\"", 4)}), &error);
  ASSERT_TRUE(config) << error;
  const ControllerConfig& korvel = config->controllers[0];
  EXPECT_EQ(korvel.serial_number, "0");
  EXPECT_EQ(korvel.device_id, 0xE220);
  EXPECT_EQ(korvel.oem_binary.size(), 4u);
  EXPECT_EQ(korvel.flash_firmware_version, korvel.active_firmware_version);
  EXPECT_FALSE(korvel.active_firmware_version.empty());
  EXPECT_EQ(config->vendor_id, 0x1D7E);
  EXPECT_FALSE(config->virtual_function);
  EXPECT_TRUE(config->issue_net.has_value());
  EXPECT_EQ(DefaultDeviceId(kChipQF2), 0x0700);
  EXPECT_EQ(DefaultDeviceId(kChipQF3), 0x0714);
  EXPECT_EQ(DefaultDeviceId(kChipTindra), 0x0720);
  EXPECT_EQ(DefaultDeviceId(kChipFurther), 0x0730);
}

TEST(EmulatorConfig, IdentifiersTakeIntegersOrHexadecimalTexts) {
  std::string error;
  auto config = ParseAdapterConfig(
      Adapter({Controller(Function("iscsi", 3, 0, 2),
                          ", \"device_id\": \"0x0712\", \"subsystem_device_id\": 58881")},
              ", \"vendor_id\": \"0x1D7F\", \"issue_net\": null, \"virtual_function\": true"),
      &error);
  ASSERT_TRUE(config) << error;
  EXPECT_EQ(config->controllers[0].device_id, 0x0712);
  EXPECT_EQ(config->controllers[0].subsystem_device_id, 58881);
  EXPECT_EQ(config->vendor_id, 0x1D7F);
  EXPECT_FALSE(config->issue_net.has_value());
  EXPECT_TRUE(config->virtual_function);
}

TEST(EmulatorConfig, MalformedJsonAndWrongShapesAreRefused) {
  EXPECT_NE(Refusal("{\"controllers\": [").find("(JSON)"), std::string::npos);
  EXPECT_FALSE(Refusal("").empty());
  EXPECT_EQ(Refusal("[]"), "(top level): expected an object");
  EXPECT_EQ(Refusal("{}"), "controllers: missing (required)");
  EXPECT_EQ(Refusal("{\"controllers\": {}}"), "controllers: expected an array");
  EXPECT_EQ(Refusal(Adapter({"3"})), "controllers[0]: expected an object");
  EXPECT_EQ(Refusal(Adapter({}, ", \"colour\": 1")), "colour: unknown field");
  EXPECT_EQ(Refusal(Adapter({}, ", \"virtual_function\": 1")),
            "virtual_function: expected true or false");
}

TEST(EmulatorConfig, EachBadFieldIsNamed) {
  const std::string ok = Controller(Function("nic", 3, 0, 0));
  EXPECT_EQ(Refusal(Adapter({ok, Controller(Function("nic", 256, 0, 0))})),
            "controllers[1].functions[0].pci.bus: expected an integer 0..255");
  EXPECT_EQ(Refusal(Adapter({Controller(Function("nic", 3, 32, 0))})),
            "controllers[0].functions[0].pci.device: expected an integer 0..31");
  EXPECT_EQ(Refusal(Adapter({Controller(Function("nic", 3, 0, 8))})),
            "controllers[0].functions[0].pci.function: expected an integer 0..7");
  EXPECT_EQ(Refusal(Adapter({"{\"chip\": \"3\", \"serial_number\": \"1\", \"functions\": []}"})),
            "controllers[0].chip: expected an integer 2..6");
  EXPECT_EQ(Refusal(Adapter({"{\"chip\": 7, \"serial_number\": \"1\", \"functions\": []}"})),
            "controllers[0].chip: expected an integer 2..6");
  EXPECT_EQ(Refusal(Adapter({"{\"chip\": 3, \"functions\": []}"})),
            "controllers[0].serial_number: missing (required)");
  EXPECT_EQ(Refusal(Adapter({"{\"chip\": 3, \"serial_number\": \"1\"}"})),
            "controllers[0].functions: missing (required)");
  EXPECT_EQ(Refusal(Adapter({Controller(Function("fcoe", 3, 0, 0))})),
            "controllers[0].functions[0].kind: expected \"iscsi\" or \"nic\"");
  EXPECT_EQ(Refusal(Adapter({Controller(Function("nic", 3, 0, 0, 2))})),
            "controllers[0].functions[0].port: expected an integer 0..1");
  EXPECT_EQ(Refusal(Adapter({Controller(Function("nic", 3, 0, 0, 0, ", \"mac\": \"00:90\""))})),
            "controllers[0].functions[0].mac: expected a MAC address such as "
            "\"00:90:fa:4c:21:10\"");
  EXPECT_EQ(Refusal(Adapter({Controller(ok, ", \"description\": 5")})),
            "controllers[0].description: expected a text of 0..64 printable ASCII characters");
  EXPECT_EQ(
      Refusal(Adapter({Controller(ok, ", \"serial_number\": \"" + std::string(33, 'A') + "\"")})),
      "controllers[0].serial_number: expected a text of 1..32 printable ASCII characters");
  EXPECT_EQ(Refusal(Adapter({Controller(ok, ", \"device_id\": \"0x12345\"")})),
            "controllers[0].device_id: expected an integer 0..65535 or a hexadecimal text such "
            "as \"0x1d7e\"");
  EXPECT_EQ(Refusal(Adapter({Controller(ok, ", \"oem_binary\": \"0102030405\"", 4)})),
            "controllers[0].oem_binary: expected a text of at most 8 hexadecimal digits, two "
            "per byte");
  EXPECT_EQ(Refusal(Adapter({Controller(ok, ", \"wheels\": 4")})),
            "controllers[0].wheels: unknown field");
  EXPECT_EQ(Refusal(Adapter(
                {Controller(Function("iscsi", 3, 0, 0, 0, ", \"interface_name\": \"vmnic0\""))})),
            "controllers[0].functions[0].interface_name: only a NIC function has an interface "
            "name");
  EXPECT_NE(
      Refusal(
          Adapter({Controller(Function("nic", 3, 0, 0, 0, ", \"interface_name\": \"vm nic\""))}))
          .find("functions[0].interface_name: expected 1..15"),
      std::string::npos);
  EXPECT_EQ(Refusal(Adapter({ok}, ", \"faults\": {\"commands\": [{\"opcode\": 1}]}")),
            "faults.commands[0].subsystem: missing (required)");
  EXPECT_EQ(Refusal(Adapter({ok}, ", \"visible_nic_functions\": 2")),
            "visible_nic_functions: expected an integer 0..1 (the number of NIC functions)");
}

TEST(EmulatorConfig, AddressesAndNamesAreUnique) {
  EXPECT_EQ(Refusal(Adapter(
                {Controller(Function("nic", 3, 0, 0)), Controller(Function("iscsi", 3, 0, 0))})),
            "controllers[1].functions[0].pci: duplicate PCI address 03:00.0 (also "
            "controllers[0].functions[0])");
  // The second function's default name is vmnic1.
  EXPECT_EQ(
      Refusal(Adapter({Controller(Function("nic", 3, 0, 0, 0, ", \"interface_name\": \"vmnic1\"") +
                                  ", " + Function("nic", 3, 0, 1))})),
      "controllers[0].functions[1].interface_name: duplicate interface name vmnic1 (also "
      "controllers[0].functions[0])");
  EXPECT_EQ(
      Refusal(Adapter({Controller(Function("nic", 3, 0, 0) + ", " + Function("nic", 4, 0, 1))})),
      "controllers[0].functions[1].pci: the NIC functions of one controller share bus and "
      "device (the chip information names one of each per controller)");
}

TEST(EmulatorConfig, MoreFunctionsThanTheDriversShowAreRefused) {
  std::vector<std::string> seventeen;
  for (int c = 0; c < 17; ++c) seventeen.push_back(Controller(Functions("iscsi", 1, c)));
  EXPECT_EQ(Refusal(Adapter(seventeen)), "controllers: at most 16 controllers");
  EXPECT_EQ(Refusal(Adapter({Controller(Functions("iscsi", 9, 3))})),
            "controllers[0].functions: at most 8 iSCSI functions per controller");
  EXPECT_EQ(Refusal(Adapter({Controller(Functions("nic", 9, 3))})),
            "controllers[0].functions: at most 8 NIC functions per controller (the chip "
            "information holds 8)");
  std::vector<std::string> nine;
  for (int c = 0; c < 9; ++c) nine.push_back(Controller(Functions("nic", 1, c)));
  EXPECT_EQ(Refusal(Adapter(nine)),
            "controllers[8]: at most 8 controllers with NIC functions (the chip information "
            "holds 8)");
  EXPECT_EQ(Refusal(Adapter({Controller(Functions("nic", 33, 3))})),
            "controllers[0].functions: at most 32 NIC functions per controller");
}

TEST(EmulatorConfig, LimitsAreReachable) {
  std::vector<std::string> controllers;
  for (int c = 0; c < 8; ++c) {
    std::string functions = Functions("nic", 8, 10 + c) + ", " + Functions("iscsi", 8, 20 + c);
    controllers.push_back(Controller(functions, "", 3));
  }
  for (int c = 0; c < 8; ++c) controllers.push_back(Controller(Functions("iscsi", 8, 40 + c)));
  std::string error;
  auto config = ParseAdapterConfig(Adapter(controllers), &error);
  ASSERT_TRUE(config) << error;
  EXPECT_EQ(config->controllers.size(), 16u);
}

TEST(EmulatorConfig, RealPortalsMapAddressesToEndpoints) {
  std::string error;
  std::optional<AdapterConfig> config = ParseAdapterConfig(
      Adapter({Controller(Function("iscsi", 3, 0, 2))},
              ", \"real_portals\": [{\"address\": \"192.0.2.20\", \"endpoint\": {\"host\": "
              "\"127.0.0.1\", \"port\": 3261}}, {\"address\": \"2001:db8::20\", \"port\": 3270, "
              "\"endpoint\": {\"host\": \"::1\"}, \"connect_timeout_ms\": 500, "
              "\"login_timeout_ms\": 800, \"nop_interval_ms\": 250}]"),
      &error);
  ASSERT_TRUE(config) << error;
  ASSERT_EQ(config->real_portals.size(), 2u);
  const RealPortal& v4 = config->real_portals[0];
  EXPECT_EQ(v4.address, "192.0.2.20");
  EXPECT_EQ(v4.port, 3260);
  EXPECT_EQ(v4.endpoint_host, "127.0.0.1");
  EXPECT_EQ(v4.endpoint_port, 3261);
  EXPECT_EQ(v4.connect_timeout, std::chrono::milliseconds(3000));
  EXPECT_EQ(v4.login_timeout, std::chrono::milliseconds(5000));
  EXPECT_EQ(v4.nop_interval, std::chrono::milliseconds(2000));
  const RealPortal& v6 = config->real_portals[1];
  EXPECT_EQ(v6.port, 3270);
  EXPECT_EQ(v6.endpoint_host, "::1");
  EXPECT_EQ(v6.endpoint_port, 3260);
  EXPECT_EQ(v6.connect_timeout, std::chrono::milliseconds(500));
  EXPECT_EQ(v6.login_timeout, std::chrono::milliseconds(800));
  EXPECT_EQ(v6.nop_interval, std::chrono::milliseconds(250));
}

TEST(EmulatorConfig, RealPortalsAreReadStrictly) {
  const std::string iscsi = Controller(Function("iscsi", 3, 0, 2));
  auto with = [&](const std::string& portals, const std::string& targets = "") {
    return Refusal(Adapter({iscsi}, targets + ", \"real_portals\": " + portals));
  };
  const std::string endpoint = "\"endpoint\": {\"host\": \"127.0.0.1\"}";
  EXPECT_EQ(with("{}"), "real_portals: expected an array");
  EXPECT_EQ(with("[{\"address\": \"192.0.2.20\"}]"),
            "real_portals[0].endpoint: missing (required)");
  EXPECT_EQ(with("[{\"address\": \"192.0.2.20\", \"endpoint\": {\"host\": \"tgt.example\"}}]"),
            "real_portals[0].endpoint.host: expected a numeric IPv4 or IPv6 address (names are "
            "not resolved)");
  EXPECT_EQ(with("[{\"address\": \"192.0.2.300\", " + endpoint + "}]"),
            "real_portals[0].address: expected a dotted IPv4 or an IPv6 address");
  EXPECT_EQ(with("[{\"address\": \"192.0.2.20\", \"port\": 0, " + endpoint + "}]"),
            "real_portals[0].port: expected an integer 1..65535");
  EXPECT_EQ(with("[{\"address\": \"192.0.2.20\", \"timeout\": 1, " + endpoint + "}]"),
            "real_portals[0].timeout: unknown field");
  EXPECT_EQ(with("[{\"address\": \"192.0.2.20\", \"nop_interval_ms\": 50, " + endpoint + "}]"),
            "real_portals[0].nop_interval_ms: expected an integer 100..60000");
  EXPECT_EQ(with("[{\"address\": \"192.0.2.20\", " + endpoint +
                 "}, {\"address\": \"192.0.2.20\", " + endpoint + "}]"),
            "real_portals[1]: duplicate portal (also real_portals[0])");
  EXPECT_EQ(with("[{\"address\": \"192.0.2.20\", " + endpoint + "}]",
                 ", \"targets\": [{\"name\": \"iqn.2026-01.test:a\", \"portals\": [{\"address\": "
                 "\"192.0.2.20\"}]}]"),
            "real_portals[0]: the portal of targets[0].portals[0] (a portal is simulated or real, "
            "not both)");
}

class EmulatorConfigFile : public testing::TempRootTest {};

TEST_F(EmulatorConfigFile, ReadingGivesTheTextAndTheConfiguration) {
  const std::string json = Adapter({Controller(Function("nic", 3, 0, 0))});
  root_.write("/adapter.json", json);
  std::string text;
  std::string error;
  std::optional<AdapterConfig> config =
      ReadAdapterConfig(root_.file("/adapter.json"), &text, &error);
  ASSERT_TRUE(config) << error;
  EXPECT_EQ(text, json);
  EXPECT_EQ(config->controllers.at(0).functions.at(0).pci.bus, 3);
}

TEST_F(EmulatorConfigFile, ARefusedFileIsNamedWithItsField) {
  root_.write("/bad.json", Adapter({Controller(Function("nic", 3, 0, 9))}));
  std::string text;
  std::string error;
  EXPECT_FALSE(ReadAdapterConfig(root_.file("/bad.json"), &text, &error));
  EXPECT_EQ(error, "controllers[0].functions[0].pci.function: expected an integer 0..7");
  EXPECT_FALSE(LoadAdapterConfig(root_.file("/missing.json"), &error));
  EXPECT_EQ(error, root_.file("/missing.json") + ": cannot be read");
  root_.write("/large.json", std::string(kMaxConfigFileSize + 1, ' '));
  EXPECT_FALSE(LoadAdapterConfig(root_.file("/large.json"), &error));
  EXPECT_EQ(error, root_.file("/large.json") + ": larger than 1 MiB");
  root_.write("/empty.json", "");
  EXPECT_FALSE(LoadAdapterConfig(root_.file("/empty.json"), &error));
  EXPECT_NE(error.find("(JSON)"), std::string::npos) << error;
}

TEST(EmulatorFaultSet, HoldsOnlyTheFaultsOfAFaultsObject) {
  std::string error;
  std::optional<AdapterConfig> faults = ParseFaultSet(
      R"({"commands": [{"subsystem": 1, "opcode": 32, "status": 5, "times": 2}],
          "driver_calls": [{"request": 17792, "error": 5}],
          "short_answers": [{"subsystem": 1, "opcode": 32, "bytes": 10}],
          "nic_count_changes": [{"after_requests": 3, "nic_functions": 1}]})",
      &error);
  ASSERT_TRUE(faults) << error;
  EXPECT_TRUE(faults->controllers.empty());
  ASSERT_EQ(faults->command_faults.size(), 1u);
  EXPECT_EQ(faults->command_faults[0].opcode, 32);
  EXPECT_EQ(faults->command_faults[0].times, 2);
  ASSERT_EQ(faults->driver_faults.size(), 1u);
  EXPECT_EQ(faults->driver_faults[0].request, 17792u);
  EXPECT_EQ(faults->short_answers.size(), 1u);
  EXPECT_EQ(faults->nic_count_changes.size(), 1u);
  EXPECT_TRUE(ParseFaultSet("{}", &error));
}

TEST(EmulatorFaultSet, RefusalsNameTheFieldFromFaults) {
  auto refusal = [](const std::string& json) {
    std::string error;
    return ParseFaultSet(json, &error) ? std::string() : error;
  };
  EXPECT_EQ(refusal(R"({"commands": [{"opcode": 1}]})"),
            "faults.commands[0].subsystem: missing (required)");
  EXPECT_EQ(refusal(R"({"commands": [{"subsystem": 1, "opcode": 256}]})"),
            "faults.commands[0].opcode: expected an integer 0..255");
  EXPECT_EQ(refusal(R"({"driver_calls": [{"error": 0}]})"),
            "faults.driver_calls[0].error: expected an integer 1..4095");
  EXPECT_EQ(refusal(R"({"link_down": true})"), "faults.link_down: unknown field");
  EXPECT_EQ(refusal("[]"), "faults: expected an object");
  EXPECT_NE(refusal("{").find("(JSON)"), std::string::npos);
}

// A "targets" section with one target whose LUN table is `luns`.
std::string TargetWithLuns(const std::string& luns) {
  return R"({"controllers": [], "targets": [{"name": "iqn.2026-01.x:t", "portals": )"
         R"([{"address": "192.0.2.50"}], "luns": [)" +
         luns + "]}]}";
}

TEST(EmulatorConfig, LunTablesTakeTypesAndInjectedCheckConditions) {
  std::string error;
  std::optional<AdapterConfig> config = ParseAdapterConfig(
      TargetWithLuns(R"({"number": 0, "blocks": 1, "block_size": 1023, "type": 12},)"
                     R"({"number": 16383, "blocks": 8, "check_condition": [37, 158],)"
                     R"( "check_condition_times": 2})"),
      &error);
  ASSERT_TRUE(config) << error;
  const std::vector<SimulatedLun>& luns = config->targets.at(0).luns;
  EXPECT_EQ(luns.at(0).device_type, 12);
  EXPECT_EQ(luns.at(0).block_size, 1023u);
  EXPECT_EQ(luns.at(1).check_condition, (std::vector<uint8_t>{37, 158}));
  EXPECT_EQ(luns.at(1).check_condition_times, 2);
  EXPECT_EQ(Refusal(TargetWithLuns(R"({"number": 16384, "blocks": 1})")),
            "targets[0].luns[0].number: expected an integer 0..16383");
  EXPECT_EQ(Refusal(TargetWithLuns(R"({"number": 1, "blocks": 1, "check_condition": [256]})")),
            "targets[0].luns[0].check_condition[0]: expected an integer 0..255");
}

}  // namespace
}  // namespace oxim::emulator
