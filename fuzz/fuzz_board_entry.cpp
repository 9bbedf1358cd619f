// Board entry lines: the parse never changes its line, is deterministic, fills the first
// k numbers alike whether asked for k or for all six, leaves the record alone for a line
// without a double quote, and a record written back as a line (six numbers, or three)
// parses to the same record.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "check.h"
#include "convert/board_entry.h"

namespace {

using relabel::BoardEntry;

BoardEntry sentinel() {
  BoardEntry e;
  relabel::to_counted_text(e.name, "sentinel");
  for (std::size_t i = 0; i < 6; ++i)
    e.numbers[i] = static_cast<std::int32_t>(11 * (i + 1));
  return e;
}

bool same(const BoardEntry& a, const BoardEntry& b) {
  if (a.name.view() != b.name.view()) return false;
  for (std::size_t i = 0; i < 6; ++i)
    if (a.numbers[i] != b.numbers[i]) return false;
  return true;
}

// The line format_board_entry makes of `entry` with `n` numbers.
std::string written(const BoardEntry& entry, unsigned n) {
  char out[relabel::kBoardLineCapacity];
  const std::string line(relabel::format_board_entry(entry, n, out));
  FUZZ_CHECK(line.rfind("    (\"", 0) == 0);
  FUZZ_CHECK(line.back() == ')');
  return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const std::string original = line;

  BoardEntry entry = sentinel();
  relabel::parse_board_entry(line, entry);
  FUZZ_CHECK(line == original);
  BoardEntry again = sentinel();
  relabel::parse_board_entry(line, again);
  FUZZ_CHECK(same(entry, again));
  // Asked for its first k numbers only, the parse gives them what the whole
  // parse gives and leaves the others alone.
  for (std::size_t k = 1; k < 6; ++k) {
    BoardEntry first = sentinel();
    relabel::parse_board_entry(line, first, k);
    BoardEntry expected = entry;
    for (std::size_t i = k; i < 6; ++i) expected.numbers[i] = sentinel().numbers[i];
    FUZZ_CHECK(same(first, expected));
  }

  const std::size_t open = line.find('"');
  if (open == std::string::npos) {
    FUZZ_CHECK(same(entry, sentinel()));
    return 0;
  }
  FUZZ_CHECK(entry.name.length <= 72);
  FUZZ_CHECK(entry.name.view().find('"') == std::string_view::npos);
  FUZZ_CHECK(line.find(entry.name.view()) != std::string::npos);

  // With no ")" after the character that follows the closing quote, number 1
  // gets 0 and the others keep their values.
  const std::size_t close = line.find('"', open + 1);
  const std::size_t numbers_from = close == std::string::npos ? open + 2 : close + 2;
  if (numbers_from >= line.size() || line.find(')', numbers_from) == std::string::npos) {
    BoardEntry expected = sentinel();
    expected.name = entry.name;
    expected.numbers[0] = 0;
    FUZZ_CHECK(same(entry, expected));
  }

  // Written back with six numbers, the record parses to itself.
  const std::string six = written(entry, 6);
  BoardEntry reparsed = sentinel();
  relabel::parse_board_entry(six, reparsed);
  FUZZ_CHECK(same(entry, reparsed));

  // With three, the fourth number becomes 0 and the last two stay.
  const std::string three = written(entry, 3);
  BoardEntry partial = sentinel();
  relabel::parse_board_entry(three, partial);
  BoardEntry expected = sentinel();
  expected.name = entry.name;
  for (std::size_t i = 0; i < 3; ++i) expected.numbers[i] = entry.numbers[i];
  expected.numbers[3] = 0;
  FUZZ_CHECK(same(partial, expected));
  return 0;
}
