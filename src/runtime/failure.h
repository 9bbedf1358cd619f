// Failure objects: one class tree rooted at Exception, reported once by the
// top-level handler. Objects carry their message in a fixed buffer so that
// raising and reporting a failure never allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "runtime/fixed_format.h"
#include "runtime/platform.h"

namespace relabel {

inline constexpr std::size_t kMessageCapacity = 1023;

class Exception {
 public:
  Exception() = default;
  Exception(const Exception&) = delete;
  Exception& operator=(const Exception&) = delete;
  virtual ~Exception() = default;

  virtual const char* class_name() const { return "Exception"; }
  std::string_view message() const { return {message_, length_}; }
  void set_message(std::string_view text);
  // Fills a message format (see format_message) into the message.
  void set_formatted(std::string_view format, std::initializer_list<FormatArg> args);

 private:
  char message_[kMessageCapacity] = {};
  std::size_t length_ = 0;
};

#define RELABEL_FAILURE_CLASS(Name, Base)                     \
  class Name : public Base {                                  \
   public:                                                    \
    const char* class_name() const override { return #Name; } \
  };

RELABEL_FAILURE_CLASS(EHeapException, Exception)
RELABEL_FAILURE_CLASS(EOutOfMemory, EHeapException)

class EInOutError : public Exception {
 public:
  const char* class_name() const override { return "EInOutError"; }
  std::int32_t code = 0;
};

class EExternal : public Exception {
 public:
  const char* class_name() const override { return "EExternal"; }
  FaultRecord fault;
};
RELABEL_FAILURE_CLASS(EExternalException, EExternal)
RELABEL_FAILURE_CLASS(EIntError, EExternal)
RELABEL_FAILURE_CLASS(EDivByZero, EIntError)
RELABEL_FAILURE_CLASS(ERangeError, EIntError)
RELABEL_FAILURE_CLASS(EIntOverflow, EIntError)
RELABEL_FAILURE_CLASS(EMathError, EExternal)
RELABEL_FAILURE_CLASS(EInvalidOp, EMathError)
RELABEL_FAILURE_CLASS(EZeroDivide, EMathError)
RELABEL_FAILURE_CLASS(EOverflow, EMathError)
RELABEL_FAILURE_CLASS(EUnderflow, EMathError)
RELABEL_FAILURE_CLASS(EAccessViolation, EExternal)
RELABEL_FAILURE_CLASS(EPrivilege, EExternal)
RELABEL_FAILURE_CLASS(EStackOverflow, EExternal)
RELABEL_FAILURE_CLASS(EControlC, EExternal)

#undef RELABEL_FAILURE_CLASS

// Takes io_result (clearing it) and makes the EInOutError for it.
EInOutError& make_io_failure();

// The failure object for a platform fault, with its message filled in.
Exception& make_fault_failure(const FaultRecord& fault);

// The run-time error number of the plain report for a fault's status code.
std::int32_t run_time_error_number(std::uint32_t status);

}  // namespace relabel
