#include "runtime/text_file.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "runtime/byte_scan.h"
#include "runtime/int_text.h"

namespace relabel {

bool text_op_nothing(TextFile&) { return true; }

constinit thread_local std::int32_t io_result = 0;
TextFile std_input;
TextFile std_output;
TextFile std_error;

namespace {

constexpr int kEndOfData = -1;

bool is_open(const TextFile& f) {
  return f.mode == kModeInput || f.mode == kModeOutput;
}

// Writes the waiting bytes. They are gone afterwards whether the write
// succeeded or not.
bool push(TextFile& f) {
  if (f.buf_pos == 0) return true;
  const std::int32_t code =
      platform().write_file(f.file_handle, f.buf, f.buf_pos);
  f.buf_pos = 0;
  if (code != 0) {
    io_result = code;
    return false;
  }
  return true;
}

// Sets the bit of every byte below 32 in `controls`. With SSE2 sixteen
// bytes are compared at once and their top bits gathered by one
// instruction. Otherwise eight bytes at a time in a 64-bit word: a byte is
// below 32 when neither its own top bit nor the carry of adding 0x60 to its
// low seven bits reaches bit 7, and a multiplication gathers the eight top
// bits into one byte.
#if defined(__SSE2__)
void mark_controls(TextFile& f) {
  const __m128i bound = _mm_set1_epi8(31);
  for (std::uint32_t w = 0; w < kTextBufferSize / 64; ++w) {
    std::uint64_t bits = 0;
    for (std::uint32_t j = 0; j < 4; ++j) {
      const __m128i bytes =
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(f.buf + w * 64 + j * 16));
      const __m128i below_32 = _mm_cmpeq_epi8(_mm_min_epu8(bytes, bound), bytes);
      bits |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(below_32))}
              << (j * 16);
    }
    f.controls[w] = bits;
  }
}
#else
void mark_controls(TextFile& f) {
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  constexpr std::uint64_t kAdd = 0x6060606060606060ULL;
  constexpr std::uint64_t kGather = 0x0002040810204081ULL;
  for (std::uint32_t w = 0; w < kTextBufferSize / 64; ++w) {
    std::uint64_t bits = 0;
    for (std::uint32_t j = 0; j < 8; ++j) {
      const std::uint64_t word = load_le64(f.buf + w * 64 + j * 8);
      const std::uint64_t below_32 = ~(((word & kLow7) + kAdd) | word) & kTopBits;
      bits |= ((below_32 * kGather) >> 56) << (j * 8);
    }
    f.controls[w] = bits;
  }
}
#endif

// Refills the buffer. False at the end of the data (the end marker is then
// stored so later reads stop at once) and after a failed read (no marker:
// the next read asks the platform again). The `carry` bytes at the read
// position, the start of a line, move to the front of the record's buffer
// first, and the new window begins right behind them.
bool fill_carrying(TextFile& f, std::uint32_t carry) {
  if (carry != 0) std::memmove(f.buffer, f.buf + f.buf_pos, carry);
  f.buf = f.buffer + carry;
  f.buf_pos = 0;
  f.buf_end = 0;
  std::uint32_t got = 0;
  const std::int32_t code =
      platform().read_file(f.file_handle, f.buf, f.buf_size, got);
  if (code != 0 && code != kIoBrokenPipe) {
    io_result = code;
    return false;
  }
  if (code == 0 && got > 0) {
    f.buf_end = got;
    mark_controls(f);
    return true;
  }
  f.buf[0] = kCtrlZ;
  f.buf_end = 1;
  f.controls[0] = 1;
  return false;
}

bool fill(TextFile& f) { return fill_carrying(f, 0); }

bool release(TextFile& f) {
  f.mode = kModeClosed;
  const std::int32_t code = platform().close_file(f.file_handle);
  if (code != 0) {
    io_result = code;
    return false;
  }
  return true;
}

int read_byte(TextFile& f) {
  if (f.mode != kModeInput) {
    io_result = kIoNotOpenForInput;
    return kEndOfData;
  }
  for (;;) {
    if (f.buf_pos < f.buf_end) {
      const unsigned char c = static_cast<unsigned char>(f.buf[f.buf_pos]);
      if (c == kCtrlZ) return kEndOfData;
      ++f.buf_pos;
      return c;
    }
    if (!fill(f)) return kEndOfData;
  }
}

void put_back(TextFile& f) { --f.buf_pos; }

void open_text(TextFile& f, std::uint16_t new_mode) {
  if (f.mode != kModeClosed && !is_open(f)) {
    io_result = kIoNotAssigned;
    return;
  }
  if (is_open(f)) text_close(f);
  const bool input = new_mode == kModeInput;
  f.mode = new_mode;
  f.buf = f.buffer;
  f.buf_pos = 0;
  f.buf_end = 0;
  f.transfer_op = input ? fill : push;
  f.flush_op = text_op_nothing;
  f.close_op = release;
  std::int32_t code;
  if (!f.file_name.empty()) {
    code = platform().open_file(f.file_name.c_str(),
                                input ? OpenFor::reading : OpenFor::writing,
                                f.file_handle);
  } else {
    f.buf_size = kTextBufferSize;
    f.buf = f.buffer;
    f.close_op = text_op_nothing;
    StdStream which = input ? StdStream::input : StdStream::output;
    if (&f == &std_error) which = StdStream::error;
    code = platform().std_handle(which, f.file_handle);
  }
  if (code != 0) {
    f.mode = kModeClosed;
    io_result = code;
    return;
  }
  if (input) return;
  switch (platform().handle_kind(f.file_handle)) {
    case HandleKind::unknown:
      if (!f.file_name.empty()) platform().close_file(f.file_handle);
      f.mode = kModeClosed;
      io_result = kIoNotOpenForOutput;
      return;
    case HandleKind::character:
      f.flush_op = push;
      return;
    case HandleKind::disk:
    case HandleKind::pipe:
      return;
  }
}

// Makes sure `f` is open for output; the standard output opens itself on
// its first write.
bool ready_for_output(TextFile& f) {
  if (f.mode == kModeOutput) return true;
  if (&f == &std_output) {
    f.flags = kFlagCrLf;
    open_text(f, kModeOutput);
    if (f.mode == kModeOutput) return true;
  }
  io_result = kIoNotOpenForOutput;
  return false;
}

}  // namespace

void reset_standard_files() {
  text_assign(std_input, {});
  text_assign(std_output, {});
  text_assign(std_error, {});
}

void text_assign(TextFile& f, std::string_view name) {
  f.file_handle = kNoHandle;
  f.mode = kModeClosed;
  f.flags = kFlagCrLf;
  f.buf_size = kTextBufferSize;
  f.buf_pos = 0;
  f.buf_end = 0;
  f.buf = f.buffer;
  f.transfer_op = nullptr;
  f.flush_op = nullptr;
  f.close_op = nullptr;
  f.file_name.assign(name);
}

void text_reset(TextFile& f) { open_text(f, kModeInput); }
void text_rewrite(TextFile& f) { open_text(f, kModeOutput); }

namespace {

// Gathers the line at the read position into `destination`: the general
// case, where the line runs over the end of the buffer or a lone CR in it is
// dropped.
void gather_line(TextFile& f, std::string& destination) {
  for (;;) {
    if (f.buf_pos >= f.buf_end) {
      if (!fill(f)) return;
      continue;
    }
    const std::uint32_t stop = text_line_stop(f, f.buf_pos);
    destination.append(f.buf + f.buf_pos, stop - f.buf_pos);
    f.buf_pos = stop;
    if (stop == f.buf_end) continue;
    if (f.buf[stop] != '\r') return;  // LF or byte 26: not consumed
    // A CR ends the line only together with an LF; a lone CR is dropped.
    if (stop + 1 < f.buf_end) {
      if (f.buf[stop + 1] == '\n') return;  // CR LF, left in place
      ++f.buf_pos;
      continue;
    }
    // The CR is the buffer's last byte: the refill tells. An LF after it is
    // left for text_skip_line; the CR is consumed either way.
    ++f.buf_pos;
    const int next = read_byte(f);
    if (next == kEndOfData) return;
    put_back(f);
    if (next == '\n') return;
  }
}

}  // namespace

void text_read_line_slow(TextFile& f, Line& line) {
  line.spill.clear();
  line.text = {};
  if (f.mode != kModeInput) {
    io_result = kIoNotOpenForInput;
    return;
  }
  // The usual case: the line runs to the end of the window (or the window
  // is used up). Its start is carried over to lie right before the next
  // window, so that a line ending there is read in one piece as well. A CR
  // that is the window's last byte is consumed: the next window tells
  // whether it ends the line.
  std::uint32_t stop = f.buf_pos < f.buf_end ? text_line_stop(f, f.buf_pos) : f.buf_end;
  const bool cr_at_end = stop + 1 == f.buf_end && f.buf[stop] == '\r';
  if (stop == f.buf_end || cr_at_end) {
    const std::uint32_t carry = stop - f.buf_pos;
    if (!fill_carrying(f, carry)) {  // the data ended, or the read failed: so does the line
      line.text = {f.buffer, carry};
      return;
    }
    if (cr_at_end && f.buf[0] == '\n') {
      line.text = {f.buffer, carry};
      return;
    }
    stop = text_line_stop(f, 0);
    if (text_line_ends_at(f, stop)) {
      line.text = {f.buffer, carry + stop};
      f.buf_pos = stop;
      return;
    }
    // Longer than a window, or with a lone CR to drop: gathered from here.
    line.spill.assign(f.buffer, carry);
  }
  gather_line(f, line.spill);
  line.text = line.spill;
}

void text_read_line(TextFile& f, std::string& destination) {
  Line line;
  line.spill.swap(destination);
  text_read_line(f, line);
  if (line.text.data() != line.spill.data() || line.text.size() != line.spill.size())
    line.spill.assign(line.text);
  destination.swap(line.spill);
}

void text_skip_line_slow(TextFile& f) {
  for (;;) {
    if (f.mode == kModeInput && f.buf_pos < f.buf_end)
      f.buf_pos = text_line_stop(f, f.buf_pos);
    const int c = read_byte(f);
    if (c == kEndOfData || c == '\n') return;
    if (c != '\r') continue;
    const int next = read_byte(f);
    if (next == kEndOfData || next == '\n') return;
    put_back(f);
  }
}

bool text_at_end_slow(TextFile& f) {
  if (read_byte(f) == kEndOfData) return true;
  put_back(f);
  return false;
}

bool text_at_end_skipping_blanks_slow(TextFile& f) {
  for (;;) {
    const int c = read_byte(f);
    if (c == kEndOfData) return true;
    if (c > 32) {
      put_back(f);
      return false;
    }
    // Blanks and control bytes in the buffer go without a call per byte;
    // a byte 26 is left for read_byte, which stops there.
    if (f.mode == kModeInput) {
      while (f.buf_pos < f.buf_end) {
        const unsigned char b = static_cast<unsigned char>(f.buf[f.buf_pos]);
        if (b > 32 || b == kCtrlZ) break;
        ++f.buf_pos;
      }
    }
  }
}

void text_write_slow(TextFile& f, std::string_view text) {
  if (!ready_for_output(f)) return;
  const char* p = text.data();
  std::size_t n = text.size();
  for (;;) {
    const std::uint32_t room = f.buf_size - f.buf_pos;
    if (n < room) {
      if (n != 0) std::memcpy(f.buf + f.buf_pos, p, n);
      f.buf_pos += static_cast<std::uint32_t>(n);
      return;
    }
    std::memcpy(f.buf + f.buf_pos, p, room);
    f.buf_pos = f.buf_size;
    p += room;
    n -= room;
    if (!push(f)) return;  // the rest of the text is dropped
  }
}

void text_write_slow(TextFile& f, char c) {
  if (!ready_for_output(f)) return;
  if (f.buf_pos >= f.buf_size && !push(f)) return;
  f.buf[f.buf_pos++] = c;
}

void text_write(TextFile& f, std::int32_t value) {
  char digits[11];
  const std::size_t n = format_int_to(value, digits);
  text_write(f, std::string_view(digits, n));
}

void text_flush_slow(TextFile& f) {
  if (f.mode == kModeInput) return;
  if (f.mode == kModeOutput) {
    f.flush_op(f);
    return;
  }
  if (&f != &std_output && &f != &std_error) io_result = kIoNotOpen;
}

void text_push_buffer(TextFile& f) {
  if (f.mode == kModeInput) return;
  if (f.mode == kModeOutput) {
    push(f);
    return;
  }
  if (&f != &std_output && &f != &std_error) io_result = kIoNotOpen;
}

void text_close(TextFile& f) {
  if (f.mode == kModeInput) {
    f.close_op(f);
    return;
  }
  if (f.mode == kModeOutput) {
    if (push(f)) f.close_op(f);
    return;
  }
  if (&f != &std_input) io_result = kIoNotOpen;
}

}  // namespace relabel
