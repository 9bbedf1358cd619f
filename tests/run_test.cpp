// Whole conversion runs on in-memory files: console bytes, exit codes and the
// exact bytes of the output board file.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "test_support.h"

namespace relabel::testing {
namespace {

// Test inputs are written with LF; everything the program writes ends in
// CR LF.
std::string crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// A line in board-entry form: `    ("name" numbers)`.
std::string line(const std::string& name, const std::string& numbers) {
  return "    (\"" + name + "\" " + numbers + ")\n";
}

std::string total(int count) {
  return std::string(count, '.') + "\r\nCelkem nalezeno: " + std::to_string(count) +
         " soucastek.\r\n";
}

class Run : public ::testing::Test {
 protected:
  // A new platform for every run: a run that ends early leaves its files
  // held, as a process would until it exits.
  void fake(std::map<std::string, std::string> files) {
    fake_ = std::make_unique<FakePlatform>();
    fake_->files = std::move(files);
  }
  RunResult run(std::vector<std::string> args = {"in", "out"}) {
    return run_in_memory(*fake_, std::move(args));
  }
  bool exists(const std::string& name) const { return fake_->files.count(name) != 0; }

  std::unique_ptr<FakePlatform> fake_;
};

const std::string kWorkedParts = "Components\n\"R1\" \"10k\" \"0805\" \"\"\n)\n";

std::string worked_board(const std::string& entry_number4) {
  return "PCB\nComponents (\n" + line("R1", "150 200 0 " + entry_number4 + " 0 0") +
         line("VAL", "90 210 4 0 1 12") + line("PKG", "95 190 4 0 1 12") + ")\ntail\n";
}

TEST_F(Run, RewritesBothLabelsOfAListedComponent) {
  struct Case {
    std::vector<std::string> args;
    const char* entry_number4;
    const char* value_numbers;
  };
  const Case cases[] = {
      {{"in", "out"}, "2", "150 200 5 2 0 12"},
      {{"in", "out"}, "6", "150 200 5 6 0 3"},
      {{"in", "out"}, "3", "150 200 5 3 0 12"},
      {{"in", "out"}, "4", "150 200 5 4 0 3"},
      {{"in", "out"}, "-5", "150 200 5 -5 0 12"},
      {{"in", "out", "x", "y"}, "6", "150 200 5 6 0 3"},
      {{"in", "out", "x"}, "6", "90 210 4 0 1 12"},
      {{"in", "out", "0"}, "2", "90 210 4 0 1 12"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.args.size()) +
                 " arguments, number 4 = " + c.entry_number4);
    fake({{"in.pnl", kWorkedParts}, {"in.pcb", worked_board(c.entry_number4)}});
    const RunResult r = run(c.args);
    EXPECT_EQ(r.exit_code, 0);
    const bool keep = c.args.size() == 3;
    EXPECT_EQ(r.console, kBannerLine + (keep ? kKeepModeLine : "") + total(1) + "+");
    EXPECT_EQ(
        fake_->files["out.pcb"],
        crlf("PCB\nComponents (\n" +
             line("R1", std::string("150 200 0 ") + c.entry_number4 + " 0 0") +
             line("10k", c.value_numbers) + line("0805", "95 190 0") + ")\ntail\n"));
  }
}

TEST_F(Run, AppendsTheExtensionsToTheBaseNamesAsGiven) {
  fake({{"x.pnl.pnl", kWorkedParts}, {"x.pnl.pcb", worked_board("2")}});
  const RunResult r = run({"x.pnl", "y"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(fake_->files["y.pcb"].substr(0, 5), "PCB\r\n");
}

TEST_F(Run, ShowsUsageWithoutTouchingFiles) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, std::vector<std::string>{"in"}}) {
    fake({{"in.pnl", kWorkedParts}, {"in.pcb", worked_board("2")}});
    const RunResult r = run(args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.console, kBannerLine + "Syntaxe vstupu:\r\n" + fake_->exe_path +
                             " vstup vystup (bez pripon) [x]\r\n"
                             "x.. parametr zakaze zmenu souradnic hodnoty soucasty\r\n");
    EXPECT_EQ(fake_->calls(Op::open_read) + fake_->calls(Op::open_write), 0);
  }
}

TEST_F(Run, MissingPartsListEndsBeforeTheOutputIsCreated) {
  fake({{"in.pcb", worked_board("2")}});
  const RunResult r = run();
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(is_report_after(r.console, kBannerLine, "File not found.")) << r.console;
  EXPECT_FALSE(exists("out.pcb"));
}

TEST_F(Run, MissingBoardLeavesTheOutputEmpty) {
  fake({{"in.pnl", kWorkedParts}, {"out.pcb", "old contents"}});
  const RunResult r = run();
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(is_report_after(r.console, kBannerLine + total(1), "File not found."))
      << r.console;
  EXPECT_EQ(fake_->files["out.pcb"], "");
}

TEST_F(Run, MissingSectionEndsWithExitCode2) {
  // 9 head lines of 32 bytes each: only the first two full buffers arrive;
  // of 4 lines, the buffer they fill exactly, which is pushed at once.
  std::string long_head;
  for (int i = 0; i < 9; ++i) long_head += std::string(29, 'a' + i) + "\n";
  std::string full_head;
  for (int i = 0; i < 4; ++i) full_head += std::string(30, 'a' + i) + "\n";
  struct Case {
    const char* what;
    std::string parts;
    std::string board;
    std::string console_after_banner;
    std::string output;
  };
  const std::string no_pnl = "Soubor dir/b1.pnl neobsahuje sekci \"Components\".\r\n";
  const std::string no_pcb = "Soubor dir/b1.pcb neobsahuje sekci \"Components\".\r\n";
  const Case cases[] = {
      {"parts list without section", "head\n\"R1\" \"a\"\n)\n", worked_board("2"), no_pnl,
       ""},
      {"parts list ending in the section line", "head\nComponents\n", worked_board("2"),
       no_pnl, ""},
      {"same without a final line end", "head\nComponents", worked_board("2"), no_pnl,
       ""},
      {"section name in lower case", "head\ncomponents\n\"R1\" \"a\"\n)\n",
       worked_board("2"), no_pnl, ""},
      {"board without section", kWorkedParts, long_head, total(1) + no_pcb,
       crlf(long_head).substr(0, 256)},
      {"board without section, its lines filling the buffer", kWorkedParts, full_head,
       total(1) + no_pcb, crlf(full_head)},
      {"board ending in the section line", kWorkedParts, "PCB\nComponents (\n",
       total(1) + no_pcb, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake({{"dir/b1.pnl", c.parts}, {"dir/b1.pcb", c.board}});
    const RunResult r = run({"dir/b1", "out"});
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.console, kBannerLine + c.console_after_banner);
    ASSERT_TRUE(exists("out.pcb"));
    EXPECT_EQ(fake_->files["out.pcb"], c.output);
  }
}

// Only the first entry of C1 counts, R2's fourth text replaces its value,
// names are kept to 72 characters, and neither the line before the section
// nor the one after it is an entry.
const std::string kParts =
    "QUORANT parts\n"
    "before \"X1\" \"no\" \"no\" \"\"\n"
    "xxComponentsxx\n"
    "\"R1\" \"10k\" \"0805\" \"\"\n"
    "\"C1\" \"100n\" \"1206\" \"\"\n"
    "\"C1\" \"220n\" \"0603\" \"\"\n"
    "\"E1\" \"\" \"SOT23\" \"\"\n"
    "\"R2\" \"10k\" \"0805\" \"4k7\"\n"
    "\"" +
    std::string(72, 'L') +
    "parts\" \"long\" \"name\"\n"
    ")\n"
    "\"X2\" \"no\" \"no\" \"\"\n";
const std::string kHead = "PCB 4.2\nComponents (\n";

TEST_F(Run, SectionLines) {
  const std::string r1 = line("R1", "150 200 0 2 0 0");
  const std::string r1_labels =
      line("VAL", "90 210 4 0 1 12") + line("PKG", "95 190 4 0 1 12");
  const std::string r1_rewritten =
      line("10k", "150 200 5 2 0 12") + line("0805", "95 190 0");
  struct Case {
    const char* what;
    bool keep;
    std::string board;     // after kHead
    std::string expected;  // after kHead, before the line ends become CR LF
    std::string marks;
  };
  const Case cases[] = {
      {"no listed names", false,
       line("X1", "1 2 3 4 5 6") + line("a", "1 2") + "lab\rel\n" + "comment\n" +
           line("X2", "7 8 9") + "\n\n)\n  \n\n\t tail one  \n   tail two\n\n",
       line("X1", "1 2 3 4 5 6") + line("a", "1 2") + "label\n" + "comment\n" +
           line("X2", "7 8 9") + "\n\n)\ntail one  \ntail two\n",
       "-X1--X2-"},
      {"indented entry", false, "        (\"R1\" 150 200 0 2 0 0)\n" + r1_labels + ")\n",
       "        (\"R1\" 150 200 0 2 0 0)\n" + r1_rewritten + ")\n", "+"},
      {"duplicate name", false, line("C1", "10 20 0 1 0 0") + r1_labels + ")\n",
       line("C1", "10 20 0 1 0 0") + line("100n", "10 20 5 1 0 12") +
           line("1206", "95 190 0") + ")\n",
       "+"},
      {"fourth text replaces the value", false, line("R2", "1 2 0 0 0 0") + r1_labels,
       line("R2", "1 2 0 0 0 0") + line("4k7", "1 2 5 0 0 12") + line("0805", "95 190 0"),
       "+"},
      {"names compared by their first 72 characters", false,
       line(std::string(72, 'L') + "board", "1 2 0 0 0 0") + r1_labels,
       line(std::string(72, 'L') + "board", "1 2 0 0 0 0") +
           line("long", "1 2 5 0 0 12") + line("name", "95 190 0"),
       "+"},
      {"case differs", false, line("r1", "150 200 0 2 0 0") + r1_labels + ")\n",
       line("r1", "150 200 0 2 0 0") + r1_labels + ")\n", "-r1-"},
      {"empty value text", false, line("E1", "1 2 0 9 0 0") + r1_labels,
       line("E1", "1 2 0 9 0 0") + line("", "1 2 5 9 0 3") + line("SOT23", "95 190 0"),
       "+"},
      {"labels without quotes at the start", true, r1 + "junk\nmore\n",
       r1 + line("10k", "0 0 0 0 0 0") + line("0805", "0 0 0"), "+"},
      {"labels without quotes, default mode", false, r1 + "junk\nmore\n",
       r1 + line("10k", "150 200 5 2 0 12") + line("0805", "150 200 0"), "+"},
      {"labels without quotes reuse the last label", true,
       r1 + r1_labels + line("C1", "5 6 0 0 0 0") + "junk\nmore\n",
       r1 + line("10k", "90 210 4 0 1 12") + line("0805", "95 190 0") +
           line("C1", "5 6 0 0 0 0") + line("100n", "95 190 0 0 1 12") +
           line("1206", "95 190 0"),
       "++"},
      {"double quote before the marker", false, "x\"Q\"" + r1 + r1_labels + ")\n",
       "x\"Q\"" + r1 + r1_labels + ")\n", "-Q-"},
      {"listed entry closing the section", false, r1 + ")\nafter\n)\n  tail\n",
       r1 + line("10k", "150 200 5 2 0 12") + line("0805", "150 200 0") + ")\ntail\n",
       "+"},
      {"unlisted entry closing the section", false,
       line("X1", "1") + ")\nafter\n" + line("R1", "150 200 0 2 0 0") + r1_labels +
           ")\n  tail\n",
       line("X1", "1") + ")\nafter\n" + r1 + r1_rewritten + ")\ntail\n", "-X1-+"},
      {"listed entry at the end of the file", false, r1,
       r1 + line("10k", "150 200 5 2 0 12") + line("0805", "150 200 0"), "+"},
      {"unlisted entry at the end of the file", false, line("X1", "1 2"),
       line("X1", "1 2") + "\n\n", "-X1-"},
      {"byte 26 ends the data", false, ")\ntail\nta\x1ail\nmore\n", ")\ntail\nta\n", ""},
      // After a plain line, a listed entry's second label and an unlisted
      // entry's second label, an empty line does not close the section.
      {"empty lines inside the section", false,
       "\n" + r1 + r1_labels + "\n" + r1 + line("VAL", "1") + "\n" + line("X1", "1") +
           "a\n\n \n)\n",
       "\n" + r1 + r1_rewritten + "\n" + r1 + line("10k", "150 200 5 2 0 12") +
           line("0805", "150 200 0") + line("X1", "1") + "a\n\n \n)\n",
       "++-X1-"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake({{"in.pnl", kParts}, {"in.pcb", kHead + c.board}});
    const RunResult r = run(c.keep ? std::vector<std::string>{"in", "out", "x"}
                                   : std::vector<std::string>{"in", "out"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.console,
              kBannerLine + (c.keep ? kKeepModeLine : "") + total(6) + c.marks);
    EXPECT_EQ(fake_->files["out.pcb"], crlf(kHead + c.expected));
  }
}

TEST_F(Run, EveryMarkReachesAConsoleAtOnce) {
  fake({{"in.pnl", "Components\n\"R1\" \"10k\" \"0805\"\n\"C1\" \"1n\"\nno quotes\n)\n"},
        {"in.pcb", "Components\n" + line("R1", "1") + "a\nb\n" + line("X1", "1") +
                       "a\nb\n" + line("C1", "1") + "a\nb\n)\n"}});
  fake_->console_kind = HandleKind::character;
  const RunResult r = run();
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.console, kBannerLine + "...\r\nCelkem nalezeno: 3 soucastek.\r\n+-X1-+");
  const std::vector<std::string>& w = fake_->console_writes;
  ASSERT_GE(w.size(), 7u);
  EXPECT_EQ(std::vector<std::string>(w.begin() + 1, w.begin() + 4),
            (std::vector<std::string>{".", ".", "."}));
  EXPECT_EQ(std::vector<std::string>(w.end() - 3, w.end()),
            (std::vector<std::string>{"+", "-X1-", "+"}));
}

TEST_F(Run, EveryPartsLineOfTheSectionIsAnEntry) {
  struct Case {
    const char* what;
    std::string parts;
    int count;
    std::string output;  // after the "Components" line
    std::string marks;
  };
  const std::string board =
      line("", "1 2 3 4 5 6") + "a\nb\n" + line("R1", "7 8") + "a\nb\n";
  const Case cases[] = {
      // An empty line is an entry with empty texts, so it names "".
      {"empty lines", "Components\n\n\"R1\" \"10k\" \"0805\"\n\n)\n", 3,
       line("", "1 2 3 4 5 6") + line("", "1 2 5 4 0 3") + line("", "1 2 0") +
           line("R1", "7 8") + line("10k", "7 8 5 4 0 3") + line("0805", "7 8 0"),
       "++"},
      {"no closing line", "Components\n\"R1\" \"10k\" \"0805\"\nno quotes", 2,
       line("", "1 2 3 4 5 6") + line("", "1 2 5 4 0 3") + line("", "1 2 0") +
           line("R1", "7 8") + line("10k", "7 8 5 4 0 3") + line("0805", "7 8 0"),
       "++"},
      {"closing line only", "Components\n)\n\"R1\" \"10k\"\n", 0,
       line("", "1 2 3 4 5 6") + "a\nb\n" + line("R1", "7 8") + "a\nb\n",
       "--"
       "-R1-"},
      // The section line itself starts with ")" and ends the first 128
      // bytes: the test for more input reads the next 128 before the line
      // is judged.
      {"section line starting with ) at the end of a buffer",
       std::string(100, 'x') + "\n)Components" + std::string(15, ' ') +
           "\n\"R1\" \"10k\" \"0805\"" + std::string(120, ' ') + "\n)\n",
       0, line("", "1 2 3 4 5 6") + "a\nb\n" + line("R1", "7 8") + "a\nb\n", "---R1-"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake({{"in.pnl", c.parts}, {"in.pcb", "Components\n" + board}});
    const RunResult r = run();
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.console, kBannerLine + total(c.count) + c.marks);
    EXPECT_EQ(fake_->files["out.pcb"], crlf("Components\n" + c.output));
  }
}

// The total counts every entry: it does not wrap at 65536, whatever width
// the board program gave its own counter. The last entry is still found.
TEST_F(Run, CountsPast65535Entries) {
  for (const int count : {3, 65535, 65536, 65538, 70000}) {
    SCOPED_TRACE(count);
    std::string parts = "Components\n";
    for (int i = 0; i < count; ++i)
      parts += "\"P" + std::to_string(i) + "\" \"v" + std::to_string(i) + "\" \"f\"\n";
    const std::string last = "P" + std::to_string(count - 1);
    fake({{"in.pnl", parts + ")\n"},
          {"in.pcb", "Components\n" + line(last, "1 2 0 0 0 0") + "a\nb\n"}});
    const RunResult r = run();
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.console, kBannerLine + total(count) + "+");
    EXPECT_EQ(
        fake_->files["out.pcb"],
        crlf("Components\n" + line(last, "1 2 0 0 0 0") +
             line("v" + std::to_string(count - 1), "1 2 5 0 0 12") + line("f", "1 2 0")));
  }
}

TEST_F(Run, RefusesToWriteOverAnInput) {
  struct Case {
    const char* what;
    std::vector<std::string> args;
    bool link_output_to_parts;
  };
  const Case cases[] = {
      {"output is the input board", {"in", "in"}, false},
      {"same, keep-positions mode", {"in", "in", "x"}, false},
      {"output is the parts list", {"in", "out"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake(
        {{"in.pnl", kWorkedParts}, {"in.pcb", worked_board("2")}, {"out.pcb", "linked"}});
    fake_->links.clear();
    if (c.link_output_to_parts) fake_->links.emplace_back("out.pcb", "in.pnl");
    const std::map<std::string, std::string> before = fake_->files;
    const int writes = fake_->calls(Op::open_write);
    const RunResult r = run(c.args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(is_report_after(r.console, kBannerLine, "I/O error 32.")) << r.console;
    EXPECT_EQ(fake_->files, before);
    EXPECT_EQ(fake_->calls(Op::open_write), writes);
  }
}

TEST_F(Run, DifferentFilesAreNotRefused) {
  fake({{"in.pnl", kWorkedParts}, {"in.pcb", worked_board("2")}, {"out.pcb", "old"}});
  EXPECT_EQ(run().exit_code, 0);
  EXPECT_EQ(fake_->files["out.pcb"].substr(0, 5), "PCB\r\n");
}

}  // namespace
}  // namespace relabel::testing
