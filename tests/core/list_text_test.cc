// Comma-separated list editing in 256-byte buffers.
#include "core/list_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>

namespace oxim {
namespace {

struct ListBuffer {
  explicit ListBuffer(const std::string& text) {
    std::snprintf(data, sizeof data, "%s", text.c_str());
  }
  char data[kListSize] = {};
};

TEST(ListSearch, FindsTheWholeItem) {
  const char* list = "ab,a,abc";
  EXPECT_EQ(oxim_internal_list_search(list, "a", kListMatchCase), list + 3);
  EXPECT_EQ(oxim_internal_list_search(list, "abc", kListMatchCase), list + 5);
}

TEST(ListSearch, PartOfAnItemIsNotFound) {
  EXPECT_EQ(oxim_internal_list_search("abc,def", "bc", kListMatchCase), nullptr);
}

TEST(ListSearch, CaseByMode) {
  const char* list = "Alpha,Beta";
  EXPECT_EQ(oxim_internal_list_search(list, "beta", kListMatchCase), nullptr);
  EXPECT_EQ(oxim_internal_list_search(list, "beta", kListIgnoreCase), list + 6);
}

TEST(ListSearch, OtherModeMatchesNothing) {
  EXPECT_EQ(oxim_internal_list_search("a,b", "a", 2), nullptr);
}

TEST(ListSearch, MissingOrEmptyListHasNoItem) {
  EXPECT_EQ(oxim_internal_list_search(static_cast<const char*>(nullptr), "a", kListMatchCase),
            nullptr);
  EXPECT_EQ(oxim_internal_list_search("", "", kListMatchCase), nullptr);
}

TEST(ListAdd, EmptyListBecomesTheItem) {
  ListBuffer list("");
  EXPECT_EQ(oxim_internal_list_add(list.data, "a", kListMatchCase), 0);
  EXPECT_STREQ(list.data, "a");
}

TEST(ListAdd, ItemIsAppendedAfterAComma) {
  ListBuffer list("a,b");
  EXPECT_EQ(oxim_internal_list_add(list.data, "c", kListMatchCase), 0);
  EXPECT_STREQ(list.data, "a,b,c");
}

TEST(ListAdd, ItemAlreadyThereIsRefused) {
  ListBuffer list("a,B");
  EXPECT_EQ(oxim_internal_list_add(list.data, "b", kListIgnoreCase), 1);
  EXPECT_EQ(oxim_internal_list_add(list.data, "b", kListMatchCase), 0);
  EXPECT_STREQ(list.data, "a,B,b");
}

TEST(ListAdd, MissingArgumentIsRefused) {
  ListBuffer list("a");
  EXPECT_EQ(oxim_internal_list_add(nullptr, "a", kListMatchCase), 1);
  EXPECT_EQ(oxim_internal_list_add(list.data, nullptr, kListMatchCase), 1);
}

TEST(ListAdd, EmptyItemIsRefused) {
  ListBuffer list("");
  EXPECT_EQ(oxim_internal_list_add(list.data, "", kListMatchCase), 1);
  EXPECT_STREQ(list.data, "");
}

TEST(ListAdd, ResultMustFitTheBuffer) {
  ListBuffer list(std::string(250, 'x'));
  EXPECT_EQ(oxim_internal_list_add(list.data, "12345", kListMatchCase), 1);
  EXPECT_EQ(oxim_internal_list_add(list.data, "1234", kListMatchCase), 0);
  EXPECT_EQ(std::string(list.data).size(), 255u);
}

TEST(ListAdd, UnterminatedBufferIsRefused) {
  char list[kListSize];
  std::fill(std::begin(list), std::end(list), 'x');
  EXPECT_EQ(oxim_internal_list_add(list, "a", kListMatchCase), 1);
  EXPECT_EQ(list[kListSize - 1], 'x');
}

TEST(ListDel, MiddleItemTakesThePrecedingComma) {
  ListBuffer list("a,b,c");
  EXPECT_EQ(oxim_internal_list_del(list.data, "b", kListMatchCase), 0);
  EXPECT_STREQ(list.data, "a,c");
}

TEST(ListDel, FirstItemTakesTheFollowingComma) {
  ListBuffer list("a,b,c");
  EXPECT_EQ(oxim_internal_list_del(list.data, "a", kListMatchCase), 0);
  EXPECT_STREQ(list.data, "b,c");
}

TEST(ListDel, LastItemTakesThePrecedingComma) {
  ListBuffer list("a,b,c");
  EXPECT_EQ(oxim_internal_list_del(list.data, "c", kListMatchCase), 0);
  EXPECT_STREQ(list.data, "a,b");
}

TEST(ListDel, OnlyItemLeavesEmptyList) {
  ListBuffer list("a");
  EXPECT_EQ(oxim_internal_list_del(list.data, "a", kListMatchCase), 0);
  EXPECT_STREQ(list.data, "");
}

TEST(ListDel, OnlyTheFirstMatchIsRemoved) {
  ListBuffer list("a,b,A");
  EXPECT_EQ(oxim_internal_list_del(list.data, "a", kListIgnoreCase), 0);
  EXPECT_STREQ(list.data, "b,A");
}

TEST(ListDel, ItemNotFoundIsRefused) {
  ListBuffer list("a,b");
  EXPECT_EQ(oxim_internal_list_del(list.data, "B", kListMatchCase), 1);
  EXPECT_STREQ(list.data, "a,b");
}

}  // namespace
}  // namespace oxim
