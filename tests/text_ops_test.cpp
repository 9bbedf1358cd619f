// Text operations with 1-based positions and clamped starts and counts, and
// the counted texts in which names and labels are stored.
#include "runtime/text_ops.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/counted_text.h"

namespace relabel::testing {
namespace {

TEST(FindText, Edges) {
  struct Case {
    std::string needle, subject;
    std::int32_t position;
  };
  const Case cases[] = {
      {"", "abc", 0},        // an empty needle is found nowhere
      {"", "", 0},
      {"a", "", 0},
      {"abcd", "abc", 0},    // needle longer than the subject
      {"c", "abc", 3},       // one character, only at the end
      {"abc", "abc", 1},
      {"ABC", "abc", 0},     // letter case matters
      {"aab", "aaab", 2},    // overlapping candidates are all tried
      {"b", "abab", 2},      // the first occurrence
      {"\"", "x \"y\"", 3},
      {"\xE9", "caf\xE9", 4},
  };
  for (const Case& c : cases)
    EXPECT_EQ(find_text(c.needle, c.subject), c.position)
        << '"' << c.needle << "\" in \"" << c.subject << '"';
}

TEST(CopyAndDeleteText, ClampStartAndCount) {
  struct Case {
    std::int32_t start, count;
    std::string copied, left_after_delete;
  };
  // A start below 1 copies from 1 but deletes nothing.
  const Case cases[] = {
      {1, 3, "abc", "def"},
      {3, 2, "cd", "abef"},
      {0, 3, "abc", "abcdef"},
      {-2, 3, "abc", "abcdef"},
      {5, 10, "ef", "abcd"},
      {7, 1, "", "abcdef"},
      {2, -1, "", "abcdef"},
      {2, 0, "", "abcdef"},
      {1, 6, "abcdef", ""},
      {1, 2147483647, "abcdef", ""},
      {-2147483647 - 1, 2, "ab", "abcdef"},
      {6, 1, "f", "abcde"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(copy_text("abcdef", c.start, c.count), c.copied)
        << "copy from " << c.start << " for " << c.count;
    std::string text = "abcdef";
    delete_text(text, c.start, c.count);
    EXPECT_EQ(text, c.left_after_delete)
        << "delete at " << c.start << " for " << c.count;
  }
  EXPECT_EQ(copy_text("", 0, 5), "");
  std::string empty;
  delete_text(empty, 1, 5);
  EXPECT_EQ(empty, "");
}

TEST(AppendText, JoinsAndKeepsValues) {
  std::string name = "in";
  const std::string original = name;
  append_text(name, ".pnl");
  EXPECT_EQ(name, "in.pnl");
  EXPECT_EQ(original, "in");
  append_text(name, "");
  EXPECT_EQ(name, "in.pnl");
  std::string empty;
  append_text(empty, std::string("a\0b", 3));
  EXPECT_EQ(empty, std::string("a\0b", 3));
}

TEST(CountedText, LongStretchKeepsItsFirst72Characters) {
  std::string stretch;
  for (int i = 0; i < 300; ++i) stretch += static_cast<char>('A' + i % 26);
  CountedText<255> wide;
  to_counted_text(wide, stretch);
  EXPECT_EQ(wide.length, 255);
  EXPECT_EQ(wide.view(), stretch.substr(0, 255));
  ShortText72 stored;
  copy_counted_text(stored, wide, 72);
  EXPECT_EQ(stored.length, 72);
  EXPECT_EQ(stored.view(), stretch.substr(0, 72));

  to_counted_text(wide, "");
  EXPECT_EQ(wide.length, 0);
  copy_counted_text(stored, wide, 72);
  EXPECT_EQ(stored.length, 0);
}

TEST(CountedText, CopyLeavesSlotsBeyondTheLengthAlone) {
  ShortText72 destination;
  to_counted_text(destination, "abcdefgh");
  ShortText72 source;
  to_counted_text(source, "XYZ");
  copy_counted_text(destination, source, 72);
  EXPECT_EQ(destination.view(), "XYZ");
  EXPECT_EQ(std::string(destination.slots, 8), "XYZdefgh");
  // The maximum cuts as well.
  copy_counted_text(destination, source, 2);
  EXPECT_EQ(destination.view(), "XY");
  EXPECT_EQ(std::string(destination.slots, 8), "XYZdefgh");
}

TEST(CompareBytes, EqualOnlyForTheSameBytes) {
  EXPECT_EQ(compare_bytes("abc", "abc", 3), 0);
  EXPECT_NE(compare_bytes("abc", "aBc", 3), 0);
  EXPECT_EQ(compare_bytes("abc", "xyz", 0), 0);
  EXPECT_EQ(compare_bytes("abcX", "abcY", 3), 0);
  // The first differing byte decides, taken as unsigned.
  EXPECT_GT(compare_bytes("a\x80", "a\x01", 2), 0);
  EXPECT_LT(compare_bytes("a\x01z", "a\x80" "a", 3), 0);
  EXPECT_LT(compare_bytes("ab\xFF", "ac\x00", 3), 0);
}

// Stored names compare from their length bytes on, so the length decides
// too, and the slots after the length never do.
bool same_name(const ShortText72& a, const ShortText72& b) {
  return compare_bytes(&a.length, &b.length, a.length + 1u) == 0;
}

TEST(CompareBytes, StoredNames) {
  ShortText72 r1, r1_upper, r10, r1_other_tail;
  to_counted_text(r1, "r1");
  to_counted_text(r1_upper, "R1");
  to_counted_text(r10, "r10");
  to_counted_text(r1_other_tail, "r1xyz");
  to_counted_text(r1_other_tail, "r1");
  EXPECT_FALSE(same_name(r1, r1_upper));
  EXPECT_FALSE(same_name(r1, r10));
  EXPECT_FALSE(same_name(r10, r1));
  EXPECT_TRUE(same_name(r1, r1_other_tail));
}

}  // namespace
}  // namespace relabel::testing
