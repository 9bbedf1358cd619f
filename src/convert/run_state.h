// The state one conversion run shares between its two phases.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "convert/board_entry.h"
#include "convert/parts_list.h"
#include "runtime/text_file.h"

namespace relabel {

struct RunState {
  TextFile input;   // the parts list, later the input board file
  TextFile output;  // the output board file
  std::string current_line;  // the line read last, shared by every loop
  PartsTexts parts_line{};
  bool relocate_value_label = false;
  BoardEntry entry;  // the entry line being matched
  BoardEntry label;  // the label line being rewritten; never cleared
  std::uint16_t parts_count = 0;  // counts modulo 65536, as the total shows it
  PartsList parts;
};

// Reads the next input line into the current line and consumes its end.
void read_line(RunState& state);
// Writes the current line and a line end to the output file.
void copy_line(RunState& state);
// True when the current line contains "Components".
bool at_section_line(const RunState& state);
// True when the current line's first character is ")"; an empty line has
// no first character and does not close a section.
bool at_closing_line(const RunState& state);
// text_at_end on the input, checked.
bool input_at_end(RunState& state);

// Console output. print() only writes; print_line() ends the line and
// print_mark() shows one character at once. Both check for failures.
void print(std::string_view text);
void print_line(std::string_view text);
void print_mark(char mark);

}  // namespace relabel
