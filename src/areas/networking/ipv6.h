// The IPv6Configuration group of an iSCSI function: the registration of its
// handlers (ipv6.cc).
#ifndef OXIM_AREAS_NETWORKING_IPV6_H_
#define OXIM_AREAS_NETWORKING_IPV6_H_

namespace oxim {
class HandlerRegistry;
}

namespace oxim::networking {

void register_ipv6_handlers(HandlerRegistry& registry);

}  // namespace oxim::networking

#endif  // OXIM_AREAS_NETWORKING_IPV6_H_
