#include "runtime/run_start.h"

#include <exception>
#include <new>

#include "runtime/run_end.h"

namespace relabel {
namespace {

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
  set_up_failure_layer();
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

}  // namespace relabel
