// Whole runs, each case run twice: in memory over the fake platform, and as
// a process of the built program on files in a temporary folder. Console
// bytes, exit codes and the bytes of every file afterwards are compared
// exactly; outputs that only a real file system refuses are run as a
// process alone. What only the fake platform can tell (its calls, the pieces
// the console receives) is in run_test.cpp.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "process_runner.h"
#include "test_support.h"

namespace relabel::testing {
namespace {

using Files = std::map<std::string, std::string>;
using Args = std::vector<std::string>;

struct WholeRun {
  std::string name;
  Files files;  // before the run
  Args args;
  int exit_code;
  std::string console;  // after the banner; "{program}" stands for its path
  // Files after the run (nullopt: none of that name); every other file of
  // `files` must be as it was.
  std::map<std::string, std::optional<std::string>> after;
  std::string report = {};  // a failure report's message after `console`
  // Names made before the run as links to a file of `files`: hard links, or
  // symbolic ones. In memory both are one file of two names.
  std::vector<std::pair<std::string, std::string>> links = {};
  bool symbolic = false;
  std::string folder = {};  // made before the run; only a real system has folders
};

void PrintTo(const WholeRun& c, std::ostream* os) { *os << c.name; }

// --- The cases ---------------------------------------------------------------

const std::string kUsage =
    "Syntaxe vstupu:\r\n{program} vstup vystup (bez pripon) [x]\r\n"
    "x.. parametr zakaze zmenu souradnic hodnoty soucasty\r\n";

// A list of three, a board with two of them and one other (Q9).
const std::string kParts =
    "QUORANT parts\nComponents\n\"R1\" \"10k\" \"0805\" \"\"\n"
    "\"C1 \" \"100n \" \"0603\" \"\"\n\"U1\" \"LM358\" \"SO8\" \"LM358A\"\n)\n";
const std::string kBoard =
    "HEAD\nComponents\n" + line("R1", "150 200 0 2 0 0") +
    line("old", "90 210 4 0 1 12") + line("R1", "95 190 4 0 1 12") +
    line("Q9", "10 20 0 2 0 0") + line("q", "1 2 3 4 5 6") + line("Q9", "1 2 3 4 5 6") +
    "  ; comment\n" + line("U1", "300 400 90 6 0 0") + line("v", "1 2 3") +
    line("U1", "7 8 9 10 11 12") + ")\n\n   Nets  \n\tEnd\n";
const std::string kMiddle = line("Q9", "10 20 0 2 0 0") + line("q", "1 2 3 4 5 6") +
                            line("Q9", "1 2 3 4 5 6") + "  ; comment\n" +
                            line("U1", "300 400 90 6 0 0");
const std::string kConvertedDefault =
    crlf("HEAD\nComponents\n" + line("R1", "150 200 0 2 0 0") +
         line("10k", "150 200 5 2 0 12") + line("0805", "95 190 0") + kMiddle +
         line("LM358A", "300 400 5 6 0 3") + line("SO8", "7 8 0") + ")\nNets  \nEnd\n");
// "v" has three numbers: the closing empty token zeroes number 4, and
// numbers 5 and 6 keep what the previous label line left there.
const std::string kConvertedKeep =
    crlf("HEAD\nComponents\n" + line("R1", "150 200 0 2 0 0") +
         line("10k", "90 210 4 0 1 12") + line("0805", "95 190 0") + kMiddle +
         line("LM358A", "1 2 3 0 1 12") + line("SO8", "7 8 0") + ")\nNets  \nEnd\n");
const std::string kTotal3 = total(3);
const std::string kMarks = "+-Q9-+";

std::string with_line_ends(const std::string& text, const std::string& end) {
  std::string out;
  for (char c : text) out += c == '\n' ? end : std::string(1, c);
  return out;
}

// A run whose one file of interest afterwards is out.pcb.
WholeRun out(const std::string& name, const Files& files, const Args& args, int exit_code,
             const std::string& console, const std::optional<std::string>& output,
             const std::string& report = {}) {
  return {name, files, args, exit_code, console, {{"out.pcb", output}}, report};
}

// One listed component; the worked example's numbers.
const std::string kWorkedParts = "Components\n\"R1\" \"10k\" \"0805\" \"\"\n)\n";
std::string worked_board(const std::string& number4) {
  return "PCB\nComponents (\n" + line("R1", "150 200 0 " + number4 + " 0 0") +
         line("VAL", "90 210 4 0 1 12") + line("PKG", "95 190 4 0 1 12") + ")\ntail\n";
}
WholeRun worked(const Args& args, const std::string& number4, const std::string& value) {
  const bool keep = args.size() == 3;
  return out(std::to_string(args.size()) + " arguments, number 4 = " + number4,
             {{"in.pnl", kWorkedParts}, {"in.pcb", worked_board(number4)}}, args, 0,
             (keep ? kKeepModeLine : "") + total(1) + "+",
             crlf("PCB\nComponents (\n" + line("R1", "150 200 0 " + number4 + " 0 0") +
                  line("10k", value) + line("0805", "95 190 0") + ")\ntail\n"));
}

// Only the first entry of C1 counts, R2's fourth text replaces its value,
// names are kept to 72 characters, and neither the line before the section
// nor the one after it is an entry.
const std::string kSectionParts =
    "QUORANT parts\nbefore \"X1\" \"no\" \"no\" \"\"\nxxComponentsxx\n"
    "\"R1\" \"10k\" \"0805\" \"\"\n\"C1\" \"100n\" \"1206\" \"\"\n\"C1\" \"220n\" "
    "\"0603\" \"\"\n"
    "\"E1\" \"\" \"SOT23\" \"\"\n\"R2\" \"10k\" \"0805\" \"4k7\"\n\"" +
    std::string(72, 'L') + "parts\" \"long\" \"name\"\n)\n\"X2\" \"no\" \"no\" \"\"\n";
const std::string kHead = "PCB 4.2\nComponents (\n";
WholeRun section(const std::string& name, bool keep, const std::string& board,
                 const std::string& expected, const std::string& marks) {
  return out(name, {{"in.pnl", kSectionParts}, {"in.pcb", kHead + board}},
             keep ? Args{"in", "out", "x"} : Args{"in", "out"}, 0,
             (keep ? kKeepModeLine : "") + total(6) + marks, crlf(kHead + expected));
}

// A board for the parts-list rows: an entry named "" and one named R1.
const std::string kTwoEntries =
    line("", "1 2 3 4 5 6") + "a\nb\n" + line("R1", "7 8") + "a\nb\n";
WholeRun parts_rows(const std::string& name, const std::string& parts, int count,
                    const std::string& output, const std::string& marks) {
  return out(name, {{"in.pnl", parts}, {"in.pcb", "Components\n" + kTwoEntries}},
             {"in", "out"}, 0, total(count) + marks, crlf("Components\n" + output));
}

// The total counts every entry of a list of `count`: it does not wrap at
// 65536, whatever width the board program gave its own counter. The last
// entry is still found.
WholeRun counted(int count) {
  std::string parts = "Components\n";
  for (int i = 0; i < count; ++i)
    parts += "\"P" + std::to_string(i) + "\" \"v" + std::to_string(i) + "\" \"f\"\n";
  const std::string last = std::to_string(count - 1),
                    entry = line("P" + last, "1 2 0 0 0 0");
  return out("a list of " + std::to_string(count),
             {{"in.pnl", parts + ")\n"}, {"in.pcb", "Components\n" + entry + "a\nb\n"}},
             {"in", "out"}, 0, total(count) + "+",
             crlf("Components\n" + entry + line("v" + last, "1 2 5 0 0 12") +
                  line("f", "1 2 0")));
}

std::vector<WholeRun> cases() {
  const std::string r1 = line("R1", "150 200 0 2 0 0");
  const std::string r1_labels =
      line("VAL", "90 210 4 0 1 12") + line("PKG", "95 190 4 0 1 12");
  const std::string r1_rewritten =
      line("10k", "150 200 5 2 0 12") + line("0805", "95 190 0");
  const std::string no_pnl = "Soubor dir/b1.pnl neobsahuje sekci \"Components\".\r\n";
  const std::string no_pcb = "Soubor dir/b1.pcb neobsahuje sekci \"Components\".\r\n";
  // 9 head lines of 32 bytes each: only the first two full buffers arrive;
  // of 4 lines, the buffer they fill exactly, which is pushed at once.
  std::string long_head, full_head;
  for (int i = 0; i < 9; ++i) long_head += std::string(29, 'a' + i) + "\n";
  for (int i = 0; i < 4; ++i) full_head += std::string(30, 'a' + i) + "\n";
  const auto missing_section = [&](const std::string& name, const std::string& parts,
                                   const std::string& board, const std::string& console,
                                   const std::string& output) {
    return out(name, {{"dir/b1.pnl", parts}, {"dir/b1.pcb", board}}, {"dir/b1", "out"}, 2,
               console, output);
  };
  const Files example = {{"in.pnl", crlf(kParts)}, {"in.pcb", crlf(kBoard)}};
  const auto over_link = [&](const std::string& name, const Args& args,
                             const std::string& link, const std::string& target,
                             bool symbolic = false) {
    WholeRun run = out(name, example, args, 1, "", std::nullopt, "I/O error 32.");
    run.after.erase(link);
    run.links = {{link, target}};
    run.symbolic = symbolic;
    return run;
  };
  std::string stray_cr_board = kBoard;  // lone CRs inside lines are dropped
  stray_cr_board.insert(stray_cr_board.find("HEAD") + 2, "\r");
  stray_cr_board.insert(stray_cr_board.find("Nets") + 2, "\r");
  const std::string shipped = RELABEL_EXAMPLES "/demo",
                    expected = RELABEL_EXAMPLES "/../packaging/expected/demo";
  const Files demo = {{"demo.pnl", file_contents(shipped + ".pnl")},
                      {"demo.pcb", file_contents(shipped + ".pcb")}};
  return {
      // The shipped example, converted as the packages show it.
      out("shipped example", demo, {"demo", "out"}, 0,
          file_contents(expected + ".console").substr(kBannerLine.size()),
          file_contents(expected + ".pcb")),
      out("shipped example keeping positions", demo, {"demo", "out", "x"}, 0,
          file_contents(expected + "-keep.console").substr(kBannerLine.size()),
          file_contents(expected + "-keep.pcb")),
      // Long lists, counted past 65535.
      counted(3),
      counted(65535),
      counted(65536),
      counted(65538),
      counted(70000),
      // The command line.
      out("no arguments", example, {}, 1, kUsage, std::nullopt),
      out("one argument", example, {"in"}, 1, kUsage, std::nullopt),
      out("two arguments", example, {"in", "out"}, 0, kTotal3 + kMarks,
          kConvertedDefault),
      out("three arguments keep positions", example, {"in", "out", "x"}, 0,
          kKeepModeLine + kTotal3 + kMarks, kConvertedKeep),
      out("whatever the third is", example, {"in", "out", "0"}, 0,
          kKeepModeLine + kTotal3 + kMarks, kConvertedKeep),
      out("four arguments", example, {"in", "out", "x", "y"}, 0, kTotal3 + kMarks,
          kConvertedDefault),
      out("a base with an extension gets another",
          {{"in.pnl.pnl", crlf(kParts)}, {"in.pnl.pcb", crlf(kBoard)}}, {"in.pnl", "out"},
          0, kTotal3 + kMarks, kConvertedDefault),
      out("an old output is replaced",
          {{"in.pnl", crlf(kParts)}, {"in.pcb", crlf(kBoard)}, {"out.pcb", "old"}},
          {"in", "out"}, 0, kTotal3 + kMarks, kConvertedDefault),
      // Files that cannot be opened.
      out("missing parts list", {{"in.pcb", kBoard}}, {"in", "out"}, 1, "", std::nullopt,
          "File not found."),
      out("missing board empties an old output", {{"in.pnl", kParts}, {"out.pcb", "old"}},
          {"in", "out"}, 1, kTotal3, "", "File not found."),
      out("output over the input board", example, {"in", "in"}, 1, "", std::nullopt,
          "I/O error 32."),
      out("same, keeping positions", example, {"in", "in", "x"}, 1, "", std::nullopt,
          "I/O error 32."),
      over_link("output linked to the parts list", {"in", "out"}, "out.pcb", "in.pnl"),
      over_link("same, keeping positions", {"in", "partslink", "x"}, "partslink.pcb",
                "in.pnl"),
      over_link("output linked to the board", {"in", "out"}, "out.pcb", "in.pcb"),
      over_link("output a symbolic link to the board", {"in", "link"}, "link.pcb",
                "in.pcb", true),
      // Line ends.
      out("LF line ends", {{"in.pnl", kParts}, {"in.pcb", kBoard}}, {"in", "out"}, 0,
          kTotal3 + kMarks, kConvertedDefault),
      out("lone CRs dropped", {{"in.pnl", kParts}, {"in.pcb", stray_cr_board}},
          {"in", "out"}, 0, kTotal3 + kMarks, kConvertedDefault),
      // The whole list is its "Components" line and its last line: no section.
      out("a lone-CR file is one line",
          {{"in.pnl", with_line_ends("x\nComponents\n\"R1\" \"1\"\n)\n", "\r")},
           {"in.pcb", "Components\r\n"}},
          {"in", "out"}, 2, "Soubor in.pnl neobsahuje sekci \"Components\".\r\n", ""),
      // Missing sections.
      missing_section("parts list without section", "head\n\"R1\" \"a\"\n)\n",
                      worked_board("2"), no_pnl, ""),
      missing_section("parts list ending in the section line", "head\nComponents\n",
                      worked_board("2"), no_pnl, ""),
      missing_section("same without a final line end", "head\nComponents",
                      worked_board("2"), no_pnl, ""),
      missing_section("section name in lower case", "head\ncomponents\n\"R1\" \"a\"\n)\n",
                      worked_board("2"), no_pnl, ""),
      missing_section("board without section", kWorkedParts, long_head, total(1) + no_pcb,
                      crlf(long_head).substr(0, 256)),
      missing_section("board without section, its lines filling the buffer", kWorkedParts,
                      full_head, total(1) + no_pcb, crlf(full_head)),
      missing_section("board ending in the section line", kWorkedParts,
                      "PCB\nComponents (\n", total(1) + no_pcb, ""),
      // The value label moved, or kept in place.
      worked({"in", "out"}, "2", "150 200 5 2 0 12"),
      worked({"in", "out"}, "6", "150 200 5 6 0 3"),
      worked({"in", "out"}, "3", "150 200 5 3 0 12"),
      worked({"in", "out"}, "4", "150 200 5 4 0 3"),
      worked({"in", "out"}, "-5", "150 200 5 -5 0 12"),
      worked({"in", "out", "x", "y"}, "6", "150 200 5 6 0 3"),
      worked({"in", "out", "x"}, "6", "90 210 4 0 1 12"),
      worked({"in", "out", "0"}, "2", "90 210 4 0 1 12"),
      // Section lines.
      section("no listed names", false,
              line("X1", "1 2 3 4 5 6") + line("a", "1 2") + "lab\rel\n" + "comment\n" +
                  line("X2", "7 8 9") + "\n\n)\n  \n\n\t tail one  \n   tail two\n\n",
              line("X1", "1 2 3 4 5 6") + line("a", "1 2") + "label\n" + "comment\n" +
                  line("X2", "7 8 9") + "\n\n)\ntail one  \ntail two\n",
              "-X1--X2-"),
      section("indented entry", false,
              "        (\"R1\" 150 200 0 2 0 0)\n" + r1_labels + ")\n",
              "        (\"R1\" 150 200 0 2 0 0)\n" + r1_rewritten + ")\n", "+"),
      section("duplicate name", false, line("C1", "10 20 0 1 0 0") + r1_labels + ")\n",
              line("C1", "10 20 0 1 0 0") + line("100n", "10 20 5 1 0 12") +
                  line("1206", "95 190 0") + ")\n",
              "+"),
      section("fourth text replaces the value", false,
              line("R2", "1 2 0 0 0 0") + r1_labels,
              line("R2", "1 2 0 0 0 0") + line("4k7", "1 2 5 0 0 12") +
                  line("0805", "95 190 0"),
              "+"),
      section("names compared by their first 72 characters", false,
              line(std::string(72, 'L') + "board", "1 2 0 0 0 0") + r1_labels,
              line(std::string(72, 'L') + "board", "1 2 0 0 0 0") +
                  line("long", "1 2 5 0 0 12") + line("name", "95 190 0"),
              "+"),
      section("case differs", false, line("r1", "150 200 0 2 0 0") + r1_labels + ")\n",
              line("r1", "150 200 0 2 0 0") + r1_labels + ")\n", "-r1-"),
      section(
          "empty value text", false, line("E1", "1 2 0 9 0 0") + r1_labels,
          line("E1", "1 2 0 9 0 0") + line("", "1 2 5 9 0 3") + line("SOT23", "95 190 0"),
          "+"),
      section("labels without quotes at the start", true, r1 + "junk\nmore\n",
              r1 + line("10k", "0 0 0 0 0 0") + line("0805", "0 0 0"), "+"),
      section("labels without quotes, default mode", false, r1 + "junk\nmore\n",
              r1 + line("10k", "150 200 5 2 0 12") + line("0805", "150 200 0"), "+"),
      section("labels without quotes reuse the last label", true,
              r1 + r1_labels + line("C1", "5 6 0 0 0 0") + "junk\nmore\n",
              r1 + line("10k", "90 210 4 0 1 12") + line("0805", "95 190 0") +
                  line("C1", "5 6 0 0 0 0") + line("100n", "95 190 0 0 1 12") +
                  line("1206", "95 190 0"),
              "++"),
      section("double quote before the marker", false, "x\"Q\"" + r1 + r1_labels + ")\n",
              "x\"Q\"" + r1 + r1_labels + ")\n", "-Q-"),
      section(
          "listed entry closing the section", false, r1 + ")\nafter\n)\n  tail\n",
          r1 + line("10k", "150 200 5 2 0 12") + line("0805", "150 200 0") + ")\ntail\n",
          "+"),
      section("unlisted entry closing the section", false,
              line("X1", "1") + ")\nafter\n" + r1 + r1_labels + ")\n  tail\n",
              line("X1", "1") + ")\nafter\n" + r1 + r1_rewritten + ")\ntail\n", "-X1-+"),
      // The missing second label leaves the label record as the value
      // label left it.
      section("listed entry at the end of the file", false, r1,
              r1 + line("10k", "150 200 5 2 0 12") + line("0805", "150 200 0"), "+"),
      section("second label missing at the end of the file", false,
              r1 + "    (\"v\" 9 9 9 9 9 9)",
              r1 + line("10k", "150 200 5 2 0 12") + line("0805", "150 200 0"), "+"),
      section("unlisted entry at the end of the file", false, line("X1", "1 2"),
              line("X1", "1 2") + "\n\n", "-X1-"),
      section("byte 26 ends the data", false, ")\ntail\nta\x1ail\nmore\n",
              ")\ntail\nta\n", ""),
      section("byte 26 inside a label", false,
              line("X1", "1") + "la\x1a"
                                "bel\nnever\n)\n",
              line("X1", "1") + "la\n\n", "-X1-"),
      // After a plain line, a listed entry's second label and an unlisted
      // entry's second label, an empty line does not close the section.
      section("empty lines inside the section", false,
              "\n" + r1 + r1_labels + "\n" + r1 + line("VAL", "1") + "\n" +
                  line("X1", "1") + "a\n\n \n)\n",
              "\n" + r1 + r1_rewritten + "\n" + r1 + line("10k", "150 200 5 2 0 12") +
                  line("0805", "150 200 0") + line("X1", "1") + "a\n\n \n)\n",
              "++-X1-"),
      // Parts-list sections: every line up to ")" is an entry; an empty
      // line is one with empty texts, so it names "".
      parts_rows("empty parts lines", "Components\n\n\"R1\" \"10k\" \"0805\"\n\n)\n", 3,
                 line("", "1 2 3 4 5 6") + line("", "1 2 5 4 0 3") + line("", "1 2 0") +
                     line("R1", "7 8") + line("10k", "7 8 5 4 0 3") +
                     line("0805", "7 8 0"),
                 "++"),
      parts_rows("no closing line", "Components\n\"R1\" \"10k\" \"0805\"\nno quotes", 2,
                 line("", "1 2 3 4 5 6") + line("", "1 2 5 4 0 3") + line("", "1 2 0") +
                     line("R1", "7 8") + line("10k", "7 8 5 4 0 3") +
                     line("0805", "7 8 0"),
                 "++"),
      parts_rows("closing line only", "Components\n)\n\"R1\" \"10k\"\n", 0, kTwoEntries,
                 "---R1-"),
      // The section line itself starts with ")" and ends the first 128
      // bytes: the test for more input reads the next 128 before the line
      // is judged.
      parts_rows("section line starting with ) at the end of a buffer",
                 std::string(100, 'x') + "\n)Components" + std::string(15, ' ') +
                     "\n\"R1\" \"10k\" \"0805\"" + std::string(120, ' ') + "\n)\n",
                 0, kTwoEntries, "---R1-"),
  };
}

// Outputs that only a real file system can refuse.
std::vector<WholeRun> real_system_cases() {
  const Files example = {{"in.pnl", crlf(kParts)}, {"in.pcb", crlf(kBoard)}};
  // Root may write anywhere, so a folder stands for a file it may not replace.
  WholeRun folder = out("folder as output", example, {"in", "out"}, 1, "", std::nullopt,
                        "File access denied.");
  folder.after.clear();
  folder.folder = "out.pcb";
  return {folder, out("missing folder", example, {"in", "no-such-folder/out"}, 1, "",
                      std::nullopt, "Invalid filename.")};
}

// --- The two drivers ---------------------------------------------------------

struct Outcome {
  int exit_code;
  std::string console;
  std::string program;                                      // as the usage text names it
  std::map<std::string, std::optional<std::string>> files;  // those the case names
};

std::vector<std::string> names_of(const WholeRun& c) {
  std::vector<std::string> names;
  for (const auto& [name, bytes] : c.files) names.push_back(name);
  for (const auto& [name, bytes] : c.after) names.push_back(name);
  for (const auto& [name, target] : c.links) names.push_back(name);
  return names;
}

Outcome in_memory(const WholeRun& c) {
  FakePlatform fake;
  fake.files = c.files;
  for (const auto& [name, target] : c.links) fake.files[name] = c.files.at(target);
  fake.links = c.links;
  const RunResult r = run_in_memory(fake, c.args);
  Outcome o{r.exit_code, r.console, fake.exe_path, {}};
  for (const std::string& name : names_of(c)) {
    const auto it = fake.files.find(name);
    o.files[name] = it == fake.files.end() ? std::nullopt : std::optional(it->second);
  }
  return o;
}

std::optional<Outcome> as_process(const WholeRun& c) {
  TempDir dir;
  for (const auto& [name, bytes] : c.files) {
    std::filesystem::create_directories(
        std::filesystem::path(dir.file(name)).parent_path());
    dir.write(name, bytes);
  }
  if (!c.folder.empty()) std::filesystem::create_directory(dir.file(c.folder));
  for (const auto& [name, target] : c.links) {
    std::error_code failed;
    if (c.symbolic) {
      std::filesystem::create_symlink(target, dir.file(name), failed);
    } else {
      std::filesystem::create_hard_link(dir.file(target), dir.file(name), failed);
    }
    if (failed) return std::nullopt;
  }
  Args argv = c.args;
  argv.insert(argv.begin(), RELABEL_EXE);
  const ProcessResult r = run_process(argv, {dir.path()});
  Outcome o{r.exit_code, r.output, reported_program_path(RELABEL_EXE), {}};
  for (const std::string& name : names_of(c))
    o.files[name] = dir.exists(name) ? std::optional(dir.read(name)) : std::nullopt;
  return o;
}

void expect_outcome(const WholeRun& c, const Outcome& o) {
  EXPECT_EQ(o.exit_code, c.exit_code);
  std::string console = kBannerLine + c.console;
  if (const auto at = console.find("{program}"); at != std::string::npos)
    console.replace(at, 9, o.program);
  if (c.report.empty()) {
    EXPECT_EQ(o.console, console);
  } else {
    EXPECT_TRUE(is_report_after(o.console, console, c.report)) << o.console;
    // The report names the program's own file as its module.
    const std::string module = o.program.substr(o.program.find_last_of("/\\") + 1);
    EXPECT_NE(o.console.find(" in module " + module + " at "), std::string::npos);
  }
  for (const auto& [name, bytes] : c.files) {
    if (c.after.count(name) == 0) {
      EXPECT_EQ(o.files.at(name), bytes) << name;
    }
  }
  for (const auto& [name, bytes] : c.after) EXPECT_EQ(o.files.at(name), bytes) << name;
  for (const auto& [name, target] : c.links) {
    if (c.after.count(name) == 0) {
      EXPECT_EQ(o.files.at(name), c.files.at(target)) << name;
    }
  }
}

class WholeRunTest : public ::testing::TestWithParam<WholeRun> {};

TEST_P(WholeRunTest, InMemory) { expect_outcome(GetParam(), in_memory(GetParam())); }
TEST_P(WholeRunTest, AsAProcess) {
  const std::optional<Outcome> o = as_process(GetParam());
  if (!o) GTEST_SKIP() << "links cannot be made here";
  expect_outcome(GetParam(), *o);
}

INSTANTIATE_TEST_SUITE_P(Cases, WholeRunTest, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<WholeRun>& info) {
                           return std::to_string(info.index);
                         });

class RealSystemRunTest : public WholeRunTest {};

TEST_P(RealSystemRunTest, AsAProcess) {
  expect_outcome(GetParam(), *as_process(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Cases, RealSystemRunTest,
                         ::testing::ValuesIn(real_system_cases()),
                         [](const ::testing::TestParamInfo<WholeRun>& info) {
                           return std::to_string(info.index);
                         });

}  // namespace
}  // namespace relabel::testing
