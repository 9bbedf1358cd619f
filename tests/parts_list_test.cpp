// The parts list: exact-byte lookup in which the first entry of a name
// wins, across the growth of its index and arena.
#include "convert/parts_list.h"

#include <gtest/gtest.h>

#include <map>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "convert/run_state.h"

namespace relabel::testing {

// Calls of the plain operator new so far (allocation_count.cpp).
std::size_t allocation_count();

namespace {

// Appends the entry of a line with these quoted texts.
void add(PartsList& list, const std::string& name, const std::string& value,
         const std::string& second = "", const std::string& fourth = "") {
  PartsTexts texts;
  to_counted_text(texts[0], name);
  to_counted_text(texts[1], value);
  to_counted_text(texts[2], second);
  to_counted_text(texts[3], fourth);
  list.append(texts);
}

// An entry's texts as "name|value|second".
std::string entry(std::string_view name, std::string_view value,
                  std::string_view second) {
  return std::string(name) + "|" + std::string(value) + "|" + std::string(second);
}

// The entry found for `name`, or "absent".
std::string found(const PartsList& list, const std::string& name) {
  const std::optional<PartsEntry> e = list.find(name);
  return e ? entry(e->name, e->value_text, e->second_text) : "absent";
}

TEST(PartsList, LookupIsExactAndTheFirstEntryOfANameWins) {
  PartsList list;
  EXPECT_EQ(found(list, "R1"), "absent");
  EXPECT_EQ(found(list, ""), "absent");
  add(list, "R1", "10k", "0805");
  add(list, "C1", "100n", "1206");
  add(list, "R1", "22k", "0603");
  add(list, "R1", "33k");  // the same name twice in a row
  add(list, "", "empty");
  add(list, "R10", "1M");  // "R1" is a prefix of it
  add(list, "R1 ", "1R");
  add(list, "R1", "47k");                 // after a longer name
  add(list, "F1", "10k", "0805", "4k7");  // a fourth text replaces the value
  std::vector<std::pair<std::string, std::string>> first = {
      {"R1", "R1|10k|0805"}, {"C1", "C1|100n|1206"}, {"", "|empty|"},
      {"R10", "R10|1M|"},    {"R1 ", "R1 |1R|"},     {"F1", "F1|4k7|0805"}};
  // Names of every length class that differ from the name before them in
  // their last byte only.
  for (std::size_t length : {3, 6, 11, 18}) {
    for (char last : {'A', 'B'}) {
      std::string name(length - 1, 'N');
      name += last;
      add(list, name, name + "v");
      first.push_back({name, entry(name, name + "v", "")});
    }
  }
  EXPECT_EQ(list.size(), 17u);
  for (const auto& [name, expected] : first) EXPECT_EQ(found(list, name), expected);
  for (const char* other : {"r1", "c1", " R1", "R", "R100", "R1  "})
    EXPECT_EQ(found(list, other), "absent") << other;
}

// Texts are stored at their own lengths, back to back: each must come back
// with exactly its bytes, whatever the lengths of its neighbours.
TEST(PartsList, TextsOfEveryLengthComeBackWhole) {
  PartsList list;
  std::vector<std::pair<std::string, std::string>> stored;
  for (std::size_t a : {0, 1, 71, 72}) {
    for (std::size_t b : {0, 15, 16, 17, 71, 72, 80}) {
      // Names of 73 and more characters are cut to 72.
      const std::string name =
          std::to_string(a) + "_" + std::to_string(b) + std::string(a, 'n');
      const std::string value(b, 'v'), second(80 - b, 's');
      add(list, name, value, second);
      const std::string cut = name.substr(0, 72);
      stored.push_back({cut, entry(cut, value.substr(0, 72), second.substr(0, 72))});
    }
  }
  for (const auto& [name, expected] : stored) EXPECT_EQ(found(list, name), expected);
}

// Lists grown across many chunks and index sizes, with texts of varying
// lengths that leave room at the chunks' ends: the first entry of each name
// is found, and every entry is counted, repeats included.
TEST(PartsList, FirstEntryOfEachNameIsFoundAcrossGrowth) {
  const struct {
    const char* what;
    int entries;
    std::string (*name)(int);
  } cases[] = {
      // Every seventh name repeats an earlier one; names differ in case and
      // length as well as in digits.
      {"mostly new names", 20000,
       [](int i) {
         std::string name(i % 3 == 0 ? "r" : "R");
         name += std::to_string(i % 7 == 6 ? i / 2 : i);
         if (i % 11 == 0) name += ' ';
         return name;
       }},
      {"few names, interleaved, over and over", 100000,
       [](int i) { return "D" + std::to_string(i % 50); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PartsList list;
    std::map<std::string, std::string> first;  // name -> its first entry
    for (int i = 0; i < c.entries; ++i) {
      const std::string value = std::string(i % 60, 'v') + std::to_string(i);
      const std::string second(i % 70, 's');
      add(list, c.name(i), value, second);
      first.emplace(c.name(i), entry(c.name(i), value, second));
    }
    EXPECT_EQ(list.size(), static_cast<std::uint64_t>(c.entries));
    for (const auto& [name, expected] : first) EXPECT_EQ(found(list, name), expected);
    for (const char* absent : {"R", "x1", "R1x", "R30000", "r1", "R3 ", "D", "D50"}) {
      if (first.count(absent) == 0) {
        EXPECT_EQ(found(list, absent), "absent");
      }
    }
  }
}

// The run's state is built before the banner is printed, when nothing may
// allocate yet: an empty parts list and the state holding it allocate
// nothing; the list's first entry does.
TEST(PartsList, AnEmptyListAndTheRunStateAllocateNothing) {
  alignas(RunState) static unsigned char room[sizeof(RunState)];
  const std::size_t before = allocation_count();
  RunState* state = new (room) RunState;
  EXPECT_FALSE(state->parts.find("R1"));
  EXPECT_EQ(allocation_count(), before);
  add(state->parts, "R1", "10k");
  EXPECT_GT(allocation_count(), before);
  EXPECT_TRUE(state->parts.find("R1"));
  state->~RunState();
}

}  // namespace
}  // namespace relabel::testing
