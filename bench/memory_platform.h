// A platform for the microbenchmarks: one input file served from memory and
// output files that are counted and dropped, so a benchmark times the text
// layer and not the system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/platform.h"

namespace relabel::bench {

class MemoryPlatform final : public Platform {
 public:
  std::string input;          // what every file opened for reading holds
  std::uint64_t written = 0;  // bytes handed to writes

  std::int32_t open_file(const char* name, OpenFor how, FileHandle& handle) override;
  std::int32_t std_output_handle(FileHandle& handle) override;
  HandleKind handle_kind(FileHandle) override { return HandleKind::disk; }
  std::int32_t read_file(FileHandle handle, char* buffer, std::uint32_t size,
                         std::uint32_t& got) override;
  std::int32_t write_file(FileHandle, const char*, std::uint32_t size) override {
    written += size;
    return 0;
  }
  std::int32_t close_file(FileHandle) override { return 0; }
  bool same_file(const char*, const char*) override { return false; }
  std::vector<std::string> command_args() override { return {}; }
  std::string_view executable_path() override { return {}; }
  bool module_at(std::uintptr_t, std::uintptr_t&, char*, std::size_t) override {
    return false;
  }
  void raw_write_std_output(const char*, std::size_t) override {}
  void install_fault_handler(FaultHandler) override {}
  void remove_fault_handler() override {}
  [[noreturn]] void exit_process(int code) override;

 private:
  std::size_t position_ = 0;  // one reader at a time
};

// A "Components" section of `components` entries with their two label
// lines each, CR LF line ends, as the generated benchmark boards hold.
std::string board_section(int components);

}  // namespace relabel::bench
