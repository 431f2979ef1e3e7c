// Command and property templates that every login-options level shares
// (initiator, target, SendTarget portal): one definition of ConfigureCHAP
// and of the six option properties.
#ifndef OXIM_AREAS_ISCSI_LOGIN_OPTION_TEMPLATES_H_
#define OXIM_AREAS_ISCSI_LOGIN_OPTION_TEMPLATES_H_

#include <array>

#include "schema/template.h"

namespace oxim::templates {

// ConfigureCHAP, the same command with the same parameters under each
// Authentication group (initiator, target, SendTarget portal); only the
// description names the level.
constexpr CommandTemplate ConfigureChapCommand(const char* description) {
  return {.name = "ConfigureCHAP",
          .description = description,
          .handler = "do_ConfigureCHAP",
          .params = {{.name = "AuthenticationMethod",
                      .description = "One-Way CHAP or Mutual CHAP.",
                      .required = true,
                      .data_type = OXIM_TYPE_LIST,
                      .valid_values = "Mutual CHAP,One-Way CHAP"},
                     {.name = "InitiatorCHAPName",
                      .description = "The initiator CHAP name; required for Mutual CHAP, ignored "
                                     "for One-Way CHAP.",
                      .data_type = OXIM_TYPE_TEXT,
                      .minimum = 0,
                      .maximum = 256},
                     {.name = "InitiatorSecret",
                      .description = "The initiator CHAP secret: 12 to 16 characters, or 0x and "
                                     "24 to 32 hexadecimal digits; required for Mutual CHAP, "
                                     "ignored for One-Way CHAP. It must differ from TargetSecret.",
                      .data_type = OXIM_TYPE_TEXT,
                      .minimum = 0,
                      .maximum = 256},
                     {.name = "TargetCHAPName",
                      .description = "The target CHAP name.",
                      .required = true,
                      .data_type = OXIM_TYPE_TEXT,
                      .minimum = 1,
                      .maximum = 256},
                     {.name = "TargetSecret",
                      .description = "The target CHAP secret: 12 to 16 characters, or 0x and 24 "
                                     "to 32 hexadecimal digits.",
                      .required = true,
                      .data_type = OXIM_TYPE_TEXT,
                      .minimum = 12,
                      .maximum = 34},
                     {.name = "CHAPParam",
                      .description = "How firmly CHAP is asked for; Prohibited when not given.",
                      .data_type = OXIM_TYPE_LIST,
                      .valid_values = "Discouraged,Preferred,Required"}}};
}

// The six option properties of a login-options group that can be configured
// (initiator, target, SendTarget portal): the same at every level but for the
// handler, which stores them in the level's saved file.
constexpr std::array<PropertyTemplate, 6> LoginOptionProperties(const char* handler) {
  return {{
      {.name = "InitialR2T",
       .description = "Whether the initiator waits for a ready-to-transfer from the target "
                      "before it sends unsolicited data.",
       .handler = handler,
       .data_type = OXIM_TYPE_LIST,
       .default_value = "Yes",
       .valid_values = "Yes,No"},
      {.name = "ImmediateData",
       .description = "Whether the initiator sends data together with its commands.",
       .flags = OXIM_FLAG_READ_WRITE,
       .handler = handler,
       .data_type = OXIM_TYPE_LIST,
       .default_value = "Yes",
       .valid_values = "Yes,No"},
      {.name = "HeaderDigest",
       .description = "The digest that protects PDU headers. It can only be set to None while "
                      "HeaderParam is not Preferred.",
       .flags = OXIM_FLAG_READ_WRITE,
       .handler = handler,
       .data_type = OXIM_TYPE_LIST,
       .default_value = "None",
       .valid_values = "None,CRC32C"},
      {.name = "DataDigest",
       .description = "The digest that protects PDU data. It can only be set to None while "
                      "DataParam is not Preferred.",
       .flags = OXIM_FLAG_READ_WRITE,
       .handler = handler,
       .data_type = OXIM_TYPE_LIST,
       .default_value = "None",
       .valid_values = "None,CRC32C"},
      {.name = "HeaderParam",
       .description = "How firmly the header digest is asked for: Preferred tries a login with "
                      "the digest first and then without it; Prohibited logs in without it. "
                      "Preferred needs a HeaderDigest other than None.",
       .flags = OXIM_FLAG_READ_WRITE,
       .handler = handler,
       .data_type = OXIM_TYPE_LIST,
       .default_value = "Prohibited",
       .valid_values = "Prohibited,Preferred"},
      {.name = "DataParam",
       .description = "How firmly the data digest is asked for: Preferred tries a login with the "
                      "digest first and then without it; Prohibited logs in without it. Preferred "
                      "needs a DataDigest other than None.",
       .flags = OXIM_FLAG_READ_WRITE,
       .handler = handler,
       .data_type = OXIM_TYPE_LIST,
       .default_value = "Prohibited",
       .valid_values = "Prohibited,Preferred"},
  }};
}

}  // namespace oxim::templates

#endif  // OXIM_AREAS_ISCSI_LOGIN_OPTION_TEMPLATES_H_
