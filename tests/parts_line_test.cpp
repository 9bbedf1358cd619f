// Parts-list lines read as their quoted texts.
#include "convert/parts_line.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

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
      {"empty fourth", "\"R1\" \"10k\" \"0805\" \"\"", {"R1", "10k", "0805", ""}},
      // Whether the fourth replaces the value is the reader's business.
      {"non-empty fourth",
       "\"R1\" \"10k\" \"0805\" \"4k7\"",
       {"R1", "10k", "0805", "4k7"}},
      {"one trailing blank dropped", "\"C1 \" \"100n \"", {"C1", "100n", "", ""}},
      {"two trailing blanks keep one", "\"C1  \" \"x\"", {"C1 ", "x", "", ""}},
      {"leading blanks kept", "\"  C1\"", {"  C1", "", "", ""}},
      {"a lone blank", "\" \" \"x\"", {"", "x", "", ""}},
      {"five quoted texts", "\"a\" \"b\" \"c\" \"d\" \"e\"", {"a", "b", "c", "d"}},
      {"outside the quotes ignored", "x\"R1\"junk\"10k\"y \"\"", {"R1", "10k", "", ""}},
      {"80-character text", "\"" + t80 + "\" \"v\"", {t80.substr(0, 72), "v", "", ""}},
      {"72 characters and a blank", "\"" + t72 + " \"", {t72, "", "", ""}},
      {"80 characters and a blank", "\"" + t80 + " \"", {t80.substr(0, 72), "", "", ""}},
      {"no quote at all", "R1 10k 0805", {"", "", "", ""}},
      {"empty line", "", {"", "", "", ""}},
      {"unclosed first quote", "\"R1 10k", {"", "", "", ""}},
      {"unclosed second text", "\"R1\" \"10k", {"R1", "", "", ""}},
      {"quote beyond position 300", far + "\"R9\" \"1k\"", {"R9", "1k", "", ""}},
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

}  // namespace
}  // namespace relabel::testing
