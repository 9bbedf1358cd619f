// The platform on Windows: the system calls themselves, nothing emulated.
//
// Files are opened with CreateFileA sharing for reading only, so the system
// refuses (error 32) any open that would write a held file or read one held
// for writing. The error codes GetLastError gives are the I/O result codes
// as they stand. A write the system completes in part goes on with the
// rest, as on POSIX. The command line is split by next_arg stepping with
// CharNextA, and the program path comes from GetModuleFileNameA.
#include <windows.h>

#include "runtime/args.h"
#include "runtime/platform.h"

namespace relabel {

namespace {

// Bytes the fault handler may still use after the stack has overflowed:
// enough to make and write the report and end the run.
constexpr ULONG kStackGuarantee = 64 * 1024;

HANDLE as_handle(FileHandle handle) { return reinterpret_cast<HANDLE>(handle); }

FileHandle as_file_handle(HANDLE handle) { return reinterpret_cast<FileHandle>(handle); }

std::int32_t last_error() {
  const DWORD e = ::GetLastError();
  // A failed call always leaves a code; guard against a zero all the same,
  // since 0 would read as success.
  return e == 0 ? 31 : static_cast<std::int32_t>(e);  // 31: device failure
}

std::size_t char_next_step(std::string_view line, std::size_t place) {
  const char* here = line.data() + place;
  return static_cast<std::size_t>(::CharNextA(here) - line.data());
}

// Opens `name` for asking its identity only: no access, every sharing, so
// it neither disturbs nor is refused by the opens the run holds.
HANDLE open_for_identity(const char* name) {
  return ::CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool file_identity(const char* name, BY_HANDLE_FILE_INFORMATION& info) {
  const HANDLE h = open_for_identity(name);
  if (h == INVALID_HANDLE_VALUE) return false;
  const BOOL ok = ::GetFileInformationByHandle(h, &info);
  ::CloseHandle(h);
  return ok != FALSE;
}

// A WriteFile that reported success and wrote nothing: the rest would
// never go, and going on would lose it silently.
constexpr std::int32_t kWriteFault = 29;  // ERROR_WRITE_FAULT

// Writes all `size` bytes, going on after a WriteFile that the system
// completed in part. Returns 0, or the code of the write that failed.
std::int32_t write_all(HANDLE handle, const char* data, DWORD size) {
  for (;;) {
    DWORD written = 0;
    if (!::WriteFile(handle, data, size, &written, nullptr)) return last_error();
    if (written >= size) return 0;
    if (written == 0) return kWriteFault;
    data += written;
    size -= written;
  }
}

class Win32Platform final : public Platform {
 public:
  Win32Platform() { remember_exe_path(); }

  std::int32_t open_file(const char* name, OpenFor how, FileHandle& handle) override {
    const bool writing = how == OpenFor::writing;
    const HANDLE h = ::CreateFileA(
        name, writing ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ, nullptr,
        writing ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return last_error();
    handle = as_file_handle(h);
    return 0;
  }

  std::int32_t std_output_handle(FileHandle& handle) override {
    const HANDLE h = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (h == INVALID_HANDLE_VALUE) return last_error();
    // A process started without the stream has a null handle; its kind is
    // unknown, which the text layer reports when it opens it.
    handle = as_file_handle(h);
    return 0;
  }

  HandleKind handle_kind(FileHandle handle) override {
    switch (::GetFileType(as_handle(handle))) {
      case FILE_TYPE_DISK: return HandleKind::disk;
      case FILE_TYPE_CHAR: return HandleKind::character;
      case FILE_TYPE_PIPE: return HandleKind::pipe;
      default: return HandleKind::unknown;
    }
  }

  std::int32_t read_file(FileHandle handle, char* buffer, std::uint32_t size,
                         std::uint32_t& got) override {
    DWORD n = 0;
    if (!::ReadFile(as_handle(handle), buffer, size, &n, nullptr)) {
      got = 0;
      return last_error();
    }
    got = n;
    return 0;
  }

  std::int32_t write_file(FileHandle handle, const char* data,
                          std::uint32_t size) override {
    return write_all(as_handle(handle), data, size);
  }

  std::int32_t close_file(FileHandle handle) override {
    return ::CloseHandle(as_handle(handle)) ? 0 : last_error();
  }

  bool same_file(const char* a, const char* b) override {
    BY_HANDLE_FILE_INFORMATION ia, ib;
    return file_identity(a, ia) && file_identity(b, ib) &&
           ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
  }

  std::vector<std::string> command_args() override {
    const char* raw = ::GetCommandLineA();
    const std::string_view line = raw ? raw : "";
    std::size_t place = 0;
    next_arg(line, place, char_next_step);  // the program as started
    std::vector<std::string> args;
    for (;;) {
      std::string a = next_arg(line, place, char_next_step);
      if (a.empty()) return args;
      args.push_back(std::move(a));
    }
  }

  std::string_view executable_path() override { return {exe_path_, exe_path_length_}; }

  // Read once into a fixed buffer, without allocating: the characters the
  // call reports as stored, at most 261.
  void remember_exe_path() {
    const DWORD n = ::GetModuleFileNameA(nullptr, exe_path_, sizeof exe_path_);
    exe_path_length_ = n < sizeof exe_path_ ? n : sizeof exe_path_;
  }

  bool module_at(std::uintptr_t address, std::uintptr_t& base, char* path,
                 std::size_t path_size) override {
    MEMORY_BASIC_INFORMATION region;
    if (::VirtualQuery(reinterpret_cast<const void*>(address), &region, sizeof region) ==
            0 ||
        region.State != MEM_COMMIT || region.AllocationBase == nullptr)
      return false;
    const DWORD size = path_size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(path_size);
    const DWORD n =
        ::GetModuleFileNameA(static_cast<HMODULE>(region.AllocationBase), path, size);
    if (n == 0) return false;
    path[n < path_size ? n : path_size - 1] = '\0';
    base = reinterpret_cast<std::uintptr_t>(region.AllocationBase);
    return true;
  }

  void raw_write_std_output(const char* data, std::size_t size) override {
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == INVALID_HANDLE_VALUE || out == nullptr) return;
    write_all(out, data, static_cast<DWORD>(size));
  }

  void install_fault_handler(FaultHandler handler) override;
  void remove_fault_handler() override;

  [[noreturn]] void exit_process(int code) override {
    ::ExitProcess(static_cast<UINT>(code));
  }

 private:
  char exe_path_[261] = {};
  std::size_t exe_path_length_ = 0;
};

// --- Faults -----------------------------------------------------------------

FaultHandler fault_handler = nullptr;
LPTOP_LEVEL_EXCEPTION_FILTER previous_filter = nullptr;

using StackGuaranteeFunction = BOOL(WINAPI*)(PULONG);

// Windows XP's kernel32 lacks SetThreadStackGuarantee (Vista and XP x64 have
// it), so it is looked up at run time rather than imported.
StackGuaranteeFunction find_stack_guarantee() {
  const HMODULE kernel32 = ::GetModuleHandleA("kernel32.dll");
  if (kernel32 == nullptr) return nullptr;
  const FARPROC found = ::GetProcAddress(kernel32, "SetThreadStackGuarantee");
  // Through void (*)(): the one function type any other converts to freely.
  return reinterpret_cast<StackGuaranteeFunction>(reinterpret_cast<void (*)()>(found));
}

// Set when the system keeps kStackGuarantee bytes for the fault handler.
bool stack_guaranteed = false;

#ifndef _WIN64
// Without the guarantee (32-bit Windows XP), a stack overflow leaves the
// thread about one page, the one that was the system's guard page: too
// little to count on for making and writing the report (the system calls
// it makes need stack too), which is then made on this stack.
// (Every 64-bit Windows has the guarantee, and a 64-bit thread without it
// cannot even take the exception.)
alignas(16) char spare_stack[kStackGuarantee];
FaultRecord overflow_fault;
#endif

// Keeps kStackGuarantee bytes of stack for the fault handler. The system
// raises a stack overflow when the stack's moving guard page reaches the
// guaranteed region. A stack committed in full from the start (as Wine does
// for the main thread) has no moving guard page, so a guard page is placed
// where the guaranteed region begins.
void reserve_stack_for_faults() {
  ULONG guarantee = kStackGuarantee;
  const StackGuaranteeFunction set_guarantee = find_stack_guarantee();
  stack_guaranteed = set_guarantee != nullptr && set_guarantee(&guarantee);
  if (!stack_guaranteed) return;
  MEMORY_BASIC_INFORMATION region;
  if (::VirtualQuery(&region, &region, sizeof region) == 0) return;
  SYSTEM_INFO system;
  ::GetSystemInfo(&system);
  const std::uintptr_t page = system.dwPageSize;
  char* const mark = static_cast<char*>(region.AllocationBase) + page + kStackGuarantee;
  MEMORY_BASIC_INFORMATION at_mark;
  if (mark >= reinterpret_cast<char*>(&region) - 4 * page ||
      ::VirtualQuery(mark, &at_mark, sizeof at_mark) == 0 ||
      at_mark.State != MEM_COMMIT || at_mark.Protect != PAGE_READWRITE)
    return;
  DWORD old = 0;
  ::VirtualProtect(mark, page, PAGE_READWRITE | PAGE_GUARD, &old);
}

#ifndef _WIN64
// Where the thread resumes after a stack overflow that found no guaranteed
// stack: on the spare stack, which the thread's own record of its stack is
// told about first, as a switch of fibers would (exception dispatch takes
// only handler frames that lie within that record's bounds, and a system
// call may raise and handle an exception inside).
[[noreturn]] void report_overflow_on_spare_stack() {
  // The thread's information block starts with its NT_TIB, at an address
  // that fs:[0x18] holds (NtCurrentTeb reads the same).
  NT_TIB* tib;
  asm volatile("movl %%fs:0x18, %0" : "=r"(tib));
  tib->StackBase = spare_stack + sizeof spare_stack;
  tib->StackLimit = spare_stack;
  fault_handler(overflow_fault);  // reports and ends the process
  ::ExitProcess(1);               // not reached; there is no frame to return to
}

// Makes the thread continue in report_overflow_on_spare_stack with the
// stack pointer near the top of the spare stack, aligned as a call from a
// 16-byte aligned frame would leave it.
void resume_on_spare_stack(CONTEXT& context) {
  context.Esp = reinterpret_cast<DWORD>(spare_stack) + sizeof spare_stack - 20;
  context.Eip = reinterpret_cast<DWORD>(&report_overflow_on_spare_stack);
}
#endif

// The last-chance filter: the system calls it for a fault that no frame
// handled (and not while a debugger is attached, which gets it instead).
LONG WINAPI on_unhandled_exception(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
  FaultRecord fault;
  fault.status = record.ExceptionCode;
  fault.code_position = reinterpret_cast<std::uintptr_t>(record.ExceptionAddress);
  if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION &&
      record.NumberParameters >= 2) {
    fault.access_kind = static_cast<std::uint32_t>(record.ExceptionInformation[0]);
    fault.address = static_cast<std::uintptr_t>(record.ExceptionInformation[1]);
  }
  if (fault_handler == nullptr) return EXCEPTION_CONTINUE_SEARCH;
#ifndef _WIN64
  if (record.ExceptionCode == EXCEPTION_STACK_OVERFLOW && !stack_guaranteed) {
    overflow_fault = fault;
    resume_on_spare_stack(*pointers->ContextRecord);
    return EXCEPTION_CONTINUE_EXECUTION;
  }
#endif
  fault_handler(fault);  // reports and ends the process
  return EXCEPTION_EXECUTE_HANDLER;
}

void Win32Platform::install_fault_handler(FaultHandler handler) {
  fault_handler = handler;
  reserve_stack_for_faults();
  previous_filter = ::SetUnhandledExceptionFilter(on_unhandled_exception);
  // Faults are reported by the program itself, never in a system dialog.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
}

void Win32Platform::remove_fault_handler() {
  ::SetUnhandledExceptionFilter(previous_filter);
  fault_handler = nullptr;
}

}  // namespace

Platform& native_platform(int, char**) {
  static Win32Platform instance;
  return instance;
}

}  // namespace relabel
