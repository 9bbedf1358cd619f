// Parts-list lines read as their quoted texts, and the list they fill.
#include "convert/parts_list.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
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

TEST(PartsList, KeepsFileOrderAndTheTextsOfEachLine) {
  PartsList list;
  EXPECT_EQ(list.head(), nullptr);
  list.append(texts_of({"R1", "10k", "0805", "x"}));
  list.append(texts_of({"C1", "100n", "1206", ""}));
  list.append(texts_of({"R1", "22k", "0603", ""}));

  std::vector<std::string> order;
  for (const PartsEntry* e = list.head(); e != nullptr; e = e->next)
    order.emplace_back(e->name.view());
  EXPECT_EQ(order, (std::vector<std::string>{"R1", "C1", "R1"}));
  EXPECT_EQ(list.size(), 3u);

  const PartsEntry* first = list.head();
  EXPECT_EQ(first->value_text.view(), "10k");
  EXPECT_EQ(first->second_text.view(), "0805");
  EXPECT_EQ(first->fourth_text.view(), "x");
}

TEST(PartsList, LookupIsExactAndTheFirstEntryOfANameWins) {
  PartsList list;
  list.append(texts_of({"R1", "10k", "", ""}));
  list.append(texts_of({"C1", "100n", "", ""}));
  list.append(texts_of({"R1", "22k", "", ""}));
  list.append(texts_of({"", "empty", "", ""}));

  ASSERT_NE(list.find("R1"), nullptr);
  EXPECT_EQ(list.find("R1")->value_text.view(), "10k");
  EXPECT_EQ(list.find("C1")->value_text.view(), "100n");
  ASSERT_NE(list.find(""), nullptr);
  EXPECT_EQ(list.find("")->value_text.view(), "empty");
  for (const char* other : {"r1", "c1", "R1 ", " R1", "R", "R10"}) {
    SCOPED_TRACE(other);
    EXPECT_EQ(list.find(other), nullptr);
  }
}

std::string part_name(int i) {
  std::string name = "P";
  name += std::to_string(i);
  return name;
}

TEST(PartsList, EntriesStayFindableAsTheListGrows) {
  PartsList list;
  for (int i = 0; i < 20000; ++i)
    list.append(texts_of({part_name(i), std::to_string(i), "", ""}));
  for (int i : {0, 1, 4095, 4096, 19999}) {
    const PartsEntry* e = list.find(part_name(i));
    ASSERT_NE(e, nullptr) << i;
    EXPECT_EQ(e->value_text.view(), std::to_string(i));
  }
}

}  // namespace
}  // namespace relabel::testing
