// The initiator statistics of an iSCSI function: the registration of the
// iSCSIStatistics group's session and login counter handlers
// (statistics.cc).
#ifndef OXIM_AREAS_NETWORKING_STATISTICS_H_
#define OXIM_AREAS_NETWORKING_STATISTICS_H_

namespace oxim {
class HandlerRegistry;
}

namespace oxim::networking {

void register_statistics_handlers(HandlerRegistry& registry);

}  // namespace oxim::networking

#endif  // OXIM_AREAS_NETWORKING_STATISTICS_H_
