// Buffered text files with a 128-byte buffer inside the record.
//
// Reading accepts LF and CR LF as line ends, drops a CR not followed by LF,
// and stops at a byte 26 as at the end of the file. Every line end written is
// CR LF. No operation returns a failure: a failing one leaves its code in
// `io_result`, and the caller runs io_check() after every operation.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/platform.h"

namespace relabel {

// Every read asks the platform for this many bytes. Writes reach it as
// full buffers of this many bytes, except where what is waiting is pushed
// before: at a close, by text_push_buffer, and on a character device at the
// end of each write.
inline constexpr std::uint32_t kTextBufferSize = 128;
inline constexpr char kCtrlZ = 26;

// I/O result codes of the layer itself (the others are the platform's).
inline constexpr std::int32_t kIoNotAssigned = 102;
inline constexpr std::int32_t kIoNotOpen = 103;
inline constexpr std::int32_t kIoNotOpenForInput = 104;
inline constexpr std::int32_t kIoNotOpenForOutput = 105;
inline constexpr std::int32_t kIoBrokenPipe = 109;

enum class TextMode : std::uint8_t { unbound, closed, input, output };

struct TextFile {
  TextFile() = default;
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  FileHandle handle = kNoHandle;
  TextMode mode = TextMode::unbound;  // until text_assign
  bool push_on_flush = false;         // output to a character device
  bool data_ended = false;            // reading: no byte remains to be read
  // Reading: the next byte and the end of the data in `buf`.
  // Writing: the bytes waiting, and `end` is 0. So `pos < end` holds only
  // while a file open for input has bytes in its buffer.
  std::uint32_t pos = 0;
  std::uint32_t end = 0;
  std::string name;  // empty for the standard output
  char buf[kTextBufferSize] = {};
};

// The pending I/O result code; 0 when nothing is pending.
// Zero-initialised without code: no wrapper call on each access.
extern thread_local constinit std::int32_t io_result;

// The process's standard output: closed at start, opened by its first
// write, never closed by the conversion.
extern TextFile std_output;

void text_assign(TextFile& f, std::string_view name);
void text_reset(TextFile& f);
void text_rewrite(TextFile& f);

// Reads the line at the read position into `line` and consumes its line
// end: an LF, a CR LF, or nothing at the end of the data (a byte 26 stays
// where it is). A read that fails ends the line there, its end unconsumed.
void text_read_line(TextFile& f, std::string& line);
// True when no byte of data remains. Consumes nothing.
bool text_at_end(TextFile& f);
// Consumes every byte of 32 or less (blanks, line ends, control bytes) up
// to the first byte above 32, which it leaves: false there, true when the
// data ends first. A byte 26 ends the data and is not consumed.
bool text_at_end_skipping_blanks(TextFile& f);

// A text that fills the buffer is pushed at once, a character that fills
// it only at the next write.
void text_write(TextFile& f, std::string_view text);
void text_write(TextFile& f, char c);
// Ends a write: pushes the waiting bytes on a character device, and does
// nothing on a disk file or a pipe.
void text_flush(TextFile& f);
// Writes `text` and CR LF, then ends the write as text_flush does.
void text_write_line(TextFile& f, std::string_view text);
// Writes the waiting bytes of a file open for output at once.
void text_push_buffer(TextFile& f);
// Pushes the waiting bytes of an output file, then releases the file; a
// failed push keeps it open. The standard output is pushed, never released.
void text_close(TextFile& f);

}  // namespace relabel
