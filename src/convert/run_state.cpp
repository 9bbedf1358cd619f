#include "convert/run_state.h"

#include "runtime/failure.h"

namespace relabel {

void read_line(RunState& state) {
  text_read_line(state.input, state.current_line);
  io_check();
  text_skip_line(state.input);
  io_check();
}

void copy_line(RunState& state) {
  text_write(state.output, std::string_view(state.current_line));
  text_write_line_end(state.output);
  io_check();
}

bool at_section_line(const RunState& state) {
  return state.current_line.find("Components") != std::string::npos;
}

bool at_closing_line(const RunState& state) {
  return !state.current_line.empty() && state.current_line[0] == ')';
}

bool input_at_end(RunState& state) {
  const bool end = text_at_end(state.input);
  io_check();
  return end;
}

void print(std::string_view text) { text_write(std_output, text); }

void print_line(std::string_view text) {
  text_write(std_output, text);
  text_write_line_end(std_output);
  io_check();
}

void print_mark(char mark) {
  text_write(std_output, mark);
  text_flush(std_output);
  io_check();
}

}  // namespace relabel
