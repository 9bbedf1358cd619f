#include "runtime/failure_report.h"

#include "runtime/int_text.h"
#include "runtime/messages.h"
#include "runtime/text_file.h"

namespace relabel {
namespace {

// Where a program's code starts in its own image, by the report's
// convention for a position outside every known module.
constexpr std::uintptr_t kCodeStart = 0x1000;

}  // namespace

std::size_t failure_report_text(const Exception& failure, std::uintptr_t position,
                                char (&out)[kReportCapacity + 1]) {
  // The module's path, at most 260 characters, is cut before its name is
  // taken from it.
  char path[261] = {};
  std::uintptr_t base = 0;
  std::string_view module_path;
  std::uintptr_t shown;
  if (position != 0 && platform().module_at(position, base, path, sizeof path)) {
    module_path = path;
    shown = position - base;
  } else {
    module_path = platform().executable_path().substr(0, 260);
    shown = position == 0 ? 0 : position - kCodeStart;
  }
  const std::string_view module = file_name_of(module_path);
  const std::string_view message = failure.message();
  const bool needs_period = !message.empty() && message.back() != '.';
  return format_message(
      out, kReportCapacity, load_message(msg::kReportFormat),
      {text_arg(failure.class_name()), text_arg(module), pointer_arg(shown),
       text_arg(message), text_arg(needs_period ? "." : "")});
}

void write_failure_report(const Exception& failure, std::uintptr_t position) {
  text_push_buffer(std_output);
  char text[kReportCapacity + 1];
  const std::size_t length = failure_report_text(failure, position, text);
  platform().raw_write_std_output(text, length);
  platform().raw_write_std_output("\r\n", 2);
}

std::size_t plain_error_text(std::int32_t number, std::uintptr_t position,
                             char (&out)[30]) {
  constexpr std::string_view kTemplate = "Runtime error     at ";
  kTemplate.copy(out, kTemplate.size());
  // The number's last digit is the 17th character, with blanks before it.
  put_int_text_before(number, out + 17);
  return kTemplate.size() + format_message(out + kTemplate.size(),
                                           sizeof out - kTemplate.size() - 1, "%p",
                                           {pointer_arg(position)});
}

void write_plain_error_report(std::int32_t number, std::uintptr_t position) {
  if (std_output.mode == TextMode::output && std_output.pos > 0)
    text_push_buffer(std_output);
  char text[30];
  const std::size_t length = plain_error_text(number, position, text);
  text[length] = '\0';
  platform().raw_write_std_output(text, length + 1);
  platform().raw_write_std_output("\r\n", 2);
}

}  // namespace relabel
