#include "runtime/run_end.h"

#include <cstdlib>
#include <new>

#include "runtime/failure_report.h"
#include "runtime/messages.h"

namespace relabel {
namespace {

enum class FailureLayer { not_set_up, active, taken_down };

struct EndState {
  std::int32_t exit_code = 0;
  bool has_error_position = false;
  std::uintptr_t error_position = 0;
  FailureLayer layer = FailureLayer::not_set_up;
  bool standard_output_closed = false;
  bool handler_removed = false;
};
EndState state;

EOutOfMemory out_of_memory;

}  // namespace

void set_up_failure_layer() {
  state = EndState{};
  out_of_memory.set_message(load_message(msg::kOutOfMemory));
  state.layer = FailureLayer::active;
}

void end_run(std::int32_t code) {
  state.exit_code = code;
  if (state.has_error_position) {
    state.has_error_position = false;
    write_plain_error_report(state.exit_code, state.error_position);
  }
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
    end_run_with_error(run_time_error_number(fault.status), fault.code_position);
  handle_unhandled_failure(make_fault_failure(fault), fault.code_position);
}

void handle_out_of_memory(std::uintptr_t position) {
  if (state.layer != FailureLayer::active) end_run_with_error(203, position);
  handle_unhandled_failure(out_of_memory, position);
}

// Not inlined: the report names the place just after the call.
__attribute__((noinline)) void io_check_failed() {
  const auto position = reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
  handle_unhandled_failure(make_io_failure(), position);
}

}  // namespace relabel
