// Which adapter the library is to use, and why an emulated adapter's
// configuration was refused.
//
// The library reads OXIM_ADAPTER when it opens a device, and an emulator
// configuration it refuses leaves it without a backend: it starts, and the
// tree holds no controller. The reason is written only to its log, at log
// level 3 or more. So oximctl checks what it can before the start (that the
// file can be read and holds JSON), and after a start that shows no
// controller it takes the reason from the log, or, when the log level kept
// it out, from a second start in a scratch root that logs errors.
#ifndef OXIM_TOOLS_OXIMCTL_ADAPTER_H_
#define OXIM_TOOLS_OXIMCTL_ADAPTER_H_

#include <optional>
#include <string>
#include <vector>

namespace oximctl {

// Sets OXIM_ADAPTER and OXIM_ROOT for this run. Without an adapter on the
// host and with nothing said otherwise, the built-in emulated adapter is used
// with a per-user root, so that its files persist between runs; a note on
// standard error says so.
void choose_adapter(const std::optional<std::string>& adapter,
                    const std::optional<std::string>& root);

// The configuration file OXIM_ADAPTER names (emulator:FILE), if any.
std::optional<std::string> configuration_file();

// What is wrong with the file before the library reads it (cannot be read,
// not JSON), or "".
std::string check_configuration_file(const std::string& file);

// The reason in an "emulated adapter: configuration ... refused: REASON"
// line among the log messages, if there is one.
std::optional<std::string> refusal_in_log(const std::vector<std::string>& messages);

// Starts and stops the library once in a scratch OXIM_ROOT whose log level
// is 3, with the same OXIM_ADAPTER, and returns the reason of a refusal it
// logged. Call it while no client of the library is open.
std::optional<std::string> probe_refusal();

}  // namespace oximctl

#endif  // OXIM_TOOLS_OXIMCTL_ADAPTER_H_
