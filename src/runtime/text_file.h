// Buffered text files with a 128-byte buffer inside the record.
//
// Reading accepts LF and CR LF as line ends, drops a CR not followed by LF,
// and stops at a byte 26 as at the end of the file. Every line end written is
// CR LF. No operation returns a failure: a failing one leaves its code in
// `io_result`, and the caller runs io_check() after every operation.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "runtime/byte_scan.h"
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
  // `buf` points to a window of buf_size bytes in here that reads fill and
  // writes push. Reading, the window may start further in: the start of a
  // line that runs past the end of one window is moved to the front first,
  // and the next window read right behind it, so that the line lies in one
  // piece.
  char buffer[2 * kTextBufferSize] = {};
  // Reading: one bit per byte of the window, set for the bytes below 32,
  // among them every LF, CR and byte 26. Made once per refill, so that a
  // line end is found with a bit scan instead of a search.
  std::uint64_t controls[kTextBufferSize / 64] = {};
};

// The line read last. While the whole line lies in the file's buffer (a
// line that runs on into the next piece read is carried over so that it
// does), `text` is a view into it, which stays valid until the next read
// operation on that file. A line longer than that, or one with a lone CR
// to drop, is gathered in `spill`, and `text` views that.
struct Line {
  std::string_view text;
  std::string spill;
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

inline constexpr char kCtrlZ = 26;

// The first LF, CR or byte 26 at or after index `at` of the buffer, or
// buf_end: where a line read from `at` stops.
inline std::uint32_t text_line_stop(const TextFile& f, std::uint32_t at) {
  constexpr std::uint32_t kWords = kTextBufferSize / 64;
  for (std::uint32_t w = at / 64; w < kWords; ++w, at = w * 64) {
    std::uint64_t bits = f.controls[w] & (~std::uint64_t{0} << (at % 64));
    while (bits != 0) {
      const std::uint32_t i = w * 64 + static_cast<std::uint32_t>(std::countr_zero(bits));
      if (i >= f.buf_end) return f.buf_end;
      const char c = f.buf[i];
      if (c == '\n' || c == '\r' || c == kCtrlZ) return i;
      bits &= bits - 1;  // a TAB or other control byte is ordinary
    }
  }
  return f.buf_end;
}

// Whether the line stop at `stop` (from text_line_stop) ends the line there
// in the buffer: an LF or byte 26, or a CR with its LF after it. A CR that
// is the buffer's last byte, or a lone CR, does not.
inline bool text_line_ends_at(const TextFile& f, std::uint32_t stop) {
  return stop < f.buf_end &&
         (f.buf[stop] != '\r' || (stop + 1 < f.buf_end && f.buf[stop + 1] == '\n'));
}

// Reads the line at the read position into `line`, without its line end,
// which is left for text_skip_line. A line that lies wholly in the buffer
// (ended there by an LF, a CR LF or a byte 26, with no lone CR to drop) is
// taken as a view without a copy; the _slow form reads on for any other.
void text_read_line_slow(TextFile& f, Line& line);
inline void text_read_line(TextFile& f, Line& line) {
  if (f.mode == kModeInput && f.buf_pos < f.buf_end) {
    const std::uint32_t stop = text_line_stop(f, f.buf_pos);
    if (text_line_ends_at(f, stop)) {
      line.text = {f.buf + f.buf_pos, stop - f.buf_pos};
      f.buf_pos = stop;
      return;
    }
  }
  text_read_line_slow(f, line);
}
// The same into a text of the caller's, which keeps its capacity.
void text_read_line(TextFile& f, std::string& destination);

// Consumes the line end that text_read_line left; the usual one lies in the
// buffer and takes no call.
void text_skip_line_slow(TextFile& f);
inline void text_skip_line(TextFile& f) {
  if (f.mode == kModeInput && f.buf_pos < f.buf_end) {
    const char* p = f.buf + f.buf_pos;
    if (*p == '\n') {
      ++f.buf_pos;
      return;
    }
    if (*p == '\r' && f.buf_pos + 1 < f.buf_end && p[1] == '\n') {
      f.buf_pos += 2;
      return;
    }
  }
  text_skip_line_slow(f);
}

// text_read_line, then text_skip_line, at once, when the line and its end
// both lie in the buffer: nothing is read from the file then, and nothing
// can fail. Returns false, having done nothing, for any other line.
inline bool text_take_line(TextFile& f, Line& line) {
  if (f.mode != kModeInput || f.buf_pos >= f.buf_end) return false;
  // An empty line needs no search.
  const char* const p = f.buf + f.buf_pos;
  if (p[0] == '\n') {
    line.text = {p, 0};
    f.buf_pos += 1;
    return true;
  }
  if (p[0] == '\r' && f.buf_pos + 1 < f.buf_end && p[1] == '\n') {
    line.text = {p, 0};
    f.buf_pos += 2;
    return true;
  }
  const std::uint32_t stop = text_line_stop(f, f.buf_pos);
  if (stop >= f.buf_end) return false;
  std::uint32_t next = stop;  // a byte 26 ends the data and is not consumed
  if (f.buf[stop] == '\n') {
    next = stop + 1;
  } else if (f.buf[stop] == '\r') {
    if (stop + 1 >= f.buf_end || f.buf[stop + 1] != '\n') return false;
    next = stop + 2;
  }
  line.text = {f.buf + f.buf_pos, stop - f.buf_pos};
  f.buf_pos = next;
  return true;
}

bool text_at_end_slow(TextFile& f);
inline bool text_at_end(TextFile& f) {
  if (f.mode == kModeInput && f.buf_pos < f.buf_end) return f.buf[f.buf_pos] == kCtrlZ;
  return text_at_end_slow(f);
}
// Consumes the bytes of 32 or less in the buffer at once; the _slow form
// goes on past its end.
bool text_at_end_skipping_blanks_slow(TextFile& f);
inline bool text_at_end_skipping_blanks(TextFile& f) {
  if (f.mode == kModeInput) {
    while (f.buf_pos < f.buf_end) {
      const unsigned char c = static_cast<unsigned char>(f.buf[f.buf_pos]);
      if (c > 32) return false;
      if (c == kCtrlZ) return true;  // the end of the data, not consumed
      ++f.buf_pos;
    }
  }
  return text_at_end_skipping_blanks_slow(f);
}

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
// Room in the buffer for a line of `size` bytes, its CR LF included, that
// the caller writes in place: when the bytes fit without a push (and no
// flush has to follow), a pointer to them, and they count as written;
// otherwise nullptr, and the caller writes the line with text_write_line.
inline char* text_claim_line(TextFile& f, std::size_t size) {
  if (f.mode != kModeOutput || f.flush_op != text_op_nothing ||
      (f.flags & kFlagCrLf) == 0 || size >= f.buf_size - f.buf_pos)
    return nullptr;
  char* const p = f.buf + f.buf_pos;
  f.buf_pos += static_cast<std::uint32_t>(size);
  return p;
}

// text_write of `text`, then text_write_line_end: a single copy when the
// text and the line end fit the buffer without a push.
inline void text_write_line(TextFile& f, std::string_view text) {
  if (char* const p = text_claim_line(f, text.size() + 2)) {
    copy_bytes(p, text.data(), text.size());
    p[text.size()] = '\r';
    p[text.size() + 1] = '\n';
    return;
  }
  text_write(f, text);
  text_write_line_end(f);
}

void text_push_buffer(TextFile& f);
void text_close(TextFile& f);

}  // namespace relabel
