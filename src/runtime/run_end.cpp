#include "runtime/run_end.h"

#include <cstdlib>
#include <exception>
#include <new>

#include "runtime/failure_report.h"
#include "runtime/text_file.h"

namespace relabel {
namespace {

struct EndState {
  std::int32_t exit_code = 0;
  bool has_error_position = false;
  std::uintptr_t error_position = 0;
  FailureLayer layer = FailureLayer::not_set_up;
  bool standard_files_closed = false;
  bool handler_removed = false;
};
EndState state;

EOutOfMemory out_of_memory;
EInvalidPointer invalid_pointer;

char program_path_text[261];
std::size_t program_path_length = 0;

// Status code with which the Microsoft C++ runtime raises C++ exceptions: a
// stray one is reported as the external exception it would be on Windows.
constexpr std::uint32_t kForeignExceptionStatus = 0xE06D7363;

[[noreturn]] void memory_exhausted(std::uintptr_t position) {
  if (state.layer == FailureLayer::active)
    raise_failure(out_of_memory, position);
  end_run_with_error(203, position);
}

// Called by operator new when it cannot get memory: no C++ exception is
// thrown, the failure goes straight to the report. The position named is
// this handler's own, so the report names the program's module rather than
// the C++ library that called it.
void on_new_failure();
std::uintptr_t new_failure_position() {
  return reinterpret_cast<std::uintptr_t>(&on_new_failure);
}
void on_new_failure() { memory_exhausted(new_failure_position()); }

// A C++ exception that reached the top: memory exhaustion is reported as
// such, anything else as the external exception it would be on Windows.
// Before the failure layer is active both take the plain report.
[[noreturn]] void report_escaped_exception(std::uintptr_t position) {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    memory_exhausted(new_failure_position());
  } catch (...) {
  }
  FaultRecord fault;
  fault.status = kForeignExceptionStatus;
  fault.code_position = position;
  handle_platform_fault(fault);
}

// std::terminate is reached when a C++ exception cannot even be made (no
// memory for the exception object) or leaves a function that must not throw;
// it ends in a report too, never in an abort signal.
void on_terminate();
std::uintptr_t terminate_position() {
  return reinterpret_cast<std::uintptr_t>(&on_terminate);
}
void on_terminate() {
  FaultRecord fault;
  fault.status = kForeignExceptionStatus;
  fault.code_position = terminate_position();
  handle_platform_fault(fault);
}

void take_failure_layer_down() {
  state.layer = FailureLayer::taken_down;
  out_of_memory.may_release = true;
  invalid_pointer.may_release = true;
}

}  // namespace

void start_runtime(Platform& p) {
  // The handlers first: from here on memory exhaustion and faults end in a
  // report, the plain one until the failure layer is active. Nothing below
  // allocates.
  set_platform(&p);
  state = EndState{};
  std::set_new_handler(on_new_failure);
  std::set_terminate(on_terminate);
  p.install_fault_handler(handle_platform_fault);
  reset_standard_files();
  io_result = 0;

  program_path_length =
      p.copy_executable_path(program_path_text, sizeof program_path_text - 1);

  out_of_memory.set_message("Out of memory");
  out_of_memory.may_release = false;
  invalid_pointer.set_message("Invalid pointer operation");
  invalid_pointer.may_release = false;
  state.layer = FailureLayer::active;
}

FailureLayer failure_layer() { return state.layer; }

std::string_view program_path() {
  return {program_path_text, program_path_length};
}

void end_run(std::int32_t code) {
  state.exit_code = code;
  if (state.has_error_position) {
    state.has_error_position = false;
    write_plain_error_report(state.exit_code, state.error_position);
  }
  if (state.layer == FailureLayer::active) take_failure_layer_down();
  if (!state.standard_files_closed) {
    state.standard_files_closed = true;
    text_close(std_input);
    text_close(std_output);
    text_close(std_error);
    io_result = 0;
  }
  if (!state.handler_removed) {
    state.handler_removed = true;
    std::set_new_handler(nullptr);
    platform().remove_fault_handler();
  }
  platform().exit_process(state.exit_code);
  std::_Exit(state.exit_code);  // exit_process does not return
}

void end_run_with_error(std::int32_t number, std::uintptr_t position) {
  state.has_error_position = true;
  state.error_position = position;
  end_run(number);
}

void handle_unhandled_failure(Exception& failure, std::uintptr_t position) {
  write_failure_report(failure, position);
  end_run(1);
}

void handle_platform_fault(const FaultRecord& fault) {
  if (state.layer != FailureLayer::active)
    end_run_with_error(run_time_error_number(fault.status),
                       fault.code_position);
  handle_unhandled_failure(make_fault_failure(fault), fault.code_position);
}

void run_guarded(void (*body)()) {
  try {
    body();
  } catch (const ProcessExit&) {
    throw;
  } catch (...) {
    report_escaped_exception(reinterpret_cast<std::uintptr_t>(body));
  }
}

void run_program(Platform& p, void (*body)()) {
  try {
    start_runtime(p);
  } catch (const ProcessExit&) {
    throw;
  } catch (...) {
    report_escaped_exception(reinterpret_cast<std::uintptr_t>(&start_runtime));
  }
  run_guarded(body);
}

}  // namespace relabel
