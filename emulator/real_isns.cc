// The initiator's exchanges with a real iSNS server; see real_isns.h.
#include "real_isns.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <map>
#include <mutex>

extern "C" {
#include <libisns/isns.h>
#include <libisns/util.h>
}

namespace oxim::emulator {
namespace {

// Seconds libisns waits for a connection and for an answer.
constexpr unsigned kConnectTimeout = 3;
constexpr unsigned kCallTimeout = 5;
constexpr uint32_t kPortMask = 0xFFFF;

std::mutex& IsnsLock() {
  static std::mutex lock;
  return lock;
}

// A libisns client (its source name and socket) for one exchange.
class Client {
 public:
  Client(const RealIsnsEndpoint& server, const std::string& source) {
    isns_config.ic_security = 0;
    isns_config.ic_network.connect_timeout = kConnectTimeout;
    isns_config.ic_network.reconnect_timeout = kConnectTimeout;
    isns_config.ic_network.call_timeout = kCallTimeout;
    client_.ic_source = isns_source_create_iscsi(source.c_str());
    client_.ic_socket = isns_create_client_socket(
        server.host.c_str(), std::to_string(server.port).c_str(), AF_UNSPEC, SOCK_STREAM);
  }
  ~Client() {
    if (client_.ic_socket != nullptr) isns_socket_free(client_.ic_socket);
    if (client_.ic_source != nullptr) isns_source_release(client_.ic_source);
  }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  bool ready() const { return client_.ic_source != nullptr && client_.ic_socket != nullptr; }
  isns_client_t* get() { return &client_; }

  // Sends a request (owned) and keeps the answer in *answer (owned by the
  // caller, freed with isns_simple_free). False with the reason on failure.
  bool Call(isns_simple_t* request, isns_simple_t** answer, std::string* error) {
    *answer = request;
    const int status = isns_client_call(&client_, answer);
    if (status == ISNS_SUCCESS) return true;
    *error = isns_strerror(static_cast<isns_status>(status));
    return false;
  }

 private:
  isns_client_t client_{};
};

std::string AddressText(const in6_addr& address) {
  char text[INET6_ADDRSTRLEN] = {};
  // IPv4 comes mapped (::ffff:a.b.c.d) or, from isnsd, compatible
  // (::a.b.c.d).
  if (IN6_IS_ADDR_V4MAPPED(&address) ||
      (IN6_IS_ADDR_V4COMPAT(&address) && !IN6_IS_ADDR_LOOPBACK(&address))) {
    inet_ntop(AF_INET, &address.s6_addr[12], text, sizeof text);
  } else {
    inet_ntop(AF_INET6, &address, text, sizeof text);
  }
  return text;
}

bool Register(Client& client, const std::string& initiator, std::string* error) {
  isns_object_t* entity = isns_create_entity(ISNS_ENTITY_PROTOCOL_ISCSI, initiator.c_str());
  isns_object_t* node =
      isns_create_storage_node(initiator.c_str(), ISNS_ISCSI_INITIATOR_MASK, entity);
  isns_simple_t* request = isns_create_registration(client.get(), entity);
  isns_registration_set_replace(request, 1);
  isns_registration_add_object(request, entity);
  isns_registration_add_object(request, node);
  isns_object_release(node);
  isns_object_release(entity);
  isns_simple_t* answer = nullptr;
  const bool ok = client.Call(request, &answer, error);
  if (answer != nullptr) isns_simple_free(answer);
  return ok;
}

bool QueryTargets(Client& client, std::vector<RealIsnsTarget>* targets, std::string* error) {
  isns_attr_list_t key = ISNS_ATTR_LIST_INIT;
  isns_attr_list_append_uint32(&key, ISNS_TAG_ISCSI_NODE_TYPE, ISNS_ISCSI_TARGET_MASK);
  isns_simple_t* request = isns_create_query(client.get(), &key);
  isns_attr_list_destroy(&key);
  for (uint32_t tag :
       {ISNS_TAG_ISCSI_NAME, ISNS_TAG_ISCSI_NODE_TYPE, ISNS_TAG_PG_ISCSI_NAME,
        ISNS_TAG_PG_PORTAL_IP_ADDR, ISNS_TAG_PG_PORTAL_TCP_UDP_PORT, ISNS_TAG_PG_TAG}) {
    isns_query_request_attr_tag(request, tag);
  }
  isns_simple_t* answer = nullptr;
  if (!client.Call(request, &answer, error)) {
    if (answer != nullptr) isns_simple_free(answer);
    return false;
  }
  isns_object_list_t objects = ISNS_OBJECT_LIST_INIT;
  const int status = isns_query_response_get_objects(answer, &objects);
  isns_simple_free(answer);
  if (status != ISNS_SUCCESS) {
    *error = isns_strerror(static_cast<isns_status>(status));
    return false;
  }
  std::map<std::string, size_t> index;
  auto target_named = [&](const std::string& name) -> RealIsnsTarget& {
    auto [at, added] = index.emplace(name, targets->size());
    if (added) targets->push_back({name, {}});
    return (*targets)[at->second];
  };
  for (unsigned i = 0; i < objects.iol_count; ++i) {
    isns_object_t* object = objects.iol_data[i];
    const char* name = nullptr;
    if (isns_object_is_iscsi_node(object)) {
      uint32_t type = 0;
      if (isns_object_get_string(object, ISNS_TAG_ISCSI_NAME, &name) && name != nullptr &&
          isns_object_get_uint32(object, ISNS_TAG_ISCSI_NODE_TYPE, &type) &&
          (type & ISNS_ISCSI_TARGET_MASK) != 0) {
        (void)target_named(name);
      }
      continue;
    }
    if (!isns_object_is_pg(object)) continue;
    in6_addr address{};
    uint32_t port = 0;
    uint32_t tag = 0;
    if (!isns_object_get_string(object, ISNS_TAG_PG_ISCSI_NAME, &name) || name == nullptr ||
        !isns_object_get_ipaddr(object, ISNS_TAG_PG_PORTAL_IP_ADDR, &address) ||
        !isns_object_get_uint32(object, ISNS_TAG_PG_PORTAL_TCP_UDP_PORT, &port)) {
      continue;
    }
    (void)isns_object_get_uint32(object, ISNS_TAG_PG_TAG, &tag);
    target_named(name).portals.push_back(
        {AddressText(address), static_cast<uint16_t>(port & kPortMask), tag});
  }
  isns_object_list_destroy(&objects);
  return true;
}

}  // namespace

bool RegisterAndQuery(const RealIsnsEndpoint& server, const std::string& initiator,
                      std::vector<RealIsnsTarget>* targets, std::string* error) {
  std::lock_guard lock(IsnsLock());
  targets->clear();
  Client client(server, initiator);
  if (!client.ready()) {
    *error = "cannot create the iSNS client";
    return false;
  }
  // isnsd answers the queries of registered nodes only.
  return Register(client, initiator, error) && QueryTargets(client, targets, error);
}

bool Deregister(const RealIsnsEndpoint& server, const std::string& initiator, std::string* error) {
  std::lock_guard lock(IsnsLock());
  Client client(server, initiator);
  if (!client.ready()) {
    *error = "cannot create the iSNS client";
    return false;
  }
  isns_attr_list_t key = ISNS_ATTR_LIST_INIT;
  isns_attr_list_append_string(&key, ISNS_TAG_ISCSI_NAME, initiator.c_str());
  isns_simple_t* request = isns_create_deregistration(client.get(), &key);
  isns_attr_list_destroy(&key);
  isns_simple_t* answer = nullptr;
  const bool ok = client.Call(request, &answer, error);
  if (answer != nullptr) isns_simple_free(answer);
  return ok;
}

}  // namespace oxim::emulator
