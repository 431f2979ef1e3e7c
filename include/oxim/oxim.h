/*
 * oxim.h: the public tree interface of liboxim.
 *
 * The library shows every adapter of the host as one tree of named nodes.
 * Groups hold properties (text values with a data type and a range or list of
 * valid values) and commands (actions with up to six text parameters).
 *
 * Rules of the interface:
 *  - Every call returns a status: 0 on success, otherwise one of OXIM_STATUS_*.
 *    Details of a failure (validation, handler errors) are in the last status,
 *    read with OXIM_get_last_status right after the failing call.
 *  - Nodes are named by tags. ROOT is tag 0. A tag freed by a deletion is
 *    reused by the next node, so re-read tags after commands that add or
 *    remove groups.
 *  - Name lookups ignore case. An instanced group's display name is its name
 *    followed directly by its instance number ("LogicalHBA0").
 *  - Buffers have fixed sizes given in the comments: names 35 bytes, property
 *    values 256 bytes, command parameters 6 slots of 256 bytes, the last
 *    status message 600 bytes.
 *  - A parameter slot whose first byte is 0xFF means "not given".
 *  - Calls are serialised by one process-wide lock; a call that cannot take
 *    it within one second returns OXIM_STATUS_LOCK_TIMEOUT.
 *
 * Typical use:
 *    uint32_t tag;
 *    char value[OXIM_VALUE_SIZE];
 *    OXIM_init();
 *    OXIM_get_node_tag(OXIM_ROOT_TAG, "OXIMDebugLevel", &tag, OXIM_KIND_PROPERTY);
 *    OXIM_get_property_val(OXIM_ROOT_TAG, tag, value, sizeof value);
 *    OXIM_exit();
 */
#ifndef OXIM_OXIM_H_
#define OXIM_OXIM_H_

#include <stdint.h>

#if defined(__GNUC__)
#define OXIM_EXPORT __attribute__((visibility("default")))
#else
#define OXIM_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Tag of the root group. */
#define OXIM_ROOT_TAG 0u

/* Buffer sizes. */
#define OXIM_NAME_SIZE 35          /* display name, 34 characters and NUL */
#define OXIM_DESCRIPTION_SIZE 1696 /* node description */
#define OXIM_VALUE_SIZE 256        /* property value, 255 characters and NUL */
#define OXIM_PARAM_SIZE 256        /* one command parameter slot */
#define OXIM_MAX_PARAMS 6          /* parameter slots of a command */
#define OXIM_MESSAGE_SIZE 600      /* last status message, 599 characters and NUL */
#define OXIM_PARAM_NOT_GIVEN 0xFF  /* first byte of a slot the client leaves out */
#define OXIM_MAX_NEW_TAGS 4097     /* tags a command reports at most */

/* Node kinds, and kind filters of the lookups. */
#define OXIM_KIND_ANY 0u /* filter: any kind (name lookups) */
#define OXIM_KIND_GROUP 1u
#define OXIM_KIND_PROPERTY 2u
#define OXIM_KIND_COMMAND 3u
#define OXIM_KIND_LINK 4u
#define OXIM_KIND_READ_ONLY 5u /* filter: properties with flag 1 */
#define OXIM_KIND_WRITABLE 6u  /* filter: properties without flag 1 */
#define OXIM_KIND_SETTABLE 7u  /* filter: properties without flag 1 or 8 */

/* Property flags. */
#define OXIM_FLAG_READ_ONLY 1u
#define OXIM_FLAG_READ_WRITE 2u

/* Data types of property values and command parameters. */
#define OXIM_TYPE_TEXT 0u
#define OXIM_TYPE_INTEGER 1u
#define OXIM_TYPE_IP_ADDRESS 2u
#define OXIM_TYPE_SUBNET_MASK 3u
#define OXIM_TYPE_LIST 4u

/* Statuses of the tree interface. Codes 6 to 10 travel in the last status;
 * the call that sets them returns OXIM_STATUS_FAILURE. */
#define OXIM_STATUS_SUCCESS 0u
#define OXIM_STATUS_FAILURE 1u
#define OXIM_STATUS_NO_HANDLER 3u       /* set on a property without handler */
#define OXIM_STATUS_HAS_LINKS 4u        /* node has links pointing at it */
#define OXIM_STATUS_INVALID_VALUE 6u    /* "Invalid value." */
#define OXIM_STATUS_OUT_OF_RANGE 7u     /* "Value out of range. ..." */
#define OXIM_STATUS_BAD_LENGTH 8u       /* "Number of characters should be ..." */
#define OXIM_STATUS_PARAM_MISSING 9u    /* "%s: Parameter missing." */
#define OXIM_STATUS_READ_ONLY 10u       /* "Read only property" */
#define OXIM_STATUS_ARRAY_TOO_SMALL 11u /* OXIM_get_persistent_nodes */
#define OXIM_STATUS_LOCK_TIMEOUT 14u    /* library lock not obtained in 1 s */

/* Output of OXIM_get_node_description. */
typedef struct OXIM_NODE_DESCRIPTION {
  char description[OXIM_DESCRIPTION_SIZE];
  uint8_t kind;      /* kind of the node, or of a link's final target */
  uint8_t data_type; /* properties only */
  int32_t minimum;   /* properties only */
  int32_t maximum;   /* properties only */
} OXIM_NODE_DESCRIPTION;

/* Definition of one command parameter. */
typedef struct OXIM_PARAM_DEF {
  uint8_t required; /* 1: the parameter must be given */
  char name[OXIM_NAME_SIZE];
  char description[OXIM_DESCRIPTION_SIZE];
  uint8_t data_type;
  char valid_values[OXIM_VALUE_SIZE]; /* comma-separated, for OXIM_TYPE_LIST */
  int32_t minimum;
  int32_t maximum;
} OXIM_PARAM_DEF;

/* Output of OXIM_get_param_info. */
typedef struct OXIM_PARAM_INFO {
  int32_t count;
  OXIM_PARAM_DEF params[OXIM_MAX_PARAMS];
} OXIM_PARAM_INFO;

/* Output of OXIM_get_persistence_info. */
typedef struct OXIM_PERSISTENCE_INFO {
  uint32_t creator_command_tag;
  uint32_t target_group_tag;
  char params[OXIM_MAX_PARAMS][OXIM_PARAM_SIZE];
} OXIM_PERSISTENCE_INFO;

#ifdef __cplusplus
static_assert(sizeof(OXIM_NODE_DESCRIPTION) == 1708, "OXIM_NODE_DESCRIPTION layout");
static_assert(sizeof(OXIM_PARAM_DEF) == 2000, "OXIM_PARAM_DEF layout");
static_assert(sizeof(OXIM_PARAM_INFO) == 12004, "OXIM_PARAM_INFO layout");
static_assert(sizeof(OXIM_PERSISTENCE_INFO) == 1544, "OXIM_PERSISTENCE_INFO layout");
#else
_Static_assert(sizeof(OXIM_NODE_DESCRIPTION) == 1708, "OXIM_NODE_DESCRIPTION layout");
_Static_assert(sizeof(OXIM_PARAM_DEF) == 2000, "OXIM_PARAM_DEF layout");
_Static_assert(sizeof(OXIM_PARAM_INFO) == 12004, "OXIM_PARAM_INFO layout");
_Static_assert(sizeof(OXIM_PERSISTENCE_INFO) == 1544, "OXIM_PERSISTENCE_INFO layout");
#endif

/* Number of live blocks allocated by the library. Back to its starting value
 * after the last OXIM_exit. */
extern OXIM_EXPORT uint32_t oxim_counter;

/* Counts a client; the first one opens the log, creates the lock and builds
 * the tree. */
OXIM_EXPORT uint32_t OXIM_init(void);
/* Uncounts a client; the last one tears the tree down. */
OXIM_EXPORT uint32_t OXIM_exit(void);

/* Finds a child of a group by display name (case ignored) and kind filter. */
OXIM_EXPORT uint32_t OXIM_get_node_tag(uint32_t parent_tag, const char* name, uint32_t* tag,
                                       uint32_t kind_filter);
/* Writes a node's display name into name (35 bytes); the filter must match
 * the node's kind (0 matches any). */
OXIM_EXPORT uint32_t OXIM_get_node_name(uint32_t tag, char* name, uint32_t kind_filter);
/* The parent's tag; ROOT's parent is ROOT. */
OXIM_EXPORT uint32_t OXIM_get_parent_tag(uint32_t tag, uint32_t* parent_tag);
/* Tags of the children that pass the filter, in sibling order. The caller
 * gives room for all children of the group. */
OXIM_EXPORT uint32_t OXIM_get_child_tags(uint32_t tag, uint32_t* tags, uint32_t* count,
                                         uint32_t kind_filter);
/* Reads a property of a group into value, which has room for length bytes
 * (at most OXIM_VALUE_SIZE): the text and its NUL. Nothing beyond length is
 * written. A value that does not fit is refused with OXIM_STATUS_FAILURE
 * and a last status that names the size it needs; a length above
 * OXIM_VALUE_SIZE is refused. */
OXIM_EXPORT uint32_t OXIM_get_property_val(uint32_t group_tag, uint32_t property_tag, char* value,
                                           uint32_t length);
/* Checks value by the property's data type and applies it. value is the text
 * in its first length bytes (up to a NUL if one comes first); no byte beyond
 * them is read. length above OXIM_VALUE_SIZE, or 256 characters without a
 * NUL, is refused with OXIM_STATUS_FAILURE and a last status naming the
 * limit. */
OXIM_EXPORT uint32_t OXIM_set_property_val(uint32_t group_tag, uint32_t property_tag,
                                           const char* value, uint32_t length);
/* Runs a command on a group. params: one 256-byte slot per parameter (at
 * most 6). new_tags is NULL or an array of OXIM_MAX_NEW_TAGS (4097)
 * entries, whatever the command: it receives the tags of the groups the
 * command created, in order, followed by a 0 when fewer than 4097 were
 * created (tag 0, ROOT, is never new); with none it holds 0. */
OXIM_EXPORT uint32_t OXIM_do_action(uint32_t group_tag, uint32_t command_tag, char* params,
                                    uint32_t* new_tags);
/* Runs a group's refresh handler, which rebuilds its dynamic children. */
OXIM_EXPORT uint32_t OXIM_refresh_group(uint32_t tag);
OXIM_EXPORT uint32_t OXIM_get_node_description(uint32_t tag, OXIM_NODE_DESCRIPTION* description);
OXIM_EXPORT uint32_t OXIM_get_param_info(uint32_t command_tag, OXIM_PARAM_INFO* info);
/* The comma-separated valid values of a property of data type OXIM_TYPE_LIST
 * (an empty text for other types) into valid_values (256 bytes). */
OXIM_EXPORT uint32_t OXIM_get_property_valid_values(uint32_t property_tag, char* valid_values);
/* Instance numbers of the instanced group base_name under a group, ascending.
 * The caller gives room for all instances. */
OXIM_EXPORT uint32_t OXIM_get_valid_instances(uint32_t group_tag, const char* base_name,
                                              uint32_t* numbers, uint32_t* count);
/* Tags of the groups and links made by commands, oldest first. *count is the
 * room of tags on entry and the number of nodes on return. */
OXIM_EXPORT uint32_t OXIM_get_persistent_nodes(uint32_t* tags, int32_t* count);
OXIM_EXPORT uint32_t OXIM_get_persistence_info(uint32_t tag, OXIM_PERSISTENCE_INFO* info);
/* The last status and its message (600 bytes); does not reset it. */
OXIM_EXPORT uint32_t OXIM_get_last_status(uint32_t* code, char* message);

/* Log level kept in the configuration file (0 off ... 6 debug). */
OXIM_EXPORT uint32_t OXIM_set_debug_level(void);
OXIM_EXPORT uint32_t OXIM_get_debug_level(void);
OXIM_EXPORT uint32_t OXIM_update_loglevel(void);
/* Prepares the log directory and the log file's mode (for installers). */
OXIM_EXPORT uint32_t OXIM_config_log_dir_permissions(void);

/* The names of the handlers the tree's templates refer to that the library
 * does not implement yet, one per line, into names (size bytes); *count gets
 * their number. OXIM_STATUS_ARRAY_TOO_SMALL (names then holds as many whole
 * lines as fit) when size is too small. */
OXIM_EXPORT uint32_t OXIM_get_unimplemented_handlers(char* names, uint32_t size, uint32_t* count);

/* 0 when the named host network interface is a physical function of the
 * adapter, else 1. The name is checked and passed to host tools as one
 * argument, never through a shell. */
OXIM_EXPORT uint32_t OXIM_check_valid_interface(const char* name);
/* The hypervisor's kind: 2 ESXi, 3 other. */
OXIM_EXPORT uint32_t OXIM_get_esx_version(void);
/* The hypervisor's name (64 bytes) and version; 1 when it cannot be read. */
OXIM_EXPORT uint32_t OXIM_get_os_info(uint32_t* major, uint32_t* minor, char* name);

/* Kept for the interface: performs no work and returns 0. */
OXIM_EXPORT uint32_t OXIM_save_file_configuration(void);

#ifdef __cplusplus
}
#endif

#endif /* OXIM_OXIM_H_ */
