#include "runtime/lifecycle.h"

#include <cstdlib>
#include <exception>
#include <new>

namespace relabel {
namespace {

enum class FailureLayer { not_set_up, active, taken_down };

struct EndState {
  FailureLayer layer = FailureLayer::not_set_up;
  bool standard_output_closed = false;
  bool handler_removed = false;
};
EndState state;

// Status code with which the Microsoft C++ runtime raises C++ exceptions: a
// stray one is reported as the external exception it would be on Windows.
constexpr std::uint32_t kForeignExceptionStatus = 0xE06D7363;

// Called by operator new when it cannot get memory: no C++ exception is
// thrown, the failure goes straight to the report. The position named is
// this handler's own, so the report names the program's module rather than
// the C++ library that called it.
void on_new_failure();
std::uintptr_t new_failure_position() {
  return reinterpret_cast<std::uintptr_t>(&on_new_failure);
}
void on_new_failure() { handle_out_of_memory(new_failure_position()); }

[[noreturn]] void report_foreign_exception(std::uintptr_t position) {
  FaultRecord fault;
  fault.status = kForeignExceptionStatus;
  fault.code_position = position;
  handle_platform_fault(fault);
}

// std::terminate is reached when a C++ exception cannot even be made (no
// memory for the exception object) or leaves a function that must not throw;
// it ends in a report too, never in an abort signal.
void on_terminate() {
  report_foreign_exception(reinterpret_cast<std::uintptr_t>(&on_terminate));
}

}  // namespace

void start_runtime(Platform& p) {
  // The handlers first: from here on memory exhaustion and faults end in a
  // report, the plain one until the failure layer is set up.
  set_platform(&p);
  std::set_new_handler(on_new_failure);
  std::set_terminate(on_terminate);
  p.install_fault_handler(handle_platform_fault);
  text_assign(std_output, {});
  io_result = 0;
  state = EndState{};
  state.layer = FailureLayer::active;
}

void run_guarded(void (*body)()) {
  try {
    body();
  } catch (const std::bad_alloc&) {
    // Thrown where a size limit is reached (operator new itself does not
    // throw here): reported as memory exhaustion.
    handle_out_of_memory(new_failure_position());
  } catch (...) {
    report_foreign_exception(reinterpret_cast<std::uintptr_t>(body));
  }
}

void end_run(std::int32_t code) {
  state.layer = FailureLayer::taken_down;
  if (!state.standard_output_closed) {
    state.standard_output_closed = true;
    text_close(std_output);
    io_result = 0;
  }
  if (!state.handler_removed) {
    state.handler_removed = true;
    std::set_new_handler(nullptr);
    platform().remove_fault_handler();
  }
  platform().exit_process(code);
  std::_Exit(code);  // exit_process does not return
}

void end_run_with_error(std::int32_t number, std::uintptr_t position) {
  write_plain_error_report(number, position);
  end_run(number);
}

void handle_unhandled_failure(Exception& failure, std::uintptr_t position) {
  write_failure_report(failure, position);
  end_run(1);
}

void handle_platform_fault(const FaultRecord& fault) {
  if (state.layer != FailureLayer::active)
    end_run_with_error(run_time_error_number(fault.status), fault.code_position);
  handle_unhandled_failure(make_fault_failure(fault), fault.code_position);
}

void handle_out_of_memory(std::uintptr_t position) {
  if (state.layer != FailureLayer::active) end_run_with_error(203, position);
  handle_unhandled_failure(out_of_memory_failure(), position);
}

// Not inlined: the report names the place just after the call.
__attribute__((noinline)) void io_check_failed() {
  const auto position = reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
  handle_unhandled_failure(make_io_failure(), position);
}

}  // namespace relabel
