// Fuzzes the saved-target files: arbitrary bytes as the content of one of
// the three files (the first byte picks which), then the line decoders, key
// matching, the readers, a removal and the consistency check.
//
// After the check the file must hold exactly the sound lines of the input,
// in order, each decodable; a removal afterwards must drop exactly the lines
// its key matches.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "areas/iscsi/saved_files.h"
#include "areas/iscsi/saved_lines.h"
#include "core/host_paths.h"
#include "fuzz_support.h"

namespace {

using oxim::fuzz::Check;

using namespace oxim::iscsi;

std::vector<std::string_view> LinesOf(std::string_view content) {
  std::vector<std::string_view> lines;
  while (!content.empty()) {
    size_t end = content.find('\n');
    size_t length = end == std::string_view::npos ? content.size() : end + 1;
    lines.push_back(content.substr(0, length));
    content.remove_prefix(length);
  }
  return lines;
}

std::string WithNewline(std::string_view line) {
  std::string text(line);
  if (text.empty() || text.back() != '\n') text.push_back('\n');
  return text;
}

void WriteFile(const std::string& path, std::string_view content) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  Check(fd >= 0);
  Check(write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size()));
  close(fd);
}

std::string ReadFile(const std::string& path) {
  std::string content;
  FILE* stream = fopen(path.c_str(), "r");
  if (stream == nullptr) return content;
  size_t lines = 0;
  Check(OXIM_get_file_data(stream, &content, &lines) == 0);
  fclose(stream);
  size_t newlines = 0;
  for (char c : content) newlines += c == '\n' ? 1 : 0;
  Check(lines == newlines);
  return content;
}

bool Decodes(SavedFile file, std::string_view line) {
  TargetLine target;
  SendTargetPortalLine portal;
  InitiatorOptionsLine initiator;
  switch (file) {
    case SavedFile::kTargets: return DecodeTargetLine(line, &target);
    case SavedFile::kSendTargetPortals: return DecodeSendTargetPortalLine(line, &portal);
    case SavedFile::kInitiatorOptions: break;
  }
  return DecodeInitiatorOptionsLine(line, &initiator);
}

// A key taken from the leading fields of a line of the input.
LineKey KeyFrom(std::string_view line, size_t count) {
  LineKey key;
  for (std::string_view field : SplitFields(line)) {
    if (key.fields.size() == count) break;
    key.fields.emplace_back(field);
  }
  return key;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  (void)oxim::fuzz::PrivateRoot();
  if (size == 0) return 0;
  const SavedFile file = static_cast<SavedFile>(data[0] % 3);
  const size_t key_fields = (data[0] >> 2) % 8;
  const std::string_view content(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::vector<std::string_view> input_lines = LinesOf(content);

  // Pure line services on every line.
  for (std::string_view line : input_lines) {
    (void)Decodes(file, line);
    (void)FieldsWellFormed(line, SavedFieldCount(file));
    (void)KeyMatches(KeyFrom(line, key_fields), line);
    Check(KeyMatches(KeyFrom(line, 3), line) || SplitFields(line).size() < 3);
  }

  for (SavedFile each :
       {SavedFile::kTargets, SavedFile::kSendTargetPortals, SavedFile::kInitiatorOptions}) {
    unlink(SavedFilePath(each).c_str());
  }
  const std::string path = SavedFilePath(file);
  WriteFile(path, content);

  // Readers on the raw content.
  const HbaPath hba = HbaPathOf(0, 0, 0);
  std::vector<std::string> raw;
  (void)ReadHbaLines(file, hba, &raw);
  std::vector<TargetLine> targets;
  (void)ReadTargetLines(hba, &targets);
  std::vector<SendTargetPortalLine> portals;
  (void)ReadSendTargetPortalLines(hba, &portals);
  InitiatorOptionsLine initiator;
  (void)ReadInitiatorOptionsLine(hba, &initiator);

  // The check keeps exactly the sound lines.
  std::string expected;
  for (std::string_view line : input_lines) {
    if (LineIsSound(file, line)) expected += WithNewline(line);
  }
  Check(OXIM_check_for_corrupted_database() == 0);
  const std::string checked = ReadFile(path);
  Check(checked == expected);
  for (std::string_view line : LinesOf(checked)) {
    Check(line.back() == '\n');
    Check(LineIsSound(file, line));
    Check(Decodes(file, line));
  }

  // A removal by a key from the input drops exactly the lines it matches.
  if (!input_lines.empty()) {
    const LineKey key = KeyFrom(input_lines[0], key_fields);
    std::string kept;
    size_t matching = 0;
    for (std::string_view line : LinesOf(checked)) {
      if (KeyMatches(key, line)) {
        ++matching;
      } else {
        kept += line;
      }
    }
    size_t removed = 0;
    Check(RemoveLines(file, key, &removed) == 0);
    Check(removed == matching);
    Check(ReadFile(path) == kept);
  }
  return 0;
}
