#include "runtime/text_file.h"

#include <algorithm>
#include <cstring>

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

// Reads the next buffer. False at the end of the data, where the end
// marker (a byte 26) is stored so that later reads stop at once, and after
// a failed read, which leaves no marker: the next read asks the platform
// again.
bool fill(TextFile& f) {
  f.pos = 0;
  f.end = 0;
  std::uint32_t got = 0;
  const std::int32_t code = platform().read_file(f.handle, f.buf, kTextBufferSize, got);
  if (code == 0 && got > 0) {
    f.end = got;
    return true;
  }
  if (code != 0 && code != kIoBrokenPipe) {
    io_result = code;
    return false;
  }
  f.buf[0] = kCtrlZ;
  f.end = 1;
  return false;
}

bool is_line_stop(char c) { return c == '\n' || c == '\r' || c == kCtrlZ; }

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
  f.name.assign(name);
}

void text_reset(TextFile& f) { open_text(f, TextMode::input); }
void text_rewrite(TextFile& f) { open_text(f, TextMode::output); }

void text_read_line(TextFile& f, std::string& line) {
  line.clear();
  if (!ready_for_input(f)) return;
  for (;;) {
    if (f.pos == f.end && !fill(f)) return;
    const char* const from = f.buf + f.pos;
    const char* const stop =
        std::find_if(from, static_cast<const char*>(f.buf + f.end), is_line_stop);
    line.append(from, stop);
    f.pos = static_cast<std::uint32_t>(stop - f.buf);
    if (f.pos == f.end) continue;  // the line runs on into the next buffer
    if (*stop == kCtrlZ) return;
    ++f.pos;
    if (*stop == '\n') return;
    // A CR ends the line with the LF after it, also one that starts the next
    // buffer; a CR without one is dropped.
    if (f.pos == f.end && !fill(f)) return;
    if (f.buf[f.pos] == '\n') {
      ++f.pos;
      return;
    }
  }
}

bool text_at_end(TextFile& f) {
  if (f.pos == f.end && (!ready_for_input(f) || !fill(f))) return true;
  return f.buf[f.pos] == kCtrlZ;
}

bool text_at_end_skipping_blanks(TextFile& f) {
  for (;;) {
    for (; f.pos < f.end; ++f.pos) {
      const unsigned char c = static_cast<unsigned char>(f.buf[f.pos]);
      if (c > 32) return false;
      if (c == kCtrlZ) return true;
    }
    if (!ready_for_input(f) || !fill(f)) return true;
  }
}

void text_write(TextFile& f, std::string_view text) {
  if (!ready_for_output(f)) return;
  for (;;) {
    const std::size_t room = kTextBufferSize - f.pos;
    if (text.size() < room) {
      std::memcpy(f.buf + f.pos, text.data(), text.size());
      f.pos += static_cast<std::uint32_t>(text.size());
      return;
    }
    std::memcpy(f.buf + f.pos, text.data(), room);
    f.pos = kTextBufferSize;
    text.remove_prefix(room);
    if (!push(f)) return;  // the rest of the text is dropped
  }
}

void text_write(TextFile& f, char c) {
  if (!ready_for_output(f)) return;
  if (f.pos == kTextBufferSize && !push(f)) return;
  f.buf[f.pos++] = c;
}

void text_write_line(TextFile& f, std::string_view text) {
  // A line end alone is no empty text before it: on a full buffer an empty
  // text would push first, and a failed push would not drop the line end.
  if (!text.empty()) text_write(f, text);
  text_write(f, std::string_view("\r\n", 2));
  text_flush(f);
}

void text_flush(TextFile& f) {
  if (f.mode == TextMode::output) {
    if (f.push_on_flush) push(f);
  } else if (f.mode != TextMode::input && &f != &std_output) {
    io_result = kIoNotOpen;
  }
}

void text_push_buffer(TextFile& f) {
  if (f.mode == TextMode::output) {
    push(f);
  } else {
    text_flush(f);
  }
}

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
