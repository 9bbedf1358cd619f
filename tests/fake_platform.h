// An in-memory platform for tests: files live in a map, console output is
// collected, and any call can be made to fail with a chosen code.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "runtime/platform.h"

namespace relabel::testing {

// How the in-memory platform ends a run: exit_process throws it, so that
// the test goes on. Caught before it can reach a handler of the program.
struct ProcessExit {
  int code;
};

enum class Op { open_read, open_write, std_output_handle, read, write, close };

class FakePlatform final : public Platform {
 public:
  // Files by name. Writes go straight into the entry.
  std::map<std::string, std::string> files;
  // Bytes that reached the standard output, and each write call on it.
  std::string console;
  std::vector<std::string> console_writes;
  HandleKind console_kind = HandleKind::pipe;
  HandleKind file_kind = HandleKind::disk;  // of every named file
  // Every write in order, failed ones too: "C" the console, "O" a named
  // file, "R" a direct write of a report; then the bytes, and " FAILED"
  // after a write that failed.
  std::vector<std::string> write_log;
  std::vector<std::string> args;
  std::string exe_path = "/opt/relabel/bin/relabel";
  // Pairs of different names that refer to one file (as hard links do);
  // same_file() also treats equal names as one file.
  std::vector<std::pair<std::string, std::string>> links;
  // Reads hand over at most this many bytes per call.
  std::uint32_t read_chunk = 128;

  // Makes the `nth` (1-based) call of `op` from now on fail with `code`.
  void fail(Op op, int nth, std::int32_t code);
  // How often each operation was called.
  int calls(Op op) const;
  // Names of the files open now (one entry per open handle).
  std::vector<std::string> open_names() const;

  std::int32_t open_file(const char* name, OpenFor how, FileHandle& handle) override;
  std::int32_t std_output_handle(FileHandle& handle) override;
  HandleKind handle_kind(FileHandle handle) override;
  std::int32_t read_file(FileHandle handle, char* buffer, std::uint32_t size,
                         std::uint32_t& got) override;
  std::int32_t write_file(FileHandle handle, const char* data,
                          std::uint32_t size) override;
  std::int32_t close_file(FileHandle handle) override;
  bool same_file(const char* a, const char* b) override;
  std::vector<std::string> command_args() override { return args; }
  std::string_view executable_path() override { return exe_path; }
  bool module_at(std::uintptr_t, std::uintptr_t&, char*, std::size_t) override {
    return false;
  }
  void raw_write_std_output(const char* data, std::size_t size) override;
  void install_fault_handler(FaultHandler) override {}
  void remove_fault_handler() override {}
  [[noreturn]] void exit_process(int code) override { throw ProcessExit{code}; }

 private:
  struct Open {
    std::string name;
    bool writing;
    std::size_t position;
  };
  std::int32_t injected(Op op);

  std::map<FileHandle, Open> open_;
  FileHandle next_handle_ = 100;
  std::map<Op, int> calls_;
  std::map<std::pair<Op, int>, std::int32_t> failures_;
};

inline constexpr FileHandle kFakeStdOutput = 1;

struct RunResult {
  int exit_code;
  std::string console;
};

// Starts the runtime on `fake` and runs one whole conversion in memory with
// `args` as the command line.
RunResult run_in_memory(FakePlatform& fake, std::vector<std::string> args);

}  // namespace relabel::testing
