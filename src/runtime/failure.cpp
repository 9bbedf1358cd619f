#include "runtime/failure.h"

#include "runtime/messages.h"
#include "runtime/text_file.h"

namespace relabel {

void Exception::set_message(std::string_view text) {
  length_ = text.copy(message_, kMessageCapacity);
}

void Exception::set_formatted(std::string_view format,
                              std::initializer_list<FormatArg> args) {
  length_ = format_message(message_, kMessageCapacity, format, args);
}

namespace {

// One object per class, made at start-up: raising a fault needs no memory.
struct FaultObjects {
  EExternalException external;
  EDivByZero div_by_zero;
  ERangeError range;
  EIntOverflow int_overflow;
  EInvalidOp invalid_op;
  EZeroDivide zero_divide;
  EOverflow overflow;
  EUnderflow underflow;
  EAccessViolation access_violation;
  EPrivilege privilege;
  EStackOverflow stack_overflow;
  EControlC control_c;
};
FaultObjects fault_objects;
EInOutError io_failure;

struct FaultKind {
  std::uint32_t status;
  EExternal* object;
  std::uint16_t message;
  std::int32_t run_time_error;
};

const FaultKind kFaultKinds[] = {
    {0xC0000005, &fault_objects.access_violation, 0, 216},
    {0xC000008C, &fault_objects.range, msg::kRangeError, 201},
    {0xC000008D, &fault_objects.underflow, msg::kUnderflow, 206},
    {0xC000008E, &fault_objects.zero_divide, msg::kZeroDivide, 200},
    {0xC000008F, &fault_objects.invalid_op, msg::kInvalidOp, 207},
    {0xC0000090, &fault_objects.invalid_op, msg::kInvalidOp, 207},
    {0xC0000091, &fault_objects.overflow, msg::kOverflow, 205},
    {0xC0000092, &fault_objects.invalid_op, msg::kInvalidOp, 207},
    {0xC0000093, &fault_objects.underflow, msg::kUnderflow, 206},
    {0xC0000094, &fault_objects.div_by_zero, msg::kDivByZero, 200},
    {0xC0000095, &fault_objects.int_overflow, msg::kIntOverflow, 215},
    {0xC0000096, &fault_objects.privilege, msg::kPrivilege, 218},
    {0xC00000FD, &fault_objects.stack_overflow, msg::kStackOverflow, 202},
    {0xC000013A, &fault_objects.control_c, msg::kControlC, 217},
};

const FaultKind* find_fault_kind(std::uint32_t status) {
  for (const FaultKind& k : kFaultKinds)
    if (k.status == status) return &k;
  return nullptr;
}

void fill_access_violation(EExternal& object, const FaultRecord& fault) {
  const std::string_view word =
      load_message(fault.access_kind == 0 ? msg::kRead : msg::kWrite);
  std::uintptr_t base = 0;
  char path[261];
  if (platform().module_at(fault.code_position, base, path, sizeof path)) {
    object.set_formatted(load_message(msg::kAccessViolationInModule),
                         {pointer_arg(fault.code_position), text_arg(file_name_of(path)),
                          text_arg(word), pointer_arg(fault.address)});
  } else {
    object.set_formatted(
        load_message(msg::kAccessViolation),
        {pointer_arg(fault.code_position), text_arg(word), pointer_arg(fault.address)});
  }
}

}  // namespace

EInOutError& make_io_failure() {
  const std::int32_t code = io_result;
  io_result = 0;
  io_failure.code = code;
  const std::uint16_t id = io_message_id(code);
  if (id == msg::kInOutError) {
    io_failure.set_formatted(load_message(id), {decimal_arg(code)});
  } else {
    io_failure.set_message(load_message(id));
  }
  return io_failure;
}

Exception& make_fault_failure(const FaultRecord& fault) {
  const FaultKind* kind = find_fault_kind(fault.status);
  EExternal& object = kind ? *kind->object : fault_objects.external;
  object.fault = fault;
  if (kind == nullptr) {
    object.set_formatted(load_message(msg::kExternalException), {hex_arg(fault.status)});
  } else if (kind->message == 0) {
    fill_access_violation(object, fault);
  } else {
    object.set_message(load_message(kind->message));
  }
  return object;
}

std::int32_t run_time_error_number(std::uint32_t status) {
  const FaultKind* kind = find_fault_kind(status);
  return kind ? kind->run_time_error : 255;
}

}  // namespace relabel
