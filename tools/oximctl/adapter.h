// Which adapter the library is to use, and what is wrong with an emulated
// adapter's configuration before the library sees it.
//
// The library reads OXIM_ADAPTER when it opens a device. With an emulated
// adapter it starts the root's daemon, which refuses a configuration it
// cannot use with the field and what it expected; the library's start then
// fails with that reason in the last status. oximctl also checks beforehand
// what it can (that the file can be read and holds JSON), to name the
// problem before anything starts.
#ifndef OXIM_TOOLS_OXIMCTL_ADAPTER_H_
#define OXIM_TOOLS_OXIMCTL_ADAPTER_H_

#include <optional>
#include <string>

namespace oximctl {

// Sets OXIM_ADAPTER and OXIM_ROOT for this run. Without an adapter on the
// host and with nothing said otherwise, the built-in emulated adapter is
// used. An emulated adapter without a root given (--root, OXIM_ROOT) gets a
// per-user root, so that its files persist between runs and never land in
// the host's own paths. When this run starts the adapter it chose by
// default, a note on standard error says so (note: false keeps it quiet).
void choose_adapter(const std::optional<std::string>& adapter,
                    const std::optional<std::string>& root, bool note = true);

// The configuration file OXIM_ADAPTER names (emulator:FILE), if any.
std::optional<std::string> configuration_file();

// What is wrong with the file before the library reads it (cannot be read,
// not JSON), or "".
std::string check_configuration_file(const std::string& file);

// What oximctl says when the library did not start: the library's reason,
// with what to do about an emulated adapter that runs another
// configuration (root: the --root given to this run, repeated in the advice).
std::string start_failure_text(const std::string& library_message,
                               const std::optional<std::string>& root);

}  // namespace oximctl

#endif  // OXIM_TOOLS_OXIMCTL_ADAPTER_H_
