// The name index of the parts list: exact-byte lookup, the first entry of a
// name wins, and both stay true while the index grows.
#include <gtest/gtest.h>

#include <map>
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
    const PartsEntry* e = list.find(name);
    ASSERT_NE(e, nullptr) << name;
    EXPECT_EQ(e->name.view(), name);
    EXPECT_EQ(e->value_text.view(), std::to_string(serial)) << name;
  }
  for (const char* absent : {"R", "x1", "R1x", "R10000", "r1", "R3 "}) {
    if (first.count(absent) == 0) {
      EXPECT_EQ(list.find(absent), nullptr) << absent;
    }
  }

  // The chain still holds every entry, duplicates included, in file order.
  int serial = 0;
  for (const PartsEntry* e = list.head(); e != nullptr; e = e->next)
    ASSERT_EQ(e->value_text.view(), std::to_string(serial++));
  EXPECT_EQ(serial, 5002);
  EXPECT_EQ(list.size(), 5002u);
}

TEST(PartsListIndex, EmptyListFindsNothing) {
  const PartsList list;
  EXPECT_EQ(list.find("R1"), nullptr);
  EXPECT_EQ(list.find(""), nullptr);
}

}  // namespace
}  // namespace relabel::testing
