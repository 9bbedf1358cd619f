// The numbered message table of the failure reports.
#pragma once

#include <cstdint>
#include <string_view>

namespace relabel {

namespace msg {
inline constexpr std::uint16_t kExternalException = 65490;
inline constexpr std::uint16_t kAccessViolationInModule = 65496;
inline constexpr std::uint16_t kAccessViolation = 65506;
inline constexpr std::uint16_t kStackOverflow = 65507;
inline constexpr std::uint16_t kControlC = 65508;
inline constexpr std::uint16_t kPrivilege = 65509;
inline constexpr std::uint16_t kReportFormat = 65510;
inline constexpr std::uint16_t kRead = 65517;
inline constexpr std::uint16_t kWrite = 65518;
inline constexpr std::uint16_t kOutOfMemory = 65520;
inline constexpr std::uint16_t kInOutError = 65521;
inline constexpr std::uint16_t kFileNotFound = 65522;
inline constexpr std::uint16_t kInvalidFilename = 65523;
inline constexpr std::uint16_t kTooManyOpenFiles = 65524;
inline constexpr std::uint16_t kAccessDenied = 65525;
inline constexpr std::uint16_t kEndOfFile = 65526;
inline constexpr std::uint16_t kDiskFull = 65527;
inline constexpr std::uint16_t kInvalidInput = 65528;
inline constexpr std::uint16_t kDivByZero = 65529;
inline constexpr std::uint16_t kRangeError = 65530;
inline constexpr std::uint16_t kIntOverflow = 65531;
inline constexpr std::uint16_t kInvalidOp = 65532;
inline constexpr std::uint16_t kZeroDivide = 65533;
inline constexpr std::uint16_t kOverflow = 65534;
inline constexpr std::uint16_t kUnderflow = 65535;
}  // namespace msg

// The text of a numbered message; empty for an unknown identifier.
std::string_view load_message(std::uint16_t id);

// The message identifier for an I/O result code, or kInOutError ("I/O error
// %d") for a code without a text of its own.
std::uint16_t io_message_id(std::int32_t code);

}  // namespace relabel
