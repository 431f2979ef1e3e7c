/* The public header compiles as C and a C program can use the library. */
#include <stdio.h>

#include "oxim/oxim.h"

int main(void) {
  OXIM_PARAM_INFO info;
  OXIM_NODE_DESCRIPTION description;
  OXIM_PERSISTENCE_INFO persistence;
  uint32_t code = 0;
  char message[OXIM_MESSAGE_SIZE];
  (void)info;
  (void)description;
  (void)persistence;
  if (OXIM_get_last_status(&code, message) != OXIM_STATUS_SUCCESS) {
    fprintf(stderr, "OXIM_get_last_status failed\n");
    return 1;
  }
  return 0;
}
