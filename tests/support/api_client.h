// Small client of the public C API for end-to-end tests: nodes by path of
// display names ("Quellfire0/iSCSIPhysicalHBA0/PortNumber"), property reads
// and writes, commands with text parameters (an empty text is a parameter
// not given), the last status.
#ifndef OXIM_TESTS_SUPPORT_API_CLIENT_H_
#define OXIM_TESTS_SUPPORT_API_CLIENT_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace oxim::testing {

using Status = std::pair<uint32_t, std::string>;

inline constexpr uint32_t kNoTag = 0xFFFFFFFFu;

Status LastStatus();
// The tag of a path below ROOT, or kNoTag.
uint32_t Tag(const std::string& path);
// The value of PATH/Property ("" when it cannot be read).
std::string Value(const std::string& path);
// The status of a read of PATH/Property and the value it gave (what the
// handler left in the buffer, also when it failed).
std::pair<uint32_t, std::string> Read(const std::string& path);
// Sets PATH/Property; the call's status.
uint32_t SetValue(const std::string& path, const std::string& value);
// Display names of the groups under a path ("" is ROOT).
std::vector<std::string> Groups(const std::string& path);
// Runs GROUP/Command with parameters in slot order; the call's status.
uint32_t Do(const std::string& path, const std::vector<std::string>& params = {});

}  // namespace oxim::testing

#endif  // OXIM_TESTS_SUPPORT_API_CLIENT_H_
