// Starts the runtime on the native platform and then fails in the way the
// first argument names, so tests can check the report and the exit code.
// Two further modes show what the runtime sees from outside: "args" prints
// the arguments as the runtime splits them, and "pieces" logs the size of
// every write that reaches the platform.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#if defined(__SSE_MATH__)
#include <xmmintrin.h>
#endif

#include "runtime/args.h"
#include "runtime/failure.h"
#include "runtime/lifecycle.h"
#include "runtime/text_file.h"

#if defined(_WIN32) && !defined(_WIN64)
#include <windows.h>

#include <cstdint>

#include "windows/import_slots.h"
#endif

namespace {

volatile int zero = 0;
volatile float zero_float = 0.0f;
volatile float big_float = 3e38f;
volatile int* volatile wild = reinterpret_cast<volatile int*>(0x10);

volatile bool keep_going = true;

#if defined(__x86_64__) || defined(__i386__)
// Floating-point faults are masked by default; unmask division by zero and
// overflow in the unit that does float arithmetic: SSE on x86-64, the x87
// on 32-bit x86 builds without SSE math.
void unmask_float_faults() {
#if defined(__SSE_MATH__)
  _mm_setcsr(_mm_getcsr() & ~(_MM_MASK_DIV_ZERO | _MM_MASK_OVERFLOW));
#else
  unsigned short control;
  asm volatile("fnstcw %0" : "=m"(control));
  control &= static_cast<unsigned short>(~0xCu);  // ZM and OM: zero-divide, overflow
  asm volatile("fldcw %0" : : "m"(control));
#endif
}
#endif

int recurse(int depth) {
  volatile char frame[256];
  frame[0] = static_cast<char>(depth);
  if (!keep_going) return frame[0];
  return recurse(depth + 1) + frame[0];
}

const char* mode = "";
const char* log_name = "";

// The native platform with every write's size logged, one per line, to the
// file named on the command line.
class WriteLogger final : public relabel::Platform {
 public:
  explicit WriteLogger(relabel::Platform& inner)
      : inner_(inner), log_(log_name, std::ios::binary) {}

  std::int32_t write_file(relabel::FileHandle handle, const char* data,
                          std::uint32_t size) override {
    log_ << size << '\n' << std::flush;
    return inner_.write_file(handle, data, size);
  }
  std::int32_t open_file(const char* name, relabel::OpenFor how,
                         relabel::FileHandle& handle) override {
    return inner_.open_file(name, how, handle);
  }
  std::int32_t std_output_handle(relabel::FileHandle& handle) override {
    return inner_.std_output_handle(handle);
  }
  relabel::HandleKind handle_kind(relabel::FileHandle handle) override {
    return inner_.handle_kind(handle);
  }
  std::int32_t read_file(relabel::FileHandle handle, char* buffer, std::uint32_t size,
                         std::uint32_t& got) override {
    return inner_.read_file(handle, buffer, size, got);
  }
  std::int32_t close_file(relabel::FileHandle handle) override {
    return inner_.close_file(handle);
  }
  bool same_file(const char* a, const char* b) override { return inner_.same_file(a, b); }
  std::vector<std::string> command_args() override { return inner_.command_args(); }
  std::string_view executable_path() override { return inner_.executable_path(); }
  bool module_at(std::uintptr_t address, std::uintptr_t& base, char* path,
                 std::size_t path_size) override {
    return inner_.module_at(address, base, path, path_size);
  }
  void raw_write_std_output(const char* data, std::size_t size) override {
    inner_.raw_write_std_output(data, size);
  }
  void install_fault_handler(relabel::FaultHandler handler) override {
    inner_.install_fault_handler(handler);
  }
  void remove_fault_handler() override { inner_.remove_fault_handler(); }
  [[noreturn]] void exit_process(int code) override {
    log_.close();
    inner_.exit_process(code);
    std::_Exit(code);  // not reached: the native exit does not return
  }

 private:
  relabel::Platform& inner_;
  std::ofstream log_;
};

void fail() {
  using namespace relabel;
  const std::string m = mode;
  if (m == "read") {
    (void)*wild;
  } else if (m == "write") {
    *wild = 1;
  } else if (m == "div") {
    volatile int x = 7 / zero;
    (void)x;
#if defined(__x86_64__) || defined(__i386__)
  } else if (m == "fdiv") {
    unmask_float_faults();
    volatile float x = 1.0f / zero_float;
    (void)x;
  } else if (m == "foverflow") {
    unmask_float_faults();
    volatile float x = big_float * big_float;
    (void)x;
  } else if (m == "illegal") {
    asm volatile("ud2");
  } else if (m == "privileged") {
    asm volatile("hlt");
#endif
  } else if (m == "stack" || m == "stack-no-guarantee") {
    recurse(0);
  } else if (m == "memory") {
    std::vector<std::string> hog;
    for (;;) hog.emplace_back(1 << 20, 'x');
  } else if (m == "io32") {
    io_result = 32;
    io_check();
  } else if (m == "waiting-then-missing") {
    text_write(std_output, std::string_view("waiting"));
    TextFile missing;
    text_assign(missing, "no-such-file.pnl");
    text_reset(missing);
    io_check();
  } else if (m == "args") {
    // arg(0) to one past the last, each in brackets on its own line.
    for (std::int32_t i = 0; i <= arg_count() + 1; ++i) {
      text_write(std_output, std::string_view("["));
      text_write(std_output, arg(i));
      text_write(std_output, std::string_view("]"));
      text_write_line(std_output, {});
    }
  } else if (m == "pieces") {
    // Two short flushed writes, then 300 bytes in flushed writes of 10.
    static WriteLogger logger(platform());
    set_platform(&logger);
    text_write(std_output, std::string_view("ab"));
    text_flush(std_output);
    text_write(std_output, std::string_view("cd"));
    text_flush(std_output);
    for (int i = 0; i < 30; ++i) {
      text_write(std_output, std::string_view("0123456789"));
      text_flush(std_output);
    }
  } else if (m == "exit") {
    text_write(std_output, std::string_view("bye"));
    end_run(2);
  }
}

#if defined(_WIN32) && !defined(_WIN64)
using Lookup = FARPROC(WINAPI*)(HMODULE, LPCSTR);
Lookup system_lookup = nullptr;

// GetProcAddress as on Windows XP, whose kernel32 lacks the function that
// keeps stack for the fault handler.
FARPROC WINAPI lookup_as_on_windows_xp(HMODULE module, LPCSTR name) {
  if (HIWORD(reinterpret_cast<std::uintptr_t>(name)) != 0 &&
      std::strcmp(name, "SetThreadStackGuarantee") == 0)
    return nullptr;
  return system_lookup(module, name);
}

// As on 32-bit Windows XP: this program's import of GetProcAddress, through
// which the runtime looks the function up, is pointed at the lookup above;
// and the stack's lowest page is out of reach (XP never commits it; Wine
// commits the whole stack), so an overflow leaves the thread only the page
// that the system's guard page was.
void run_as_on_windows_xp() {
  system_lookup = reinterpret_cast<Lookup>(relabel::testing::redirect_import(
      reinterpret_cast<ULONG_PTR>(&::GetProcAddress),
      reinterpret_cast<ULONG_PTR>(&lookup_as_on_windows_xp)));
  if (system_lookup == nullptr) std::abort();  // the lookup would not be as on XP
  DWORD old = 0;
  MEMORY_BASIC_INFORMATION stack{};
  SYSTEM_INFO system{};
  ::GetSystemInfo(&system);
  if (::VirtualQuery(&stack, &stack, sizeof stack) != 0)
    ::VirtualProtect(stack.AllocationBase, system.dwPageSize, PAGE_NOACCESS, &old);
}
#endif

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32) && !defined(_WIN64)
  if (argc > 1 && std::strcmp(argv[1], "stack-no-guarantee") == 0) run_as_on_windows_xp();
#endif
  relabel::start_runtime(relabel::native_platform(argc, argv));
  if (argc > 1) mode = argv[1];
  if (argc > 2) log_name = argv[2];
  relabel::run_guarded(fail);
  relabel::end_run(0);
}
