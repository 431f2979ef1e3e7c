// The tree interface as a client sees it through liboxim.so: the root, its
// built-in properties, client counting, the log level property and the
// answers to bad arguments.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <utility>

#include "oxim/oxim.h"
#include "support/api_client.h"
#include "support/library_fixture.h"

namespace {

using Status = std::pair<uint32_t, std::string>;

Status LastStatus() {
  uint32_t code = 99;
  char message[OXIM_MESSAGE_SIZE];
  EXPECT_EQ(OXIM_get_last_status(&code, message), 0u);
  return {code, message};
}

std::string Read(uint32_t tag) {
  char value[OXIM_VALUE_SIZE] = "";
  EXPECT_EQ(OXIM_get_property_val(OXIM_ROOT_TAG, tag, value, sizeof value), 0u);
  return value;
}

// The tree interface itself, on a host without adapter (ROOT and its three
// properties).
class TreeApiTest : public oxim::testing::LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    Start("host");
  }
};

TEST_F(TreeApiTest, RootHoldsTheThreeBuiltinProperties) {
  uint32_t tags[8];
  uint32_t count = 0;
  ASSERT_EQ(OXIM_get_child_tags(OXIM_ROOT_TAG, tags, &count, OXIM_KIND_PROPERTY), 0u);
  ASSERT_EQ(count, 3u);
  const char* names[] = {"OXIMServiceVersion", "OXIMHierarchyVersion", "OXIMDebugLevel"};
  for (uint32_t i = 0; i < count; ++i) {
    EXPECT_EQ(tags[i], i + 1);
    char name[OXIM_NAME_SIZE];
    ASSERT_EQ(OXIM_get_node_name(tags[i], name, OXIM_KIND_PROPERTY), 0u);
    EXPECT_STREQ(name, names[i]);
  }
  EXPECT_EQ(Read(1), "1.0.99.0");
  EXPECT_EQ(Read(2), "10.4");
  uint32_t tag = 0;
  EXPECT_EQ(OXIM_get_node_tag(OXIM_ROOT_TAG, "oximdebuglevel", &tag, OXIM_KIND_PROPERTY), 0u);
  EXPECT_EQ(tag, 3u);
  uint32_t parent = 99;
  EXPECT_EQ(OXIM_get_parent_tag(OXIM_ROOT_TAG, &parent), 0u);
  EXPECT_EQ(parent, 0u);
  char name[OXIM_NAME_SIZE];
  EXPECT_EQ(OXIM_get_node_name(OXIM_ROOT_TAG, name, OXIM_KIND_GROUP), 0u);
  EXPECT_STREQ(name, "ROOT");
}

TEST_F(TreeApiTest, DescriptionsOfRootAndItsProperties) {
  OXIM_NODE_DESCRIPTION description;
  ASSERT_EQ(OXIM_get_node_description(3, &description), 0u);
  EXPECT_EQ(description.kind, OXIM_KIND_PROPERTY);
  EXPECT_EQ(description.data_type, OXIM_TYPE_LIST);
  EXPECT_EQ(description.minimum, 5);
  EXPECT_EQ(description.maximum, 11);
  EXPECT_EQ(
      std::strncmp(description.description, "This property specifies the OXIMDebugLevel.", 43), 0);
  char valid[OXIM_VALUE_SIZE];
  ASSERT_EQ(OXIM_get_property_valid_values(3, valid), 0u);
  EXPECT_STREQ(valid, "0,1,2,3,4,5,6");
  ASSERT_EQ(OXIM_get_property_valid_values(1, valid), 0u);
  EXPECT_STREQ(valid, "");
  EXPECT_EQ(OXIM_get_property_valid_values(OXIM_ROOT_TAG, valid), 1u);
  ASSERT_EQ(OXIM_get_node_description(OXIM_ROOT_TAG, &description), 0u);
  EXPECT_STREQ(description.description, " ");
  EXPECT_EQ(description.kind, OXIM_KIND_GROUP);
}

TEST_F(TreeApiTest, BuiltinPropertiesRefuseBadWrites) {
  EXPECT_EQ(OXIM_set_property_val(OXIM_ROOT_TAG, 1, "2.0", 3), 1u);
  EXPECT_EQ(LastStatus(), Status(10, "Read only property"));
  EXPECT_EQ(OXIM_set_property_val(OXIM_ROOT_TAG, 3, "7", 1), 1u);
  EXPECT_EQ(LastStatus(), Status(6, "Invalid value."));
  char value[OXIM_VALUE_SIZE];
  EXPECT_EQ(OXIM_get_property_val(OXIM_ROOT_TAG, 1, value, 257), 1u);
  EXPECT_EQ(Read(1), "1.0.99.0");
  EXPECT_EQ(LastStatus(), Status(0, "")) << "every call resets the last status";
}

// Memory that ends where a page no one may touch begins: a call that reads
// or writes past the bytes it was given crashes on it.
class GuardedBytes {
 public:
  explicit GuardedBytes(size_t size) : size_(size) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    void* pages =
        mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    EXPECT_NE(pages, MAP_FAILED);
    pages_ = static_cast<char*>(pages);
    page_ = page;
    EXPECT_EQ(mprotect(pages_ + page, page, PROT_NONE), 0);
  }
  ~GuardedBytes() { munmap(pages_, 2 * page_); }
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;
  char* data() const { return pages_ + page_ - size_; }

 private:
  size_t size_;
  size_t page_ = 0;
  char* pages_ = nullptr;
};

TEST_F(TreeApiTest, CallsTouchNoByteBeyondTheLengthGiven) {
  // One unterminated byte at the very end of the readable memory.
  GuardedBytes level(1);
  level.data()[0] = '5';
  ASSERT_EQ(OXIM_set_property_val(OXIM_ROOT_TAG, 3, level.data(), 1), 0u);
  EXPECT_EQ(Read(3), "5");
  ASSERT_EQ(OXIM_set_property_val(OXIM_ROOT_TAG, 3, "0 and more", 1), 0u) << "only 1 byte";
  EXPECT_EQ(Read(3), "0");

  // "1.0.99.0" needs 9 bytes: 4 is refused without a byte written, 9 fit.
  GuardedBytes small(4);
  std::memset(small.data(), 'x', 4);
  EXPECT_EQ(OXIM_get_property_val(OXIM_ROOT_TAG, 1, small.data(), 4), 1u);
  EXPECT_EQ(LastStatus(),
            Status(1, "The value of OXIMServiceVersion needs a buffer of 9 bytes; 4 given."));
  EXPECT_EQ(std::string(small.data(), 4), "xxxx");
  GuardedBytes exact(9);
  ASSERT_EQ(OXIM_get_property_val(OXIM_ROOT_TAG, 1, exact.data(), 9), 0u);
  EXPECT_STREQ(exact.data(), "1.0.99.0");
  EXPECT_EQ(LastStatus(), Status(0, ""));

  // Lengths beyond a property value are refused with the limit.
  const std::string limit =
      "A property value takes at most 256 bytes (255 characters and the terminating NUL); ";
  EXPECT_EQ(OXIM_set_property_val(OXIM_ROOT_TAG, 3, "5", 257), 1u);
  EXPECT_EQ(LastStatus(), Status(1, limit + "the length given is 257."));
  const std::string unterminated(256, '1');
  EXPECT_EQ(OXIM_set_property_val(OXIM_ROOT_TAG, 3, unterminated.data(), 256), 1u);
  EXPECT_EQ(LastStatus(), Status(1, limit + "this one needs 257."));
  char value[OXIM_VALUE_SIZE];
  EXPECT_EQ(OXIM_get_property_val(OXIM_ROOT_TAG, 1, value, 257), 1u);
  EXPECT_EQ(LastStatus(), Status(1, limit + "the length given is 257."));
}

TEST_F(TreeApiTest, DebugLevelIsKeptInTheConfigurationFile) {
  ASSERT_EQ(OXIM_set_property_val(OXIM_ROOT_TAG, 3, "5", 1), 0u);
  EXPECT_NE(root_.read("/scratch/Vallorn/liboxim.conf").find("\nOXIMLogLevel 5"),
            std::string::npos);
  EXPECT_EQ(Read(3), "5");
  std::string config = root_.read("/scratch/Vallorn/liboxim.conf");
  config.replace(config.size() - 1, 1, "4");
  root_.write("/scratch/Vallorn/liboxim.conf", config);
  EXPECT_EQ(Read(3), "4") << "a read re-reads the file";
  ASSERT_EQ(OXIM_set_property_val(OXIM_ROOT_TAG, 3, "0", 1), 0u);
}

TEST_F(TreeApiTest, ClientsAreCountedAndTheLastOneTearsDown) {
  Stop();  // the fixture's client leaves: no tree
  const uint32_t without_tree = oxim_counter;
  ASSERT_EQ(OXIM_init(), 0u);
  ASSERT_EQ(OXIM_init(), 0u);
  EXPECT_EQ(OXIM_exit(), 0u);
  uint32_t tag = 0;
  EXPECT_EQ(OXIM_get_node_tag(OXIM_ROOT_TAG, "OXIMDebugLevel", &tag, 2), 0u) << "tree kept";
  EXPECT_EQ(OXIM_exit(), 0u);
  EXPECT_EQ(oxim_counter, without_tree);
  EXPECT_EQ(OXIM_get_node_tag(OXIM_ROOT_TAG, "OXIMDebugLevel", &tag, 2), OXIM_STATUS_LOCK_TIMEOUT)
      << "no lock exists without a client";
  EXPECT_EQ(OXIM_exit(), 0u) << "exit without clients does nothing";
}

TEST_F(TreeApiTest, ListingFiltersZeroAndFourSelectNothing) {
  uint32_t tags[8];
  uint32_t count = 99;
  EXPECT_EQ(OXIM_get_child_tags(OXIM_ROOT_TAG, tags, &count, OXIM_KIND_ANY), 0u);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(OXIM_get_child_tags(OXIM_ROOT_TAG, tags, &count, OXIM_KIND_LINK), 0u);
  EXPECT_EQ(count, 0u);
  int32_t room = 0;
  EXPECT_EQ(OXIM_get_persistent_nodes(nullptr, &room), 0u);
  EXPECT_EQ(room, 0);
  EXPECT_EQ(OXIM_refresh_group(3), 0u) << "a property has no refresh handler";
}

TEST_F(TreeApiTest, UnimplementedHandlersAreListed) {
  char names[1 << 14];
  uint32_t count = 0;
  ASSERT_EQ(OXIM_get_unimplemented_handlers(names, sizeof names, &count), 0u);
  EXPECT_GT(count, 0u);
  EXPECT_EQ(std::string(names).find("handle_OXIMDebugLevel"), std::string::npos) << "implemented";
  char small[16];
  EXPECT_EQ(OXIM_get_unimplemented_handlers(small, sizeof small, &count),
            OXIM_STATUS_ARRAY_TOO_SMALL);
  EXPECT_LT(std::strlen(small), sizeof small);
  EXPECT_EQ(OXIM_get_unimplemented_handlers(nullptr, 10, &count), 1u);
}

TEST_F(TreeApiTest, BadArgumentsAreRefusedWithoutCrashing) {
  uint32_t tag = 0;
  uint32_t tags[8];
  uint32_t count = 0;
  char value[OXIM_VALUE_SIZE];
  char name[OXIM_NAME_SIZE];
  EXPECT_EQ(OXIM_get_node_tag(OXIM_ROOT_TAG, nullptr, &tag, 0), 1u);
  EXPECT_EQ(OXIM_get_node_tag(OXIM_ROOT_TAG, "OXIMDebugLevel", nullptr, 0), 1u);
  EXPECT_EQ(OXIM_get_node_tag(OXIM_ROOT_TAG, "OXIMDebugLevel", &tag, 8), 1u);
  EXPECT_EQ(OXIM_get_node_tag(3, "x", &tag, 0), 1u) << "parent is a property";
  EXPECT_EQ(OXIM_get_node_tag(123456, "x", &tag, 0), 1u);
  std::string overlong(5000, 'a');
  EXPECT_EQ(OXIM_get_node_tag(OXIM_ROOT_TAG, overlong.c_str(), &tag, 0), 1u);
  EXPECT_EQ(OXIM_get_node_name(999, name, 0), 1u);
  EXPECT_EQ(OXIM_get_node_name(3, name, OXIM_KIND_GROUP), 1u);
  EXPECT_EQ(OXIM_get_node_name(3, nullptr, 0), 1u);
  EXPECT_EQ(OXIM_get_parent_tag(0xFFFFFFFFu, &tag), 1u);
  EXPECT_EQ(OXIM_get_child_tags(3, tags, &count, 2), 1u);
  EXPECT_EQ(OXIM_get_child_tags(0, nullptr, &count, 2), 1u);
  EXPECT_EQ(OXIM_get_property_val(OXIM_ROOT_TAG, 3, nullptr, 10), 1u);
  EXPECT_EQ(OXIM_get_property_val(3, 3, value, 10), 1u);
  EXPECT_EQ(OXIM_set_property_val(OXIM_ROOT_TAG, 3, nullptr, 1), 1u);
  EXPECT_EQ(OXIM_do_action(OXIM_ROOT_TAG, 3, value, nullptr), 1u);
  EXPECT_EQ(OXIM_refresh_group(777777), 1u);
  EXPECT_EQ(OXIM_get_node_description(777777, nullptr), 1u);
  OXIM_PARAM_INFO info;
  EXPECT_EQ(OXIM_get_param_info(3, &info), 1u);
  EXPECT_EQ(OXIM_get_valid_instances(OXIM_ROOT_TAG, nullptr, tags, &count), 1u);
  EXPECT_EQ(OXIM_get_persistent_nodes(tags, nullptr), 1u);
  int32_t negative = -1;
  EXPECT_EQ(OXIM_get_persistent_nodes(tags, &negative), OXIM_STATUS_ARRAY_TOO_SMALL);
  OXIM_PERSISTENCE_INFO persistence;
  EXPECT_EQ(OXIM_get_persistence_info(3, &persistence), 1u);
  EXPECT_EQ(OXIM_get_last_status(nullptr, value), 1u);
}

// The tree of the emulated adapter.
class LibraryTreeTest : public oxim::testing::LibraryTest {};

// Properties whose handler the library does not implement yet, on the
// emulated adapter: a write is refused and keeps nothing, a read shows no
// template default as if the firmware had given it, and the last status
// names the property.
TEST_F(LibraryTreeTest, PropertiesWithoutTheirHandlerAreNotAvailable) {
  Start("emulator");
  const std::pair<std::string, std::string> kWrites[] = {
      {"Quellfire0/NICPhysicalHBA0/MACAddress", "ff:ff:ff:ff:ff:ff"},
      {"Quellfire0/FFVName", "ffv-one"},
      {"Quellfire0/iSCSIPhysicalHBA0/iSCSIBIOSEnable", "No"},
  };
  for (const auto& [path, value] : kWrites) {
    SCOPED_TRACE(path);
    const std::string name = path.substr(path.rfind('/') + 1);
    const Status not_available{OXIM_STATUS_NO_HANDLER,
                               name + ": not available (handler not implemented yet)."};
    EXPECT_EQ(oxim::testing::SetValue(path, value), OXIM_STATUS_NO_HANDLER);
    EXPECT_EQ(LastStatus(), not_available);
    std::string read = "unchanged";
    EXPECT_EQ(oxim::testing::GetValue(path, &read), OXIM_STATUS_NO_HANDLER);
    EXPECT_EQ(LastStatus(), not_available);
    EXPECT_EQ(read, "");
  }
  // A value the library sets itself reads as before.
  std::string port;
  EXPECT_EQ(oxim::testing::GetValue("Quellfire0/NICPhysicalHBA0/PortNumber", &port), 0u);
  EXPECT_EQ(port, "0");
  EXPECT_EQ(LastStatus(), Status(0, ""));
}

}  // namespace
