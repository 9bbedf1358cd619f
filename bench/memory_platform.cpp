#include "memory_platform.h"

#include <cstdlib>
#include <random>

namespace relabel::bench {

std::int32_t MemoryPlatform::open_file(const char*, OpenFor how, FileHandle& handle) {
  if (how == OpenFor::reading) position_ = 0;
  handle = how == OpenFor::reading ? 3 : 4;
  return 0;
}

std::int32_t MemoryPlatform::std_output_handle(FileHandle& handle) {
  handle = 1;
  return 0;
}

std::int32_t MemoryPlatform::read_file(FileHandle, char* buffer, std::uint32_t size,
                                       std::uint32_t& got) {
  std::size_t n = input.size() - position_;
  if (n > size) n = size;
  input.copy(buffer, n, position_);
  position_ += n;
  got = static_cast<std::uint32_t>(n);
  return 0;
}

void MemoryPlatform::exit_process(int code) { std::exit(code); }

std::string board_section(int components) {
  std::mt19937 rng(6);
  std::uniform_int_distribution<int> x(100, 16000), y(100, 10000), rot(0, 6);
  std::string s = "(Components\r\n";
  for (int i = 0; i < components; ++i) {
    const int px = x(rng), py = y(rng);
    s += "    (\"R" + std::to_string(i + 1) + "\" " + std::to_string(px) + " " +
         std::to_string(py) + " 0 " + std::to_string(rot(rng)) + " 1 0)\r\n";
    s += "    (\"10k\" " + std::to_string(px - 60) + " " + std::to_string(py + 20) +
         " 4 0 1 12)\r\n";
    s += "    (\"0805\" " + std::to_string(px - 55) + " " + std::to_string(py - 20) +
         " 4 0 1 12)\r\n";
  }
  return s + ")\r\n";
}

}  // namespace relabel::bench
