// Parts-list lines read as their quoted texts, and the list they fill.
#include "convert/parts_list.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace relabel::testing {
namespace {

using Texts = std::array<std::string, 4>;

struct LineCase {
  const char* what;
  std::string line;
  Texts texts;
};

TEST(ParsePartsLine, ReadsUpToFourQuotedTexts) {
  const std::string t80 = std::string(40, 'a') + std::string(40, 'b');
  const std::string t72(72, 'c');
  const std::string far(300, 'x');
  const LineCase cases[] = {
      {"empty fourth",
       "\"R1\" \"10k\" \"0805\" \"\"",
       {"R1", "10k", "0805", ""}},
      // Whether the fourth replaces the value is the reader's business.
      {"non-empty fourth",
       "\"R1\" \"10k\" \"0805\" \"4k7\"",
       {"R1", "10k", "0805", "4k7"}},
      {"one trailing blank dropped",
       "\"C1 \" \"100n \"",
       {"C1", "100n", "", ""}},
      {"two trailing blanks keep one", "\"C1  \" \"x\"", {"C1 ", "x", "", ""}},
      {"leading blanks kept", "\"  C1\"", {"  C1", "", "", ""}},
      {"a lone blank", "\" \" \"x\"", {"", "x", "", ""}},
      {"five quoted texts",
       "\"a\" \"b\" \"c\" \"d\" \"e\"",
       {"a", "b", "c", "d"}},
      {"outside the quotes ignored",
       "x\"R1\"junk\"10k\"y \"\"",
       {"R1", "10k", "", ""}},
      {"80-character text",
       "\"" + t80 + "\" \"v\"",
       {t80.substr(0, 72), "v", "", ""}},
      {"72 characters and a blank", "\"" + t72 + " \"", {t72, "", "", ""}},
      {"80 characters and a blank",
       "\"" + t80 + " \"",
       {t80.substr(0, 72), "", "", ""}},
      {"no quote at all", "R1 10k 0805", {"", "", "", ""}},
      {"empty line", "", {"", "", "", ""}},
      {"unclosed first quote", "\"R1 10k", {"", "", "", ""}},
      {"unclosed second text", "\"R1\" \"10k", {"R1", "", "", ""}},
      {"quote beyond position 300",
       far + "\"R9\" \"1k\"",
       {"R9", "1k", "", ""}},
      {"text beyond position 300",
       "\"" + far + "\" \"" + far + "x\"",
       {far.substr(0, 72), far.substr(0, 72), "", ""}},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.what);
    PartsTexts texts;
    for (ShortText72& t : texts) to_counted_text(t, "stale");
    parse_parts_line(c.line, texts);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(texts[i].view(), c.texts[i]) << i;
  }
}

PartsTexts texts_of(const Texts& strings) {
  PartsTexts texts;
  for (int i = 0; i < 4; ++i) to_counted_text(texts[i], strings[i]);
  return texts;
}

TEST(PartsList, StoresTheTextsOfTheFirstEntryOfEachName) {
  PartsList list;
  list.append(texts_of({"R1", "10k", "0805", "x"}));
  list.append(texts_of({"C1", "100n", "1206", ""}));
  list.append(texts_of({"R1", "22k", "0603", ""}));
  EXPECT_EQ(list.size(), 3u);
  EXPECT_EQ(list.names(), 2u);

  const std::optional<PartsEntry> r1 = list.find("R1");
  ASSERT_TRUE(r1);
  EXPECT_EQ(r1->name, "R1");
  EXPECT_EQ(r1->value_text, "10k");
  EXPECT_EQ(r1->second_text, "0805");
  ASSERT_TRUE(list.find("C1"));
  EXPECT_EQ(list.find("C1")->second_text, "1206");
}

TEST(PartsList, LookupIsExactAndTheFirstEntryOfANameWins) {
  PartsList list;
  list.append(texts_of({"R1", "10k", "", ""}));
  list.append(texts_of({"C1", "100n", "", ""}));
  list.append(texts_of({"R1", "22k", "", ""}));
  list.append(texts_of({"R1", "33k", "", ""}));  // the same name twice in a row
  list.append(texts_of({"", "empty", "", ""}));
  list.append(texts_of({"R10", "1M", "", ""}));  // "R1" is a prefix of it
  list.append(texts_of({"R1 ", "1R", "", ""}));
  list.append(texts_of({"R1", "47k", "", ""}));  // after a longer name
  // Names of every length class that differ from the name before them in
  // their last byte only.
  std::vector<std::pair<std::string, std::string>> found = {
      {"R1", "10k"}, {"C1", "100n"}, {"", "empty"}, {"R10", "1M"}, {"R1 ", "1R"}};
  for (std::size_t length : {3, 6, 11, 18}) {
    for (char last : {'A', 'B'}) {
      std::string name(length - 1, 'N');
      name += last;
      list.append(texts_of({name, name + "v", "", ""}));
      found.push_back({name, name + "v"});
    }
  }
  for (const auto& [name, value] : found) {
    ASSERT_TRUE(list.find(name)) << name;
    EXPECT_EQ(list.find(name)->value_text, value);
  }
  for (const char* other : {"r1", "c1", " R1", "R", "R100", "R1  "}) {
    SCOPED_TRACE(other);
    EXPECT_FALSE(list.find(other));
  }
}

// Texts are stored at their own lengths, back to back: each must come back
// with exactly its bytes, whatever the lengths of its neighbours.
TEST(PartsList, TextsOfEveryLengthComeBackWhole) {
  PartsList list;
  std::vector<Texts> stored;
  for (std::size_t a : {0, 1, 71, 72}) {
    for (std::size_t b : {0, 71, 72, 80}) {
      // Names of 75 and more characters as read are cut to 72.
      const std::string name =
          std::to_string(a) + "_" + std::to_string(b) + std::string(a, 'n');
      const std::string value(b, 'v'), second(80 - b, 's');
      PartsTexts texts;
      parse_parts_line("\"" + name + "\" \"" + value + "\" \"" + second + "\"",
                       texts);
      list.append(texts);
      stored.push_back({name.substr(0, 72), value.substr(0, 72),
                        second.substr(0, 72), ""});
    }
  }
  for (const Texts& t : stored) {
    SCOPED_TRACE(t[0]);
    const std::optional<PartsEntry> e = list.find(t[0]);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->name, t[0]);
    EXPECT_EQ(e->value_text, t[1]);
    EXPECT_EQ(e->second_text, t[2]);
  }
}

std::string part_name(int i) {
  std::string name = "P";
  name += std::to_string(i);
  return name;
}

TEST(PartsList, EntriesStayFindableAsTheListGrows) {
  PartsList list;
  EXPECT_FALSE(list.find(part_name(0)));
  for (int i = 0; i < 20000; ++i)
    list.append(texts_of({part_name(i), std::to_string(i), "", ""}));
  for (int i : {0, 1, 4095, 4096, 19999}) {
    const std::optional<PartsEntry> e = list.find(part_name(i));
    ASSERT_TRUE(e) << i;
    EXPECT_EQ(e->value_text, std::to_string(i));
  }
}

}  // namespace
}  // namespace relabel::testing
