// Parts-list lines: the parse is a pure function of the line, stores at most
// four texts of at most 72 characters taken from between double quotes, and
// a line written back from those texts parses to the same texts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check.h"
#include "convert/parts_line.h"

namespace {

using relabel::PartsTexts;
using relabel::ShortText72;

bool same(const PartsTexts& a, const PartsTexts& b) {
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].view() != b[i].view()) return false;
  return true;
}

// Quotes a stored text so that it parses back unchanged: a text that ends in
// a blank gets one more, since the parse drops one trailing blank.
std::string quoted(std::string_view text) {
  std::string q = "\"";
  q += text;
  if (!text.empty() && text.back() == ' ') q += ' ';
  q += "\" ";
  return q;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const std::string original = line;

  PartsTexts texts;
  for (ShortText72& t : texts) t.length = 55;  // the parse must reset these
  relabel::parse_parts_line(line, texts);
  FUZZ_CHECK(line == original);

  PartsTexts again;
  relabel::parse_parts_line(line, again);
  FUZZ_CHECK(same(texts, again));

  const bool has_quote = line.find('"') != std::string::npos;
  bool fits = true;
  for (const ShortText72& t : texts) {
    FUZZ_CHECK(t.length <= 72);
    FUZZ_CHECK(t.view().find('"') == std::string_view::npos);
    // Every text is a piece of the line.
    FUZZ_CHECK(line.find(t.view()) != std::string::npos);
    if (!has_quote) FUZZ_CHECK(t.length == 0);
    // A text of 72 characters ending in a blank may have been cut; its
    // written-back form would be longer than a text can be.
    if (t.length == 72 && t.view().back() == ' ') fits = false;
  }
  // Texts come in order: an empty closing quote ends the parse, so a text
  // after the first one without a closing quote is empty.
  std::size_t quotes = 0;
  for (char c : line) quotes += c == '"';
  for (std::size_t i = 0; i < texts.size(); ++i)
    if (quotes < 2 * (i + 1)) FUZZ_CHECK(texts[i].length == 0);

  // Text i lies between quotes 2i+1 and 2i+2 of the line; it keeps all of
  // it but one trailing blank, cut to 72 characters.
  std::vector<std::string_view> pieces;
  std::string_view rest = line;
  for (std::size_t cut; (cut = rest.find('"')) != std::string_view::npos;) {
    pieces.push_back(rest.substr(0, cut));
    rest.remove_prefix(cut + 1);
  }
  pieces.push_back(rest);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (2 * i + 2 >= pieces.size()) break;  // no closing quote: checked above
    std::string_view between = pieces[2 * i + 1];
    if (between.size() > 73) {
      // Longer texts keep their first 72 characters, or 71 of them.
      FUZZ_CHECK(between.substr(0, texts[i].length) == texts[i].view());
      FUZZ_CHECK(texts[i].length >= 71);
      continue;
    }
    if (!between.empty() && between.back() == ' ') between.remove_suffix(1);
    FUZZ_CHECK(texts[i].view() == between.substr(0, 72));
  }

  if (fits) {
    std::string written = "junk";
    for (const ShortText72& t : texts) written += quoted(t.view());
    written += "\"ignored fifth\"";
    PartsTexts reparsed;
    relabel::parse_parts_line(written, reparsed);
    FUZZ_CHECK(same(texts, reparsed));
  }
  return 0;
}
