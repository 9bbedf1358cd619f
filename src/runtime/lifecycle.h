// How a run starts and ends: the handlers installed before anything else
// runs, end_run, through which every run ends, and the one handler that
// reports a failure and ends the run with exit code 1.
#pragma once

#include <cstdint>

#include "runtime/failure.h"
#include "runtime/platform.h"
#include "runtime/text_file.h"

namespace relabel {

// Installs `p` as the platform, the fault handler and the memory-exhaustion
// handler, puts the standard output in its closed start state and makes
// failures be reported. Allocates nothing. Before it, and once a run's end
// has taken the failure layer down, failures take the plain run-time error
// report.
void start_runtime(Platform& p);

// Runs `body`, turning memory exhaustion and any stray C++ exception into
// failure reports.
void run_guarded(void (*body)());

// Ends the process with `code`: takes the failure layer down, closes the
// standard output (pushing its waiting bytes) and exits at once. Files the
// conversion opened itself are neither pushed nor closed.
[[noreturn]] void end_run(std::int32_t code);

// The plain path for failures while the failure layer is not active: the
// plain report after the console's waiting output, then end_run(number).
[[noreturn]] void end_run_with_error(std::int32_t number, std::uintptr_t position);

// The single place where failures are acted upon: report, then exit code 1.
[[noreturn]] void handle_unhandled_failure(Exception& failure, std::uintptr_t position);

// Reports a processor or memory fault signalled by the platform.
[[noreturn]] void handle_platform_fault(const FaultRecord& fault);

// Reports memory exhaustion at `position`: the preallocated EOutOfMemory
// while the failure layer is active, the plain report 203 otherwise.
[[noreturn]] void handle_out_of_memory(std::uintptr_t position);

// Raises the EInOutError for the pending I/O result code at the place the
// call returns to, that is just after the io_check that found it.
[[noreturn]] void io_check_failed();

// Turns a pending I/O result code into an EInOutError raised at the place
// just after the call. Returns at once when nothing is pending; it follows
// every text-file operation, so that test is inline.
inline void io_check() {
  if (io_result != 0) [[unlikely]]
    io_check_failed();
}

}  // namespace relabel
