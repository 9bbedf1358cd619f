#include "runtime/messages.h"

namespace relabel {
namespace {

struct Message {
  std::uint16_t id;
  std::string_view text;
};

constexpr Message kMessages[] = {
    {msg::kExternalException, "External exception %x"},
    {msg::kAccessViolationInModule,
     "Access violation at address %p in module '%s'. %s of address %p"},
    {msg::kAccessViolation, "Access violation at address %p. %s of address %p"},
    {msg::kStackOverflow, "Stack overflow"},
    {msg::kControlC, "Control-C hit"},
    {msg::kPrivilege, "Privileged instruction"},
    {msg::kReportFormat, "Exception %s in module %s at %p.\n%s%s"},
    {msg::kRead, "Read"},
    {msg::kWrite, "Write"},
    {msg::kOutOfMemory, "Out of memory"},
    {msg::kInOutError, "I/O error %d"},
    {msg::kFileNotFound, "File not found"},
    {msg::kInvalidFilename, "Invalid filename"},
    {msg::kTooManyOpenFiles, "Too many open files"},
    {msg::kAccessDenied, "File access denied"},
    {msg::kEndOfFile, "Read beyond end of file"},
    {msg::kDiskFull, "Disk full"},
    {msg::kInvalidInput, "Invalid numeric input"},
    {msg::kDivByZero, "Division by zero"},
    {msg::kRangeError, "Range check error"},
    {msg::kIntOverflow, "Integer overflow"},
    {msg::kInvalidOp, "Invalid floating point operation"},
    {msg::kZeroDivide, "Floating point division by zero"},
    {msg::kOverflow, "Floating point overflow"},
    {msg::kUnderflow, "Floating point underflow"},
};

}  // namespace

std::string_view load_message(std::uint16_t id) {
  for (const Message& m : kMessages)
    if (m.id == id) return m.text;
  return {};
}

std::uint16_t io_message_id(std::int32_t code) {
  switch (code) {
    case 2: return msg::kFileNotFound;
    case 3: return msg::kInvalidFilename;
    case 4: return msg::kTooManyOpenFiles;
    case 5: return msg::kAccessDenied;
    case 100: return msg::kEndOfFile;
    case 101: return msg::kDiskFull;
    case 106: return msg::kInvalidInput;
    default: return msg::kInOutError;
  }
}

}  // namespace relabel
