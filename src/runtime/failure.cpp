#include "runtime/failure.h"

#include "runtime/int_text.h"
#include "runtime/text_file.h"

namespace relabel {
namespace {

// Where a program's code starts in its own image, by the report's
// convention for a position outside every known module.
constexpr std::uintptr_t kCodeStart = 0x1000;

// The objects a run can raise, made before it starts: raising needs no
// memory, and only one failure is ever reported.
Exception io_failure("EInOutError");
Exception fault_failure("EExternalException");
Exception out_of_memory("EOutOfMemory");

struct FaultKind {
  std::uint32_t status;
  std::string_view class_name;
  std::string_view message;  // empty: the access violation's own
  std::int32_t run_time_error;
};

constexpr std::string_view kInvalidOp = "Invalid floating point operation";
constexpr std::string_view kUnderflow = "Floating point underflow";

const FaultKind kFaultKinds[] = {
    {0xC0000005, "EAccessViolation", "", 216},
    {0xC000008C, "ERangeError", "Range check error", 201},
    {0xC000008D, "EUnderflow", kUnderflow, 206},
    {0xC000008E, "EZeroDivide", "Floating point division by zero", 200},
    {0xC000008F, "EInvalidOp", kInvalidOp, 207},
    {0xC0000090, "EInvalidOp", kInvalidOp, 207},
    {0xC0000091, "EOverflow", "Floating point overflow", 205},
    {0xC0000092, "EInvalidOp", kInvalidOp, 207},
    {0xC0000093, "EUnderflow", kUnderflow, 206},
    {0xC0000094, "EDivByZero", "Division by zero", 200},
    {0xC0000095, "EIntOverflow", "Integer overflow", 215},
    {0xC0000096, "EPrivilege", "Privileged instruction", 218},
    {0xC00000FD, "EStackOverflow", "Stack overflow", 202},
    {0xC000013A, "EControlC", "Control-C hit", 217},
};

const FaultKind* find_fault_kind(std::uint32_t status) {
  for (const FaultKind& k : kFaultKinds)
    if (k.status == status) return &k;
  return nullptr;
}

// The text of an I/O result code; empty for the codes that are reported as
// "I/O error <code>".
std::string_view io_message(std::int32_t code) {
  switch (code) {
    case 2: return "File not found";
    case 3: return "Invalid filename";
    case 4: return "Too many open files";
    case 5: return "File access denied";
    case 100: return "Read beyond end of file";
    case 101: return "Disk full";
    case 106: return "Invalid numeric input";
    default: return {};
  }
}

void fill_access_violation(Exception& object, const FaultRecord& fault) {
  const std::string_view word = fault.access_kind == 0 ? "Read" : "Write";
  std::uintptr_t base = 0;
  char path[261];
  if (platform().module_at(fault.code_position, base, path, sizeof path)) {
    object.set_formatted(
        "Access violation at address %p in module '%s'. %s of address %p",
        {pointer_arg(fault.code_position), text_arg(file_name_of(path)), text_arg(word),
         pointer_arg(fault.address)});
  } else {
    object.set_formatted(
        "Access violation at address %p. %s of address %p",
        {pointer_arg(fault.code_position), text_arg(word), pointer_arg(fault.address)});
  }
}

std::size_t failure_report_text(const Exception& failure, std::uintptr_t position,
                                char (&out)[kReportCapacity + 1]) {
  // The module's path, at most 260 characters, is cut before its name is
  // taken from it.
  char path[261] = {};
  std::uintptr_t base = 0;
  std::string_view module_path;
  std::uintptr_t shown;
  if (position != 0 && platform().module_at(position, base, path, sizeof path)) {
    module_path = path;
    shown = position - base;
  } else {
    module_path = platform().executable_path().substr(0, 260);
    shown = position == 0 ? 0 : position - kCodeStart;
  }
  const std::string_view module = file_name_of(module_path);
  const std::string_view message = failure.message();
  const bool needs_period = !message.empty() && message.back() != '.';
  return format_message(
      out, kReportCapacity, "Exception %s in module %s at %p.\n%s%s",
      {text_arg(failure.class_name()), text_arg(module), pointer_arg(shown),
       text_arg(message), text_arg(needs_period ? "." : "")});
}

std::size_t plain_error_text(std::int32_t number, std::uintptr_t position,
                             char (&out)[30]) {
  constexpr std::string_view kTemplate = "Runtime error     at ";
  kTemplate.copy(out, kTemplate.size());
  // The number's last digit is the 17th character, with blanks before it.
  put_int_text_before(number, out + 17);
  return kTemplate.size() + format_message(out + kTemplate.size(),
                                           sizeof out - kTemplate.size() - 1, "%p",
                                           {pointer_arg(position)});
}

}  // namespace

Exception& make_io_failure() {
  const std::int32_t code = io_result;
  io_result = 0;
  const std::string_view message = io_message(code);
  if (message.empty()) {
    io_failure.set_formatted("I/O error %d", {decimal_arg(code)});
  } else {
    io_failure.set_message(message);
  }
  return io_failure;
}

Exception& make_fault_failure(const FaultRecord& fault) {
  const FaultKind* kind = find_fault_kind(fault.status);
  fault_failure.set_class_name(kind ? kind->class_name : "EExternalException");
  if (kind == nullptr) {
    fault_failure.set_formatted("External exception %x", {hex_arg(fault.status)});
  } else if (kind->message.empty()) {
    fill_access_violation(fault_failure, fault);
  } else {
    fault_failure.set_message(kind->message);
  }
  return fault_failure;
}

Exception& out_of_memory_failure() {
  out_of_memory.set_message("Out of memory");
  return out_of_memory;
}

std::int32_t run_time_error_number(std::uint32_t status) {
  const FaultKind* kind = find_fault_kind(status);
  return kind ? kind->run_time_error : 255;
}

void write_failure_report(const Exception& failure, std::uintptr_t position) {
  text_push_buffer(std_output);
  char text[kReportCapacity + 1];
  const std::size_t length = failure_report_text(failure, position, text);
  platform().raw_write_std_output(text, length);
  platform().raw_write_std_output("\r\n", 2);
}

void write_plain_error_report(std::int32_t number, std::uintptr_t position) {
  if (std_output.mode == TextMode::output && std_output.pos > 0)
    text_push_buffer(std_output);
  char text[30];
  const std::size_t length = plain_error_text(number, position, text);
  text[length] = '\0';
  platform().raw_write_std_output(text, length + 1);
  platform().raw_write_std_output("\r\n", 2);
}

}  // namespace relabel
