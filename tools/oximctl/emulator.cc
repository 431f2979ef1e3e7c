// oximctl emulator; see emulator.h.
#include "emulator.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <nlohmann/json.hpp>
#include <vector>

#include "json_text.h"
#include "oxim/oxim_emulator.h"

namespace oximctl {
namespace {

// Sends a request; the status and the answer document ({"error": ...} when
// the answer is not JSON).
std::pair<uint32_t, json> control(const json& request) {
  std::vector<char> answer(1 << 20);
  const uint32_t status = OXIM_emulator_control(request.dump().c_str(), answer.data(),
                                                static_cast<uint32_t>(answer.size()));
  json document = json::parse(answer.data(), nullptr, false);
  if (document.is_discarded() || !document.is_object()) {
    document = json{{"error", std::string(answer.data())}};
  }
  return {status, document};
}

// The configuration file OXIM_ADAPTER names, for a start without --config.
std::string adapter_configuration() {
  const char* adapter = std::getenv("OXIM_ADAPTER");
  if (adapter == nullptr || std::strncmp(adapter, "emulator:", 9) != 0) return "";
  return adapter + 9;
}

json request_of(const Invocation& invocation, std::string* usage_error) {
  const std::vector<std::string>& args = invocation.args;
  const std::string& action = args[0];
  if (action == "start") {
    json request{{"op", "start"}};
    const std::string file = invocation.config ? *invocation.config : adapter_configuration();
    if (!file.empty()) request["config"] = file;
    return request;
  }
  if (action == "clear-faults") return {{"op", "clear_faults"}};
  if (action == "fault") {
    json faults = json::parse(args[1], nullptr, false);
    if (faults.is_discarded() || !faults.is_object()) {
      *usage_error = "emulator fault takes a JSON object, as a configuration's \"faults\"";
      return {};
    }
    return {{"op", "fault"}, {"faults", faults}};
  }
  if (action == "target") return {{"op", "target"}, {"name", args[1]}, {"online", args[2] == "on"}};
  if (action == "link") {
    json request{{"op", "link"}, {"up", args[2] == "up"}};
    if (args[1] != "all") request["function"] = args[1];
    return request;
  }
  if (action == "host") {
    return {{"op", "host"}, {"address", args[1]}, {"present", args[2] == "on"}};
  }
  if (action == "dhcp") return {{"op", "dhcp"}, {"on", args[1] == "on"}};
  if (action == "region") {
    return {{"op", "region"}, {"function", args[1]}, {"region", args[2] == "2" ? 2 : 3}};
  }
  if (action == "nic-functions") {
    char* end = nullptr;
    const long count = std::strtol(args[1].c_str(), &end, 10);
    if (args[1].empty() || *end != '\0' || count < 0 || count > 128) {
      *usage_error = "emulator nic-functions takes a number from 0 to 128, not '" + args[1] + "'";
      return {};
    }
    return {{"op", "nic_functions"}, {"count", count}};
  }
  return {{"op", action}};  // stop, status, reboot
}

void print_status(std::ostream& out, const json& status) {
  if (!status.value("running", true)) {
    out << "the emulated adapter of " << status.value("root", std::string("?"))
        << " is not running\n";
    return;
  }
  out << "root: " << status.value("root", std::string()) << "\n"
      << "configuration: " << status.value("configuration", std::string()) << "\n"
      << "pid: " << status.value("pid", 0) << "\n"
      << "uptime: " << status.value("uptime_seconds", 0) << " s\n"
      << "clients: " << status.value("clients", 0) << "\n";
  const json sessions = status.value("sessions", json::array());
  out << "sessions: " << sessions.size() << "\n";
  for (const json& session : sessions) {
    out << "  " << session.value("function", json()).dump() << " "
        << session.value("target", std::string()) << " at "
        << session.value("portal", std::string()) << ": " << session.value("state", std::string())
        << "\n";
  }
}

}  // namespace

bool emulator_running() {
  auto [status, answer] = control({{"op", "status"}});
  return status == 0 && answer.value("running", true);
}

int run_emulator(const Invocation& invocation, Output& output) {
  std::string usage_error;
  const json request = request_of(invocation, &usage_error);
  if (!usage_error.empty()) return report_error(output, usage_error, kExitUsage);
  auto [status, answer] = control(request);
  if (status != 0) {
    // The adapter names the operation ("target: ..."); the action says it.
    std::string error = answer.value("error", std::string("refused"));
    const std::string operation = request.value("op", std::string()) + ": ";
    if (error.rfind(operation, 0) == 0) error.erase(0, operation.size());
    if (invocation.args[0] == "start" &&
        error.find("runs another configuration") != std::string::npos) {
      error += "; stop it first (oximctl" +
               (invocation.root ? " --root " + *invocation.root : std::string()) +
               " emulator stop), its flash stays";
    }
    return report_error(output, "emulator " + invocation.args[0] + ": " + error, kExitFailed);
  }
  if (output.json) {
    print_json(output.out, answer);
    return kExitOk;
  }
  const std::string& action = invocation.args[0];
  if (action == "status") {
    print_status(output.out, answer);
  } else if (action == "start") {
    output.out << (answer.value("started", false) ? "started" : "already running")
               << " (configuration " << answer.value("configuration", std::string()) << ")\n";
  } else if (action == "stop") {
    output.out << (answer.value("running", true) ? "stopped" : "was not running") << "\n";
  } else if (action == "region") {
    output.out << answer.value("bytes", std::string()) << "\n";
  } else if (action == "nic-functions") {
    output.out << "NIC functions shown: " << answer.value("nic_functions", 0) << "\n";
  }
  return kExitOk;
}

}  // namespace oximctl
