// What the fuzz targets share: a check that stops the run on a broken rule
// (libFuzzer keeps the input as a finding), a reader that takes the input a
// piece at a time, and a private OXIM_ROOT made once per process and
// removed again at exit.
#ifndef OXIM_FUZZ_FUZZ_SUPPORT_H_
#define OXIM_FUZZ_FUZZ_SUPPORT_H_

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace oxim::fuzz {

// A broken rule: abort, so that the input is kept as a finding.
inline void Check(bool condition) {
  if (!condition) std::abort();
}

// Consumes the input a piece at a time; past its end every piece is zero
// or empty.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return position_ >= size_; }
  uint8_t byte() { return empty() ? 0 : data_[position_++]; }
  uint32_t word() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | byte();
    return value;
  }
  // A text whose length is the next byte.
  std::string text() {
    const size_t length = byte();
    std::string text;
    for (size_t i = 0; i < length && !empty(); ++i) text += static_cast<char>(byte());
    return text;
  }
  // What is left of the input.
  std::string rest() {
    std::string text(reinterpret_cast<const char*>(data_) + position_, size_ - position_);
    position_ = size_;
    return text;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

// A private root for this process, on tmpfs when there is one (saved files
// sync on every change; a disk would slow the run down a hundredfold), with
// the library's directories; OXIM_ROOT names it. Made on the first call,
// removed at exit.
inline const std::string& PrivateRoot() {
  // Never destroyed: the removal at exit runs after static destructors.
  static const std::string* const root = new std::string([] {
    std::string made;
    for (const char* base : {"/dev/shm", "/tmp"}) {
      std::string pattern = std::string(base) + "/oxim-fuzz-XXXXXX";
      if (mkdtemp(pattern.data()) != nullptr) {
        made = pattern;
        break;
      }
    }
    Check(!made.empty());
    std::filesystem::create_directories(made + "/scratch/Vallorn");
    std::filesystem::create_directories(made + "/tmp");
    setenv("OXIM_ROOT", made.c_str(), 1);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(PrivateRoot(), ignored);
    });
    return made;
  }());
  return *root;
}

}  // namespace oxim::fuzz

#endif  // OXIM_FUZZ_FUZZ_SUPPORT_H_
