#include "convert/run.h"

#include "convert/board_rewriter.h"
#include "convert/console.h"
#include "convert/parts_reader.h"
#include "runtime/args.h"

namespace relabel {
namespace {

constexpr std::int32_t kSharingViolation = 32;

[[noreturn]] void show_usage() {
  print_line("Syntaxe vstupu:");
  print(arg(0));
  print_line(" vstup vystup (bez pripon) [x]");
  print_line("x.. parametr zakaze zmenu souradnic hodnoty soucasty");
  end_run(1);
}

// Creating the output empties it; when it is one of the inputs that would
// lose the user's board. Refuse as a sharing violation before anything is
// created or emptied.
void refuse_output_over_input(const std::string& output, const std::string& parts,
                              const std::string& board) {
  if (platform().same_file(output.c_str(), board.c_str()) ||
      platform().same_file(output.c_str(), parts.c_str())) {
    io_result = kSharingViolation;
    io_check();
  }
}

}  // namespace

void run_conversion(RunState& state) {
  print_line("Prevod popisu soucastek v *.PCB podle *.PNL QUORANT 4.2 ZT'02 V2.1");
  const std::int32_t count = arg_count();
  if (count < 2) show_usage();

  state.input_base = arg(1);
  state.board_name = state.input_base + ".pcb";
  const std::string parts_name = state.input_base + ".pnl";
  const std::string output_name = arg(2) + ".pcb";
  text_assign(state.input, parts_name);
  text_reset(state.input);
  io_check();

  refuse_output_over_input(output_name, parts_name, state.board_name);
  text_assign(state.output, output_name);
  text_rewrite(state.output);
  io_check();

  state.relocate_value_label = count != 3;
  if (!state.relocate_value_label)
    print_line("Zmena napisu (souradnice zustanou zachovany.)");

  read_parts_list(state);
  // The board's first test must not judge the list's last line.
  state.line.clear();
  rewrite_board_file(state);
  end_run(0);
}

}  // namespace relabel
