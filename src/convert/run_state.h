// The state one conversion run shares between its two phases, and the
// steps of its loops over the input's lines.
#pragma once

#include <string>
#include <string_view>

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
  Line line;               // the line read last, shared by every loop
  // Whether the current line starts with ")". Taken when the line is read,
  // since the line may be a view into the input's buffer, which the next
  // test for the end of the input can refill.
  bool closing_line = false;
  bool relocate_value_label = false;
  BoardEntry entry;  // the entry line being matched
  BoardEntry label;  // the label line being rewritten; never cleared
  PartsList parts;
};

// Empties the current line, as each phase starts.
inline void clear_line(RunState& state) {
  state.line.text = {};
  state.closing_line = false;
}

// Reads the next input line into the current line and consumes its end.
inline void read_line(RunState& state) {
  text_read_line(state.input, state.line);
  io_check();
  const std::string_view line = state.line.text;
  state.closing_line = !line.empty() && line[0] == ')';
}

// Writes the current line and a line end to the output file.
inline void copy_line(RunState& state) {
  text_write_line(state.output, state.line.text);
  io_check();
}

// True when the current line contains "Components".
inline bool at_section_line(const RunState& state) {
  return state.line.text.find("Components") != std::string_view::npos;
}

// text_at_end on the input, checked.
inline bool input_at_end(RunState& state) {
  const bool end = text_at_end(state.input);
  io_check();
  return end;
}

// The test of a loop over the input's lines: true while the input has more
// data and the current line does not end the loop. The caller judges the
// line first (the argument is evaluated before the input is tested),
// because testing the input may refill the buffer the line lies in.
inline bool lines_remain(RunState& state, bool line_ends_loop) {
  return !input_at_end(state) && !line_ends_loop;
}

}  // namespace relabel
