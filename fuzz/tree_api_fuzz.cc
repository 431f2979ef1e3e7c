// Random sequences of tree calls with arbitrary tags, kind filters, names,
// lengths, values and parameter slots, against the tree of the emulated
// adapter: the calls must refuse what is wrong and never crash, read or
// write out of bounds. The tree is built once; set calls may change cached
// values, which is fine.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "oxim/oxim.h"

namespace {

// Consumes the input byte by byte.
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
  // A tag: mostly small (real nodes), sometimes anything.
  uint32_t tag() {
    const uint8_t kind = byte();
    return kind < 200 ? static_cast<uint32_t>(byte()) * 8 + (kind & 7) : word();
  }
  std::string text() {
    const size_t length = byte();
    std::string text;
    for (size_t i = 0; i < length && !empty(); ++i) text += static_cast<char>(byte());
    return text;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

bool Initialise() {
  const std::filesystem::path root =
      std::filesystem::temp_directory_path() / ("oxim-fuzz-" + std::to_string(getpid()));
  std::filesystem::create_directories(root);
  setenv("OXIM_ROOT", root.c_str(), 1);
  setenv("OXIM_ADAPTER", "emulator", 1);
  return OXIM_init() == OXIM_STATUS_SUCCESS;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = Initialise();
  if (!ready) return 0;
  Input input(data, size);
  static std::vector<uint32_t> tags(1 << 16);
  char name[OXIM_NAME_SIZE];
  char value[OXIM_VALUE_SIZE];
  char message[OXIM_MESSAGE_SIZE];
  char params[OXIM_PARAM_SIZE * OXIM_MAX_PARAMS];
  uint32_t count = 0;
  uint32_t out = 0;
  for (int step = 0; step < 64 && !input.empty(); ++step) {
    const uint32_t filter = input.byte() % 10;  // includes invalid filters
    switch (input.byte() % 12) {
      case 0: {
        const std::string text = input.text();
        OXIM_get_node_tag(input.tag(), text.c_str(), &out, filter);
        break;
      }
      case 1: OXIM_get_node_name(input.tag(), name, filter); break;
      case 2: OXIM_get_parent_tag(input.tag(), &out); break;
      case 3: OXIM_get_child_tags(input.tag(), tags.data(), &count, filter); break;
      case 4: OXIM_get_property_val(input.tag(), input.tag(), value, input.byte() * 2u); break;
      case 5: {
        const std::string text = input.text();
        OXIM_set_property_val(input.tag(), input.tag(), text.c_str(),
                              static_cast<uint32_t>(text.size()));
        break;
      }
      case 6: {
        for (int i = 0; i < OXIM_MAX_PARAMS; ++i) {
          char* slot = params + i * OXIM_PARAM_SIZE;
          std::memset(slot, 0, OXIM_PARAM_SIZE);
          const uint8_t mode = input.byte();
          if (mode % 3 == 0) slot[0] = static_cast<char>(OXIM_PARAM_NOT_GIVEN);
          if (mode % 3 == 1) std::memset(slot, 'a' + mode % 26, OXIM_PARAM_SIZE);  // unterminated
          if (mode % 3 == 2) {
            const std::string text = input.text();
            std::memcpy(slot, text.data(), std::min<size_t>(text.size(), OXIM_PARAM_SIZE - 1));
          }
        }
        static uint32_t new_tags[OXIM_MAX_NEW_TAGS];
        OXIM_do_action(input.tag(), input.tag(), params, input.byte() % 2 ? new_tags : nullptr);
        break;
      }
      case 7: OXIM_refresh_group(input.tag()); break;
      case 8: {
        OXIM_NODE_DESCRIPTION description;
        OXIM_get_node_description(input.tag(), &description);
        break;
      }
      case 9: {
        OXIM_PARAM_INFO info;
        OXIM_get_param_info(input.tag(), &info);
        break;
      }
      case 10: {
        const std::string base = input.text();
        OXIM_get_valid_instances(input.tag(), base.c_str(), tags.data(), &count);
        break;
      }
      default: {
        OXIM_PERSISTENCE_INFO info;
        OXIM_get_persistence_info(input.tag(), &info);
        int32_t room = static_cast<int32_t>(input.word() % 70000) - 10;
        OXIM_get_persistent_nodes(tags.data(), &room);
        OXIM_get_last_status(&out, message);
        break;
      }
    }
  }
  return 0;
}
