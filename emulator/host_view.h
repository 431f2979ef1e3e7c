// What the host shows of the emulated adapter besides its driver devices:
// the host configuration file that names the NIC functions' interfaces
// (/etc/vmware/esx.conf), the release file (/etc/issue.net), and the answers
// of the host tools the library runs (ethtool -i NAME, lspci -s ADDRESS -x,
// ip link set NAME vf N ...). Every answer follows the NIC functions the
// driver shows now. No tool is ever run for real.
//
// esx.conf: for NIC function k (in chip information order)
//   /net/pnic/child[000k]/name = "vmnic0"
//   /net/pnic/child[000k]/mac = "00:90:fa:4c:21:10"
//   /net/pnic/child[000k]/mtu = "1500"
//   /device/000:003:00.0/vmkname = "vmnic0"
#ifndef OXIM_EMULATOR_HOST_VIEW_H_
#define OXIM_EMULATOR_HOST_VIEW_H_

#include <string>
#include <vector>

#include "adapter_model.h"
#include "platform/device_backend.h"

namespace oxim::emulator {

inline constexpr char kEsxConfPath[] = "/etc/vmware/esx.conf";
inline constexpr char kIssueNetPath[] = "/etc/issue.net";

// The host configuration file as it stands for the visible NIC functions.
std::string EsxConf(const AdapterModel& model);

// The emulated answer of a host tool: "ethtool -i NAME" for a visible NIC
// function's interface, "lspci -s [0000:]BB:DD.F -x" for an iSCSI or
// visible NIC function, and "ip link set NAME vf N" followed by any of "mac
// ADDRESS", "vlan ID" (0-4095) with "qos PRIORITY" (0-7) and "rate MBPS"
// (0-65535, kept in units of 10 Mbit/s), which changes virtual function N of
// the function in the virtual-function information (exit status 1 for an
// unknown interface, 2 for a virtual function it does not have or a value
// refused). Anything else exits with status 1 and no output.
platform::ToolResult RunEmulatedTool(AdapterModel& model, const std::vector<std::string>& argv);

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_HOST_VIEW_H_
