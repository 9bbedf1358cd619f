// The first phase of a run: reading the parts list.
#pragma once

#include "convert/run_state.h"

namespace relabel {

// With the input open on the parts list: skips to the line containing
// "Components", then makes an entry of every line up to one starting with
// ")" (a "." on the console each), closes the input and prints the total.
// Ends the run with exit code 2 when the list has no such section.
void read_parts_list(RunState& state);

}  // namespace relabel
