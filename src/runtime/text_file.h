// Buffered text files with a 128-byte buffer inside the record.
//
// Reading accepts LF and CR LF as line ends, drops a CR not followed by LF,
// and stops at a byte 26 as at the end of the file. Every line end written is
// CR LF. No operation returns a failure: a failing one leaves its code in
// `io_result`, and the caller runs io_check() after every operation.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "runtime/counted_text.h"
#include "runtime/platform.h"

namespace relabel {

inline constexpr std::uint16_t kModeClosed = 0xD7B0;
inline constexpr std::uint16_t kModeInput = 0xD7B1;
inline constexpr std::uint16_t kModeOutput = 0xD7B2;
inline constexpr std::uint16_t kFlagCrLf = 1;
inline constexpr std::uint32_t kTextBufferSize = 128;

// I/O result codes of the layer itself (the others are the platform's).
inline constexpr std::int32_t kIoNotAssigned = 102;
inline constexpr std::int32_t kIoNotOpen = 103;
inline constexpr std::int32_t kIoNotOpenForInput = 104;
inline constexpr std::int32_t kIoNotOpenForOutput = 105;
inline constexpr std::int32_t kIoBrokenPipe = 109;

struct TextFile;
using TextFileOp = bool (*)(TextFile&);

struct TextFile {
  TextFile() = default;
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  FileHandle file_handle = kNoHandle;
  std::uint16_t mode = 0;  // not bound until text_assign
  std::uint16_t flags = 0;
  std::uint32_t buf_size = 0;
  std::uint32_t buf_pos = 0;  // reading: next byte; writing: bytes waiting
  std::uint32_t buf_end = 0;  // reading: valid bytes
  char* buf = nullptr;
  TextFileOp transfer_op = nullptr;
  TextFileOp flush_op = nullptr;
  TextFileOp close_op = nullptr;
  std::string file_name;  // empty for a standard stream
  char buffer[kTextBufferSize] = {};
};

// The pending I/O result code; 0 when nothing is pending.
// Zero-initialised without code: no wrapper call on each access.
extern thread_local constinit std::int32_t io_result;

// The process's standard streams. Closed at start; std_output opens at its
// first write. Only std_output is used by the conversion.
extern TextFile std_input;
extern TextFile std_output;
extern TextFile std_error;

// Puts the standard TextFiles in their start state (closed, unopened).
void reset_standard_files();

void text_assign(TextFile& f, std::string_view name);
void text_reset(TextFile& f);
void text_rewrite(TextFile& f);

void text_read_line(TextFile& f, std::string& destination);
void text_skip_line(TextFile& f);
bool text_at_end(TextFile& f);
bool text_at_end_skipping_blanks(TextFile& f);

// Writes that fit the buffer of a file open for output are copied here;
// everything else (opening std_output, pushing, failures) is in the _slow
// forms.
void text_write_slow(TextFile& f, std::string_view text);
void text_write_slow(TextFile& f, char c);

inline void text_write(TextFile& f, std::string_view text) {
  if (f.mode == kModeOutput && text.size() < f.buf_size - f.buf_pos) {
    if (!text.empty()) std::memcpy(f.buf + f.buf_pos, text.data(), text.size());
    f.buf_pos += static_cast<std::uint32_t>(text.size());
    return;
  }
  text_write_slow(f, text);
}

inline void text_write(TextFile& f, char c) {
  if (f.mode == kModeOutput && f.buf_pos < f.buf_size) {
    f.buf[f.buf_pos++] = c;
    return;
  }
  text_write_slow(f, c);
}
void text_write(TextFile& f, std::int32_t value);
template <std::size_t N>
void text_write(TextFile& f, const CountedText<N>& text) {
  text_write(f, text.view());
}

// The operation that does nothing: `flush_op` of every output but a
// character device, and `close_op` of the standard streams.
bool text_op_nothing(TextFile& f);

void text_flush_slow(TextFile& f);
// Ends a write; on a disk file or a pipe that is nothing at all, which is
// decided here without a call.
inline void text_flush(TextFile& f) {
  if (f.mode == kModeOutput && f.flush_op == text_op_nothing) return;
  text_flush_slow(f);
}

inline void text_write_line_end(TextFile& f) {
  text_write(f, (f.flags & kFlagCrLf) ? std::string_view("\r\n", 2)
                                      : std::string_view("\n", 1));
  text_flush(f);
}
void text_push_buffer(TextFile& f);
void text_close(TextFile& f);

}  // namespace relabel
