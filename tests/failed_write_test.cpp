// Every write call of a few small runs failed in turn, against a model of
// the writes made straight from the rules: what the run prints and writes,
// piece by piece (texts, characters, flushes, line ends, checks), pushed
// through 128-byte buffers. A failed push loses the waiting bytes and the
// rest of its text; the next check ends the run with the console's waiting
// bytes, the report and a line end. The whole sequence of writes must agree.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "test_support.h"

namespace relabel::testing {
namespace {

enum class Do { text, chr, flush, line_end, check, close, end };
struct Step {
  bool output;  // else the console
  Do what;
  std::string bytes;
};

struct Component {
  std::string name;
  bool listed;  // in the parts list
  int entry4;   // the entry's number 4
};

struct Case {
  const char* label;
  bool keep;
  HandleKind console;
  HandleKind output;
  std::string base;
  bool list_has_section = true;
  bool board_has_section = true;
  int extra_parts = 0;  // entries of names the board lacks
};

const Component kComponents[] = {
    {"R1", true, 2},  {"C4", false, 0},  {"R2", true, 6},
    {"U17", true, 3}, {"TP1", false, 1},
};

std::string entry_line(const std::string& name, const std::vector<int>& numbers) {
  std::string line = "    (\"" + name + "\"";
  for (int n : numbers) line += " " + std::to_string(n);
  return line + ")";
}

// A component's three board lines: its entry, its value and its size label.
std::vector<std::string> lines_of(const Component& k) {
  return {entry_line(k.name, {150, 200, 0, k.entry4, 0, 0}),
          entry_line("v", {90, 210, 4, 0, 1, 12}),
          entry_line("s", {95, 190, 4, 0, 1, 12})};
}

// The steps of the run, as the rules of the run sequence state them.
std::vector<Step> steps_of(const Case& c) {
  std::vector<Step> s;
  const auto con = [&](Do d, std::string b = {}) { s.push_back({false, d, b}); };
  const auto out = [&](Do d, std::string b = {}) { s.push_back({true, d, b}); };
  const auto print_line = [&](const std::string& t) {
    con(Do::text, t), con(Do::line_end), con(Do::check);
  };
  const auto copy = [&](const std::string& l) {
    out(Do::text, l), out(Do::line_end), out(Do::check);
  };
  const auto write_entry = [&](const std::string& name, std::vector<int> numbers) {
    out(Do::text, "    (\""), out(Do::text, name), out(Do::chr, "\""), out(Do::flush);
    out(Do::check);
    for (int n : numbers) {
      out(Do::chr, " "), out(Do::text, std::to_string(n)), out(Do::flush), out(Do::check);
    }
    out(Do::chr, ")"), out(Do::line_end), out(Do::check);
  };
  print_line(kBanner);
  if (c.keep) print_line("Zmena napisu (souradnice zustanou zachovany.)");
  if (!c.list_has_section) {
    print_line("Soubor " + c.base + ".pnl neobsahuje sekci \"Components\".");
    con(Do::end);
    return s;
  }
  int parts = c.extra_parts;
  for (const Component& k : kComponents) parts += k.listed;
  for (int i = 0; i < parts; ++i) con(Do::chr, "."), con(Do::flush), con(Do::check);
  con(Do::line_end), con(Do::check);
  con(Do::text, "Celkem nalezeno: "), con(Do::text, std::to_string(parts));
  print_line(" soucastek.");
  copy("BOARD");
  if (c.board_has_section) copy("(Components");
  for (const Component& k : kComponents) {
    const std::vector<std::string> lines = lines_of(k);
    copy(lines[0]);
    if (c.board_has_section && !k.listed) {
      con(Do::chr, "-"), con(Do::text, k.name), con(Do::chr, "-"), con(Do::flush);
      con(Do::check);
    }
    if (!c.board_has_section || !k.listed) {  // copied as they are
      copy(lines[1]), copy(lines[2]);
      continue;
    }
    con(Do::chr, "+"), con(Do::flush), con(Do::check);
    write_entry("V" + k.name, c.keep ? std::vector<int>{90, 210, 4, 0, 1, 12}
                                     : std::vector<int>{150, 200, 5, k.entry4, 0,
                                                        k.entry4 > 3 ? 3 : 12});
    write_entry("S" + k.name, {95, 190, 0});
  }
  copy(")"), copy("TAIL");
  if (!c.board_has_section) {
    print_line("Soubor " + c.base + ".pcb neobsahuje sekci \"Components\".");
    con(Do::end);
    return s;
  }
  out(Do::close), out(Do::check);
  con(Do::end);
  return s;
}

// The writes the steps make when write call `fail_at` fails (0: none).
std::vector<std::string> model_writes(const Case& c, int fail_at) {
  struct Buffer {
    std::string waiting;
    bool push_on_flush;
    const char* tag;
  };
  Buffer files[2] = {{"", c.console == HandleKind::character, "C"},
                     {"", c.output == HandleKind::character, "O"}};
  std::vector<std::string> log;
  int calls = 0;
  bool pending = false;
  const auto push = [&](Buffer& b) {
    if (b.waiting.empty()) return true;
    const bool failed = ++calls == fail_at;
    log.push_back(b.tag + b.waiting + (failed ? " FAILED" : ""));
    b.waiting.clear();
    pending = pending || failed;
    return !failed;
  };
  const auto text = [&](Buffer& b, std::string t) {
    for (;;) {
      const std::size_t room = 128 - b.waiting.size();
      if (t.size() < room) return void(b.waiting += t);
      b.waiting += t.substr(0, room);
      t.erase(0, room);
      if (!push(b)) return;
    }
  };
  for (const Step& step : steps_of(c)) {
    Buffer& b = files[step.output];
    switch (step.what) {
      case Do::text: text(b, step.bytes); break;
      case Do::chr:
        if (b.waiting.size() < 128 || push(b)) b.waiting += step.bytes;
        break;
      case Do::line_end: text(b, "\r\n"); [[fallthrough]];
      case Do::flush:
        if (b.push_on_flush) push(b);
        break;
      case Do::close: push(b); break;
      case Do::check:
        if (!pending) break;
        push(files[0]);
        log.push_back(
            "RException EInOutError in module relabel at ########.\n"
            "I/O error 112.");
        log.push_back("R\r\n");
        return log;
      case Do::end: push(files[0]); return log;
    }
  }
  return log;
}

std::vector<std::string> relabel_writes(const Case& c, int fail_at, int& exit_code) {
  FakePlatform fake;
  fake.console_kind = c.console;
  fake.file_kind = c.output;
  std::string& parts = fake.files[c.base + ".pnl"];
  parts = "PARTS\r\n" + std::string(c.list_has_section ? "(Components\r\n" : "");
  for (const Component& k : kComponents)
    if (k.listed)
      parts += "\"" + k.name + "\" \"V" + k.name + "\" \"S" + k.name + "\" \"\"\r\n";
  for (int i = 0; i < c.extra_parts; ++i) parts += "\"X" + std::to_string(i) + "\"\r\n";
  parts += ")\r\n";
  std::string& board = fake.files[c.base + ".pcb"];
  board = "BOARD\r\n" + std::string(c.board_has_section ? "(Components\r\n" : "");
  for (const Component& k : kComponents)
    for (const std::string& l : lines_of(k)) board += l + "\r\n";
  board += ")\r\nTAIL\r\n";
  if (fail_at > 0) fake.fail(Op::write, fail_at, 112);
  std::vector<std::string> args = {c.base, "out"};
  if (c.keep) args.push_back("x");
  exit_code = run_in_memory(fake, args).exit_code;
  const std::regex position(" at [0-9A-F]{8}\\.");
  for (std::string& w : fake.write_log)
    w = std::regex_replace(w, position, " at ########.");
  return fake.write_log;
}

const std::string kLongBase(140, 'b');
constexpr HandleKind kFile = HandleKind::disk, kPipe = HandleKind::pipe,
                     kDevice = HandleKind::character;  // a terminal, for the console
const Case kCases[] = {
    {"default, console a file", false, kFile, kFile, "brd"},
    {"default, console a pipe", false, kPipe, kFile, "brd", true, true, 9},
    {"default, console a terminal", false, kDevice, kFile, "brd"},
    {"keep, 13 dots fill the console", true, kFile, kFile, "brd", true, true, 10},
    {"keep, console a terminal", true, kDevice, kFile, "brd"},
    {"output a character device", false, kPipe, kDevice, "brd"},
    {"list without section, long name", false, kFile, kFile, kLongBase, false},
    {"list without section, terminal", true, kDevice, kFile, kLongBase, false},
    {"board without section", false, kPipe, kFile, kLongBase, true, false},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.label; }

class FailedWrite : public ::testing::TestWithParam<Case> {};

TEST_P(FailedWrite, EachWriteCallFailedInTurnWritesWhatTheRulesWrite) {
  const Case& c = GetParam();
  int exit_code = -1;
  const std::size_t clean = relabel_writes(c, 0, exit_code).size();
  ASSERT_GT(clean, 1u);
  for (int k = 0; k <= static_cast<int>(clean); ++k) {
    SCOPED_TRACE(std::string(c.label) + ", write call " + std::to_string(k) + " fails");
    const std::vector<std::string> got = relabel_writes(c, k, exit_code);
    EXPECT_EQ(got, model_writes(c, k));
    const bool reported = !got.empty() && got.back() == "R\r\n";
    EXPECT_EQ(exit_code, reported                                    ? 1
                         : c.list_has_section && c.board_has_section ? 0
                                                                     : 2);
  }
}

INSTANTIATE_TEST_SUITE_P(Runs, FailedWrite, ::testing::ValuesIn(kCases));

}  // namespace
}  // namespace relabel::testing
