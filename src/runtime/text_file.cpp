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

// Reads the next buffer, cut at a byte 26, which ends the data. False
// once the data has ended, without asking the platform again, and after a
// failed read, which leaves the data open: the next read asks again.
bool fill(TextFile& f) {
  f.pos = 0;
  f.end = 0;
  if (f.data_ended) return false;
  std::uint32_t got = 0;
  const std::int32_t code = platform().read_file(f.handle, f.buf, kTextBufferSize, got);
  if (code != 0 && code != kIoBrokenPipe) {
    io_result = code;
    return false;
  }
  if (code != 0 || got == 0) {
    f.data_ended = true;
    return false;
  }
  const void* const ctrl_z = std::memchr(f.buf, kCtrlZ, got);
  f.data_ended = ctrl_z != nullptr;
  f.end = f.data_ended
              ? static_cast<std::uint32_t>(static_cast<const char*>(ctrl_z) - f.buf)
              : got;
  return f.end > 0;
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
  f.data_ended = false;
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
  // The bytes up to the next LF, over as many buffers as it takes.
  while (f.pos < f.end || fill(f)) {
    const char* const from = f.buf + f.pos;
    const std::size_t n = f.end - f.pos;
    const auto* const lf = static_cast<const char*>(std::memchr(from, '\n', n));
    if (lf == nullptr) {
      line.append(from, n);
      f.pos = f.end;
      continue;
    }
    line.append(from, static_cast<std::size_t>(lf - from));
    f.pos = static_cast<std::uint32_t>(lf + 1 - f.buf);
    break;
  }
  // Every CR of a line goes: the one of a CR LF, then any lone one.
  if (line.ends_with('\r')) line.pop_back();
  const std::size_t cr = line.find('\r');
  if (cr != std::string::npos)
    line.erase(std::remove(line.begin() + cr, line.end(), '\r'), line.end());
}

bool text_at_end(TextFile& f) {
  return f.pos == f.end && (!ready_for_input(f) || !fill(f));
}

bool text_at_end_skipping_blanks(TextFile& f) {
  do {
    for (; f.pos < f.end; ++f.pos)
      if (static_cast<unsigned char>(f.buf[f.pos]) > 32) return false;
  } while (ready_for_input(f) && fill(f));
  return true;
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
