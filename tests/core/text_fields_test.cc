// Line and field services: splitting in place, n-th field copies, fixed-size
// field copies, word counts and reading lines with a growing buffer.
#include "core/text_fields.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/alloc.h"
#include "oxim/oxim.h"

namespace oxim {
namespace {

// A stream holding text, read from the start.
class StreamWith {
 public:
  explicit StreamWith(const std::string& text) : file_(std::tmpfile()) {
    std::fputs(text.c_str(), file_);
    std::rewind(file_);
  }
  ~StreamWith() { std::fclose(file_); }
  StreamWith(const StreamWith&) = delete;
  StreamWith& operator=(const StreamWith&) = delete;
  FILE* get() const { return file_; }

 private:
  FILE* file_;
};

// oxim_parse result as a string, freed; "<none>" for nullptr.
std::string Parse(const char* text, int n, const char* separators) {
  char* field = oxim_parse(text, n, separators);
  if (field == nullptr) return "<none>";
  std::string result = field;
  oxim_dfree(field);
  return result;
}

TEST(TextSplit, SeparatorsBecomeNul) {
  char text[] = "a,b,,c";
  EXPECT_EQ(oxim_split(text, ','), 4);
  EXPECT_EQ(std::memcmp(text, "a\0b\0\0c", sizeof text), 0);
}

TEST(TextSplit, EmptyTextIsOneField) {
  char text[] = "";
  EXPECT_EQ(oxim_split(text, ','), 1);
}

TEST(TextSplit, MissingTextHasNoField) { EXPECT_EQ(oxim_split(nullptr, ','), 0); }

TEST(TextSplit, AnyOfSeveralSeparators) {
  char text[] = "a b\tc d";
  EXPECT_EQ(backend_split(text, " \t"), 3);
  EXPECT_EQ(std::memcmp(text, "a\0b\0c\0d", sizeof text), 0);
}

TEST(TextSplit, NoSeparatorReplacesNothing) {
  char text[] = "abc";
  EXPECT_EQ(backend_split(text, ","), 0);
  EXPECT_STREQ(text, "abc");
}

TEST(FieldParse, NthFieldIsCopied) {
  EXPECT_EQ(Parse("10.0.0.1 3260 iqn.x", 2, " "), "3260");
  EXPECT_EQ(Parse("10.0.0.1 3260 iqn.x", 1, " "), "10.0.0.1");
}

TEST(FieldParse, FinalLineEndIsRemoved) { EXPECT_EQ(Parse("OXIMLogLevel 4\n", 2, " "), "4"); }

TEST(FieldParse, RunsOfSeparatorsCountAsOne) { EXPECT_EQ(Parse("a  ,, b", 2, " ,"), "b"); }

TEST(FieldParse, LeadingSeparatorsAreSkipped) { EXPECT_EQ(Parse("  a b", 1, " "), "a"); }

TEST(FieldParse, TextWithoutSeparatorGivesNone) { EXPECT_EQ(Parse("abc", 1, " "), "<none>"); }

TEST(FieldParse, TooFewSeparatorsGivesNone) {
  EXPECT_EQ(Parse("a b c", 4, " "), "<none>");
  EXPECT_EQ(Parse("a b ", 3, " "), "<none>");
}

TEST(FieldParse, CopyIsCounted) {
  uint32_t before = oxim_counter;
  char* field = oxim_parse("a b", 2, " ");
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(oxim_counter, before + 1);
  oxim_dfree(field);
  EXPECT_EQ(oxim_counter, before);
}

TEST(FieldCopy, CopiesUpToTheSeparator) {
  char out[8];
  EXPECT_EQ(get_field("abc,def", ',', out, sizeof out), 0);
  EXPECT_STREQ(out, "abc");
}

TEST(FieldCopy, CopiesToTheEndWithoutSeparator) {
  char out[8];
  EXPECT_EQ(get_field("abc", ',', out, sizeof out), 0);
  EXPECT_STREQ(out, "abc");
}

TEST(FieldCopy, LeadingSeparatorGivesOneAndEmptyField) {
  char out[8] = "xxxxxxx";
  EXPECT_EQ(get_field(",abc", ',', out, sizeof out), 1);
  EXPECT_STREQ(out, "");
}

TEST(FieldCopy, FieldFillingTheOutputIsNotTerminated) {
  char out[5] = {'x', 'x', 'x', 'x', '!'};
  EXPECT_EQ(get_field("abcd,e", ',', out, 4), 0);
  EXPECT_EQ(std::memcmp(out, "abcd!", 5), 0);
}

TEST(FieldCopy, LongerFieldIsCut) {
  char out[5] = {'x', 'x', 'x', 'x', '!'};
  EXPECT_EQ(get_field("abcdefgh", ',', out, 4), 0);
  EXPECT_EQ(std::memcmp(out, "abcd!", 5), 0);
}

TEST(WordCount, CountsNonOverlappingOccurrences) {
  EXPECT_EQ(word_count("aaaa", "aa"), 2);
  EXPECT_EQ(word_count("aaa", "aa"), 1);
  EXPECT_EQ(word_count("iqn.a,iqn.b", "iqn."), 2);
}

TEST(WordCount, MissingTextOrEmptyWordIsZero) {
  EXPECT_EQ(word_count(nullptr, "a"), 0);
  EXPECT_EQ(word_count("abc", ""), 0);
}

TEST(LineRead, LinesAreReadInTurn) {
  StreamWith stream("one\n\nthree");
  char line[16];
  EXPECT_EQ(oxim_get_line(stream.get(), line, sizeof line), kLineRead);
  EXPECT_STREQ(line, "one");
  EXPECT_EQ(oxim_get_line(stream.get(), line, sizeof line), kLineRead);
  EXPECT_STREQ(line, "");
  EXPECT_EQ(oxim_get_line(stream.get(), line, sizeof line), kLineRead);
  EXPECT_STREQ(line, "three");
  EXPECT_EQ(oxim_get_line(stream.get(), line, sizeof line), kLineEndOfInput);
}

TEST(LineRead, EmptyStreamIsEndOfInput) {
  StreamWith stream("");
  char line[4];
  EXPECT_EQ(oxim_get_line(stream.get(), line, sizeof line), kLineEndOfInput);
}

TEST(LineRead, LongLineIsPutBackForALargerBuffer) {
  StreamWith stream("abcdefgh\nnext\n");
  std::vector<char> line(4);
  EXPECT_EQ(oxim_get_line(stream.get(), line.data(), line.size()), kLineTooLong);
  line.resize(8);
  EXPECT_EQ(oxim_get_line(stream.get(), line.data(), line.size()), kLineTooLong);
  line.resize(16);
  EXPECT_EQ(oxim_get_line(stream.get(), line.data(), line.size()), kLineRead);
  EXPECT_STREQ(line.data(), "abcdefgh");
}

TEST(LineRead, LineAndNulFillingTheBufferFits) {
  StreamWith stream("abc\n");
  char line[4];
  EXPECT_EQ(oxim_get_line(stream.get(), line, sizeof line), kLineRead);
  EXPECT_STREQ(line, "abc");
}

}  // namespace
}  // namespace oxim
