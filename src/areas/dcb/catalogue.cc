// Group templates: data center bridging of a physical port (DCBX, PFC, priority
// groups, application priority entries, QCN).
#include "areas/dcb/catalogue.h"

namespace oxim::templates {

// clang-format off

// PortDiscoveryAndConfiguration/DCBX

// PortDiscoveryAndConfiguration/DCBX/DCBXPortVars
const PropertyTemplate kDCBXPortVarsProperties[] = {
    {.name = "OperatingVersion", .description = "The DCBX version the port operates with.",
     .handler = "handle_dcbx_port_vars", .default_value = "0"},
    {.name = "MaxVersion", .description = "The highest DCBX version the port supports.",
     .handler = "handle_dcbx_port_vars", .default_value = "0"},
    {.name = "DCBXState", .description = "Whether DCBX is enabled on the port.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_DCBXState", .data_type = OXIM_TYPE_LIST,
     .default_value = "Enabled", .valid_values = "Enabled,Disabled"},
    {.name = "DCBXMode", .description = "The DCBX mode of the port.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_DCBXMode", .data_type = OXIM_TYPE_LIST,
     .default_value = "Auto-IEEE", .valid_values = "CEE,CIN,Auto-CEE,Auto-IEEE"},
    {.name = "SequenceNumber",
     .description = "The sequence number of the DCBX control exchange of the port.",
     .handler = "handle_dcbx_port_vars", .default_value = "0"},
    {.name = "AckNumber",
     .description = "The acknowledgement number of the DCBX control exchange of the port.",
     .handler = "handle_dcbx_port_vars", .default_value = "0"},
    {.name = "PeerSequenceNumber", .description = "The sequence number the link peer last sent.",
     .handler = "handle_dcbx_port_vars", .default_value = "0"},
    {.name = "PeerAckNumber", .description = "The acknowledgement number the link peer last sent.",
     .handler = "handle_dcbx_port_vars", .default_value = "0"},
    {.name = "PFCFeatureSequenceNumber",
     .description = "The sequence number of the priority flow control feature.",
     .handler = "handle_dcbx_port_vars", .default_value = "0"},
    {.name = "PGFeatureSequenceNumber",
     .description = "The sequence number of the priority group feature.",
     .handler = "handle_dcbx_port_vars", .default_value = "0"},
    {.name = "AppFeatureSequenceNumber",
     .description = "The sequence number of the application priority feature.",
     .handler = "handle_dcbx_port_vars", .default_value = "0"},
};
const GroupTemplate kDCBXPortVars = {
    .name = "DCBXPortVars", .description = "The DCBX state of the port.",
    .properties = kDCBXPortVarsProperties};

// PortDiscoveryAndConfiguration/DCBX/DCBXStatistics
const PropertyTemplate kDCBXStatisticsProperties[] = {
    {.name = "TxPacketCount", .description = "The number of DCBX frames sent.",
     .handler = "handle_dcbx_stats_props", .default_value = "0"},
    {.name = "RxPacketCount", .description = "The number of DCBX frames received.",
     .handler = "handle_dcbx_stats_props", .default_value = "0"},
    {.name = "UnrecognizedTLVs",
     .description = "The number of unrecognized TLVs received in DCBX frames.",
     .default_value = "0"},
    {.name = "NumPacketsDropped", .description = "The number of received DCBX frames dropped.",
     .handler = "handle_dcbx_stats_props", .default_value = "0"},
    {.name = "OrganizationalTLVCount",
     .description = "The number of organizational TLVs received in DCBX frames.",
     .default_value = "0"},
};
const GroupTemplate kDCBXStatistics = {
    .name = "DCBXStatistics", .description = "The DCBX counters of the port.",
    .properties = kDCBXStatisticsProperties};

// PortDiscoveryAndConfiguration/DCBX/PFC

// PortDiscoveryAndConfiguration/DCBX/PFC/AdministratorPFCSetting
const PropertyTemplate kAdministratorPFCSettingProperties[] = {
    {.name = "Advertise",
     .description =
         "Whether the port advertises its priority flow control settings to the link peer.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_pfc_feature_vars",
     .data_type = OXIM_TYPE_LIST, .default_value = "Yes", .valid_values = "Yes,No"},
    {.name = "Enabled", .description = "Whether priority flow control is enabled on the port.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_pfc_feature_vars",
     .data_type = OXIM_TYPE_LIST, .default_value = "No", .valid_values = "Yes,No"},
    {.name = "PriorityBitMap",
     .description =
         "The priorities with flow control configured for the port, as a bitmap with one bit per "
         "priority (1 to 4 characters).",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_pfc_feature_vars",
     .data_type = OXIM_TYPE_TEXT, .minimum = 1, .maximum = 4, .default_value = "0"},
    {.name = "Willing",
     .description = "Whether the port accepts the priority flow control settings of the link peer.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_pfc_feature_vars",
     .data_type = OXIM_TYPE_LIST, .default_value = "Yes", .valid_values = "Yes,No"},
};
const GroupTemplate kAdministratorPFCSetting = {
    .name = "AdministratorPFCSetting",
    .description = "The priority flow control settings configured for the port.",
    .properties = kAdministratorPFCSettingProperties};

// PortDiscoveryAndConfiguration/DCBX/PFC/PeerPFCSetting
const PropertyTemplate kPeerPFCSettingProperties[] = {
    {.name = "Advertise",
     .description = "Whether the link peer advertises its priority flow control settings.",
     .handler = "handle_pfc_feature_vars", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
    {.name = "Enabled", .description = "Whether the link peer has priority flow control enabled.",
     .handler = "handle_pfc_feature_vars", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
    {.name = "Error",
     .description =
         "Whether the link peer reported an error in its priority flow control settings.",
     .handler = "handle_pfc_feature_vars", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
    {.name = "PriorityBitMap",
     .description =
         "The priorities with flow control the link peer announces, as a bitmap with one bit per "
         "priority.",
     .handler = "handle_pfc_feature_vars", .default_value = "0"},
    {.name = "Willing",
     .description = "Whether the link peer accepts the priority flow control settings of the port.",
     .handler = "handle_pfc_feature_vars", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
};
const GroupTemplate kPeerPFCSetting = {
    .name = "PeerPFCSetting",
    .description = "The priority flow control settings the link peer announces.",
    .properties = kPeerPFCSettingProperties};

// PortDiscoveryAndConfiguration/DCBX/PFC/OperationalPFCSettings
const PropertyTemplate kOperationalPFCSettingsProperties[] = {
    {.name = "Error", .description = "Whether priority flow control is in error on the port.",
     .handler = "handle_pfc_feature_vars", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
    {.name = "OperationalMode",
     .description = "Whether priority flow control is operational on the port.",
     .handler = "handle_pfc_feature_vars", .data_type = OXIM_TYPE_LIST, .default_value = "True",
     .valid_values = "True,False"},
    {.name = "PriorityBitMap",
     .description =
         "The priorities with flow control in operation on the port, as a bitmap with one bit per "
         "priority.",
     .handler = "handle_pfc_feature_vars", .default_value = "0"},
    {.name = "Synced",
     .description =
         "Whether the priority flow control settings of the port and the link peer agree.",
     .handler = "handle_pfc_feature_vars", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
};
const GroupTemplate kOperationalPFCSettings = {
    .name = "OperationalPFCSettings",
    .description = "The priority flow control settings in operation on the port.",
    .properties = kOperationalPFCSettingsProperties};

// PortDiscoveryAndConfiguration/DCBX/PFC: fixed groups, then the group
const GroupTemplate* const kPFCSubgroups[] = {
    &kAdministratorPFCSetting, &kPeerPFCSetting, &kOperationalPFCSettings};
const GroupTemplate kPFC = {
    .name = "PFC", .description = "The priority flow control (PFC) settings of the port.",
    .subgroups = kPFCSubgroups};

// PortDiscoveryAndConfiguration/DCBX/PriorityGroups

// PortDiscoveryAndConfiguration/DCBX/PriorityGroups/AdministratorPGSetting
const PropertyTemplate kAdministratorPGSettingProperties[] = {
    {.name = "PG15PriorityMemberShip",
     .description =
         "The priorities in priority group 15 (no bandwidth limit) configured for the port, as a "
         "bitmap with one bit per priority.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_pg15_membership",
     .data_type = OXIM_TYPE_TEXT, .minimum = 0, .maximum = 7, .default_value = "0"},
    {.name = "Advertise",
     .description = "Whether the port advertises its priority group settings to the link peer.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_pg_feature_vars",
     .data_type = OXIM_TYPE_LIST, .default_value = "Yes", .valid_values = "Yes,No"},
    {.name = "Enabled", .description = "Whether the priority group feature is enabled on the port.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_pg_feature_vars",
     .data_type = OXIM_TYPE_LIST, .default_value = "Yes", .valid_values = "Yes,No"},
    {.name = "Willing",
     .description = "Whether the port accepts the priority group settings of the link peer.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_pg_feature_vars",
     .data_type = OXIM_TYPE_LIST, .default_value = "Yes", .valid_values = "Yes,No"},
    {.name = "NumPGSupported", .description = "The number of priority groups the port supports.",
     .handler = "handle_pg_feature_vars", .default_value = "0"},
};
const GroupTemplate kAdministratorPGSetting = {
    .name = "AdministratorPGSetting",
    .description = "The priority group settings configured for the port, with its priority groups.",
    .properties = kAdministratorPGSettingProperties};

// PortDiscoveryAndConfiguration/DCBX/PriorityGroups/PeerPGSetting
const PropertyTemplate kPeerPGSettingProperties[] = {
    {.name = "PG15PriorityMemberShip",
     .description =
         "The priorities in priority group 15 (no bandwidth limit) the link peer announces, as a "
         "bitmap with one bit per priority.",
     .handler = "handle_pg15_membership", .default_value = "0"},
    {.name = "Advertise",
     .description = "Whether the link peer advertises its priority group settings.",
     .handler = "handle_pg_feature_vars", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
    {.name = "Enabled",
     .description = "Whether the link peer has the priority group feature enabled.",
     .handler = "handle_pg_feature_vars", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
    {.name = "Error",
     .description = "Whether the link peer reported an error in its priority group settings.",
     .handler = "handle_pg_feature_vars", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
    {.name = "Willing",
     .description = "Whether the link peer accepts the priority group settings of the port.",
     .handler = "handle_pg_feature_vars", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
    {.name = "NumPGSupported",
     .description = "The number of priority groups the link peer supports.",
     .handler = "handle_pg_feature_vars", .default_value = "0"},
};
const GroupTemplate kPeerPGSetting = {
    .name = "PeerPGSetting",
    .description = "The priority group settings the link peer announces, with its priority groups.",
    .properties = kPeerPGSettingProperties};

// PortDiscoveryAndConfiguration/DCBX/PriorityGroups/OperationalPGSettings
const PropertyTemplate kOperationalPGSettingsProperties[] = {
    {.name = "PG15PriorityMemberShip",
     .description =
         "The priorities in priority group 15 (no bandwidth limit) in operation on the port, as a "
         "bitmap with one bit per priority.",
     .handler = "handle_pg15_membership", .default_value = "0"},
    {.name = "Error", .description = "Whether the priority group feature is in error on the port.",
     .handler = "handle_pg_feature_vars", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
    {.name = "OperationalMode",
     .description = "Whether the priority group feature is operational on the port.",
     .handler = "handle_pg_feature_vars", .data_type = OXIM_TYPE_LIST, .default_value = "True",
     .valid_values = "True,False"},
    {.name = "Synced",
     .description = "Whether the priority group settings of the port and the link peer agree.",
     .handler = "handle_pg_feature_vars", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
    {.name = "NumPGSupported",
     .description = "The number of priority groups in operation on the port.",
     .handler = "handle_pg_feature_vars", .default_value = "0"},
};
const GroupTemplate kOperationalPGSettings = {
    .name = "OperationalPGSettings",
    .description =
        "The priority group settings in operation on the port, with its priority groups.",
    .properties = kOperationalPGSettingsProperties};

// PortDiscoveryAndConfiguration/DCBX/PriorityGroups: fixed groups, then the group
const GroupTemplate* const kPriorityGroupsSubgroups[] = {
    &kAdministratorPGSetting, &kPeerPGSetting, &kOperationalPGSettings};
const GroupTemplate kPriorityGroups = {
    .name = "PriorityGroups",
    .description = "The priority group (enhanced transmission selection) settings of the port.",
    .subgroups = kPriorityGroupsSubgroups};

// PortDiscoveryAndConfiguration/DCBX/ApplicationTLVGroups

// PortDiscoveryAndConfiguration/DCBX/ApplicationTLVGroups/AdministratorTLVSetting
const PropertyTemplate kAdministratorTLVSettingProperties[] = {
    {.name = "Advertise",
     .description =
         "Whether the port advertises its application priority settings to the link peer.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_app_feature_vars",
     .data_type = OXIM_TYPE_LIST, .default_value = "Yes", .valid_values = "Yes,No"},
    {.name = "Enabled", .description = "Whether application priority is enabled on the port.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_app_feature_vars",
     .data_type = OXIM_TYPE_LIST, .default_value = "Yes", .valid_values = "Yes,No"},
    {.name = "Willing",
     .description = "Whether the port accepts the application priority settings of the link peer.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_app_feature_vars",
     .data_type = OXIM_TYPE_LIST, .default_value = "Yes", .valid_values = "Yes,No"},
};
const CommandTemplate kAdministratorTLVSettingCommands[] = {
    {.name = "AddApplicationTLV", .description = "Adds an application priority entry to the port.",
     .handler = "do_AddApplicationTLV",
     .params = {{.name = "ProtocolSelector",
                 .description =
                     "How the protocol is identified: 0 by Ethertype, 1 by TCP or UDP port number.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 1},
                {.name = "ProtocolID",
                 .description = "The Ethertype or port number of the protocol.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 99999},
                {.name = "PriorityBitMap",
                 .description =
                     "The priorities of the protocol, as a bitmap with one bit per priority.",
                 .required = true, .data_type = OXIM_TYPE_TEXT, .minimum = 1, .maximum = 4},
                {.name = "OUI",
                 .description = "The organizationally unique identifier of the entry.",
                 .data_type = OXIM_TYPE_TEXT, .minimum = 1, .maximum = 8}}},
    {.name = "DeleteApplicationTLV",
     .description = "Deletes an application priority entry of the port.",
     .handler = "do_DeleteApplicationTLV",
     .params = {{.name = "InstanceNumber",
                 .description = "The instance number of the ApplicationTLV group to delete.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 14}}},
};
const GroupTemplate kAdministratorTLVSetting = {
    .name = "AdministratorTLVSetting",
    .description = "The application priority settings configured for the port, with its entries.",
    .refresh = "group_AdministratorTLVSetting", .properties = kAdministratorTLVSettingProperties,
    .commands = kAdministratorTLVSettingCommands};

// PortDiscoveryAndConfiguration/DCBX/ApplicationTLVGroups/PeerTLVSetting
const PropertyTemplate kPeerTLVSettingProperties[] = {
    {.name = "Advertise",
     .description = "Whether the link peer advertises its application priority settings.",
     .handler = "handle_app_feature_vars", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
    {.name = "Enabled", .description = "Whether the link peer has application priority enabled.",
     .handler = "handle_app_feature_vars", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
    {.name = "Error",
     .description = "Whether the link peer reported an error in its application priority settings.",
     .handler = "handle_app_feature_vars", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
    {.name = "Willing",
     .description = "Whether the link peer accepts the application priority settings of the port.",
     .handler = "handle_app_feature_vars", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
};
const GroupTemplate kPeerTLVSetting = {
    .name = "PeerTLVSetting",
    .description = "The application priority settings the link peer announces, with its entries.",
    .refresh = "group_PeerTLVSetting", .properties = kPeerTLVSettingProperties};

// PortDiscoveryAndConfiguration/DCBX/ApplicationTLVGroups/OperationalTLVSettings
const PropertyTemplate kOperationalTLVSettingsProperties[] = {
    {.name = "Error", .description = "Whether application priority is in error on the port.",
     .handler = "handle_app_feature_vars", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
    {.name = "OperationalMode",
     .description = "Whether application priority is operational on the port.",
     .handler = "handle_app_feature_vars", .data_type = OXIM_TYPE_LIST, .default_value = "True",
     .valid_values = "True,False"},
    {.name = "Synced",
     .description =
         "Whether the application priority settings of the port and the link peer agree.",
     .handler = "handle_app_feature_vars", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
};
const GroupTemplate kOperationalTLVSettings = {
    .name = "OperationalTLVSettings",
    .description = "The application priority settings in operation on the port, with its entries.",
    .refresh = "group_OperationalTLVSettings", .properties = kOperationalTLVSettingsProperties};

// PortDiscoveryAndConfiguration/DCBX/ApplicationTLVGroups: fixed groups, then the group
const GroupTemplate* const kApplicationTLVGroupsSubgroups[] = {
    &kAdministratorTLVSetting, &kPeerTLVSetting, &kOperationalTLVSettings};
const GroupTemplate kApplicationTLVGroups = {
    .name = "ApplicationTLVGroups", .description = "The application priority settings of the port.",
    .subgroups = kApplicationTLVGroupsSubgroups};

// PortDiscoveryAndConfiguration/DCBX/QCN

// PortDiscoveryAndConfiguration/DCBX/QCN/AdministratorQCNSetting
const PropertyTemplate kAdministratorQCNSettingProperties[] = {
    {.name = "Advertise",
     .description =
         "Whether the port advertises its congestion notification settings to the link peer.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_update_qcn_props",
     .data_type = OXIM_TYPE_LIST, .default_value = "Yes", .valid_values = "Yes,No"},
    {.name = "Enabled", .description = "Whether congestion notification is enabled on the port.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_update_qcn_props",
     .data_type = OXIM_TYPE_LIST, .default_value = "No", .valid_values = "Yes,No"},
    {.name = "CNPVBitMap",
     .description =
         "The congestion notification priorities configured for the port, as a bitmap with one "
         "bit per priority.",
     .handler = "handle_update_qcn_props", .default_value = "0"},
    {.name = "Willing",
     .description =
         "Whether the port accepts the congestion notification settings of the link peer.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_update_qcn_props",
     .data_type = OXIM_TYPE_LIST, .default_value = "Yes", .valid_values = "Yes,No"},
};
const GroupTemplate kAdministratorQCNSetting = {
    .name = "AdministratorQCNSetting",
    .description = "The congestion notification settings configured for the port.",
    .properties = kAdministratorQCNSettingProperties};

// PortDiscoveryAndConfiguration/DCBX/QCN/PeerQCNSetting
const PropertyTemplate kPeerQCNSettingProperties[] = {
    {.name = "Advertise",
     .description = "Whether the link peer advertises its congestion notification settings.",
     .handler = "handle_update_qcn_props", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
    {.name = "Enabled", .description = "Whether the link peer has congestion notification enabled.",
     .handler = "handle_update_qcn_props", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
    {.name = "Error",
     .description =
         "Whether the link peer reported an error in its congestion notification settings.",
     .handler = "handle_update_qcn_props", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
    {.name = "CNPVBitMap",
     .description =
         "The congestion notification priorities the link peer announces, as a bitmap with one "
         "bit per priority.",
     .handler = "handle_update_qcn_props", .default_value = "0"},
    {.name = "Willing",
     .description =
         "Whether the link peer accepts the congestion notification settings of the port.",
     .handler = "handle_update_qcn_props", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
    {.name = "ReadyBitMap",
     .description =
         "The priorities whose congestion notification is ready on the link peer, as a bitmap "
         "with one bit per priority.",
     .handler = "handle_update_qcn_props", .default_value = "0"},
};
const GroupTemplate kPeerQCNSetting = {
    .name = "PeerQCNSetting",
    .description = "The congestion notification settings the link peer announces.",
    .properties = kPeerQCNSettingProperties};

// PortDiscoveryAndConfiguration/DCBX/QCN/OperationalQCNSettings
const PropertyTemplate kOperationalQCNSettingsProperties[] = {
    {.name = "Error", .description = "Whether congestion notification is in error on the port.",
     .handler = "handle_update_qcn_props", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
    {.name = "OperationalMode",
     .description = "Whether congestion notification is operational on the port.",
     .handler = "handle_update_qcn_props", .data_type = OXIM_TYPE_LIST, .default_value = "True",
     .valid_values = "True,False"},
    {.name = "CNPVBitMap",
     .description =
         "The congestion notification priorities in operation on the port, as a bitmap with one "
         "bit per priority.",
     .handler = "handle_update_qcn_props", .default_value = "0"},
    {.name = "Synced",
     .description =
         "Whether the congestion notification settings of the port and the link peer agree.",
     .handler = "handle_update_qcn_props", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
    {.name = "ReadyBitMap",
     .description =
         "The priorities whose congestion notification is ready on the port, as a bitmap with one "
         "bit per priority.",
     .handler = "handle_update_qcn_props", .default_value = "0"},
};
const GroupTemplate kOperationalQCNSettings = {
    .name = "OperationalQCNSettings",
    .description = "The congestion notification settings in operation on the port.",
    .properties = kOperationalQCNSettingsProperties};

// PortDiscoveryAndConfiguration/DCBX/QCN: fixed groups, then the group
const GroupTemplate* const kQCNSubgroups[] = {
    &kAdministratorQCNSetting, &kPeerQCNSetting, &kOperationalQCNSettings};
const GroupTemplate kQCN = {
    .name = "QCN", .description = "The congestion notification (QCN) settings of the port.",
    .subgroups = kQCNSubgroups};

// PortDiscoveryAndConfiguration/DCBX: fixed groups, then the group
const GroupTemplate* const kDCBXSubgroups[] = {
    &kDCBXPortVars, &kDCBXStatistics, &kPFC, &kPriorityGroups, &kApplicationTLVGroups, &kQCN};
const GroupTemplate kDCBX = {
    .name = "DCBX",
    .description = "The data center bridging exchange (DCBX) settings and state of the port.",
    .subgroups = kDCBXSubgroups};

// PG (instanced, under DCBX/PriorityGroups/AdministratorPGSetting)
const PropertyTemplate kAdministratorPGSetting_PGProperties[] = {
    {.name = "Bandwidth",
     .description =
         "The share of the port bandwidth of the priority group configured for the port, in "
         "percent.",
     .handler = "handle_bwg_props", .default_value = "0"},
    {.name = "PriorityMembership",
     .description =
         "The priorities in the priority group configured for the port, as a bitmap with one bit "
         "per priority.",
     .handler = "handle_bwg_props", .default_value = "0"},
};
const CommandTemplate kAdministratorPGSetting_PGCommands[] = {
    {.name = "ConfigurePGSettings",
     .description = "Sets the priorities and the bandwidth of the priority group.",
     .handler = "do_ConfigurePGSettings",
     .params = {{.name = "PriorityMembership",
                 .description =
                     "The priorities of the group, as a bitmap with one bit per priority.",
                 .required = true, .data_type = OXIM_TYPE_TEXT, .minimum = 0, .maximum = 7},
                {.name = "Bandwidth",
                 .description = "The share of the port bandwidth of the group, in percent.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 255}}},
};
const GroupTemplate kAdministratorPGSetting_PG = {
    .name = "PG", .template_name = "initialize_AdministratorPGSetting_PG",
    .description = "A priority group as the administrator set it.",
    .maximum = 8, .parent = "AdministratorPGSetting",
    .properties = kAdministratorPGSetting_PGProperties,
    .commands = kAdministratorPGSetting_PGCommands};

// PG (instanced, under DCBX/PriorityGroups/PeerPGSetting)
const PropertyTemplate kPeerPGSetting_PGProperties[] = {
    {.name = "Bandwidth",
     .description =
         "The share of the port bandwidth of the priority group the link peer announces, in "
         "percent.",
     .handler = "handle_bwg_props", .default_value = "0"},
    {.name = "PriorityMembership",
     .description =
         "The priorities in the priority group the link peer announces, as a bitmap with one bit "
         "per priority.",
     .handler = "handle_bwg_props", .default_value = "0"},
};
const GroupTemplate kPeerPGSetting_PG = {
    .name = "PG", .template_name = "initialize_PeerPGSetting_PG",
    .description = "A priority group as the link peer announced it.",
    .maximum = 8, .parent = "PeerPGSetting", .properties = kPeerPGSetting_PGProperties};

// PG (instanced, under DCBX/PriorityGroups/OperationalPGSettings)
const PropertyTemplate kOperationalPGSettings_PGProperties[] = {
    {.name = "Bandwidth",
     .description =
         "The share of the port bandwidth of the priority group in operation on the port, in "
         "percent.",
     .handler = "handle_bwg_props", .default_value = "0"},
    {.name = "PriorityMembership",
     .description =
         "The priorities in the priority group in operation on the port, as a bitmap with one bit "
         "per priority.",
     .handler = "handle_bwg_props", .default_value = "0"},
};
const GroupTemplate kOperationalPGSettings_PG = {
    .name = "PG", .template_name = "initialize_OperationalPGSettings_PG",
    .description = "A priority group as the port operates it.",
    .maximum = 8, .parent = "OperationalPGSettings",
    .properties = kOperationalPGSettings_PGProperties};

// ApplicationTLV (instanced, under DCBX/ApplicationTLVGroups/AdministratorTLVSetting)
const PropertyTemplate kAdministratorTLVSetting_ApplicationTLVProperties[] = {
    {.name = "OUI", .description = "The organizationally unique identifier of the entry.",
     .handler = "handle_apptlv_feature_vars", .default_value = "0"},
    {.name = "PriorityBitMap",
     .description =
         "The priorities of the protocol configured for the port, as a bitmap with one bit per "
         "priority (1 to 4 characters).",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_apptlv_feature_vars",
     .data_type = OXIM_TYPE_TEXT, .minimum = 1, .maximum = 4, .default_value = "0"},
    {.name = "ProtocolID", .description = "The Ethertype or port number of the protocol.",
     .handler = "handle_apptlv_feature_vars", .default_value = "0"},
    {.name = "ProtocolSelector",
     .description = "How the protocol is identified: 0 by Ethertype, 1 by TCP or UDP port number.",
     .handler = "handle_apptlv_feature_vars", .default_value = "0"},
};
const GroupTemplate kAdministratorTLVSetting_ApplicationTLV = {
    .name = "ApplicationTLV", .template_name = "initialize_AdministratorTLVSetting_ApplicationTLV",
    .description = "An application priority entry as the administrator set it.",
    .maximum = 15, .parent = "AdministratorTLVSetting",
    .properties = kAdministratorTLVSetting_ApplicationTLVProperties};

// ApplicationTLV (instanced, under DCBX/ApplicationTLVGroups/PeerTLVSetting)
const PropertyTemplate kPeerTLVSetting_ApplicationTLVProperties[] = {
    {.name = "OUI", .description = "The organizationally unique identifier of the entry.",
     .handler = "handle_apptlv_feature_vars", .default_value = "0"},
    {.name = "PriorityBitMap",
     .description =
         "The priorities of the protocol the link peer announces, as a bitmap with one bit per "
         "priority.",
     .handler = "handle_apptlv_feature_vars", .default_value = "0"},
    {.name = "ProtocolID", .description = "The Ethertype or port number of the protocol.",
     .handler = "handle_apptlv_feature_vars", .default_value = "0"},
    {.name = "ProtocolSelector",
     .description = "How the protocol is identified: 0 by Ethertype, 1 by TCP or UDP port number.",
     .handler = "handle_apptlv_feature_vars", .default_value = "0"},
};
const GroupTemplate kPeerTLVSetting_ApplicationTLV = {
    .name = "ApplicationTLV", .template_name = "initialize_PeerTLVSetting_ApplicationTLV",
    .description = "An application priority entry as the link peer announced it.",
    .maximum = 15, .parent = "PeerTLVSetting",
    .properties = kPeerTLVSetting_ApplicationTLVProperties};

// ApplicationTLV (instanced, under DCBX/ApplicationTLVGroups/OperationalTLVSettings)
const PropertyTemplate kOperationalTLVSettings_ApplicationTLVProperties[] = {
    {.name = "OUI", .description = "The organizationally unique identifier of the entry.",
     .handler = "handle_apptlv_feature_vars", .default_value = "0"},
    {.name = "PriorityBitMap",
     .description =
         "The priorities of the protocol in operation on the port, as a bitmap with one bit per "
         "priority.",
     .handler = "handle_apptlv_feature_vars", .default_value = "0"},
    {.name = "ProtocolID", .description = "The Ethertype or port number of the protocol.",
     .handler = "handle_apptlv_feature_vars", .default_value = "0"},
    {.name = "ProtocolSelector",
     .description = "How the protocol is identified: 0 by Ethertype, 1 by TCP or UDP port number.",
     .handler = "handle_apptlv_feature_vars", .default_value = "0"},
};
const GroupTemplate kOperationalTLVSettings_ApplicationTLV = {
    .name = "ApplicationTLV", .template_name = "initialize_OperationalTLVSettings_ApplicationTLV",
    .description = "An application priority entry as the port operates it.",
    .maximum = 15, .parent = "OperationalTLVSettings",
    .properties = kOperationalTLVSettings_ApplicationTLVProperties};

// clang-format on

}  // namespace oxim::templates
