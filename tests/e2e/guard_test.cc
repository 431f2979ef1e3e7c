// No exception crosses the C ABI: allocations made to fail inside exported
// calls (a property handler, a command that creates groups and writes the
// saved files) end in status 1 with the internal-error last status, the
// library lock free for the next call, and every block freed after the last
// OXIM_exit. Also the exported text services, which run under the same
// guard.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "oxim/oxim.h"
#include "oxim/oxim_services.h"
#include "support/api_client.h"
#include "support/library_fixture.h"

namespace {

// Allocation failure on demand: the n-th allocation of this thread from the
// moment it is armed throws std::bad_alloc, as operator new does when
// memory runs out.
thread_local long g_allocations_left = -1;
thread_local bool g_failed = false;

void FailAllocation(long after) {
  g_allocations_left = after;
  g_failed = false;
}
void StopFailing() { g_allocations_left = -1; }

}  // namespace

// The replacement pair allocates with malloc and frees with free; g++ sees
// free called on what operator new returned and would warn.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
  if (g_allocations_left == 0) {
    g_allocations_left = -1;
    g_failed = true;
    throw std::bad_alloc();
  }
  if (g_allocations_left > 0) --g_allocations_left;
  if (void* block = std::malloc(size != 0 ? size : 1)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
// Every form of delete, so that nothing the replaced forms allocate is
// freed by another allocator's delete.
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

namespace {

using namespace oxim::testing;

constexpr char kHba[] = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0";
constexpr char kInternalError[] =
    "Application internal error occurred. Please check oxim2d.log file for more information.";

class GuardTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    Start();
  }
  void TearDown() override {
    StopFailing();
    LibraryTest::TearDown();
  }
};

TEST_F(GuardTest, AllocationFailureInAPropertyHandlerIsAStatus) {
  const std::string property = std::string(kHba) + "/InitiatorLoginOptions/HeaderDigest";
  const std::string before = Value(property);
  ASSERT_FALSE(before.empty());
  const auto [group, node] =
      std::pair(Tag(std::string(kHba) + "/InitiatorLoginOptions"), Tag(property));
  char value[OXIM_VALUE_SIZE] = "";
  FailAllocation(0);
  EXPECT_EQ(OXIM_get_property_val(group, node, value, sizeof value), OXIM_STATUS_FAILURE);
  StopFailing();
  ASSERT_TRUE(g_failed) << "the read made no allocation to fail";
  EXPECT_EQ(LastStatus(), Status(OXIM_STATUS_FAILURE, kInternalError));
  EXPECT_EQ(Value(property), before) << "the next read works";
}

// Every allocation of AddTarget fails once, in turn: each run ends with a
// status, never with a crash or a lock left held, and the library gives
// every block back when the last client leaves.
TEST_F(GuardTest, AllocationFailureAnywhereInACommandIsAStatus) {
  const uint32_t hba = Tag(kHba);
  const uint32_t add = Tag(std::string(kHba) + "/AddTarget");
  bool reached_the_end = false;
  for (long n = 0; n < 5000 && !reached_the_end; ++n) {
    char params[OXIM_MAX_PARAMS][OXIM_PARAM_SIZE] = {"iqn.2026-01.net.oxim-lab:open", "192.0.2.10"};
    for (int i = 2; i < OXIM_MAX_PARAMS; ++i)
      params[i][0] = static_cast<char>(OXIM_PARAM_NOT_GIVEN);
    uint32_t created[OXIM_MAX_NEW_TAGS] = {};
    FailAllocation(n);
    const uint32_t status = OXIM_do_action(hba, add, &params[0][0], created);
    StopFailing();
    reached_the_end = !g_failed;
    if (g_failed && status != 0) {
      EXPECT_NE(LastStatus().first, 0u)
          << "allocation " << n << ": status " << status << " leaves no last status";
    }
    // The lock is free and the tree usable; the target goes again.
    for (const std::string& group : Groups(kHba)) {
      if (group.rfind("Target", 0) == 0) {
        std::string children;
        for (const std::string& child : Groups(std::string(kHba) + "/" + group))
          children += child + " ";
        ASSERT_EQ(Do(std::string(kHba) + "/DeleteTarget", {group.substr(6)}), 0u)
            << "allocation " << n << ": " << LastStatus().second << " [" << children << "]";
      }
    }
  }
  EXPECT_TRUE(reached_the_end);
}

TEST_F(GuardTest, ExportedTextServicesKeepTheirRules) {
  char ip[40] = "2001:DB8::a:B";
  EXPECT_EQ(validateIPv6Address(ip), 0);
  EXPECT_STREQ(ip, "2001:0DB8:0000:0000:0000:0000:000A:000B");
  char bad[40] = "::1";
  EXPECT_EQ(oxim_validate_ipv6(bad), 6);
  char mac[18] = "";
  EXPECT_EQ(OXIM_convert_mac_addr("00-1a-2b-3c-4d-5e", '-', mac, ':'), 0);
  EXPECT_STREQ(mac, "00:1a:2b:3c:4d:5e");
  EXPECT_EQ(OXIM_convert_mac_addr(nullptr, '-', mac, ':'), 1);
}

}  // namespace
