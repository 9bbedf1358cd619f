// The conversion's console output. Each write ends in a line end or a flush
// (so that a console shows it at once) and is then checked.
#pragma once

#include <string>
#include <string_view>

#include "runtime/lifecycle.h"
#include "runtime/text_file.h"

namespace relabel {

// Writes a piece of a line that the next print_line ends.
inline void print(std::string_view text) { text_write(std_output, text); }

inline void print_line(std::string_view text) {
  text_write_line(std_output, text);
  io_check();
}

// One progress mark.
inline void print_mark(char mark) {
  text_write(std_output, mark);
  text_flush(std_output);
  io_check();
}

// "-NAME-": a component the parts list lacks.
inline void print_missing(std::string_view name) {
  text_write(std_output, '-');
  text_write(std_output, name);
  text_write(std_output, '-');
  text_flush(std_output);
  io_check();
}

// "Soubor <input base><extension> neobsahuje sekci "Components"." and exit
// code 2, for an input without its section. The message is one text, so a
// push that fails inside it drops the rest of it.
[[noreturn]] inline void end_without_section(std::string_view input_base,
                                             std::string_view extension) {
  std::string message = "Soubor ";
  message.append(input_base).append(extension);
  print_line(message.append(" neobsahuje sekci \"Components\"."));
  end_run(2);
}

}  // namespace relabel
