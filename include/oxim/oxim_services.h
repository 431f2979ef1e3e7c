/*
 * oxim_services.h: services of liboxim that clients call directly, beside
 * the tree interface of oxim.h: the library's directories, file deletion,
 * text checks and conversions, and the entry points of a software iSCSI
 * initiator stack that other platforms have (kept so that callers written
 * for every platform link; here they do nothing and return 0).
 *
 * The rules of oxim.h apply: every call returns a status (0 on success) and
 * never lets a failure escape in any other way.
 */
#ifndef OXIM_OXIM_SERVICES_H_
#define OXIM_OXIM_SERVICES_H_

#include <stdint.h>

#include "oxim/oxim.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Prepares the library's directories and saved files; returns the host kind
 * (2 ESXi, 3 other). */
OXIM_EXPORT uint32_t OXIM_config_dir_permssions(void);
/* Deletes a file when it is readable; 0, or 1 when it is not there or cannot
 * be deleted. */
OXIM_EXPORT uint32_t OXIM_delete_file(const char* path);

/* The IPv6 address check: groups of 1 to 4 hexadecimal digits separated by
 * ":", with at most one "::" (not at the start) for one or more zero groups,
 * coming to exactly 8 groups. On success the text is rewritten into the
 * 39-character full form (upper case) and 0 is returned; otherwise 6.
 * The buffer must hold 40 bytes. validateIPv6Address applies the same rule. */
OXIM_EXPORT int oxim_validate_ipv6(char* text);
OXIM_EXPORT int validateIPv6Address(char* text);
/* Copies source to destination, replacing every character from by to (turns
 * "-" into ":" in a MAC address and back). Copies at most 17 characters and
 * always terminates destination (18 bytes). 1 if an argument is missing,
 * else 0. */
OXIM_EXPORT int OXIM_convert_mac_addr(const char* source, char from, char* destination, char to);

/* Software iSCSI initiator entry points: no work, status 0. */
OXIM_EXPORT uint32_t OXIM_add_open_iscsi_target(void);
OXIM_EXPORT uint32_t OXIM_delete_open_iscsi_target(void);
OXIM_EXPORT uint32_t OXIM_convert_mac(void);
OXIM_EXPORT uint32_t OXIM_get_iscsi_iface(void);
OXIM_EXPORT uint32_t OXIM_delete_open_iscsi_tpg(void);
OXIM_EXPORT uint32_t OXIM_op_iscsi_login(void);
OXIM_EXPORT uint32_t OXIM_discover_op_targets(void);
OXIM_EXPORT uint32_t OXIM_list_op_iscsi_targets(void);
OXIM_EXPORT uint32_t OXIM_list_op_sessions_luns(void);
OXIM_EXPORT uint32_t OXIM_op_setup_connection(void);
OXIM_EXPORT uint32_t OXIM_op_setup_session(void);
OXIM_EXPORT uint32_t OXIM_op_iscsi_logout(void);
OXIM_EXPORT uint32_t OXIM_op_get_all_luns(void);
OXIM_EXPORT uint32_t OXIM_op_configure_chap(void);
OXIM_EXPORT uint32_t OXIM_op_delete_chap(void);
OXIM_EXPORT uint32_t OXIM_get_BlockSize(void);
OXIM_EXPORT uint32_t OXIM_get_LUNSize(void);
OXIM_EXPORT uint32_t delete_op_iscsi_STP(void);
OXIM_EXPORT uint32_t OXIM_op_add_sendtaregtportal(void);
OXIM_EXPORT uint32_t OXIM_op_get_lun_props(void);
OXIM_EXPORT uint32_t OXIM_discover_isns_targets(void);
OXIM_EXPORT uint32_t delete_op_iscsi_isns(void);
OXIM_EXPORT uint32_t OXIM_op_add_isns(void);
OXIM_EXPORT uint32_t OXIM_get_all_op_isns(void);
OXIM_EXPORT uint32_t OXIM_op_iscsi_check_session(void);
OXIM_EXPORT uint32_t OXIM_op_get_session_attribs(void);
OXIM_EXPORT uint32_t OXIM_op_get_session_details(void);
OXIM_EXPORT uint32_t OXIM_op_set_session_connection_login_options(void);
OXIM_EXPORT uint32_t OXIM_op_set_intr_name(void);
OXIM_EXPORT uint32_t OXIM_op_refresh_session_attribs(void);
OXIM_EXPORT uint32_t OXIM_enumerate_nic_domain(void);
OXIM_EXPORT uint32_t os_prepare_device_for_removal(void);

#ifdef __cplusplus
}
#endif

#endif /* OXIM_OXIM_SERVICES_H_ */
