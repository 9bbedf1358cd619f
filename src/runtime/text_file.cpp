#include "runtime/text_file.h"

#include <cstring>

#include "runtime/int_text.h"

namespace relabel {

bool text_op_nothing(TextFile&) { return true; }

constinit thread_local std::int32_t io_result = 0;
TextFile std_input;
TextFile std_output;
TextFile std_error;

namespace {

constexpr int kEndOfData = -1;
constexpr unsigned char kCtrlZ = 26;

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

// Refills the buffer. False at the end of the data (the end marker is then
// stored so later reads stop at once) and after a failed read (no marker:
// the next read asks the platform again).
bool fill(TextFile& f) {
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
    return true;
  }
  f.buf[0] = static_cast<char>(kCtrlZ);
  f.buf_end = 1;
  return false;
}

bool release(TextFile& f) {
  f.mode = kModeClosed;
  const std::int32_t code = platform().close_file(f.file_handle);
  if (code != 0) {
    io_result = code;
    return false;
  }
  return true;
}

// The first LF, CR or byte 26 in [p, end), or end: where a run of ordinary
// bytes stops. Lines mostly end in CR LF, so memchr finds the LF first and
// then looks for a CR or byte 26 only before it.
const char* find_stop(const char* p, const char* end) {
  const void* lf = std::memchr(p, 10, static_cast<std::size_t>(end - p));
  if (lf != nullptr) end = static_cast<const char*>(lf);
  const void* cr = std::memchr(p, 13, static_cast<std::size_t>(end - p));
  if (cr != nullptr) end = static_cast<const char*>(cr);
  const void* z = std::memchr(p, kCtrlZ, static_cast<std::size_t>(end - p));
  return z != nullptr ? static_cast<const char*>(z) : end;
}

// The length of the run of ordinary bytes at the read position.
std::uint32_t ordinary_run(const TextFile& f) {
  const char* start = f.buf + f.buf_pos;
  return static_cast<std::uint32_t>(find_stop(start, f.buf + f.buf_end) - start);
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

void text_read_line(TextFile& f, std::string& destination) {
  destination.clear();
  if (f.mode != kModeInput) {
    io_result = kIoNotOpenForInput;
    return;
  }
  // An empty line whose end lies in the buffer: nothing to read.
  if (f.buf_pos < f.buf_end) {
    const char* p = f.buf + f.buf_pos;
    if (*p == 10 || (*p == 13 && f.buf_pos + 1 < f.buf_end && p[1] == 10)) return;
  }
  for (;;) {
    if (f.buf_pos >= f.buf_end) {
      if (!fill(f)) return;
      continue;
    }
    const std::uint32_t run = ordinary_run(f);
    destination.append(f.buf + f.buf_pos, run);
    f.buf_pos += run;
    if (f.buf_pos == f.buf_end) continue;
    const unsigned char c = static_cast<unsigned char>(f.buf[f.buf_pos]);
    if (c != 13) return;  // LF or byte 26: not consumed
    // A CR ends the line only together with an LF; a lone CR is dropped.
    if (f.buf_pos + 1 < f.buf_end) {
      if (f.buf[f.buf_pos + 1] == 10) return;  // CR LF, left in place
      ++f.buf_pos;
      continue;
    }
    ++f.buf_pos;
    const bool same_buffer = f.buf_pos < f.buf_end;
    const int next = read_byte(f);
    if (next == kEndOfData) return;
    put_back(f);
    if (next == 10) {
      if (same_buffer) put_back(f);  // leave the whole CR LF in place
      return;
    }
  }
}

void text_skip_line(TextFile& f) {
  // The usual case: the line end left by text_read_line lies in the buffer.
  if (f.mode == kModeInput && f.buf_pos < f.buf_end) {
    const char* p = f.buf + f.buf_pos;
    if (*p == 10) {
      ++f.buf_pos;
      return;
    }
    if (*p == 13 && f.buf_pos + 1 < f.buf_end && p[1] == 10) {
      f.buf_pos += 2;
      return;
    }
  }
  for (;;) {
    if (f.mode == kModeInput && f.buf_pos < f.buf_end) f.buf_pos += ordinary_run(f);
    const int c = read_byte(f);
    if (c == kEndOfData || c == 10) return;
    if (c != 13) continue;
    const int next = read_byte(f);
    if (next == kEndOfData || next == 10) return;
    put_back(f);
  }
}

bool text_at_end(TextFile& f) {
  if (f.mode == kModeInput && f.buf_pos < f.buf_end)
    return static_cast<unsigned char>(f.buf[f.buf_pos]) == kCtrlZ;
  if (read_byte(f) == kEndOfData) return true;
  put_back(f);
  return false;
}

bool text_at_end_skipping_blanks(TextFile& f) {
  for (;;) {
    // Blanks and control bytes in the buffer go without a call per byte;
    // a byte 26 is left for read_byte, which stops there.
    if (f.mode == kModeInput) {
      while (f.buf_pos < f.buf_end) {
        const unsigned char c = static_cast<unsigned char>(f.buf[f.buf_pos]);
        if (c > 32 || c == kCtrlZ) break;
        ++f.buf_pos;
      }
    }
    const int c = read_byte(f);
    if (c == kEndOfData) return true;
    if (c > 32) {
      put_back(f);
      return false;
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
