// Which adapter the library is to use.
#ifndef OXIM_TOOLS_OXIMCTL_ADAPTER_H_
#define OXIM_TOOLS_OXIMCTL_ADAPTER_H_

#include <optional>
#include <string>

namespace oximctl {

// Sets OXIM_ADAPTER and OXIM_ROOT for this run. Without an adapter on the
// host and with nothing said otherwise, the built-in emulated adapter is used
// with a per-user root, so that its files persist between runs; a note on
// standard error says so.
void choose_adapter(const std::optional<std::string>& adapter,
                    const std::optional<std::string>& root);

}  // namespace oximctl

#endif  // OXIM_TOOLS_OXIMCTL_ADAPTER_H_
