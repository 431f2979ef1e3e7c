// A tgtd shared by the tests of a suite: started before the suite's first
// test and stopped after its last, so that each test does not pay for a
// start. A test's SetUp begins with OXIM_REQUIRE_TGTD(), which skips with
// the reason only when tgtd cannot run at all and fails when it should have.
//
//   class LoginTest : public SharedTgtdTest<> {
//    protected:
//     void SetUp() override { OXIM_REQUIRE_TGTD(); ... }
//   };
#ifndef OXIM_TESTS_SUPPORT_TGTD_SUITE_H_
#define OXIM_TESTS_SUPPORT_TGTD_SUITE_H_

#include <gtest/gtest.h>

#include "support/tgtd_fixture.h"

namespace oxim::testing {

template <class Base = ::testing::Test>
class SharedTgtdTest : public Base {
 protected:
  static void SetUpTestSuite() { server_ = new TgtdServer(); }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  static inline TgtdServer* server_ = nullptr;
};

}  // namespace oxim::testing

#define OXIM_REQUIRE_TGTD()                                                                  \
  do {                                                                                       \
    if (!this->server_->skip_reason().empty()) GTEST_SKIP() << this->server_->skip_reason(); \
    ASSERT_TRUE(this->server_->running()) << this->server_->error();                         \
  } while (false)

#endif  // OXIM_TESTS_SUPPORT_TGTD_SUITE_H_
