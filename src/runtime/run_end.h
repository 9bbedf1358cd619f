// Start-up and the end of a run: the top-level failure handler, the failure
// layer's lifetime, and end_run, through which every run ends.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/failure.h"
#include "runtime/platform.h"

namespace relabel {

enum class FailureLayer { not_set_up, active, taken_down };

// Installs `p` as the platform, the fault handler and the memory-exhaustion
// handler, puts the standard text files in their closed start state and
// activates the failure layer.
void start_runtime(Platform& p);

FailureLayer failure_layer();

// The running program's path, fetched at start-up (at most 260 characters).
std::string_view program_path();

// Ends the process with `code`: writes a pending plain run-time error report,
// takes the failure layer down, closes the standard text files (pushing the
// console's waiting output) and exits at once. Files the conversion opened
// itself are neither pushed nor closed.
[[noreturn]] void end_run(std::int32_t code);

// The plain path for failures while the failure layer is not active.
[[noreturn]] void end_run_with_error(std::int32_t number,
                                     std::uintptr_t position);

// The single place where failures are acted upon: report, then exit code 1.
[[noreturn]] void handle_unhandled_failure(Exception& failure,
                                           std::uintptr_t position);

// Reports a processor or memory fault signalled by the platform.
[[noreturn]] void handle_platform_fault(const FaultRecord& fault);

// Runs `body`, turning memory exhaustion and any stray C++ exception into
// failure reports.
void run_guarded(void (*body)());

// The program's whole life: starts the runtime on `p` (a C++ exception that
// escapes start-up ends in the plain run-time error report), then runs
// `body` guarded.
void run_program(Platform& p, void (*body)());

}  // namespace relabel
