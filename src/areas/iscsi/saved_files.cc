// Reading and changing the saved-target files; see saved_files.h.
#include "areas/iscsi/saved_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "core/address.h"
#include "core/host_paths.h"
#include "core/last_status.h"
#include "core/lock.h"
#include "core/log.h"
#include "core/status.h"

namespace oxim::iscsi {
namespace {

struct FileSpec {
  const char* path;
  const char* temp;
  size_t fields;
};

constexpr char kSavedDirectory[] = "/scratch/Vallorn";

const FileSpec& SpecOf(SavedFile file) {
  static const FileSpec kTargets = {"/scratch/Vallorn/savetgt.txt", "/scratch/Vallorn/temp_tgt.txt",
                                    kTargetFieldCount};
  static const FileSpec kPortals = {"/scratch/Vallorn/savestp.txt", "/scratch/Vallorn/temp_stp.txt",
                                    kSendTargetPortalFieldCount};
  static const FileSpec kInitiator = {"/scratch/Vallorn/intr_logopts.txt",
                                      "/scratch/Vallorn/temp_logopts.txt",
                                      kInitiatorOptionsFieldCount};
  switch (file) {
    case SavedFile::kTargets: return kTargets;
    case SavedFile::kSendTargetPortals: return kPortals;
    case SavedFile::kInitiatorOptions: break;
  }
  return kInitiator;
}

// Why a saved file could not be read or changed: in the log, and in the
// last status, which names the file. Returns false.
bool FileFailure(const char* what, const std::string& path, const char* reason) {
  pdebug(kModuleAdapter, kLogError, "cannot %s %s: %s\n", what, path.c_str(), reason);
  oxim_set_last_statusf(kSavedFileFailure, "Failed to %s %s: %s. %s", what, path.c_str(), reason,
                        kInternalErrorSuffix);
  return false;
}
bool FileFailure(const char* what, const std::string& path, int error) {
  return FileFailure(what, path, error == ELOOP ? "it is a symbolic link" : strerror(error));
}

// Whether fd is a regular file; otherwise a failure that says what it is.
bool RegularFile(int fd, const char* what, const std::string& path, struct stat* info) {
  if (fstat(fd, info) != 0) return FileFailure(what, path, errno);
  if (S_ISREG(info->st_mode)) return true;
  return FileFailure(what, path,
                     S_ISDIR(info->st_mode) ? "it is a directory" : "it is not a regular file");
}

// The exclusive lock that serialises every change of one file across
// processes. It is taken on a lock file of its own: the file itself is
// replaced by each change, and a lock on the replaced inode would not keep a
// second writer out. fcntl locks belong to the process, so a mutex keeps the
// threads of this process apart as well.
class SavedFileLock {
 public:
  explicit SavedFileLock(SavedFile file)
      : threads_(ThreadMutex(file)), lock_path_(SavedLockPath(file)) {
    int fd = open(lock_path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK,
                  kSavedFileMode);
    struct stat info;
    if (fd < 0) {
      FileFailure("lock", lock_path_, errno);
    } else if (!RegularFile(fd, "lock", lock_path_, &info)) {
      close(fd);
    } else {
      if ((info.st_mode & 07777) != kSavedFileMode) (void)fchmod(fd, kSavedFileMode);
      stream_ = fdopen(fd, "r+");
      if (stream_ == nullptr) close(fd);
      held_ = stream_ != nullptr && oxim_lock_file(stream_) == 0;
      if (!held_) FileFailure("lock", lock_path_, "the lock was not granted");
    }
    if (!held_) {
      pdebug(kModuleAdapter, kLogError, "%s:Failed to acquire file lock for %s.\n", __func__,
             lock_path_.c_str());
    }
  }
  ~SavedFileLock() {
    if (held_ && oxim_unlock_file(stream_) != 0) {
      pdebug(kModuleAdapter, kLogError, "%s: Failed to unlock file lock for temp.txt\n", __func__);
    }
    if (stream_ != nullptr) fclose(stream_);
  }
  SavedFileLock(const SavedFileLock&) = delete;
  SavedFileLock& operator=(const SavedFileLock&) = delete;

  bool held() const { return held_; }

 private:
  static std::mutex& ThreadMutex(SavedFile file) {
    static std::mutex mutexes[3];
    return mutexes[static_cast<int>(file)];
  }

  std::lock_guard<std::mutex> threads_;
  std::string lock_path_;
  FILE* stream_ = nullptr;
  bool held_ = false;
};

// Reads the whole file at path into *content. *missing tells a file that
// does not exist (not an error). The file must be a regular file, and is
// opened without following a symbolic link: what is read, and what tighten
// gives mode 0600 (through the descriptor), is the file itself.
bool ReadWholeFile(const std::string& path, std::string* content, bool* missing, bool tighten) {
  content->clear();
  *missing = false;
  // O_NONBLOCK: a FIFO put in the file's place must not stall the open.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT) {
      *missing = true;
      return true;
    }
    return FileFailure("read", path, errno);
  }
  struct stat info;
  if (!RegularFile(fd, "read", path, &info)) {
    close(fd);
    return false;
  }
  if (tighten && (info.st_mode & 07777) != kSavedFileMode && fchmod(fd, kSavedFileMode) != 0) {
    pdebug(kModuleAdapter, kLogError, "Failed change the permissions for %s file\n", path.c_str());
  }
  char buffer[65536];
  for (;;) {
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const int error = errno;
      close(fd);
      return FileFailure("read", path, error);
    }
    if (got == 0) break;
    content->append(buffer, static_cast<size_t>(got));
  }
  close(fd);
  return true;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t put = write(fd, data.data(), data.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    data.remove_prefix(static_cast<size_t>(put));
  }
  return true;
}

// Replaces the file by content: the temporary file is written, synced and
// renamed over the file, then the directory is synced. On failure the file
// is as it was. REQUIRES: the file's lock is held.
bool ReplaceAtomically(SavedFile file, std::string_view content) {
  const std::string path = SavedFilePath(file);
  const std::string temp = SavedTempPath(file);
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK,
                kSavedFileMode);
  if (fd < 0) return FileFailure("write", temp, errno);
  struct stat info;
  if (!RegularFile(fd, "write", temp, &info)) {
    close(fd);
    return false;
  }
  // The temporary file may be left from a crash with another mode.
  bool ok = ((info.st_mode & 07777) == kSavedFileMode || fchmod(fd, kSavedFileMode) == 0) &&
            WriteAll(fd, content) && fsync(fd) == 0;
  int error = errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    unlink(temp.c_str());
    return FileFailure("save", path, error);
  }
  const std::string directory = HostPath(kSavedDirectory);
  int dir_fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd >= 0) {
    if (fsync(dir_fd) != 0) {
      pdebug(kModuleAdapter, kLogWarning, "%s: cannot sync %s\n", __func__, directory.c_str());
    }
    close(dir_fd);
  }
  return true;
}

// Appends lines (each with its newline) to the file's damaged-lines file,
// created owner-only; false (with the last status naming it) when they
// cannot be kept there.
bool KeepDamagedLines(SavedFile file, std::string_view lines) {
  const std::string path = SavedDamagedPath(file);
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK,
                kSavedFileMode);
  if (fd < 0) return FileFailure("write", path, errno);
  struct stat info;
  if (!RegularFile(fd, "write", path, &info)) {
    close(fd);
    return false;
  }
  bool ok = fchmod(fd, kSavedFileMode) == 0 && WriteAll(fd, lines) && fsync(fd) == 0;
  const int error = errno;
  if (close(fd) != 0 && ok) return FileFailure("write", path, errno);
  return ok || FileFailure("write", path, error);
}

// Calls visit(line, number) for each line of content (with its newline; the
// last one may lack it), numbered from 1.
template <class Visit>
void ForEachLine(std::string_view content, Visit visit) {
  size_t number = 0;
  while (!content.empty()) {
    size_t end = content.find('\n');
    size_t length = end == std::string_view::npos ? content.size() : end + 1;
    visit(content.substr(0, length), ++number);
    content.remove_prefix(length);
  }
}

// Appends line to out, ending it with a newline if it lacks one (a last line
// cut short must not run into the next).
void AppendLine(std::string* out, std::string_view line) {
  out->append(line);
  if (line.empty() || line.back() != '\n') out->push_back('\n');
}

enum class EditOutcome { kUnchanged, kChanged, kFailed };

// What an edit does with the current content (nullptr: no file) and the
// content to write in its place.
using Editor = std::function<EditOutcome(const std::string* current, std::string* updated)>;

// The read-modify-write under the file's lock.
EditOutcome EditFile(SavedFile file, const Editor& edit) {
  SavedFileLock lock(file);
  if (!lock.held()) return EditOutcome::kFailed;
  std::string current;
  bool missing = false;
  if (!ReadWholeFile(SavedFilePath(file), &current, &missing, /*tighten=*/true)) {
    return EditOutcome::kFailed;
  }
  std::string updated;
  EditOutcome outcome = edit(missing ? nullptr : &current, &updated);
  if (outcome == EditOutcome::kChanged && !ReplaceAtomically(file, updated)) {
    return EditOutcome::kFailed;
  }
  return outcome;
}

// A line given for writing: one line of the file's kind with its newline.
bool ValidNewLine(SavedFile file, std::string_view line) {
  if (line.empty() || line.back() != '\n' || line.find('\n') != line.size() - 1 ||
      !LineIsSound(file, line)) {
    pdebug(kModuleAdapter, kLogError, "%s: line for %s is malformed; not written\n", __func__,
           SpecOf(file).path);
    return false;
  }
  return true;
}

int AddTargetLine(TargetLine record, const LineKey& key) {
  record.ip = CanonicalIpText(record.ip);
  std::string line;
  if (!EncodeTargetLine(record, &line)) return 1;
  switch (AppendLineUnlessPresent(SavedFile::kTargets, key, line)) {
    case AppendResult::kAppended:
    case AppendResult::kAlreadyPresent: return 0;
    case AppendResult::kFailed: break;
  }
  return 1;
}

}  // namespace

std::string SavedFilePath(SavedFile file) { return HostPath(SpecOf(file).path); }
std::string SavedTempPath(SavedFile file) { return HostPath(SpecOf(file).temp); }
std::string SavedLockPath(SavedFile file) { return SavedTempPath(file) + ".lock"; }
std::string SavedDamagedPath(SavedFile file) { return SavedFilePath(file) + ".damaged"; }
size_t SavedFieldCount(SavedFile file) { return SpecOf(file).fields; }

bool LineIsSound(SavedFile file, std::string_view line) {
  if (!FieldsWellFormed(line, SavedFieldCount(file))) return false;
  std::vector<std::string_view> fields = SplitFields(line);
  return fields[0].find("Quellfire") != std::string_view::npos &&
         fields[1].find("iSCSIPhysicalHBA") != std::string_view::npos &&
         fields[2].find("LogicalHBA") != std::string_view::npos;
}

AppendResult AppendLineUnlessPresent(SavedFile file, const LineKey& key, std::string_view line) {
  if (!ValidNewLine(file, line)) return AppendResult::kFailed;
  bool present = false;
  EditOutcome outcome = EditFile(file, [&](const std::string* current, std::string* updated) {
    if (current != nullptr) {
      ForEachLine(*current, [&](std::string_view old, size_t) {
        if (KeyMatches(key, old)) present = true;
        AppendLine(updated, old);
      });
    }
    if (present) return EditOutcome::kUnchanged;
    updated->append(line);
    return EditOutcome::kChanged;
  });
  if (outcome == EditOutcome::kFailed) return AppendResult::kFailed;
  return present ? AppendResult::kAlreadyPresent : AppendResult::kAppended;
}

int OXIM_add_target_into_file(const TargetLine& line) {
  TargetLine first = line;
  first.isid_qualifier.clear();
  return AddTargetLine(first, TargetPortalKey(line.path, line.name, line.ip, line.port));
}

int OXIM_update_tgt_entry(const TargetLine& line) {
  LineKey key = TargetPortalKey(line.path, line.name, line.ip, line.port);
  key.fields.push_back(line.isid_qualifier);
  return AddTargetLine(line, key);
}

int RemoveLines(SavedFile file, const LineKey& key, size_t* removed) {
  size_t count = 0;
  bool missing = false;
  EditOutcome outcome = EditFile(file, [&](const std::string* current, std::string* updated) {
    if (current == nullptr) {
      missing = true;
      return EditOutcome::kUnchanged;
    }
    ForEachLine(*current, [&](std::string_view old, size_t) {
      if (KeyMatches(key, old)) {
        ++count;
      } else {
        AppendLine(updated, old);
      }
    });
    return count != 0 ? EditOutcome::kChanged : EditOutcome::kUnchanged;
  });
  if (removed != nullptr) *removed = outcome == EditOutcome::kFailed ? 0 : count;
  if (missing) {
    pdebug(kModuleAdapter, kLogDebug, "%s: %s does not exist\n", __func__, SpecOf(file).path);
    return 1;
  }
  return outcome == EditOutcome::kFailed ? 1 : 0;
}

int RemoveLinesIfAny(SavedFile file, const LineKey& key) {
  EditOutcome outcome = EditFile(file, [&](const std::string* current, std::string* updated) {
    if (current == nullptr) return EditOutcome::kUnchanged;
    bool removed = false;
    ForEachLine(*current, [&](std::string_view old, size_t) {
      if (KeyMatches(key, old)) {
        removed = true;
      } else {
        AppendLine(updated, old);
      }
    });
    return removed ? EditOutcome::kChanged : EditOutcome::kUnchanged;
  });
  return outcome == EditOutcome::kFailed ? 1 : 0;
}

int OXIM_remove_entry_from_file(const HbaPath& path, std::string_view name, std::string_view ip,
                                std::string_view port, uint32_t isid_qualifier, int mode) {
  switch (mode) {
    case kRemoveTarget:
      return RemoveLines(SavedFile::kTargets,
                         TargetSessionKey(path, name, ip, port, isid_qualifier));
    case kRemoveSendTargetPortal:
      return RemoveLines(SavedFile::kSendTargetPortals, SendTargetPortalKey(path, ip, port));
    case kRemoveLogicalHba: return RemoveLines(SavedFile::kTargets, PathKey(path));
    default: break;
  }
  pdebug(kModuleAdapter, kLogError, "%s: unknown mode %d\n", __func__, mode);
  return 1;
}

int RemoveTargetLines(const HbaPath& path, std::string_view name) {
  return RemoveLines(SavedFile::kTargets, TargetNameKey(path, name));
}

int OXIM_check_for_duplicate_entry_in_file(const LineKey& key, int mode) {
  if (mode != 0 && mode != 1) return 0;
  SavedFile file = mode == 0 ? SavedFile::kTargets : SavedFile::kSendTargetPortals;
  std::string content;
  bool missing = false;
  if (!ReadWholeFile(SavedFilePath(file), &content, &missing, /*tighten=*/false)) return 0;
  bool found = false;
  ForEachLine(content, [&](std::string_view line, size_t) {
    if (KeyMatches(key, line)) found = true;
  });
  return found ? 1 : 0;
}

int ReplaceLine(SavedFile file, const LineKey& key, std::string_view line, bool append_if_missing) {
  if (!ValidNewLine(file, line)) return 1;
  EditOutcome outcome = EditFile(file, [&](const std::string* current, std::string* updated) {
    bool replaced = false;
    if (current != nullptr) {
      ForEachLine(*current, [&](std::string_view old, size_t) {
        if (!replaced && KeyMatches(key, old)) {
          replaced = true;
          updated->append(line);
        } else {
          AppendLine(updated, old);
        }
      });
    }
    if (!replaced) {
      if (!append_if_missing) return EditOutcome::kFailed;
      updated->append(line);
    }
    return EditOutcome::kChanged;
  });
  return outcome == EditOutcome::kFailed ? 1 : 0;
}

int ReplaceTargetLine(const LineKey& key, const TargetLine& line) {
  std::string text;
  if (!EncodeTargetLine(line, &text)) return 1;
  return ReplaceLine(SavedFile::kTargets, key, text, /*append_if_missing=*/false);
}

int UpdateTargetLines(const LineKey& key, const std::function<void(TargetLine*)>& change,
                      size_t* updated_count) {
  size_t count = 0;
  EditOutcome outcome =
      EditFile(SavedFile::kTargets, [&](const std::string* current, std::string* updated) {
        if (current == nullptr) return EditOutcome::kUnchanged;
        bool failed = false;
        bool differs = false;
        std::set<std::string> written;
        ForEachLine(*current, [&](std::string_view old, size_t) {
          TargetLine line;
          std::string text;
          if (!failed && KeyMatches(key, old) && DecodeTargetLine(old, &line)) {
            change(&line);
            if (!EncodeTargetLine(line, &text)) {
              failed = true;
              return;
            }
            ++count;
            differs = differs || text != old;
            // Two lines the change made equal (one address in two
            // spellings) are one line.
            if (!written.insert(text).second) {
              differs = true;
              return;
            }
            updated->append(text);
          } else {
            AppendLine(updated, old);
          }
        });
        if (failed) return EditOutcome::kFailed;
        // Lines that come out as they were leave the file alone (no rewrite,
        // no sync).
        return differs ? EditOutcome::kChanged : EditOutcome::kUnchanged;
      });
  if (updated_count != nullptr) *updated_count = outcome == EditOutcome::kFailed ? 0 : count;
  return outcome == EditOutcome::kFailed ? 1 : 0;
}

int ReplaceSendTargetPortalLine(const LineKey& key, SendTargetPortalLine line) {
  line.ip = CanonicalIpText(line.ip);
  std::string text;
  if (!EncodeSendTargetPortalLine(line, &text)) return 1;
  return ReplaceLine(SavedFile::kSendTargetPortals, key, text, /*append_if_missing=*/false);
}

int WriteInitiatorOptionsLine(const InitiatorOptionsLine& line) {
  std::string text;
  if (!EncodeInitiatorOptionsLine(line, &text)) return 1;
  return ReplaceLine(SavedFile::kInitiatorOptions, PathKey(line.path), text,
                     /*append_if_missing=*/true);
}

ReadResult ReadHbaLines(SavedFile file, const HbaPath& path, std::vector<std::string>* lines) {
  lines->clear();
  std::string content;
  bool missing = false;
  if (!ReadWholeFile(SavedFilePath(file), &content, &missing, /*tighten=*/false)) {
    return ReadResult::kFailed;
  }
  if (missing) return ReadResult::kMissing;
  const LineKey key = PathKey(path);
  ForEachLine(content, [&](std::string_view line, size_t) {
    if (KeyMatches(key, line)) lines->emplace_back(line);
  });
  return ReadResult::kRead;
}

ReadResult ReadTargetLines(const HbaPath& path, std::vector<TargetLine>* lines) {
  lines->clear();
  std::vector<std::string> texts;
  ReadResult result = ReadHbaLines(SavedFile::kTargets, path, &texts);
  for (const std::string& text : texts) {
    TargetLine line;
    if (DecodeTargetLine(text, &line)) lines->push_back(std::move(line));
  }
  return result;
}

ReadResult ReadSendTargetPortalLines(const HbaPath& path,
                                     std::vector<SendTargetPortalLine>* lines) {
  lines->clear();
  std::vector<std::string> texts;
  ReadResult result = ReadHbaLines(SavedFile::kSendTargetPortals, path, &texts);
  for (const std::string& text : texts) {
    SendTargetPortalLine line;
    if (DecodeSendTargetPortalLine(text, &line)) lines->push_back(std::move(line));
  }
  return result;
}

ReadResult ReadInitiatorOptionsLine(const HbaPath& path, InitiatorOptionsLine* line) {
  std::vector<std::string> texts;
  ReadResult result = ReadHbaLines(SavedFile::kInitiatorOptions, path, &texts);
  if (result != ReadResult::kRead) return result;
  for (const std::string& text : texts) {
    if (DecodeInitiatorOptionsLine(text, line)) return ReadResult::kRead;
  }
  return ReadResult::kMissing;
}

int OXIM_get_file_data(FILE* stream, std::string* data, size_t* line_count) {
  if (stream == nullptr || data == nullptr || line_count == nullptr) return 1;
  data->clear();
  *line_count = 0;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, stream)) > 0) data->append(buffer, got);
  if (ferror(stream)) {
    pdebug(kModuleAdapter, kLogError, "%s: read error\n", __func__);
    return 1;
  }
  for (char c : *data) {
    if (c == '\n') ++*line_count;
  }
  return 0;
}

int OXIM_check_for_corrupted_database() {
  static constexpr char kName[] = "OXIM_check_for_corrupted_database";  // for the log
  for (SavedFile file :
       {SavedFile::kTargets, SavedFile::kSendTargetPortals, SavedFile::kInitiatorOptions}) {
    const std::string path = SavedFilePath(file);
    EditOutcome outcome = EditFile(file, [&](const std::string* current, std::string* updated) {
      if (current == nullptr) return EditOutcome::kUnchanged;
      std::string dropped;
      size_t count = 0;
      ForEachLine(*current, [&](std::string_view line, size_t number) {
        if (LineIsSound(file, line)) {
          AppendLine(updated, line);
          return;
        }
        size_t commas = 0;
        for (char c : line) commas += c == ',' ? 1 : 0;
        // The line itself may hold secrets: only its number goes to the log.
        pdebug(kModuleAdapter, kLogError,
               "%s:tokens = %zu, line %zu of %s corrupted. So dropping it.\n", kName, commas,
               number, path.c_str());
        AppendLine(&dropped, line);
        ++count;
      });
      if (count == 0) {
        // A last line cut short gets its newline, or the next line appended
        // would run into it.
        const bool ends_whole = current->empty() || current->back() == '\n';
        return ends_whole ? EditOutcome::kUnchanged : EditOutcome::kChanged;
      }
      // What is dropped is kept, beside the file, before the file loses it.
      if (!KeepDamagedLines(file, dropped)) return EditOutcome::kFailed;
      pdebug(kModuleAdapter, kLogError, "%s: %zu damaged line(s) of %s kept in %s\n", kName, count,
             path.c_str(), SavedDamagedPath(file).c_str());
      return EditOutcome::kChanged;
    });
    if (outcome == EditOutcome::kFailed) {
      pdebug(kModuleAdapter, kLogError, "%s: could not check %s\n", __func__, path.c_str());
    }
  }
  return 0;
}

}  // namespace oxim::iscsi
