#include "convert/parts_reader.h"

#include "runtime/args.h"
#include "runtime/failure.h"
#include "runtime/run_end.h"

namespace relabel {

void read_parts_list(RunState& state) {
  clear_line(state);
  while (lines_remain(state, at_section_line(state))) read_line(state);
  // Also when "Components" was the last line: the section is empty.
  if (input_at_end(state)) {
    print("Soubor ");
    print(arg(1));
    print_line(".pnl neobsahuje sekci \"Components\".");
    end_run(2);
  }

  while (lines_remain(state, at_closing_line(state))) {
    read_line(state);
    if (at_closing_line(state)) break;
    parse_parts_line(state.current_line.text, state.parts_line);
    if (state.parts_line[3].length != 0)
      copy_counted_text(state.parts_line[1], state.parts_line[3], 72);
    print_mark('.');
    ++state.parts_count;
    state.parts.append(state.parts_line);
  }
  text_close(state.input);
  io_check();

  print_line("");
  print("Celkem nalezeno: ");
  print(std::to_string(state.parts_count));
  print_line(" soucastek.");
}

}  // namespace relabel
