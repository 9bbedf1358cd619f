// Runs a program in a child process and collects its standard output and
// exit code; a temporary folder for the files it reads and writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace relabel::testing {

struct ProcessResult {
  int exit_code = -1;  // -N when the child was killed by signal N
  std::string output;  // standard output, byte for byte
  std::string error;   // standard error (POSIX only; empty on Windows)
};

struct ProcessOptions {
  std::string working_dir = {};
  std::uint64_t address_space_limit = 0;  // bytes; 0 leaves it unlimited
  // Windows: the command line handed to the child as it stands, instead of
  // one joined from argv (argv[0] still names the program to start; empty
  // searches for the command line's first word as the system does).
  std::string raw_command_line = {};
  // Windows: the child gets a console of its own instead of the pipe.
  bool new_console = false;
  // POSIX: the largest file the child may write, in bytes; 0: unlimited.
  std::uint64_t file_size_limit = 0;
  // NAME=VALUE settings added to the child's environment.
  std::vector<std::string> environment = {};
};

// The path a running program reports as its own for `path`: on Windows the
// absolute path with backslashes, elsewhere `path` itself.
std::string reported_program_path(const std::string& path);

ProcessResult run_process(const std::vector<std::string>& argv,
                          const ProcessOptions& options = {});

// The bytes of the file at `path` (empty when it cannot be read).
std::string file_contents(const std::string& path);

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  void write(const std::string& name, const std::string& bytes) const;
  std::string read(const std::string& name) const;
  bool exists(const std::string& name) const;

 private:
  std::string path_;
};

}  // namespace relabel::testing
