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

#include "fuzz_support.h"
#include "oxim/oxim.h"

namespace {

// A tag: mostly small (real nodes), sometimes anything.
uint32_t Tag(oxim::fuzz::Input& input) {
  const uint8_t kind = input.byte();
  return kind < 200 ? static_cast<uint32_t>(input.byte()) * 8 + (kind & 7) : input.word();
}

bool Initialise() {
  (void)oxim::fuzz::PrivateRoot();
  setenv("OXIM_ADAPTER", "emulator", 1);
  return OXIM_init() == OXIM_STATUS_SUCCESS;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = Initialise();
  if (!ready) return 0;
  oxim::fuzz::Input input(data, size);
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
        OXIM_get_node_tag(Tag(input), text.c_str(), &out, filter);
        break;
      }
      case 1: OXIM_get_node_name(Tag(input), name, filter); break;
      case 2: OXIM_get_parent_tag(Tag(input), &out); break;
      case 3: OXIM_get_child_tags(Tag(input), tags.data(), &count, filter); break;
      case 4: OXIM_get_property_val(Tag(input), Tag(input), value, input.byte() * 2u); break;
      case 5: {
        const std::string text = input.text();
        OXIM_set_property_val(Tag(input), Tag(input), text.c_str(),
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
        OXIM_do_action(Tag(input), Tag(input), params, input.byte() % 2 ? new_tags : nullptr);
        break;
      }
      case 7: OXIM_refresh_group(Tag(input)); break;
      case 8: {
        OXIM_NODE_DESCRIPTION description;
        OXIM_get_node_description(Tag(input), &description);
        break;
      }
      case 9: {
        OXIM_PARAM_INFO info;
        OXIM_get_param_info(Tag(input), &info);
        break;
      }
      case 10: {
        const std::string base = input.text();
        OXIM_get_valid_instances(Tag(input), base.c_str(), tags.data(), &count);
        break;
      }
      default: {
        OXIM_PERSISTENCE_INFO info;
        OXIM_get_persistence_info(Tag(input), &info);
        int32_t room = static_cast<int32_t>(input.word() % 70000) - 10;
        OXIM_get_persistent_nodes(tags.data(), &room);
        OXIM_get_last_status(&out, message);
        break;
      }
    }
  }
  return 0;
}
