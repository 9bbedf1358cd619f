// Failure objects: one class tree rooted at Exception, reported once by the
// top-level handler. Objects carry their message in a fixed buffer so that
// raising and reporting a failure never allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "runtime/fixed_format.h"
#include "runtime/platform.h"
#include "runtime/text_file.h"

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
  void set_formatted(std::string_view format,
                     std::initializer_list<FormatArg> args);

 private:
  char message_[kMessageCapacity + 1] = {};
  std::size_t length_ = 0;
};

#define RELABEL_FAILURE_CLASS(Name, Base)                             \
  class Name : public Base {                                          \
   public:                                                            \
    const char* class_name() const override { return #Name; }         \
  };

class EHeapException : public Exception {
 public:
  const char* class_name() const override { return "EHeapException"; }
  // False for the preallocated objects while the failure layer is active.
  bool may_release = false;
};
RELABEL_FAILURE_CLASS(EOutOfMemory, EHeapException)
RELABEL_FAILURE_CLASS(EInvalidPointer, EHeapException)

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

// Classes of the tree that nothing on the conversion's paths makes.
RELABEL_FAILURE_CLASS(EInvalidCast, Exception)
RELABEL_FAILURE_CLASS(EConvertError, Exception)
RELABEL_FAILURE_CLASS(EVariantError, Exception)
RELABEL_FAILURE_CLASS(EAssertionFailed, Exception)
RELABEL_FAILURE_CLASS(EAbstractError, Exception)
RELABEL_FAILURE_CLASS(EIntfCastError, Exception)
RELABEL_FAILURE_CLASS(ESafecallException, Exception)

#undef RELABEL_FAILURE_CLASS

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

// Takes io_result (clearing it) and makes the EInOutError for it.
EInOutError& make_io_failure();

// The failure object for a platform fault, with its message filled in.
Exception& make_fault_failure(const FaultRecord& fault);

// The run-time error number of the plain report for a fault's status code.
std::int32_t run_time_error_number(std::uint32_t status);

// Hands a failure to the top-level handler: report and exit code 1.
[[noreturn]] void raise_failure(Exception& failure,
                                std::uintptr_t code_position);

}  // namespace relabel
