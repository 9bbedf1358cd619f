#include "convert/parts_reader.h"

#include <string>

#include "convert/console.h"
#include "convert/parts_line.h"

namespace relabel {

void read_parts_list(RunState& state) {
  state.line.clear();
  while (!input_at_end(state) && !at_section_line(state)) read_line(state);
  // Also when "Components" was the last line: the section is empty.
  if (input_at_end(state)) end_without_section(state.input_base, ".pnl");

  PartsTexts texts;
  while (!input_at_end(state) && !at_closing_line(state)) {
    read_line(state);
    if (at_closing_line(state)) break;
    parse_parts_line(state.line, texts);
    print_mark('.');
    state.parts.append(texts);
  }
  text_close(state.input);
  io_check();

  print_line("");
  print("Celkem nalezeno: ");
  print(std::to_string(state.parts.size()));
  print_line(" soucastek.");
}

}  // namespace relabel
