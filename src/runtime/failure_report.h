// The texts a failed run ends with, made in fixed buffers without
// allocating.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "runtime/failure.h"

namespace relabel {

inline constexpr std::size_t kReportCapacity = 1023;

// "Exception <class> in module <module> at <address>.\n<message>[.]"; the
// address is the position relative to the module that holds it.
std::size_t failure_report_text(const Exception& failure, std::uintptr_t position,
                                char (&out)[kReportCapacity + 1]);

// Pushes the console's waiting output, then writes the report and CR LF
// straight to the standard output handle. Failures are ignored.
void write_failure_report(const Exception& failure, std::uintptr_t position);

// "Runtime error NNN at XXXXXXXX": the number ends at the 17th character,
// the absolute position (eight hex digits) at the end: 29 characters, and
// room for the zero byte written after them.
std::size_t plain_error_text(std::int32_t number, std::uintptr_t position,
                             char (&out)[30]);

// Pushes the console's waiting output, then writes the plain text, a zero
// byte and CR LF straight to the standard output handle.
void write_plain_error_report(std::int32_t number, std::uintptr_t position);

}  // namespace relabel
