#include "runtime/text_file.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace relabel {

constinit thread_local std::int32_t io_result = 0;
TextFile std_output;

namespace {

bool is_open(const TextFile& f) {
  return f.mode == TextMode::input || f.mode == TextMode::output;
}

// Writes the waiting bytes. They are gone afterwards whether the write
// succeeded or not.
bool push(TextFile& f) {
  if (f.pos == 0) return true;
  const std::int32_t code = platform().write_file(f.handle, f.buf, f.pos);
  f.pos = 0;
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

// Reads the next window. The `carry` bytes at `from`, the start of a line,
// move to the front of the buffer first, and the window begins right behind
// them. False at the end of the data, where the end marker (a byte 26) is
// stored so that later reads stop at once, and after a failed read, which
// leaves no marker: the next read asks the platform again.
bool fill(TextFile& f, const char* from = nullptr, std::uint32_t carry = 0) {
  if (carry != 0) std::memmove(f.buffer, from, carry);
  f.buf = f.buffer + carry;
  f.pos = 0;
  f.end = 0;
  std::uint32_t got = 0;
  const std::int32_t code = platform().read_file(f.handle, f.buf, kTextBufferSize, got);
  if (code == 0 && got > 0) {
    f.end = got;
    mark_controls(f);
    return true;
  }
  if (code != 0 && code != kIoBrokenPipe) {
    io_result = code;
    return false;
  }
  f.buf[0] = kCtrlZ;
  f.end = 1;
  f.controls[0] = 1;
  return false;
}

void release(TextFile& f) {
  f.mode = TextMode::closed;
  f.pos = 0;
  f.end = 0;
  const std::int32_t code = platform().close_file(f.handle);
  if (code != 0) io_result = code;
}

void open_text(TextFile& f, TextMode mode) {
  if (f.mode == TextMode::unbound) {
    io_result = kIoNotAssigned;
    return;
  }
  if (is_open(f)) text_close(f);
  const bool input = mode == TextMode::input;
  f.mode = mode;
  f.buf = f.buffer;
  f.pos = 0;
  f.end = 0;
  f.push_on_flush = false;
  const bool console = &f == &std_output;
  const std::int32_t code =
      console
          ? platform().std_output_handle(f.handle)
          : platform().open_file(f.name.c_str(),
                                 input ? OpenFor::reading : OpenFor::writing, f.handle);
  if (code != 0) {
    f.mode = TextMode::closed;
    io_result = code;
    return;
  }
  if (input) return;
  const HandleKind kind = platform().handle_kind(f.handle);
  if (kind == HandleKind::unknown) {
    if (!console) platform().close_file(f.handle);
    f.mode = TextMode::closed;
    io_result = kIoNotOpenForOutput;
  }
  f.push_on_flush = kind == HandleKind::character;
}

// Makes sure `f` is open for output; the standard output opens itself on
// its first write.
bool ready_for_output(TextFile& f) {
  if (f.mode == TextMode::output) return true;
  if (&f == &std_output) {
    open_text(f, TextMode::output);
    if (f.mode == TextMode::output) return true;
  }
  io_result = kIoNotOpenForOutput;
  return false;
}

// Whether `f` is open for input, storing the code when it is not.
bool ready_for_input(const TextFile& f) {
  if (f.mode == TextMode::input) return true;
  io_result = kIoNotOpenForInput;
  return false;
}

}  // namespace

void text_assign(TextFile& f, std::string_view name) {
  f.handle = kNoHandle;
  f.mode = TextMode::closed;
  f.push_on_flush = false;
  f.pos = 0;
  f.end = 0;
  f.buf = f.buffer;
  f.name.assign(name);
}

void text_reset(TextFile& f) { open_text(f, TextMode::input); }
void text_rewrite(TextFile& f) { open_text(f, TextMode::output); }

void text_read_line_slow(TextFile& f, Line& line) {
  line.text = {};
  if (!ready_for_input(f)) return;
  // The line is `spill` (once `spilled`), then the bytes from `from` on.
  bool spilled = false;
  const char* from = f.buf + f.pos;
  const auto finish = [&](const char* end) {
    if (!spilled) {
      line.text = {from, end};
      return;
    }
    line.spill.append(from, end);
    line.text = line.spill;
  };
  const auto spill = [&](const char* end) {
    if (!spilled) line.spill.clear();
    spilled = true;
    line.spill.append(from, end);
  };
  for (;;) {
    const std::uint32_t stop = f.pos < f.end ? text_line_stop(f, f.pos) : f.end;
    const char* const at = f.buf + stop;
    const bool cr_last = stop + 1 == f.end && *at == '\r';
    if (stop < f.end && !cr_last) {
      if (*at == '\r' && at[1] != '\n') {  // a lone CR is dropped
        spill(at);
        f.pos = stop + 1;
        from = at + 1;
        continue;
      }
      finish(at);
      f.pos = stop + (*at == '\r' ? 2 : *at == '\n' ? 1 : 0);
      return;
    }
    // The line runs on into the next window; a CR that is this window's
    // last byte goes whatever follows it, and an LF after it ends the line.
    // The line so far is carried to lie right before the next window while
    // it fits there, and gathered in `spill` once it does not.
    auto carry = static_cast<std::uint32_t>(at - from);
    if (spilled || carry > kTextBufferSize) {
      spill(at);
      carry = 0;
    }
    const bool more = fill(f, from, carry);
    from = f.buffer;
    if (!more || (cr_last && f.buf[0] == '\n')) {  // also when a read failed
      finish(f.buf);
      if (more) f.pos = 1;
      return;
    }
  }
}

bool text_at_end_slow(TextFile& f) {
  if (!ready_for_input(f) || !fill(f)) return true;
  return f.buf[0] == kCtrlZ;
}

bool text_at_end_skipping_blanks_slow(TextFile& f) {
  for (;;) {
    if (!ready_for_input(f) || !fill(f)) return true;
    const int found = text_skip_blanks_in_window(f);
    if (found >= 0) return found != 0;
  }
}

void text_write_slow(TextFile& f, std::string_view text) {
  if (!ready_for_output(f)) return;
  const char* p = text.data();
  std::size_t n = text.size();
  for (;;) {
    const std::uint32_t room = kTextBufferSize - f.pos;
    if (n < room) {
      copy_bytes(f.buf + f.pos, p, n);
      f.pos += static_cast<std::uint32_t>(n);
      return;
    }
    copy_bytes(f.buf + f.pos, p, room);
    f.pos = kTextBufferSize;
    p += room;
    n -= room;
    if (!push(f)) return;  // the rest of the text is dropped
  }
}

void text_write_slow(TextFile& f, char c) {
  if (!ready_for_output(f)) return;
  if (f.pos >= kTextBufferSize && !push(f)) return;
  f.buf[f.pos++] = c;
}

void text_write_line_slow(TextFile& f, std::string_view text) {
  // A line end alone is no empty text before it: on a full buffer an empty
  // text would push first, and a failed push would not drop the line end.
  if (!text.empty()) text_write(f, text);
  text_write(f, std::string_view("\r\n", 2));
  text_flush(f);
}

void text_flush_slow(TextFile& f) {
  if (f.mode == TextMode::output) {
    push(f);
  } else if (f.mode != TextMode::input && &f != &std_output) {
    io_result = kIoNotOpen;
  }
}

void text_push_buffer(TextFile& f) { text_flush_slow(f); }

void text_close(TextFile& f) {
  if (f.mode == TextMode::input) {
    release(f);
  } else if (f.mode == TextMode::output) {
    if (push(f) && &f != &std_output) release(f);
  } else {
    io_result = kIoNotOpen;
  }
}

}  // namespace relabel
