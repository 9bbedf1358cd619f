// One conversion run, from the banner to the exit code.
#pragma once

#include "convert/run_state.h"

namespace relabel {

// Prints the banner, checks the arguments, opens the files, runs the
// parts-list phase and the board phase and ends the run. Never returns.
[[noreturn]] void run_conversion(RunState& state);

}  // namespace relabel
