/* Initialises the library and prints the properties of the root group. */
#include <stdio.h>

#include "oxim/oxim.h"

int main(void) {
  uint32_t status = OXIM_init();
  if (status != OXIM_STATUS_SUCCESS) {
    fprintf(stderr, "OXIM_init failed with status %u\n", status);
    return 1;
  }
  uint32_t tags[64];
  uint32_t count = 0;
  if (OXIM_get_child_tags(OXIM_ROOT_TAG, tags, &count, OXIM_KIND_PROPERTY) == 0) {
    for (uint32_t i = 0; i < count; ++i) {
      char name[OXIM_NAME_SIZE];
      char value[OXIM_VALUE_SIZE];
      if (OXIM_get_node_name(tags[i], name, OXIM_KIND_PROPERTY) != 0) continue;
      if (OXIM_get_property_val(OXIM_ROOT_TAG, tags[i], value, sizeof value) != 0) continue;
      printf("%-22s %s\n", name, value);
    }
  }
  OXIM_exit();
  return 0;
}
