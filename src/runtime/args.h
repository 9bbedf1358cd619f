// Command-line arguments and the rule that splits one command-line string.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace relabel {

// Steps from one character to the next: one byte, or two for the lead byte
// of a double-byte code page (Windows passes CharNextA).
using CharStep = std::size_t (*)(std::string_view line, std::size_t place);

// Splits the next argument off `line` starting at `place` and leaves `place`
// at the separator that ended it. The line ends at its end or at a NUL.
// Blanks and control characters separate; a double quote opens a stretch
// taken whole up to the next double quote; a pair of double quotes where an
// argument would begin is skipped; a backslash is an ordinary character.
// Only at the end of the line is the result empty.
std::string next_arg(std::string_view line, std::size_t& place, CharStep step);

// Number of arguments after the program path.
std::int32_t arg_count();
// 0: the running program's full path; 1 to arg_count(): that argument;
// anything else: the empty text.
std::string arg(std::int32_t n);

}  // namespace relabel
