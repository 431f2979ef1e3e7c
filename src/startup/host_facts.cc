// Host facts; see host_facts.h.
#include "startup/host_facts.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <vector>

#include "core/host_paths.h"
#include "core/log.h"
#include "core/strings.h"
#include "platform/device_backend.h"

namespace oxim {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The bus address ethtool reports for an interface ("0000:03:00.0"), or "".
std::string bus_address(const std::string& interface) {
  platform::ToolResult result = platform::RunHostTool({"ethtool", "-i", interface});
  std::string address;
  for (const std::string& line : lines_of(result.output)) {
    if (line.find("bus-info") == std::string::npos) continue;
    const size_t blank = line.find(' ');
    address = blank == std::string::npos ? "" : line.substr(blank + 1);  // the last such line
  }
  return address;
}

// "7e 1d" for 0x1D7E: the two bytes as lspci -x dumps them.
std::string dump_bytes(uint16_t id) {
  char text[8];
  std::snprintf(text, sizeof text, "%02x %02x", id & 0xFF, id >> 8);
  return text;
}

}  // namespace

std::string get_flash_name(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

uint32_t esx_version() {
  std::string issue;
  if (platform::ReadHostFile("/etc/issue.net", &issue)) {
    for (const std::string& line : lines_of(issue)) {
      if (line.find("ESXi") != std::string::npos) return kHostEsxi;
    }
  }
  std::string banner;
  return platform::ReadHostFile("/etc/banner", &banner) ? kHostEsxi : kHostOther;
}

uint32_t os_info(uint32_t* major, uint32_t* minor, char* name) {
  if (major == nullptr || minor == nullptr || name == nullptr) return 1;
  std::string release;
  if (!platform::ReadHostFile("/etc/banner", &release) &&
      !platform::ReadHostFile("/etc/vmware-release", &release)) {
    return 1;
  }
  std::snprintf(name, kOsNameSize, "%s", "VMWare ESX Server");
  static const struct {
    const char* text;
    uint32_t major;
    uint32_t minor;
  } kVersions[] = {{"5.5", 5, 5}, {"5.1", 5, 1}, {"5.0", 5, 0}, {"4.0", 4, 0}, {"4.1", 4, 1}};
  for (const std::string& line : lines_of(release)) {
    for (const auto& version : kVersions) {
      if (line.find(version.text) == std::string::npos) continue;
      *major = version.major;
      *minor = version.minor;
      return 0;
    }
  }
  return 0;
}

uint32_t check_valid_interface(const char* name) {
  // The name goes to a host tool as one argument, but only a name an
  // interface can have is passed at all.
  if (name == nullptr || !is_plausible_interface_name(std::string_view(name, strnlen(name, 16)))) {
    return 1;
  }
  const std::string address = bus_address(name);
  if (address.empty()) {
    pdebug(kModuleAdapter, kLogDebug, "%s:strlen(buf) is zero\n", __func__);
    return 1;
  }
  platform::ToolResult dump = platform::RunHostTool({"lspci", "-s", address, "-x"});
  for (const std::string& line : lines_of(dump.output)) {
    if (line.rfind("00:", 0) != 0) continue;
    for (uint16_t vendor : kAdapterVendorIds) {
      if (line.find(dump_bytes(vendor)) != std::string::npos) return 0;
    }
  }
  pdebug(kModuleAdapter, kLogInfo, "%s:Given Interface name is not valid or not PF.\n", __func__);
  return 1;
}

uint32_t delete_readable_file(const char* path) {
  if (path == nullptr || access(path, R_OK) != 0) return 1;
  return unlink(path) == 0 ? 0 : 1;
}

}  // namespace oxim
