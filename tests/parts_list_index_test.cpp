// The name index of the parts list: exact-byte lookup, the first entry of a
// name wins, and both stay true while the index grows.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

#include "convert/parts_list.h"

namespace relabel::testing {
namespace {

PartsTexts texts_for(const std::string& name, int serial) {
  PartsTexts t;
  to_counted_text(t[0], name);
  to_counted_text(t[1], std::to_string(serial));
  return t;
}

TEST(PartsListIndex, FirstEntryOfEachNameIsFoundAcrossGrowth) {
  PartsList list;
  std::map<std::string, int> first;  // name -> serial of its first entry
  for (int i = 0; i < 5000; ++i) {
    // Every seventh name repeats an earlier one; names differ in case and
    // length as well as in digits.
    std::string name(i % 3 == 0 ? "r" : "R");
    name += std::to_string(i % 7 == 6 ? i / 2 : i);
    if (i % 11 == 0) name += ' ';
    list.append(texts_for(name, i));
    first.emplace(name, i);
  }
  list.append(texts_for("", 5000));
  list.append(texts_for("", 5001));
  first.emplace("", 5000);

  for (const auto& [name, serial] : first) {
    const std::optional<PartsEntry> e = list.find(name);
    ASSERT_TRUE(e) << name;
    EXPECT_EQ(e->name, name);
    EXPECT_EQ(e->value_text, std::to_string(serial)) << name;
  }
  for (const char* absent : {"R", "x1", "R1x", "R10000", "r1", "R3 "}) {
    if (first.count(absent) == 0) {
      EXPECT_FALSE(list.find(absent)) << absent;
    }
  }

  // Every entry is counted, duplicates included; only first ones are kept.
  EXPECT_EQ(list.size(), 5002u);
  EXPECT_EQ(list.names(), first.size());
}

// Many entries of few names, interleaved: the first of each wins, and the
// later ones are counted but take no memory.
TEST(PartsListIndex, FirstEntryWinsAcrossManyDuplicatesInFlatMemory) {
  PartsList list;
  std::size_t bytes = 0;
  for (int round = 0; round < 2000; ++round) {
    for (int name = 0; name < 50; ++name)
      list.append(texts_for("D" + std::to_string(name), round));
    if (round == 0) bytes = list.memory_bytes();
  }
  EXPECT_EQ(list.memory_bytes(), bytes);
  EXPECT_EQ(list.size(), 100000u);
  EXPECT_EQ(list.names(), 50u);
  for (int name = 0; name < 50; ++name) {
    const std::optional<PartsEntry> e = list.find("D" + std::to_string(name));
    ASSERT_TRUE(e) << name;
    EXPECT_EQ(e->value_text, "0") << name;
  }
}

TEST(PartsListIndex, EmptyListFindsNothing) {
  const PartsList list;
  EXPECT_FALSE(list.find("R1"));
  EXPECT_FALSE(list.find(""));
}

}  // namespace
}  // namespace relabel::testing
