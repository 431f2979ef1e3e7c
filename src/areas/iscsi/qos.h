// The iSCSI bandwidth limits of a logical HBA: MaxBytesPerSecond (in
// kilobytes per second) and MaxIosPerSecond of its iSCSIQoS group, which
// read and set the firmware's QoS record of the function.
#ifndef OXIM_AREAS_ISCSI_QOS_H_
#define OXIM_AREAS_ISCSI_QOS_H_

namespace oxim {
class HandlerRegistry;
}

namespace oxim::iscsi {

void register_qos_handlers(HandlerRegistry& registry);

}  // namespace oxim::iscsi

#endif  // OXIM_AREAS_ISCSI_QOS_H_
