// Facts about the host the library reads from its files and tools: the
// hypervisor's kind and version, and whether a network interface is a
// physical function of the adapter. Everything goes through the platform
// seam (host files under OXIM_ROOT, tools run without a shell).
#ifndef OXIM_STARTUP_HOST_FACTS_H_
#define OXIM_STARTUP_HOST_FACTS_H_

#include <cstdint>
#include <string>

namespace oxim {

// The PCI vendor IDs of the adapter family's functions.
inline constexpr uint16_t kAdapterVendorIds[] = {0x1D7E, 0x1D7F};

// Host kinds.
inline constexpr int kHostEsxi = 2;
inline constexpr int kHostOther = 3;

// Size of the name buffer of OXIM_get_os_info.
inline constexpr int kOsNameSize = 64;

// The last component of a path split at "/" (the file name of an image).
std::string get_flash_name(const std::string& path);

// 2 when "/etc/issue.net" has a line with "ESXi" or "/etc/banner" exists
// (ESXi), else 3.
[[nodiscard]] uint32_t esx_version();
// The host's version from "/etc/banner" (else "/etc/vmware-release"): name
// becomes "VMWare ESX Server" (name holds 64 bytes); the first line naming
// 5.5, 5.1, 5.0, 4.0 or 4.1 gives major and minor. 1 when neither file can
// be read or an argument is missing, else 0.
[[nodiscard]] uint32_t os_info(uint32_t* major, uint32_t* minor, char* name);
// 0 when the named host interface is a physical function of the adapter
// (its PCI configuration carries one of the adapter's vendor IDs), else 1.
[[nodiscard]] uint32_t check_valid_interface(const char* name);
// Deletes a file when it is readable; 0, or 1 when it is not there or
// cannot be deleted.
[[nodiscard]] uint32_t delete_readable_file(const char* path);

}  // namespace oxim

#endif  // OXIM_STARTUP_HOST_FACTS_H_
