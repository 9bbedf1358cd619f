// Buffered text files with a 128-byte buffer inside the record.
//
// Reading accepts LF and CR LF as line ends, drops a CR not followed by LF,
// and stops at a byte 26 as at the end of the file. Every line end written is
// CR LF. No operation returns a failure: a failing one leaves its code in
// `io_result`, and the caller runs io_check() after every operation.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/byte_scan.h"
#include "runtime/platform.h"

namespace relabel {

// Every read asks the platform for this many bytes, and every push but the
// last of a file writes this many.
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
  // Reading: the next byte and the end of the valid bytes in the window.
  // Writing: the bytes waiting, and `end` is 0. So `pos < end` holds only
  // while a file open for input has bytes in its window.
  std::uint32_t pos = 0;
  std::uint32_t end = 0;
  // The window that reads fill and writes push: kTextBufferSize bytes of
  // `buffer`. Reading, it may start further in: the start of a line that
  // runs past the end of one window is moved to the front first, and the
  // next window read right behind it, so that the line lies in one piece.
  char* buf = buffer;
  std::string name;  // empty for the standard output
  char buffer[2 * kTextBufferSize] = {};
  // Reading: one bit per byte of the window, set for the bytes below 32,
  // among them every LF, CR and byte 26. Made once per refill, so that a
  // line end is found with a bit scan instead of a search.
  std::uint64_t controls[kTextBufferSize / 64] = {};
};

// The line read last: a view into the file's buffer, valid until the next
// read operation on that file. A line that does not fit the buffer, or has
// a lone CR to drop, is gathered in `spill`, which `text` then views.
struct Line {
  std::string_view text;
  std::string spill;
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

// The first LF, CR or byte 26 at or after index `at` of the window, or
// `end`: where a line read from `at` stops.
inline std::uint32_t text_line_stop(const TextFile& f, std::uint32_t at) {
  static_assert(kTextBufferSize == 128);
  constexpr std::uint32_t kLineEnds = 1u << '\n' | 1u << '\r' | 1u << kCtrlZ;
  std::uint32_t w = at / 64;
  std::uint64_t bits = f.controls[w] & (~std::uint64_t{0} << (at % 64));
  for (;;) {
    if (bits == 0) {
      if (w == 1) return f.end;
      bits = f.controls[w = 1];
      continue;
    }
    const std::uint32_t i = w * 64 + static_cast<std::uint32_t>(std::countr_zero(bits));
    if (i >= f.end) return f.end;  // bits of stale bytes
    // A set bit marks a byte below 32, so the shift stays in range.
    if (kLineEnds >> static_cast<unsigned char>(f.buf[i]) & 1) return i;
    bits &= bits - 1;  // a TAB or other control byte is ordinary
  }
}

// Reads the line at the read position into `line` and consumes its line
// end: an LF, a CR LF, or nothing at the end of the data (a byte 26 stays
// where it is). A line that ends in the window, with no lone CR, is a view
// taken here; the _slow form reads on for any other, and stops without
// consuming a line end when a read fails.
void text_read_line_slow(TextFile& f, Line& line);
inline void text_read_line(TextFile& f, Line& line) {
  if (f.pos < f.end) {
    const char* const p = f.buf + f.pos;
    std::uint32_t stop = f.pos;
    if (*p != '\n' && *p != '\r') stop = text_line_stop(f, f.pos);  // not empty
    // The length of the line end at `stop`: 1 for an LF, 2 for a CR with
    // its LF, 0 before a byte 26 (which stays); none where the line does
    // not end in the window.
    constexpr std::uint32_t kNone = 3;
    const char* const s = f.buf + stop;
    std::uint32_t end_length = 2;
    if (stop == f.end) {
      end_length = kNone;
    } else if (*s != '\r') {
      end_length = *s == '\n';
    } else if (stop + 1 == f.end || s[1] != '\n') {
      end_length = kNone;
    }
    if (end_length != kNone) {
      line.text = {p, stop - f.pos};
      f.pos = stop + end_length;
      return;
    }
  }
  text_read_line_slow(f, line);
}

// True when no byte of data remains. Consumes nothing.
bool text_at_end_slow(TextFile& f);
inline bool text_at_end(TextFile& f) {
  if (f.pos < f.end) return f.buf[f.pos] == kCtrlZ;
  return text_at_end_slow(f);
}

// Consumes the bytes of the window up to the first byte above 32: 1 when a
// byte 26 (the end of the data, not consumed) comes first, 0 at a byte above
// 32, -1 when the window is used up.
inline int text_skip_blanks_in_window(TextFile& f) {
  for (; f.pos < f.end; ++f.pos) {
    const unsigned char c = static_cast<unsigned char>(f.buf[f.pos]);
    if (c > 32) return 0;
    if (c == kCtrlZ) return 1;
  }
  return -1;
}

// Consumes every byte of 32 or less (blanks, line ends, control bytes) up
// to the first byte above 32, which it leaves: false there, true when the
// data ends first. A byte 26 ends the data and is not consumed.
bool text_at_end_skipping_blanks_slow(TextFile& f);
inline bool text_at_end_skipping_blanks(TextFile& f) {
  const int found = text_skip_blanks_in_window(f);
  if (found >= 0) return found != 0;
  return text_at_end_skipping_blanks_slow(f);
}

// Writes that fit the buffer of a file open for output are copied here;
// everything else (opening std_output, pushing, failures) is in the _slow
// forms. A text that fills the buffer is pushed at once, a character that
// fills it only at the next write.
void text_write_slow(TextFile& f, std::string_view text);
void text_write_slow(TextFile& f, char c);

inline void text_write(TextFile& f, std::string_view text) {
  if (f.mode == TextMode::output && text.size() < kTextBufferSize - f.pos) {
    copy_bytes(f.buf + f.pos, text.data(), text.size());
    f.pos += static_cast<std::uint32_t>(text.size());
    return;
  }
  text_write_slow(f, text);
}

inline void text_write(TextFile& f, char c) {
  if (f.mode == TextMode::output && f.pos < kTextBufferSize) {
    f.buf[f.pos++] = c;
    return;
  }
  text_write_slow(f, c);
}

// Ends a write: pushes the waiting bytes on a character device; on a disk
// file or a pipe that is nothing at all, decided here without a call.
void text_flush_slow(TextFile& f);
inline void text_flush(TextFile& f) {
  if (f.mode == TextMode::output && !f.push_on_flush) return;
  text_flush_slow(f);
}

// Writes `text` and CR LF, then ends the write as text_flush does: a
// single copy when both fit the buffer without a push.
void text_write_line_slow(TextFile& f, std::string_view text);
inline void text_write_line(TextFile& f, std::string_view text) {
  if (f.mode == TextMode::output && !f.push_on_flush &&
      text.size() + 2 < kTextBufferSize - f.pos) {
    char* const p = f.buf + f.pos;
    copy_bytes(p, text.data(), text.size());
    p[text.size()] = '\r';
    p[text.size() + 1] = '\n';
    f.pos += static_cast<std::uint32_t>(text.size() + 2);
    return;
  }
  text_write_line_slow(f, text);
}

// Writes the waiting bytes of a file open for output at once.
void text_push_buffer(TextFile& f);
// Pushes the waiting bytes of an output file, then releases the file; a
// failed push keeps it open. The standard output is pushed, never released.
void text_close(TextFile& f);

}  // namespace relabel
