// The narrow seam between relabel and the operating system.
//
// Everything that touches files, the console, the command line, the
// program's own image or the process lifetime goes through `Platform`.
// platform_posix.cpp and platform_win32.cpp implement it natively; tests
// install a fake that keeps files in memory and fails chosen calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace relabel {

using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoHandle = -1;

enum class OpenFor { reading, writing };
enum class HandleKind { disk, character, pipe, unknown };

// A processor or memory fault in the platform-neutral form the failure layer
// reports. Status codes follow the Windows numbering (C0000005 access
// violation, C0000094 integer division by zero, ...).
struct FaultRecord {
  std::uint32_t status = 0;
  std::uintptr_t code_position = 0;  // the faulting instruction
  std::uint32_t access_kind = 0;     // access faults: 0 read, else write
  std::uintptr_t address = 0;        // access faults: the address touched
};

using FaultHandler = void (*)(const FaultRecord&);

class Platform {
 public:
  virtual ~Platform() = default;

  // Files. Each returns 0 on success, otherwise an I/O result code: the
  // Windows system error number for the situation (2, 3, 5, 32, 112, 123...).
  // Opening shares the file for reading only: while it is held, other opens
  // may read it but none may write it.
  virtual std::int32_t open_file(const char* name, OpenFor how, FileHandle& handle) = 0;
  virtual std::int32_t std_output_handle(FileHandle& handle) = 0;
  virtual HandleKind handle_kind(FileHandle handle) = 0;
  virtual std::int32_t read_file(FileHandle handle, char* buffer, std::uint32_t size,
                                 std::uint32_t& got) = 0;
  virtual std::int32_t write_file(FileHandle handle, const char* data,
                                  std::uint32_t size) = 0;
  virtual std::int32_t close_file(FileHandle handle) = 0;
  // True when both names exist and are the same file (links followed).
  virtual bool same_file(const char* a, const char* b) = 0;

  // The arguments after the program, as the platform splits its command line.
  virtual std::vector<std::string> command_args() = 0;
  // The full path of the running executable, or empty when unknown. Read
  // when the platform is made, so asking allocates nothing.
  virtual std::string_view executable_path() = 0;
  // The load address and file path of the module holding `address`. Must
  // not allocate: it runs while memory may be exhausted.
  virtual bool module_at(std::uintptr_t address, std::uintptr_t& base, char* path,
                         std::size_t path_size) = 0;
  // Writes straight to the standard output handle; failures are ignored.
  virtual void raw_write_std_output(const char* data, std::size_t size) = 0;

  virtual void install_fault_handler(FaultHandler handler) = 0;
  virtual void remove_fault_handler() = 0;
  [[noreturn]] virtual void exit_process(int code) = 0;
};

// The platform in use, from the start of the run on: the native one unless
// a test installed another. Inline: every read and push asks for it.
extern Platform* current_platform;
inline Platform& platform() { return *current_platform; }
// Installs `replacement`; nullptr the native platform.
void set_platform(Platform* replacement);
// The native platform, made on the first call and told the arguments main()
// received (POSIX uses them; Windows reads its own command line).
Platform& native_platform(int argc, char** argv);

// The text after the last path separator of `path` (the whole path when it
// has none): the file's name without its folders.
std::string_view file_name_of(std::string_view path);

}  // namespace relabel
