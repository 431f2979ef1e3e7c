// The configuration file ("/scratch/Vallorn/liboxim.conf" under OXIM_ROOT),
// which keeps the log level across restarts, and the root property
// OXIMDebugLevel that shows and changes it. As written by the library the
// file holds exactly:
//   #OXIMLogLevel: Control the number of messages logged to the oxim2d.log file.
//   #Possible values are 0 - Disabled, 1 - FATAL, ... 6 - DEBUG.
//   OXIMLogLevel <n>            (no line end)
#ifndef OXIM_CORE_CONFIG_H_
#define OXIM_CORE_CONFIG_H_

#include <cstdint>
#include <cstdio>

#include "core/node.h"

namespace oxim {

inline constexpr char kConfigFilePath[] = "/scratch/Vallorn/liboxim.conf";
inline constexpr char kLogDirectoryPath[] = "/var/opt/vallorn/oxim/logs/";

// Handler of OXIMDebugLevel. Op 1 sets the level from buffer and rewrites the
// file; op 0 re-reads the file and copies the level into buffer.
[[nodiscard]] uint32_t handle_OXIMDebugLevel(Node* node, char* buffer, uint32_t op);

// The configuration file: write_log_level_file writes it with the current
// level; read_log_level_file reads the level from it (rewriting a file that
// holds a level outside 0..6); update_log_level reads it, or writes it when
// it cannot be read, and makes it readable to all. 0, or 1 when the file
// cannot be opened.
[[nodiscard]] uint32_t write_log_level_file();
[[nodiscard]] uint32_t read_log_level_file();
[[nodiscard]] uint32_t update_log_level();
// Prepares the log directory (0755) and the log file's mode (0644).
[[nodiscard]] uint32_t prepare_log_directory();

// Sets a file's mode to 0644 through an open descriptor. 0 on success.
int OXIM_change_permissions_file(const char* path);

// fopen / fclose that accept missing arguments (nullptr / no-op).
FILE* OXIM_file_open(const char* path, const char* mode);
void OXIM_file_close(FILE* stream);

}  // namespace oxim

#endif  // OXIM_CORE_CONFIG_H_
