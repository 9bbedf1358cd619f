// The file helpers of TempDir, the same on every platform; making and
// removing the folder is platform-specific and lives with the process runner.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "process_runner.h"

namespace relabel::testing {

void TempDir::write(const std::string& name, const std::string& bytes) const {
  std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string file_contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string TempDir::read(const std::string& name) const {
  return file_contents(file(name));
}

bool TempDir::exists(const std::string& name) const {
  return std::filesystem::exists(file(name));
}

}  // namespace relabel::testing
