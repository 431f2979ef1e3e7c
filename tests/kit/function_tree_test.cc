// Tree services of the adapter functions on a tree built from the catalogue:
// function index, controller, logical HBA and port of any node, chip types
// by device ID, and the NC-SI firmware threshold.
#include "kit/function_tree.h"

#include <gtest/gtest.h>

#include <string>

#include "areas/controller/catalogue.h"
#include "areas/iscsi/catalogue.h"
#include "areas/nic/catalogue.h"
#include "core/last_status.h"
#include "core/node_store.h"
#include "core/tree_services.h"
#include "support/temp_root.h"

namespace oxim {
namespace {

class FunctionTreeTest : public testing::TempRootTest {
 protected:
  void SetUp() override {
    baseline_ = oxim_counter;
    ASSERT_EQ(OXIM_init(), 0u);
    Node* root = hm_get_root("");
    instantiate(templates::kQuellfire, root, nullptr, nullptr, nullptr);  // Quellfire0
    controller_ = instantiate(templates::kQuellfire, root, nullptr, nullptr, nullptr);
    iscsi_ = instantiate(templates::kiSCSIPhysicalHBA, controller_, nullptr, nullptr, nullptr);
    lhba_ = instantiate(templates::kLogicalHBA, iscsi_, nullptr, nullptr, nullptr);
    nic_ = instantiate(templates::kNICPhysicalHBA, controller_, nullptr, nullptr, nullptr);
    ASSERT_NE(lhba_, nullptr);
    ASSERT_NE(nic_, nullptr);
  }
  void TearDown() override {
    OXIM_exit();
    EXPECT_EQ(oxim_counter, baseline_) << "private records must go with their groups";
  }

  void SetDeviceId(Node* function, const char* id) {
    ASSERT_EQ(
        set_prop_val(internal_get_node(function, "PCI", OXIM_KIND_GROUP), "DeviceID", "%s", id), 0);
  }

  uint32_t baseline_ = 0;
  Node* controller_ = nullptr;
  Node* iscsi_ = nullptr;
  Node* lhba_ = nullptr;
  Node* nic_ = nullptr;
};

TEST_F(FunctionTreeTest, FunctionIndexIsFoundFromAnyNodeBelowThePhysicalHBA) {
  EXPECT_EQ(get_port_number(lhba_), -1) << "no record attached yet";
  ASSERT_TRUE(attach_function_index(iscsi_, 3));
  ASSERT_TRUE(attach_function_index(nic_, 5));
  Node* deep = internal_get_node(lhba_, "InitiatoriSCSIName", OXIM_KIND_GROUP);
  EXPECT_EQ(get_port_number(deep), 3);
  EXPECT_EQ(get_port_number(internal_get_node(nic_, "PCI", OXIM_KIND_GROUP)), 5);
  EXPECT_EQ(get_port_number(controller_), -1);
}

TEST_F(FunctionTreeTest, EnclosingControllerLogicalHBAAndPort) {
  Node* deep = internal_get_node(lhba_, "Discovery", OXIM_KIND_GROUP);
  EXPECT_EQ(get_qf_instance(deep), 1);
  EXPECT_EQ(get_qf_instance(hm_get_root("")), 0);
  EXPECT_EQ(get_domain_id(deep), 0);
  ASSERT_EQ(set_prop_val(iscsi_, "PortNumber", "2"), 0);
  EXPECT_EQ(get_phba_port_number(deep), 2);
  EXPECT_EQ(get_phba_port_number(controller_), 0);
  ASSERT_EQ(set_prop_val(nic_, "PortNumber", "2"), 0);
  EXPECT_EQ(get_valid_phba(controller_, "2"), iscsi_) << "the iSCSI function first";
  ASSERT_EQ(set_prop_val(iscsi_, "PortNumber", "1"), 0);
  EXPECT_EQ(get_valid_phba(controller_, "2"), nic_);
  EXPECT_EQ(get_valid_phba(controller_, "3"), nullptr);
}

TEST_F(FunctionTreeTest, ChipTypeFromDeviceId) {
  SetDeviceId(iscsi_, "714");
  EXPECT_EQ(get_qf_type(lhba_), kChipQF3);
  SetDeviceId(iscsi_, "0x730");
  EXPECT_EQ(get_qf_type(nic_), kChipFurther) << "the first iSCSI function decides";
  SetDeviceId(iscsi_, "E228");
  EXPECT_EQ(get_qf_type(controller_), kChipKorvel);
  SetDeviceId(iscsi_, "0x999");
  EXPECT_EQ(get_qf_type(controller_), kChipUnknown);
  oxim_reset_last_status();
  SetDeviceId(iscsi_, "7g4");
  EXPECT_EQ(get_qf_type(controller_), kChipUndetermined);
  uint32_t code = 0;
  char message[kMessageSize];
  oxim_get_last_status(&code, message);
  EXPECT_EQ(code, kControllerTypeUnknown.code);
  EXPECT_STREQ(message, "Failed to get the controller type.");
  SetDeviceId(iscsi_, "-714");
  EXPECT_EQ(get_qf_type(controller_), kChipUndetermined);
  EXPECT_EQ(get_qf_type(hm_get_root("")), kChipUndetermined) << "no controller";
}

TEST_F(FunctionTreeTest, ChipTypeTableEdges) {
  EXPECT_EQ(chip_type_of_device_id(0x210), kChipQF2);
  EXPECT_EQ(chip_type_of_device_id(0x217), kChipQF2);
  EXPECT_EQ(chip_type_of_device_id(0x218), kChipUnknown);
  EXPECT_EQ(chip_type_of_device_id(0x703), kChipQF2);
  EXPECT_EQ(chip_type_of_device_id(0x227), kChipQF3);
  EXPECT_EQ(chip_type_of_device_id(0x711), kChipUnknown);
  EXPECT_EQ(chip_type_of_device_id(0xE220), kChipKorvel);
  EXPECT_EQ(chip_type_of_device_id(0x723), kChipTindra);
  EXPECT_EQ(chip_type_of_device_id(0x721), kChipUnknown);
}

TEST_F(FunctionTreeTest, NcsiRequiredAboveTheFirmwareThreshold) {
  ASSERT_EQ(set_prop_val(controller_, "ActiveFirmwareVersion", "3.102.148.0"), 0);
  EXPECT_EQ(is_ncsi_required(controller_), 0);
  ASSERT_EQ(set_prop_val(controller_, "ActiveFirmwareVersion", "3.102.148.0.7"), 0);
  EXPECT_EQ(is_ncsi_required(controller_), 0) << "only 11 characters count";
  ASSERT_EQ(set_prop_val(controller_, "ActiveFirmwareVersion", "3.102.148.1"), 0);
  EXPECT_EQ(is_ncsi_required(controller_), 1) << "the eleventh character is higher";
  ASSERT_EQ(set_prop_val(controller_, "ActiveFirmwareVersion", "3.102.147.9"), 0);
  EXPECT_EQ(is_ncsi_required(controller_), 0);
  EXPECT_EQ(is_ncsi_required(nullptr), 1) << "unreadable";
}

}  // namespace
}  // namespace oxim
