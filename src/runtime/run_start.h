// Start-up: the handlers that turn faults, memory exhaustion and stray C++
// exceptions into failure reports, installed before anything else runs.
#pragma once

#include "runtime/platform.h"

namespace relabel {

// Installs `p` as the platform, the fault handler and the memory-exhaustion
// handler, puts the standard output in its closed start state and sets up
// the failure layer. Allocates nothing.
void start_runtime(Platform& p);

// Runs `body`, turning memory exhaustion and any stray C++ exception into
// failure reports.
void run_guarded(void (*body)());

}  // namespace relabel
