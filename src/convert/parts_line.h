// Parts-list lines: `"NAME" "VALUE" "SECOND" "FOURTH"`, the quoted texts of
// one component in the list's "Components" section.
#pragma once

#include <array>
#include <string_view>

#include "runtime/counted_text.h"

namespace relabel {

// The quoted texts of one parts-list line, in order: name, value text,
// second text, fourth text.
using PartsTexts = std::array<ShortText72, 4>;

// Reads a line as its quoted texts: between the first and second double
// quote, the third and fourth, and so on, at most four; the others are
// empty. One trailing blank is dropped from each text, then the text keeps
// its first 72 characters.
void parse_parts_line(std::string_view line, PartsTexts& texts);

}  // namespace relabel
