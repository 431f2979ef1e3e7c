// Reading back the library's log; see log_tail.h.
#include "log_tail.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace oximctl {
namespace {

off_t file_size(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? info.st_size : 0;
}

bool is_error_label(const std::string& message) {
  for (const char* label : {"FATAL:", "CRITICAL:", "ERROR:"}) {
    if (message.rfind(label, 0) == 0) return true;
  }
  return false;
}

}  // namespace

LogTail::LogTail() : path_(path()), start_(file_size(path_)) {}

std::string LogTail::path() {
  const char* root = std::getenv("OXIM_ROOT");
  return std::string(root != nullptr ? root : "") + "/tmp/oxim2d.log";
}

std::vector<std::string> LogTail::appended(bool errors_only) const {
  std::vector<std::string> messages;
  const int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return messages;
  // A log that shrank was started anew: all of it is new.
  off_t offset = file_size(path_) < start_ ? 0 : start_;
  std::string text;
  char buffer[8192];
  for (ssize_t n; (n = pread(fd, buffer, sizeof buffer, offset)) > 0; offset += n) {
    text.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  const std::string own_pid = std::to_string(getpid());
  for (size_t begin = 0; begin < text.size();) {
    size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(begin, end - begin);
    begin = end + 1;
    // "<time>,<pid>,   <message>"; the time holds no comma.
    const size_t first = line.find(',');
    const size_t second = first == std::string::npos ? first : line.find(',', first + 1);
    if (second == std::string::npos || line.compare(first + 1, second - first - 1, own_pid) != 0) {
      continue;
    }
    const size_t message = line.find_first_not_of(' ', second + 1);
    if (message == std::string::npos) continue;
    std::string entry = line.substr(message);
    if (!errors_only || is_error_label(entry)) messages.push_back(std::move(entry));
  }
  return messages;
}

}  // namespace oximctl
