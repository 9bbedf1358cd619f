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

TEST(PartsList, LookupIsExactAndTheFirstEntryOfANameWins) {
  PartsList list;
  EXPECT_FALSE(list.find("R1"));
  EXPECT_FALSE(list.find(""));
  add(list, "R1", "10k", "0805");
  add(list, "C1", "100n", "1206");
  add(list, "R1", "22k", "0603");
  add(list, "R1", "33k");  // the same name twice in a row
  add(list, "", "empty");
  add(list, "R10", "1M");  // "R1" is a prefix of it
  add(list, "R1 ", "1R");
  add(list, "R1", "47k");                 // after a longer name
  add(list, "F1", "10k", "0805", "4k7");  // a fourth text replaces the value
  std::vector<std::pair<std::string, std::string>> found = {{"R1", "10k"}, {"C1", "100n"},
                                                            {"", "empty"}, {"R10", "1M"},
                                                            {"R1 ", "1R"}, {"F1", "4k7"}};
  // Names of every length class that differ from the name before them in
  // their last byte only.
  for (std::size_t length : {3, 6, 11, 18}) {
    for (char last : {'A', 'B'}) {
      std::string name(length - 1, 'N');
      name += last;
      add(list, name, name + "v");
      found.push_back({name, name + "v"});
    }
  }
  EXPECT_EQ(list.size(), 17u);
  for (const auto& [name, value] : found) {
    const std::optional<PartsEntry> e = list.find(name);
    ASSERT_TRUE(e) << name;
    EXPECT_EQ(e->name, name);
    EXPECT_EQ(e->value_text, value);
  }
  EXPECT_EQ(list.find("R1")->second_text, "0805");
  EXPECT_EQ(list.find("C1")->second_text, "1206");
  EXPECT_EQ(list.find("F1")->second_text, "0805");
  for (const char* other : {"r1", "c1", " R1", "R", "R100", "R1  "}) {
    SCOPED_TRACE(other);
    EXPECT_FALSE(list.find(other));
  }
}

// Texts are stored at their own lengths, back to back: each must come back
// with exactly its bytes, whatever the lengths of its neighbours.
TEST(PartsList, TextsOfEveryLengthComeBackWhole) {
  PartsList list;
  std::vector<std::vector<std::string>> stored;
  for (std::size_t a : {0, 1, 71, 72}) {
    for (std::size_t b : {0, 15, 16, 17, 71, 72, 80}) {
      // Names of 73 and more characters are cut to 72.
      const std::string name =
          std::to_string(a) + "_" + std::to_string(b) + std::string(a, 'n');
      const std::string value(b, 'v'), second(80 - b, 's');
      add(list, name, value, second);
      stored.push_back({name.substr(0, 72), value.substr(0, 72), second.substr(0, 72)});
    }
  }
  for (const std::vector<std::string>& t : stored) {
    SCOPED_TRACE(t[0]);
    const std::optional<PartsEntry> e = list.find(t[0]);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->name, t[0]);
    EXPECT_EQ(e->value_text, t[1]);
    EXPECT_EQ(e->second_text, t[2]);
  }
}

TEST(PartsList, FirstEntryOfEachNameIsFoundAcrossGrowth) {
  PartsList list;
  std::map<std::string, int> first;  // name -> serial of its first entry
  for (int i = 0; i < 20000; ++i) {
    // Every seventh name repeats an earlier one; names differ in case and
    // length as well as in digits.
    std::string name(i % 3 == 0 ? "r" : "R");
    name += std::to_string(i % 7 == 6 ? i / 2 : i);
    if (i % 11 == 0) name += ' ';
    add(list, name, std::to_string(i));
    first.emplace(name, i);
  }
  // Every entry is counted, repeats included.
  EXPECT_EQ(list.size(), 20000u);
  for (const auto& [name, serial] : first) {
    const std::optional<PartsEntry> e = list.find(name);
    ASSERT_TRUE(e) << name;
    EXPECT_EQ(e->name, name);
    EXPECT_EQ(e->value_text, std::to_string(serial)) << name;
  }
  for (const char* absent : {"R", "x1", "R1x", "R30000", "r1", "R3 "}) {
    if (first.count(absent) == 0) {
      EXPECT_FALSE(list.find(absent)) << absent;
    }
  }
}

// Names looked up mostly in the list's own order, with gaps, names the list
// lacks, steps back and repeated names, over entries that fill several
// chunks with room left at their ends: each finds its first entry.
TEST(PartsList, LookupsInTheListsOrderFindTheFirstEntries) {
  PartsList list;
  std::map<std::string, std::string> first;
  std::vector<std::string> order;  // names in the order of their first entries
  for (int i = 0; i < 3000; ++i) {
    const std::string name = "N" + std::to_string(i % 5 == 4 ? i - 3 : i);
    const std::string value = std::string(i % 60, 'v') + std::to_string(i);
    add(list, name, value, std::string(i % 70, 's'));
    if (first.emplace(name, value).second) order.push_back(name);
  }
  const auto expect_found = [&](const std::string& name) {
    const std::optional<PartsEntry> e = list.find(name);
    ASSERT_TRUE(e) << name;
    EXPECT_EQ(e->value_text, first[name]) << name;
  };
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (i % 3 == 2) continue;
    if (i % 7 == 0) {
      EXPECT_FALSE(list.find("M" + std::to_string(i)));
    }
    if (i % 13 == 0 && i > 0) expect_found(order[i - 1]);
    expect_found(order[i]);
  }
  expect_found(order.back());
  expect_found(order.front());
}

// Many entries of few names, interleaved: the first of each wins, and the
// later ones are counted but allocate nothing.
TEST(PartsList, RepeatedNamesCostNoMemory) {
  PartsList list;
  std::size_t after_first_round = 0;
  for (int round = 0; round < 2000; ++round) {
    for (int name = 0; name < 50; ++name)
      add(list, "D" + std::to_string(name), std::to_string(round));
    if (round == 0) after_first_round = allocation_count();
  }
  EXPECT_EQ(list.size(), 100000u);
  for (int name = 0; name < 50; ++name) {
    const std::optional<PartsEntry> e = list.find("D" + std::to_string(name));
    ASSERT_TRUE(e) << name;
    EXPECT_EQ(e->value_text, "0") << name;
  }
  // The strings this test made for the names and values allocate nothing
  // either: they are short.
  EXPECT_EQ(allocation_count(), after_first_round);
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
