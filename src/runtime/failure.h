// Failures and their reports. A failure is reported once, by the top-level
// handler, as its class name and message in fixed English texts. Objects
// carry their message in a fixed buffer and the reports are made in fixed
// buffers, so that raising and reporting a failure never allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "runtime/fixed_format.h"
#include "runtime/platform.h"

namespace relabel {

inline constexpr std::size_t kMessageCapacity = 1023;
inline constexpr std::size_t kReportCapacity = 1023;

// A failure object: the name of its class (EInOutError, EOutOfMemory,
// EDivByZero, ...), which is all that tells the classes apart, and its
// message.
class Exception {
 public:
  explicit Exception(std::string_view class_name) : class_name_(class_name) {}
  Exception(const Exception&) = delete;
  Exception& operator=(const Exception&) = delete;

  std::string_view class_name() const { return class_name_; }
  std::string_view message() const { return {message_, length_}; }
  void set_class_name(std::string_view name) { class_name_ = name; }
  void set_message(std::string_view text) {
    length_ = text.copy(message_, kMessageCapacity);
  }
  // Fills a message format (see format_message) into the message.
  void set_formatted(std::string_view format, std::initializer_list<FormatArg> args) {
    length_ = format_message(message_, kMessageCapacity, format, args);
  }

 private:
  std::string_view class_name_;
  char message_[kMessageCapacity] = {};
  std::size_t length_ = 0;
};

// Takes io_result (clearing it) and makes the EInOutError for it.
Exception& make_io_failure();

// The failure object for a platform fault, with its message filled in.
Exception& make_fault_failure(const FaultRecord& fault);

// The preallocated EOutOfMemory, its message filled in at start-up.
Exception& out_of_memory_failure();

// The run-time error number of the plain report for a fault's status code.
std::int32_t run_time_error_number(std::uint32_t status);

// Pushes the console's waiting output, then writes the report and CR LF
// straight to the standard output handle. Failures are ignored. The report:
// "Exception <class> in module <module> at <address>.\n<message>[.]", the
// address relative to the module that holds it, cut at kReportCapacity.
void write_failure_report(const Exception& failure, std::uintptr_t position);

// Pushes the console's waiting output, then writes "Runtime error NNN at
// XXXXXXXX" (the number ending at the 17th character, the absolute position
// in eight hex digits), a zero byte and CR LF straight to the standard
// output handle.
void write_plain_error_report(std::int32_t number, std::uintptr_t position);

}  // namespace relabel
