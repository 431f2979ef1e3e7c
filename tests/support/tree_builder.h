// Builds small trees for the store and interface tests: plain and instanced
// groups, properties and commands entered directly into the library's
// hierarchy (the group templates do this in the library).
#ifndef OXIM_TESTS_SUPPORT_TREE_BUILDER_H_
#define OXIM_TESTS_SUPPORT_TREE_BUILDER_H_

#include <cstdint>

#include "core/node.h"

namespace oxim::testing {

Node* Root();
// A group without instance number.
Node* AddGroup(Node* parent, const char* name);
// An instanced group numbered `number`, its bit set in map (of `maximum`
// bits). Returns nullptr if add_node refused it.
Node* AddInstance(Node* parent, const char* name, int number, uint8_t* map = nullptr,
                  int maximum = 64);
Node* AddProperty(Node* parent, const char* name, const char* value,
                  uint32_t flags = OXIM_FLAG_READ_WRITE, PropertyHandler handler = nullptr,
                  uint8_t data_type = OXIM_TYPE_TEXT, int32_t minimum = 0, int32_t maximum = 255,
                  const char* valid_values = "");
Node* AddCommand(Node* parent, const char* name, const CommandData* data);

// A parameter definition for test command tables.
ParamDef Param(const char* name, bool required, uint8_t data_type = OXIM_TYPE_TEXT,
               int32_t minimum = 0, int32_t maximum = 255, const char* valid_values = "");

}  // namespace oxim::testing

#endif  // OXIM_TESTS_SUPPORT_TREE_BUILDER_H_
