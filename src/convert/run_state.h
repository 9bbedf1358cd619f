// The state one conversion run shares between its two phases, and the
// steps of its loops over the input's lines.
#pragma once

#include <string>

#include "convert/board_entry.h"
#include "convert/parts_list.h"
#include "runtime/lifecycle.h"
#include "runtime/text_file.h"

namespace relabel {

struct RunState {
  TextFile input;          // the parts list, later the input board file
  TextFile output;         // the output board file
  std::string input_base;  // the first argument, as given
  std::string board_name;  // the input board file: input_base + ".pcb"
  std::string line;        // the line read last, shared by every loop
  bool relocate_value_label = false;
  BoardEntry entry;  // the entry line being matched
  BoardEntry label;  // the label line being rewritten; never cleared
  PartsList parts;
};

// Reads the next input line into the current line and consumes its end.
inline void read_line(RunState& state) {
  text_read_line(state.input, state.line);
  io_check();
}

// Writes the current line and a line end to the output file.
inline void copy_line(RunState& state) {
  text_write_line(state.output, state.line);
  io_check();
}

// Whether the current line starts with ")", which closes a section.
inline bool at_closing_line(const RunState& state) { return state.line.starts_with(')'); }

// True when the current line contains "Components".
inline bool at_section_line(const RunState& state) {
  return state.line.find("Components") != std::string::npos;
}

// text_at_end on the input, checked.
inline bool input_at_end(RunState& state) {
  const bool end = text_at_end(state.input);
  io_check();
  return end;
}

}  // namespace relabel
