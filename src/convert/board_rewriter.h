// The second phase of a run: copying the board file and rewriting the label
// lines of every component the parts list names.
#pragma once

#include "convert/run_state.h"

namespace relabel {

// Copies the head up to the "Components" line, handles the section up to
// its closing ")" line, copies the tail without its leading blanks and blank
// lines, and closes both files. Ends the run with exit code 2 when the board
// has no such section.
void rewrite_board_file(RunState& state);

}  // namespace relabel
