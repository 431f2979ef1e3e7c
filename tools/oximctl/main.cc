// oximctl: manage the adapters through the library's tree from the command
// line. See README.md for the commands and the JSON documents they print.
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "shell.h"
#include "tree_client.h"

namespace {

using namespace oximctl;

bool exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

// Whether the host (under OXIM_ROOT, if set) has a device node of the
// adapter's drivers.
bool host_has_adapter() {
  const char* root = std::getenv("OXIM_ROOT");
  const std::string prefix = root != nullptr ? root : "";
  return exists(prefix + "/vmfs/devices/char/vmkdriver/qf_esx_nic") ||
         exists(prefix + "/vmfs/devices/char/vmkdriver/qf2iscsi_0");
}

std::string per_user_root() {
  if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state != '\0') {
    return std::string(state) + "/oxim/root";
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    return std::string(home) + "/.local/state/oxim/root";
  }
  return "/tmp/oxim-" + std::to_string(getuid()) + "/root";
}

void make_directories(const std::string& path) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    mkdir(path.substr(0, slash).c_str(), 0700);
    if (slash == std::string::npos) break;
  }
}

// Sets OXIM_ADAPTER and OXIM_ROOT for this run. Without an adapter on the
// host and with nothing said otherwise, the built-in emulated adapter is used
// with a per-user root, so that its files persist between runs.
void choose_adapter(const std::optional<std::string>& adapter,
                    const std::optional<std::string>& root) {
  if (root) setenv("OXIM_ROOT", root->c_str(), 1);
  if (adapter) {
    setenv("OXIM_ADAPTER", adapter->c_str(), 1);
    return;
  }
  if (std::getenv("OXIM_ADAPTER") != nullptr || host_has_adapter()) return;
  setenv("OXIM_ADAPTER", "emulator", 1);
  if (std::getenv("OXIM_ROOT") == nullptr) {
    const std::string directory = per_user_root();
    make_directories(directory);
    setenv("OXIM_ROOT", directory.c_str(), 1);
  }
  std::cerr << "oximctl: no adapter on this host; using the built-in emulated adapter (files in "
            << std::getenv("OXIM_ROOT") << ")\n";
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"oximctl: manage the adapters through the library's tree"};
  app.require_subcommand(1);
  std::optional<std::string> adapter;
  std::optional<std::string> root;
  bool json = false;
  app.add_option("--adapter", adapter, "host, emulator or emulator:FILE (sets OXIM_ADAPTER)");
  app.add_option("--root", root, "directory put in front of every host path (sets OXIM_ROOT)");
  app.add_flag("--json", json, "print one JSON document");

  std::string path = "ROOT";
  std::optional<int> depth;
  bool values = false;
  std::string value;
  std::vector<std::string> assignments;

  CLI::App* tree = app.add_subcommand("tree", "outline of the tree below PATH");
  tree->add_option("path", path, "a group (default ROOT)");
  tree->add_option("--depth", depth, "levels of groups to show");
  tree->add_flag("--values", values, "show property values");
  CLI::App* get = app.add_subcommand("get", "read a property");
  get->add_option("path", path, "PATH/Property")->required();
  CLI::App* set = app.add_subcommand("set", "write a property");
  set->add_option("path", path, "PATH/Property")->required();
  set->add_option("value", value, "the new value")->required();
  CLI::App* describe = app.add_subcommand("describe", "description, type, range, parameters");
  describe->add_option("path", path, "any node")->required();
  CLI::App* run = app.add_subcommand("run", "run a command with named parameters");
  run->add_option("path", path, "PATH/Command")->required();
  run->add_option("params", assignments, "Name=Value ...");
  CLI::App* info = app.add_subcommand("info", "library and adapter summary");
  CLI::App* shell = app.add_subcommand("shell", "interactive mode with completion");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "oximctl: " << e.what() << " (see oximctl --help)\n";
    return kExitUsage;
  }

  choose_adapter(adapter, root);
  TreeClient client;
  if (!client.ok()) {
    std::cerr << "oximctl: the library did not start: " << client.init_failure().describe() << "\n";
    return kExitFailed;
  }
  Output output{std::cout, std::cerr, json};
  if (*tree) return run_tree(client, output, path, depth, values);
  if (*get) return run_get(client, output, path);
  if (*set) return run_set(client, output, path, value);
  if (*describe) return run_describe(client, output, path);
  if (*run) return run_command(client, output, path, assignments);
  if (*info) return run_info(client, output);
  if (*shell) return run_shell(client, json);
  return kExitUsage;
}
