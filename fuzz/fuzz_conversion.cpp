// Whole conversions in memory. The input is a settings byte, then the parts
// list, then the board file after the first 0xFF 0xFE pair (no pair: no
// board file). Settings bit 0 selects keep-positions mode, the other bits the
// read chunk of the second run.
//
// Checked: the exit code; the console is the banner, the optional mode line,
// then one of the documented endings; the inputs are unchanged; the same
// input gives the same console and output however the reads are chunked and
// whatever the console is; a complete run's output ends in CR LF (or is
// empty) and every line end in it is CR LF.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check.h"
#include "fake_platform.h"

namespace {

using relabel::HandleKind;
using relabel::testing::FakePlatform;
using relabel::testing::RunResult;

constexpr std::string_view kBanner =
    "Prevod popisu soucastek v *.PCB podle *.PNL QUORANT 4.2 ZT'02 V2.1\r\n";
constexpr std::string_view kModeLine =
    "Zmena napisu (souradnice zustanou zachovany.)\r\n";

struct Outcome {
  RunResult result;
  std::string output;
  bool output_exists;
};

Outcome convert(const std::string& parts, const std::string* board, bool keep_positions,
                std::uint32_t chunk, HandleKind console) {
  FakePlatform fake;
  fake.read_chunk = chunk;
  fake.console_kind = console;
  fake.files["in.pnl"] = parts;
  if (board != nullptr) fake.files["in.pcb"] = *board;
  std::vector<std::string> args = {"in", "out"};
  if (keep_positions) args.push_back("x");
  Outcome o{relabel::testing::run_in_memory(fake, args), {}, false};
  FUZZ_CHECK(fake.files["in.pnl"] == parts);
  if (board != nullptr) FUZZ_CHECK(fake.files["in.pcb"] == *board);
  const auto out = fake.files.find("out.pcb");
  o.output_exists = out != fake.files.end();
  if (o.output_exists) o.output = out->second;
  return o;
}

bool consume(std::string_view& s, std::string_view prefix) {
  if (s.substr(0, prefix.size()) != prefix) return false;
  s.remove_prefix(prefix.size());
  return true;
}

// A stored name: at most 72 characters, none of them a double quote or a
// character that ends or is dropped from a line.
bool name_char(char c) { return c != '"' && c != '\r' && c != '\n' && c != 26; }

// The board phase's marks: "+" or "-", a name, "-", any number of times.
bool marks_only(std::string_view s) {
  std::vector<bool> reach(s.size() + 1, false);
  reach[0] = true;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (!reach[i]) continue;
    if (s[i] == '+') reach[i + 1] = true;
    if (s[i] != '-') continue;
    for (std::size_t j = i + 1; j < s.size() && j <= i + 73; ++j) {
      if (s[j] == '-') reach[j + 1] = true;
      if (!name_char(s[j])) break;
    }
  }
  return reach[s.size()];
}

// "." per entry, a line end, then the total line giving the number of dots.
bool parts_phase(std::string_view& s) {
  std::size_t dots = 0;
  while (dots < s.size() && s[dots] == '.') ++dots;
  s.remove_prefix(dots);
  const std::string total =
      "\r\nCelkem nalezeno: " + std::to_string(dots) + " soucastek.\r\n";
  return consume(s, total);
}

void check_console(std::string_view s, int exit_code, bool keep_positions) {
  FUZZ_CHECK(consume(s, kBanner));
  if (keep_positions) FUZZ_CHECK(consume(s, kModeLine));
  const std::string_view missing = " neobsahuje sekci \"Components\".\r\n";
  if (exit_code == 2) {
    if (consume(s, "Soubor in.pnl")) {
      FUZZ_CHECK(s == missing);
      return;
    }
    FUZZ_CHECK(parts_phase(s));
    FUZZ_CHECK(consume(s, "Soubor in.pcb"));
    FUZZ_CHECK(s == missing);
    return;
  }
  FUZZ_CHECK(exit_code == 0);
  FUZZ_CHECK(parts_phase(s));
  FUZZ_CHECK(marks_only(s));
}

void check_line_ends(const std::string& out) {
  FUZZ_CHECK(out.empty() || (out.size() >= 2 && out.substr(out.size() - 2) == "\r\n"));
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (out[i] == '\n') FUZZ_CHECK(i > 0 && out[i - 1] == '\r');
    if (out[i] == '\r') FUZZ_CHECK(i + 1 < out.size() && out[i + 1] == '\n');
    FUZZ_CHECK(out[i] != 26);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t settings = data[0];
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t cut = rest.find("\xFF\xFE");
  const std::string parts = rest.substr(0, cut);
  const std::string board =
      cut == std::string::npos ? std::string() : rest.substr(cut + 2);
  const std::string* board_file = cut == std::string::npos ? nullptr : &board;
  const bool keep_positions = settings & 1;

  const Outcome first = convert(parts, board_file, keep_positions, 128, HandleKind::pipe);
  const int code = first.result.exit_code;
  if (board_file == nullptr && code == 1) {
    // The missing board file is reported after the parts phase.
    FUZZ_CHECK(first.result.console.size() >= 2);
    FUZZ_CHECK(first.result.console.find("File not found.") != std::string::npos);
  } else {
    FUZZ_CHECK(code == 0 || code == 2);
    check_console(first.result.console, code, keep_positions);
  }
  FUZZ_CHECK(first.output_exists);
  if (code == 0) check_line_ends(first.output);
  if (code != 0 && first.result.console.find("in.pnl neobsahuje") != std::string::npos)
    FUZZ_CHECK(first.output.empty());

  const std::uint32_t chunk = 1 + (settings >> 1);
  const Outcome second =
      convert(parts, board_file, keep_positions, chunk, HandleKind::character);
  FUZZ_CHECK(second.result.exit_code == code);
  FUZZ_CHECK(second.result.console == first.result.console);
  FUZZ_CHECK(second.output == first.output);
  return 0;
}
