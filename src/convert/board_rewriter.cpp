#include "convert/board_rewriter.h"

#include "convert/console.h"

namespace relabel {
namespace {

// An entry line holds the marker anywhere.
bool is_entry_line(std::string_view line) {
  return line.find(kEntryMarker) != std::string_view::npos;
}

// On a character device each piece of a label line ends a write that is
// pushed at once: the marker, name and quote, then each number. The line
// end goes with the ")" after them.
std::string_view write_pieces(RunState& state, std::string_view line,
                              std::size_t name_size, unsigned n) {
  std::size_t piece = kEntryMarker.size() + name_size + 1;
  for (unsigned i = 0; i <= n; ++i) {
    text_write(state.output, line.substr(0, piece));
    text_flush(state.output);
    io_check();
    line.remove_prefix(piece);
    piece = line.find_first_of(" )", 1);
  }
  return line;
}

// Writes `entry` with its first `n` numbers as a line of the output. On a
// disk file or a pipe, ending a piece does nothing, so the line goes as one
// text, whose bytes reach the file at the same 128-byte points, and a push
// that fails anywhere in it ends the run at the check.
void write_entry(RunState& state, const BoardEntry& entry, unsigned n) {
  char buffer[kBoardLineCapacity];
  std::string_view line = format_board_entry(entry, n, buffer);
  if (state.output.push_on_flush) [[unlikely]]
    line = write_pieces(state, line, entry.name.view().size(), n);
  text_write_line(state.output, line);
  io_check();
}

// The value label takes the parts list's value text and, unless positions
// are kept, moves to the component's position; the second label takes the
// second text and keeps only its first two numbers and a 0.
void rewrite_labels(RunState& state, const PartsEntry& match) {
  BoardEntry& label = state.label;
  const BoardEntry& entry = state.entry;
  read_line(state);
  // Moving the label sets its text and all six numbers, so only a label
  // whose position is kept needs its line parsed.
  if (!state.relocate_value_label) parse_board_entry(state.line, label);
  print_mark('+');
  to_counted_text(label.name, match.value_text);
  if (state.relocate_value_label) {
    for (int i : {0, 1, 3}) label.numbers[i] = entry.numbers[i];
    label.numbers[2] = 5;
    label.numbers[4] = 0;
    label.numbers[5] = entry.numbers[3] > 3 ? 3 : 12;
  }
  write_entry(state, label, 6);

  read_line(state);
  // Its numbers 1 and 2 are written; when positions are kept, its numbers 4
  // to 6 also stay for the next value label, whose line may not reach them.
  parse_board_entry(state.line, label, state.relocate_value_label ? 2 : 6);
  to_counted_text(label.name, match.second_text);
  label.numbers[2] = 0;
  write_entry(state, label, 3);
}

void copy_section(RunState& state) {
  while (!input_at_end(state) && !at_closing_line(state)) {
    read_line(state);
    if (!is_entry_line(state.line)) {
      copy_line(state);
      continue;
    }
    // The rewrite reads the entry's numbers 1, 2 and 4 only.
    parse_board_entry(state.line, state.entry, 4);
    copy_line(state);
    const std::optional<PartsEntry> match = state.parts.find(state.entry.name.view());
    if (match) {
      rewrite_labels(state, *match);
      continue;
    }
    print_missing(state.entry.name.view());
    for (int i = 0; i < 2; ++i) {
      read_line(state);
      copy_line(state);
    }
  }
}

}  // namespace

void rewrite_board_file(RunState& state) {
  text_assign(state.input, state.board_name);
  text_reset(state.input);
  io_check();

  // The head, up to and with the line that contains "Components".
  while (!input_at_end(state) && !at_section_line(state)) {
    read_line(state);
    copy_line(state);
  }
  // Also when "Components" was the last line.
  if (input_at_end(state)) end_without_section(state.input_base, ".pcb");

  copy_section(state);

  // The tail, without its blank lines and the blanks that start a line.
  for (;;) {
    const bool end = text_at_end_skipping_blanks(state.input);
    io_check();
    if (end) break;
    read_line(state);
    copy_line(state);
  }

  text_close(state.input);
  io_check();
  text_close(state.output);
  io_check();
}

}  // namespace relabel
