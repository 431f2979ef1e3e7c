// The saved-target files: the library's own record of targets, SendTarget
// portals and login options under "/scratch/Vallorn/" (through
// HostPath, so OXIM_ROOT is honoured). The line formats and keys
// are in saved_lines.h; this file owns reading and changing the files.
//
//   File              Temporary file     Holds
//   savetgt.txt       temp_tgt.txt       target lines (one per portal and qualifier)
//   savestp.txt       temp_stp.txt       SendTarget portal lines
//   intr_logopts.txt  temp_logopts.txt   initiator options lines
//
// A file (or temporary or lock file) is only ever opened as a regular file
// and without following a symbolic link; its mode is set through the open
// descriptor. A file that is a directory, a link or anything else is a
// failure that names it in the last status.
//
// Every change (append, removal, rewrite, consistency repair) is a
// read-modify-write done while an exclusive fcntl lock is held on
// "<temporary file>.lock", a file that is never replaced, so that two
// processes serialise and neither loses the other's lines. The new content is
// written to the temporary file, synced, renamed over the file and the
// directory synced: a crash leaves the old file or the new one, never a part
// of one. The files, the temporary files and the lock files are created and
// kept with mode 0600, since the lines hold CHAP secrets; no line is ever
// written to the log.
//
// Readers take no lock: the rename makes each read see one whole version.
// Callers also hold the library lock, which serialises threads of a process
// (fcntl locks do not).
//
// Usage:
//   oxim::iscsi::TargetLine line = ...;  // path, name, ip, port, options
//   if (oxim::iscsi::OXIM_add_target_into_file(line) != 0) return failure;
//   ...
//   (void)oxim::iscsi::OXIM_remove_entry_from_file(path, name, ip, port,
//                                                  oxim::iscsi::kAnyIsidQualifier,
//                                                  oxim::iscsi::kRemoveTarget);
#ifndef OXIM_AREAS_ISCSI_SAVED_FILES_H_
#define OXIM_AREAS_ISCSI_SAVED_FILES_H_

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "areas/iscsi/saved_lines.h"

namespace oxim::iscsi {

enum class SavedFile { kTargets, kSendTargetPortals, kInitiatorOptions };

inline constexpr mode_t kSavedFileMode = 0600;
// The last status of a file that could not be read or changed (its message
// names the file and the reason): set by every function below that fails
// for that reason.
inline constexpr uint32_t kSavedFileFailure = 1;

// Host paths of a file, its temporary file and its lock file.
std::string SavedFilePath(SavedFile file);
std::string SavedTempPath(SavedFile file);
std::string SavedLockPath(SavedFile file);
// The file beside it that keeps the lines the consistency check dropped
// ("savetgt.txt.damaged").
std::string SavedDamagedPath(SavedFile file);

// Fields of a line of the file (21, 18 or 15).
size_t SavedFieldCount(SavedFile file);

// Whether a line (with or without its newline) belongs in the file: the
// line kind's number of commas, "Quellfire", "iSCSIPhysicalHBA" and
// "LogicalHBA" in fields 1 to 3, and every field readable (at most 255
// characters, no carriage return or NUL).
bool LineIsSound(SavedFile file, std::string_view line);

enum class [[nodiscard]] AppendResult{kAppended, kAlreadyPresent, kFailed};

// Appends line unless a line matching key exists. REQUIRES: line is one
// encoded line of the file's kind, with its newline (anything else is
// refused with kFailed).
AppendResult AppendLineUnlessPresent(SavedFile file, const LineKey& key, std::string_view line);

// Target and SendTarget portal lines are written with their address in the
// library's one form (CanonicalIpText).
//
// File part of adding a target portal: appends line with an empty ISID
// qualifier unless a line with the same path, name, address and port exists
// (whatever its qualifier). 0 when the line is there afterwards, 1 on failure.
[[nodiscard]] int OXIM_add_target_into_file(const TargetLine& line);

// File part of recording a session: appends line, qualifier included, unless
// a line with the same path, name, address, port and qualifier exists. 0 when
// the line is there afterwards, 1 on failure.
[[nodiscard]] int OXIM_update_tgt_entry(const TargetLine& line);

// Removal modes.
inline constexpr int kRemoveTarget = 0;            // target lines by name, address, port, qualifier
inline constexpr int kRemoveSendTargetPortal = 1;  // SendTarget portal lines by address and port
inline constexpr int kRemoveLogicalHba = 2;        // every target line of the logical HBA

// Removes the lines of the logical HBA at path selected by mode (name and
// isid_qualifier only count in mode 0, where kAnyIsidQualifier matches any
// qualifier). 0 when done (also when nothing matched), 1 when the file is
// missing, the mode unknown or the file could not be changed; on failure the
// file is as it was.
[[nodiscard]] int OXIM_remove_entry_from_file(const HbaPath& path, std::string_view name,
                                              std::string_view ip, std::string_view port,
                                              uint32_t isid_qualifier, int mode);

// Removes every target line of the target name at path, whatever its portal
// and qualifier. Results as for OXIM_remove_entry_from_file.
[[nodiscard]] int RemoveTargetLines(const HbaPath& path, std::string_view name);

// Removes every line matching key; *removed (if given) gets their number.
// Results as for OXIM_remove_entry_from_file.
[[nodiscard]] int RemoveLines(SavedFile file, const LineKey& key, size_t* removed = nullptr);
// As RemoveLines, for a caller that wants the lines gone: 0 also when the
// file does not exist; 1 only when the file could not be changed (the last
// status names it).
[[nodiscard]] int RemoveLinesIfAny(SavedFile file, const LineKey& key);

// 1 when a line matching key exists in the target file (mode 0) or the
// SendTarget portal file (mode 1), else 0 (also for a missing file).
int OXIM_check_for_duplicate_entry_in_file(const LineKey& key, int mode);

// Replaces the first line matching key by line (the other lines, matching or
// not, stay as they are). When none matches: appends line if
// append_if_missing, else fails. 0 on success, 1 on failure (file unchanged).
// REQUIRES: line is one encoded line of the file's kind, with its newline.
[[nodiscard]] int ReplaceLine(SavedFile file, const LineKey& key, std::string_view line,
                              bool append_if_missing);

// Typed rewrites: the record replaces the first line matching key (no line:
// failure). The initiator options line is keyed by its path and appended
// when missing.
[[nodiscard]] int ReplaceTargetLine(const LineKey& key, const TargetLine& line);
// Rewrites every decodable target line matching key through change (which
// must keep the line's key fields); a line that comes out as one already
// written by this rewrite is dropped. 0 when done (also when nothing matched
// or the file is missing), 1 when a changed record cannot be written (the
// file is then unchanged). *updated (if given) gets the number of lines.
[[nodiscard]] int UpdateTargetLines(const LineKey& key,
                                    const std::function<void(TargetLine*)>& change,
                                    size_t* updated = nullptr);
[[nodiscard]] int ReplaceSendTargetPortalLine(const LineKey& key, SendTargetPortalLine line);
[[nodiscard]] int WriteInitiatorOptionsLine(const InitiatorOptionsLine& line);

enum class [[nodiscard]] ReadResult{kRead, kMissing, kFailed};

// The lines (with their newlines) of the logical HBA at path, in file order.
// kMissing when the file does not exist (lines empty).
ReadResult ReadHbaLines(SavedFile file, const HbaPath& path, std::vector<std::string>* lines);

// The decodable lines of the logical HBA, in file order; lines that do not
// decode are skipped (the consistency check removes them).
ReadResult ReadTargetLines(const HbaPath& path, std::vector<TargetLine>* lines);
ReadResult ReadSendTargetPortalLines(const HbaPath& path, std::vector<SendTargetPortalLine>* lines);
// The initiator options line of the logical HBA; kMissing when the file or
// the line does not exist.
ReadResult ReadInitiatorOptionsLine(const HbaPath& path, InitiatorOptionsLine* line);

// Reads stream from its current position to the end into *data and counts
// its newline characters into *line_count. 0 on success, 1 on a read error or
// a missing argument.
[[nodiscard]] int OXIM_get_file_data(FILE* stream, std::string* data, size_t* line_count);

// Consistency check of the three files, in the order target, SendTarget
// portal, initiator options: every line that is not sound (LineIsSound) is
// dropped and logged by its number; the good lines are kept, rewritten
// atomically under the lock. A damaged file is never emptied silently: the
// dropped lines are first appended to its damaged-lines file (owner-only;
// when they cannot be, the file is left as it is), and the log says so at
// error level. A file that cannot be opened is skipped. Always 0.
[[nodiscard]] int OXIM_check_for_corrupted_database();

}  // namespace oxim::iscsi

#endif  // OXIM_AREAS_ISCSI_SAVED_FILES_H_
