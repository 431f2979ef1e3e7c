// The network sections of the configuration; see config_network.h.
#include "config_network.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <chrono>
#include <utility>

namespace oxim::emulator::config_parse {
namespace {

constexpr size_t kMaxTargets = 256;
constexpr size_t kMaxTargetPortals = 32;
constexpr size_t kMaxRealPortals = 256;
constexpr size_t kMaxIsnsServers = 16;
constexpr size_t kMaxAddressText = 39;  // the longest IPv6 text
constexpr int64_t kMaxTimeoutMs = 60000;
constexpr int64_t kMinNopIntervalMs = 100;

// A CHAP secret as the library would send it: a text, or "0x" and
// hexadecimal digits, of 1 to 16 bytes.
bool Secret(Reader& reader, const json& object, const std::string& path, const char* key,
            std::string* out) {
  std::string text;
  if (!reader.Text(object, path, key, 0, 34, &text, true)) return false;
  std::optional<std::vector<uint8_t>> bytes = records::EncodeSecret(text);
  if (!bytes || bytes->empty()) {
    return reader.Fail(Join(path, key),
                       "expected a secret of 1..16 bytes: a text, or \"0x\" and an even number "
                       "of hexadecimal digits");
  }
  *out = text;
  return true;
}

// The operation codes a LUN fails with CHECK CONDITION, and how often.
bool CheckConditions(Reader& reader, const json& item, const std::string& path, SimulatedLun* lun) {
  bool failed = false;
  const json* opcodes = reader.Array(item, path, "check_condition", false, &failed);
  if (failed) return false;
  if (opcodes != nullptr) {
    const std::string at = Join(path, "check_condition");
    for (size_t i = 0; i < opcodes->size(); ++i) {
      int64_t opcode = 0;
      if (!reader.Integer((*opcodes)[i], Index(at, i), 0, 255, &opcode)) return false;
      lun->check_condition.push_back(static_cast<uint8_t>(opcode));
    }
  }
  return reader.Int(item, path, "check_condition_times", -1, 1000000, &lun->check_condition_times);
}

bool ParseChap(Reader& reader, const json& value, const std::string& path,
               SimulatedTarget* target) {
  if (!reader.Object(value, path, {"mode", "user", "secret", "mutual_user", "mutual_secret"})) {
    return false;
  }
  if (reader.Member(value, path, "mode", true) == nullptr) return false;
  int mode = 0;
  if (!Choice(reader, value, path, "mode", {"none", "one-way", "mutual"}, &mode)) return false;
  target->chap = static_cast<ChapMode>(mode);
  if (target->chap == ChapMode::kNone) {
    for (const char* key : {"user", "secret", "mutual_user", "mutual_secret"}) {
      if (value.contains(key)) {
        return reader.Fail(Join(path, key), "only with mode \"one-way\" or \"mutual\"");
      }
    }
    return true;
  }
  if (!reader.Text(value, path, "user", 1, records::kChapNameSize, &target->chap_user, true) ||
      !Secret(reader, value, path, "secret", &target->chap_secret)) {
    return false;
  }
  if (target->chap == ChapMode::kOneWay) {
    for (const char* key : {"mutual_user", "mutual_secret"}) {
      if (value.contains(key)) return reader.Fail(Join(path, key), "only with mode \"mutual\"");
    }
    return true;
  }
  return reader.Text(value, path, "mutual_user", 1, records::kChapNameSize, &target->mutual_user,
                     true) &&
         Secret(reader, value, path, "mutual_secret", &target->mutual_secret);
}

bool ParseTarget(Reader& reader, const json& value, const std::string& path,
                 SimulatedTarget* target) {
  if (!reader.Object(value, path,
                     {"name", "alias", "portals", "chap", "header_digest", "data_digest",
                      "max_sessions", "online", "luns"}) ||
      !reader.Text(value, path, "name", 1, records::kIscsiNameSize - 1, &target->name, true) ||
      !reader.Text(value, path, "alias", 0, records::kAliasSize - 1, &target->alias)) {
    return false;
  }
  bool failed = false;
  const json* portals = reader.Array(value, path, "portals", true, &failed);
  if (failed) return false;
  std::string portals_path = Join(path, "portals");
  if (portals->empty() || portals->size() > kMaxTargetPortals) {
    return reader.Fail(portals_path,
                       "expected 1.." + std::to_string(kMaxTargetPortals) + " portals");
  }
  for (size_t i = 0; i < portals->size(); ++i) {
    const json& item = (*portals)[i];
    std::string at = Index(portals_path, i);
    SimulatedPortal portal;
    if (!reader.Object(item, at, {"address", "port", "group_tag"}) ||
        !reader.Text(item, at, "address", 1, 39, &portal.address, true) ||
        !reader.Int(item, at, "port", 1, 65535, &portal.port) ||
        !reader.Int(item, at, "group_tag", 0, 65535, &portal.group_tag)) {
      return false;
    }
    std::optional<records::PortalEntry> entry = PortalOf(portal);
    if (!entry) {
      return reader.Fail(Join(at, "address"), "expected a dotted IPv4 or an IPv6 address");
    }
    for (size_t j = 0; j < target->portals.size(); ++j) {
      if (SamePortal(*PortalOf(target->portals[j]), *entry)) {
        return reader.Fail(at, "duplicate portal (also " + Index(portals_path, j) + ")");
      }
    }
    target->portals.push_back(portal);
  }
  if (const json* chap = reader.Member(value, path, "chap", false)) {
    if (!ParseChap(reader, *chap, Join(path, "chap"), target)) return false;
  }
  int header = static_cast<int>(target->header_digest);
  int data = static_cast<int>(target->data_digest);
  if (!Choice(reader, value, path, "header_digest", {"none", "accept", "require"}, &header) ||
      !Choice(reader, value, path, "data_digest", {"none", "accept", "require"}, &data) ||
      !reader.Int(value, path, "max_sessions", 1, 1024, &target->max_sessions) ||
      !reader.Bool(value, path, "online", &target->online)) {
    return false;
  }
  target->header_digest = static_cast<DigestPolicy>(header);
  target->data_digest = static_cast<DigestPolicy>(data);
  const json* luns = reader.Array(value, path, "luns", false, &failed);
  if (failed) return false;
  if (luns == nullptr) return true;
  std::string luns_path = Join(path, "luns");
  for (size_t i = 0; i < luns->size(); ++i) {
    const json& item = (*luns)[i];
    std::string at = Index(luns_path, i);
    SimulatedLun lun;
    lun.vendor = "OXIMLAB";
    lun.product = "VDISK";
    int device_type = 0;
    if (!reader.Object(item, at,
                       {"number", "blocks", "block_size", "vendor", "product", "serial", "type",
                        "check_condition", "check_condition_times"}) ||
        !reader.Int(item, at, "number", 0, kMaxSimulatedLun, &lun.number, true) ||
        !reader.Int(item, at, "blocks", 1, int64_t{1} << 48, &lun.blocks, true) ||
        !reader.Int(item, at, "block_size", 512, 65536, &lun.block_size) ||
        !reader.Text(item, at, "vendor", 0, 8, &lun.vendor) ||
        !reader.Text(item, at, "product", 0, 16, &lun.product) ||
        !reader.Text(item, at, "serial", 0, 32, &lun.serial) ||
        !reader.Int(item, at, "type", 0, 31, &device_type) ||
        !CheckConditions(reader, item, at, &lun)) {
      return false;
    }
    lun.device_type = static_cast<uint8_t>(device_type);
    for (size_t j = 0; j < target->luns.size(); ++j) {
      if (target->luns[j].number == lun.number) {
        return reader.Fail(Join(at, "number"), "duplicate LUN " + std::to_string(lun.number) +
                                                   " (also " + Index(luns_path, j) + ")");
      }
    }
    target->luns.push_back(std::move(lun));
  }
  return true;
}

}  // namespace

bool ParseTargets(Reader& reader, const json& root, AdapterConfig* config) {
  bool failed = false;
  const json* targets = reader.Array(root, "", "targets", false, &failed);
  if (failed) return false;
  if (targets == nullptr) return true;
  if (targets->size() > kMaxTargets) {
    return reader.Fail("targets", "at most " + std::to_string(kMaxTargets) + " targets");
  }
  for (size_t t = 0; t < targets->size(); ++t) {
    std::string path = Index("targets", t);
    SimulatedTarget target;
    if (!ParseTarget(reader, (*targets)[t], path, &target)) return false;
    for (size_t other = 0; other < config->targets.size(); ++other) {
      if (EqualsIgnoreCase(config->targets[other].name, target.name)) {
        return reader.Fail(Join(path, "name"), "duplicate target name " + target.name + " (also " +
                                                   Index("targets", other) + ")");
      }
    }
    config->targets.push_back(std::move(target));
  }
  return true;
}

namespace {

// A numeric IPv4 or IPv6 address: a real login never waits on a resolver.
bool IsNumericAddress(const std::string& host) {
  unsigned char bytes[sizeof(in6_addr)];
  return inet_pton(AF_INET, host.c_str(), bytes) == 1 ||
         inet_pton(AF_INET6, host.c_str(), bytes) == 1;
}

bool Milliseconds(Reader& reader, const json& object, const std::string& path, const char* key,
                  int64_t low, std::chrono::milliseconds* out) {
  int64_t value = out->count();
  if (!reader.Int(object, path, key, low, kMaxTimeoutMs, &value)) return false;
  *out = std::chrono::milliseconds(value);
  return true;
}

bool ParseRealPortal(Reader& reader, const json& value, const std::string& path,
                     RealPortal* portal) {
  if (!reader.Object(value, path,
                     {"address", "port", "endpoint", "connect_timeout_ms", "login_timeout_ms",
                      "nop_interval_ms"}) ||
      !reader.Text(value, path, "address", 1, kMaxAddressText, &portal->address, true) ||
      !reader.Int(value, path, "port", 1, 65535, &portal->port)) {
    return false;
  }
  if (!PortalOf({portal->address, portal->port, 1})) {
    return reader.Fail(Join(path, "address"), "expected a dotted IPv4 or an IPv6 address");
  }
  const json* endpoint = reader.Member(value, path, "endpoint", true);
  if (endpoint == nullptr) return false;
  const std::string at = Join(path, "endpoint");
  if (!reader.Object(*endpoint, at, {"host", "port"}) ||
      !reader.Text(*endpoint, at, "host", 1, kMaxAddressText, &portal->endpoint_host, true) ||
      !reader.Int(*endpoint, at, "port", 1, 65535, &portal->endpoint_port)) {
    return false;
  }
  if (!IsNumericAddress(portal->endpoint_host)) {
    return reader.Fail(Join(at, "host"),
                       "expected a numeric IPv4 or IPv6 address (names are not resolved)");
  }
  return Milliseconds(reader, value, path, "connect_timeout_ms", 1, &portal->connect_timeout) &&
         Milliseconds(reader, value, path, "login_timeout_ms", 1, &portal->login_timeout) &&
         Milliseconds(reader, value, path, "nop_interval_ms", kMinNopIntervalMs,
                      &portal->nop_interval);
}

}  // namespace

bool ParseRealPortals(Reader& reader, const json& root, AdapterConfig* config) {
  bool failed = false;
  const json* portals = reader.Array(root, "", "real_portals", false, &failed);
  if (failed) return false;
  if (portals == nullptr) return true;
  if (portals->size() > kMaxRealPortals) {
    return reader.Fail("real_portals",
                       "at most " + std::to_string(kMaxRealPortals) + " real portals");
  }
  for (size_t p = 0; p < portals->size(); ++p) {
    const std::string path = Index("real_portals", p);
    RealPortal portal;
    if (!ParseRealPortal(reader, (*portals)[p], path, &portal)) return false;
    const records::PortalEntry entry = *PortalOf({portal.address, portal.port, 1});
    for (size_t other = 0; other < config->real_portals.size(); ++other) {
      const RealPortal& seen = config->real_portals[other];
      if (SamePortal(*PortalOf({seen.address, seen.port, 1}), entry)) {
        return reader.Fail(path, "duplicate portal (also " + Index("real_portals", other) + ")");
      }
    }
    for (size_t t = 0; t < config->targets.size(); ++t) {
      const std::vector<SimulatedPortal>& simulated = config->targets[t].portals;
      for (size_t s = 0; s < simulated.size(); ++s) {
        if (SamePortal(*PortalOf(simulated[s]), entry)) {
          return reader.Fail(path, "the portal of " + Index(Index("targets", t) + ".portals", s) +
                                       " (a portal is simulated or real, not both)");
        }
      }
    }
    config->real_portals.push_back(std::move(portal));
  }
  return true;
}

bool ParseIsnsServers(Reader& reader, const json& root, AdapterConfig* config) {
  bool failed = false;
  const json* servers = reader.Array(root, "", "isns_servers", false, &failed);
  if (failed) return false;
  if (servers == nullptr) return true;
  if (servers->size() > kMaxIsnsServers) {
    return reader.Fail("isns_servers",
                       "at most " + std::to_string(kMaxIsnsServers) + " iSNS servers");
  }
  for (size_t i = 0; i < servers->size(); ++i) {
    const json& item = (*servers)[i];
    const std::string path = Index("isns_servers", i);
    SimulatedIsnsServer server;
    if (!reader.Object(item, path, {"address", "port", "targets", "endpoint"}) ||
        !reader.Text(item, path, "address", 1, kMaxAddressText, &server.address, true) ||
        !reader.Int(item, path, "port", 1, 65535, &server.port)) {
      return false;
    }
    if (!PortalOf({server.address, server.port, 1})) {
      return reader.Fail(Join(path, "address"), "expected a dotted IPv4 or an IPv6 address");
    }
    if (const json* endpoint = reader.Member(item, path, "endpoint", false)) {
      const std::string at = Join(path, "endpoint");
      RealIsnsEndpoint real;
      if (!reader.Object(*endpoint, at, {"host", "port"}) ||
          !reader.Text(*endpoint, at, "host", 1, kMaxAddressText, &real.host, true) ||
          !reader.Int(*endpoint, at, "port", 1, 65535, &real.port)) {
        return false;
      }
      if (!IsNumericAddress(real.host)) {
        return reader.Fail(Join(at, "host"),
                           "expected a numeric IPv4 or IPv6 address (names are not resolved)");
      }
      server.endpoint = std::move(real);
    }
    const json* targets = reader.Array(item, path, "targets", false, &failed);
    if (failed) return false;
    for (size_t t = 0; targets != nullptr && t < targets->size(); ++t) {
      const std::string at = Index(Join(path, "targets"), t);
      std::string name;
      if (!reader.TextValue((*targets)[t], at, 1, records::kIscsiNameSize - 1, &name)) {
        return false;
      }
      if (FindSimulatedTarget(config->targets, name) == nullptr) {
        return reader.Fail(at, "no target of that name in targets");
      }
      server.targets.push_back(std::move(name));
    }
    config->isns_servers.push_back(std::move(server));
  }
  return true;
}

}  // namespace oxim::emulator::config_parse
