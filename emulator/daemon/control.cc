// Control requests of the daemon; see control.h.
#include "daemon/control.h"

#include <unistd.h>

#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>

#include "config_json.h"
#include "daemon/server.h"

namespace oxim::emulator {
namespace {

using nlohmann::json;

ControlOutcome Refused(const std::string& why) { return {{1, json{{"error", why}}.dump()}}; }

ControlOutcome Done(const json& answer) { return {{0, answer.dump()}}; }

// The first field of the request the op does not take, "" when none.
std::string UnknownField(const json& request, std::initializer_list<const char*> fields) {
  for (const auto& item : request.items()) {
    if (item.key() == "op") continue;
    bool known = false;
    for (const char* field : fields) known = known || item.key() == field;
    if (!known) return item.key();
  }
  return "";
}

json Status(Server& server) {
  const DaemonIdentity& identity = server.identity();
  const auto uptime = std::chrono::duration_cast<std::chrono::seconds>(
      std::chrono::steady_clock::now() - identity.started);
  json sessions = json::array();
  for (const SessionSummary& session : server.adapter().Sessions()) {
    sessions.push_back({{"function", session.function},
                        {"pci", session.pci},
                        {"target", session.target},
                        {"portal", session.portal},
                        {"state", session.state}});
  }
  return {{"running", true},
          {"root", identity.root},
          {"configuration", identity.Description()},
          {"pid", static_cast<int>(getpid())},
          {"uptime_seconds", uptime.count()},
          {"clients", server.clients()},
          {"handles", server.adapter().open_handles()},
          {"nic_functions", server.adapter().visible_nic_functions()},
          {"sessions", sessions}};
}

ControlOutcome Fault(Server& server, const json& request) {
  if (!request.contains("faults")) return Refused("fault: \"faults\" is missing");
  std::string error;
  std::optional<AdapterConfig> faults = ParseFaultSet(request["faults"].dump(), &error);
  if (!faults) return Refused("fault: " + error);
  server.adapter().ArmFaults(*faults);
  return Done({{"armed",
                {{"commands", faults->command_faults.size()},
                 {"driver_calls", faults->driver_faults.size()},
                 {"short_answers", faults->short_answers.size()},
                 {"nic_count_changes", faults->nic_count_changes.size()}}}});
}

ControlOutcome Target(Server& server, const json& request) {
  if (!request.contains("name") || !request["name"].is_string() || !request.contains("online") ||
      !request["online"].is_boolean()) {
    return Refused("target: \"name\" (text) and \"online\" (true or false) are needed");
  }
  const std::string name = request["name"];
  const bool online = request["online"];
  if (!server.adapter().SetTargetOnline(name, online)) {
    return Refused("target: the simulated network has no target " + name);
  }
  return Done({{"target", name}, {"online", online}});
}

ControlOutcome NicFunctions(Server& server, const json& request) {
  const int configured = server.adapter().configured_nic_functions();
  const json* count = request.contains("count") ? &request["count"] : nullptr;
  if (count == nullptr || !count->is_number_integer() || *count < 0 || *count > configured) {
    return Refused("nic_functions: \"count\" must be an integer 0.." + std::to_string(configured) +
                   " (the NIC functions of the configuration)");
  }
  server.adapter().set_visible_nic_functions(count->get<int>());
  return Done({{"nic_functions", server.adapter().visible_nic_functions()}});
}

// The iSCSI function a network request names ("function": a host adapter
// name such as "vmhba64"; absent: every one), or why the request is refused.
std::optional<std::string> FunctionOf(const json& request, std::string* why) {
  if (!request.contains("function")) return std::string();
  if (!request["function"].is_string() || request["function"].get<std::string>().empty()) {
    *why = "\"function\" must name an iSCSI function, such as \"vmhba64\"";
    return std::nullopt;
  }
  return request["function"].get<std::string>();
}

// A port's link, a host, a DHCP server: a boolean switch on the networks of
// one iSCSI function or of every one.
ControlOutcome NetworkSwitch(Server& server, const json& request, const std::string& op) {
  const char* key = op == "link" ? "up" : op == "host" ? "present" : "on";
  std::string why;
  std::optional<std::string> function = FunctionOf(request, &why);
  if (!function) return Refused(op + ": " + why);
  if (!request.contains(key) || !request[key].is_boolean()) {
    return Refused(op + ": \"" + key + "\" (true or false) is needed");
  }
  const bool value = request[key];
  json answer = {{key, value}};
  if (!function->empty()) answer["function"] = *function;
  if (op == "link") {
    why = server.adapter().SetLink(*function, value);
  } else if (op == "host") {
    if (!request.contains("address") || !request["address"].is_string()) {
      return Refused("host: \"address\" (text) is needed");
    }
    answer["address"] = request["address"];
    why = server.adapter().SetHostPresent(*function, request["address"], value);
  } else {
    why = server.adapter().SetDhcpServer(*function, value);
  }
  if (!why.empty()) return Refused(op + ": " + why);
  return Done(answer);
}

// The bytes of an iSCSI region of a function's port, in hexadecimal; the
// request reads, it changes nothing.
ControlOutcome Region(Server& server, const json& request) {
  if (!request.contains("function") || !request["function"].is_string()) {
    return Refused("region: \"function\" (an iSCSI function, such as \"vmhba64\") is needed");
  }
  if (!request.contains("region") || !request["region"].is_number_integer()) {
    return Refused("region: \"region\" (2 or 3) is needed");
  }
  std::vector<uint8_t> bytes;
  const std::string function = request["function"];
  std::string why = server.adapter().ReadRegion(function, request["region"].get<int>(), &bytes);
  if (!why.empty()) return Refused("region: " + why);
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (uint8_t b : bytes) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return Done({{"function", function}, {"region", request["region"]}, {"bytes", hex}});
}

// A daemon that answers runs already; with "config" (a file, "" for the
// built-in configuration) it must be the one it runs.
ControlOutcome Start(Server& server, const json& request) {
  const DaemonIdentity& identity = server.identity();
  if (request.contains("config")) {
    if (!request["config"].is_string()) return Refused("start: \"config\" must be a file name");
    const std::string file = request["config"];
    std::string digest;
    if (!file.empty()) {
      std::string text;
      std::string error;
      if (!ReadAdapterConfig(file, &text, &error)) {
        return Refused("start: configuration " + file + " refused: " + error);
      }
      digest = wire::ConfigurationDigest(text);
    }
    if (digest != identity.digest) {
      return Refused("start: the emulated adapter of " + identity.root +
                     " runs another configuration (" + identity.Description() + ")");
    }
  }
  return Done({{"running", true}, {"started", false}, {"configuration", identity.Description()}});
}

ControlOutcome Dispatch(Server& server, const json& request) {
  const std::string op = request["op"];
  struct Op {
    const char* name;
    std::initializer_list<const char*> fields;
  };
  static const Op kOps[] = {
      {"status", {}},
      {"start", {"config"}},
      {"stop", {}},
      {"reboot", {}},
      {"fault", {"faults"}},
      {"clear_faults", {}},
      {"target", {"name", "online"}},
      {"nic_functions", {"count"}},
      {"link", {"function", "up"}},
      {"host", {"function", "address", "present"}},
      {"dhcp", {"function", "on"}},
      {"region", {"function", "region"}},
  };
  const Op* known = nullptr;
  for (const Op& candidate : kOps) {
    if (op == candidate.name) known = &candidate;
  }
  if (known == nullptr) return Refused("unknown op \"" + op + "\"");
  if (std::string field = UnknownField(request, known->fields); !field.empty()) {
    return Refused(op + ": unknown field \"" + field + "\"");
  }
  if (op == "status") return Done(Status(server));
  if (op == "start") return Start(server, request);
  if (op == "stop") {
    ControlOutcome outcome = Done({{"stopping", true}});
    outcome.stop = true;
    return outcome;
  }
  if (op == "reboot") {
    server.adapter().Reboot();
    return Done({{"rebooted", true}});
  }
  if (op == "fault") return Fault(server, request);
  if (op == "clear_faults") {
    server.adapter().faults().Clear();
    return Done({{"cleared", true}});
  }
  if (op == "target") return Target(server, request);
  if (op == "link" || op == "host" || op == "dhcp") return NetworkSwitch(server, request, op);
  if (op == "region") return Region(server, request);
  return NicFunctions(server, request);
}

}  // namespace

ControlOutcome HandleControl(Server& server, const std::string& text) {
  json request = json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (request.is_discarded()) return Refused("the request is not JSON");
  if (!request.is_object() || !request.contains("op") || !request["op"].is_string()) {
    return Refused("the request names no \"op\"");
  }
  return Dispatch(server, request);
}

}  // namespace oxim::emulator
