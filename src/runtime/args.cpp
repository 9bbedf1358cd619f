#include "runtime/args.h"

#include <vector>

#include "runtime/platform.h"

namespace relabel {
namespace {

unsigned byte_at(std::string_view line, std::size_t place) {
  return place < line.size() ? static_cast<unsigned char>(line[place]) : 0u;
}

// Empty arguments handed over by the platform are dropped: they neither count
// nor end the list, which is how the same command line splits as one string.
std::vector<std::string> arguments() {
  std::vector<std::string> all = platform().command_args();
  std::erase_if(all, [](const std::string& a) { return a.empty(); });
  return all;
}

}  // namespace

std::string next_arg(std::string_view line, std::size_t& place, CharStep step) {
  for (;;) {
    const unsigned c = byte_at(line, place);
    if (c >= 1 && c <= 32) {
      place = step(line, place);
    } else if (c == '"' && byte_at(line, place + 1) == '"') {
      place += 2;
    } else {
      break;
    }
  }
  std::string result;
  auto take = [&] {
    const std::size_t next = step(line, place);
    const std::size_t end = next < line.size() ? next : line.size();
    result.append(line.substr(place, end - place));
    place = next;
  };
  for (unsigned c = byte_at(line, place); c > 32; c = byte_at(line, place)) {
    if (c != '"') {
      take();
      continue;
    }
    place = step(line, place);
    for (c = byte_at(line, place); c != 0 && c != '"'; c = byte_at(line, place)) take();
    if (c == '"') place = step(line, place);
  }
  return result;
}

std::int32_t arg_count() { return static_cast<std::int32_t>(arguments().size()); }

std::string arg(std::int32_t n) {
  if (n == 0) return std::string(platform().executable_path());
  if (n < 0) return {};
  std::vector<std::string> all = arguments();
  if (static_cast<std::size_t>(n) > all.size()) return {};
  return std::move(all[static_cast<std::size_t>(n) - 1]);
}

}  // namespace relabel
