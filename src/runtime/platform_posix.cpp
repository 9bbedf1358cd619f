// The platform on POSIX systems (Linux).
//
// Error numbers are mapped onto the Windows codes the reports know: a missing
// file 2 (3 when a folder of its path is missing), access denied 5, too many
// open files 4, sharing violation 32, disk full 112 (also a file grown to the
// process's file-size limit), invalid name 123, broken pipe 109. Any other
// errno e becomes 10000 + e, which no report text uses.
//
// Windows refuses to open a file that another open holds against the access
// asked for. POSIX has no such rule. The files this process holds are
// tracked by device and inode: while one is held, it can be opened again
// only for reading, and not at all while it is held for writing. Other
// processes are held off by a whole-file lock taken without waiting, shared
// for reading and exclusive for writing; only programs that lock (other
// runs among them) respect it. A file system without locks goes unguarded.
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <ucontext.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "runtime/platform.h"

// The linker's marks of the program's own image: its first byte (the ELF
// header, where the image is loaded) and the end of its data.
extern "C" const char __ehdr_start;
extern "C" char _end;

namespace relabel {
namespace {

constexpr std::int32_t kOtherErrnoBase = 10000;

std::int32_t map_errno(int e) {
  switch (e) {
    case ENOTDIR: return 3;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return 5;
    case EMFILE:
    case ENFILE: return 4;
    case ETXTBSY: return 32;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return 112;
    case ENAMETOOLONG:
    case EINVAL: return 123;
    case EPIPE: return 109;
    default: return kOtherErrnoBase + e;
  }
}

bool folder_exists(const char* name) {
  const char* slash = std::strrchr(name, '/');
  if (slash == nullptr) return true;  // the current folder
  const std::string folder =
      slash == name ? std::string("/")
                    : std::string(name, static_cast<std::size_t>(slash - name));
  struct stat st;
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A create fails with ENOENT only when a folder on its way is missing (also
// behind a link), so for writing that is always 3.
std::int32_t map_open_errno(int e, const char* name, bool writing) {
  if (e == ENOENT) return !writing && folder_exists(name) ? 2 : 3;
  return map_errno(e);
}

// Takes the whole-file lock of a regular file without waiting: false when
// another open holds it against this access. A file system that has no
// locks, or refuses them, leaves the file unguarded rather than unusable.
bool lock_file(int fd, bool writing) {
  int result;
  do result = ::flock(fd, (writing ? LOCK_EX : LOCK_SH) | LOCK_NB);
  while (result != 0 && errno == EINTR);
  return result == 0 || errno != EWOULDBLOCK;
}

// True when a read or write that failed with `e` should be made again: it
// was interrupted, or the descriptor (a non-blocking pipe that a parent
// handed over, say) was not ready and now is. The wait has no time limit
// and goes on through interruptions; a wait that fails leaves the call's
// own failure standing.
bool try_again(int e, int fd, short ready_for) {
  if (e == EINTR) return true;
  if (e != EAGAIN && e != EWOULDBLOCK) return false;
  struct pollfd p = {fd, ready_for, 0};
  int n;
  do n = ::poll(&p, 1, -1);
  while (n < 0 && errno == EINTR);
  return n > 0;
}

// Writes all `size` bytes, going on after an interruption, a wait or a
// short write. Returns 0, or the errno of the write that failed.
int write_all(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      const int e = errno;
      if (try_again(e, fd, POLLOUT)) continue;
      return e;
    }
    if (n == 0) return EIO;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

struct HeldFile {
  int fd;
  dev_t device;
  ino_t inode;
  bool writing;
};

class PosixPlatform final : public Platform {
 public:
  // Keeps the arguments as the system handed them: nothing is allocated
  // before the failure layer can report memory exhaustion.
  PosixPlatform(int argc, char** argv) : argc_(argc), argv_(argv) { remember_exe_path(); }

  std::int32_t open_file(const char* name, OpenFor how, FileHandle& handle) override {
    const bool writing = how == OpenFor::writing;
    struct stat st;
    // Check before opening for writing: a held file must not be emptied.
    if (writing && ::stat(name, &st) == 0) {
      if (S_ISDIR(st.st_mode)) return 5;
      if (conflicts(st, true)) return 32;
    }
    const int flags = (writing ? O_WRONLY | O_CREAT : O_RDONLY) | O_CLOEXEC | O_NOCTTY;
    int fd;
    do fd = ::open(name, flags, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return map_open_errno(errno, name, writing);
    std::int32_t code = 0;
    if (::fstat(fd, &st) != 0) {
      code = map_errno(errno);
    } else if (S_ISDIR(st.st_mode)) {
      code = 5;
    } else if (conflicts(st, writing) ||
               (S_ISREG(st.st_mode) && !lock_file(fd, writing))) {
      code = 32;
    } else if (writing && S_ISREG(st.st_mode) && ::ftruncate(fd, 0) != 0) {
      code = map_errno(errno);
    } else if (held_count_ == kMaxHeld) {
      code = 4;
    }
    if (code != 0) {
      ::close(fd);
      return code;
    }
    held_[held_count_++] = {fd, st.st_dev, st.st_ino, writing};
    handle = fd;
    return 0;
  }

  std::int32_t std_output_handle(FileHandle& handle) override {
    handle = 1;
    return 0;
  }

  HandleKind handle_kind(FileHandle handle) override {
    struct stat st;
    if (::fstat(static_cast<int>(handle), &st) != 0) return HandleKind::unknown;
    if (::isatty(static_cast<int>(handle))) return HandleKind::character;
    if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) return HandleKind::pipe;
    return HandleKind::disk;
  }

  std::int32_t read_file(FileHandle handle, char* buffer, std::uint32_t size,
                         std::uint32_t& got) override {
    const int fd = static_cast<int>(handle);
    ssize_t n;
    while ((n = ::read(fd, buffer, size)) < 0) {
      const int e = errno;
      if (try_again(e, fd, POLLIN)) continue;
      got = 0;
      return map_errno(e);
    }
    got = static_cast<std::uint32_t>(n);
    return 0;
  }

  std::int32_t write_file(FileHandle handle, const char* data,
                          std::uint32_t size) override {
    const int e = write_all(static_cast<int>(handle), data, size);
    return e == 0 ? 0 : map_errno(e);
  }

  std::int32_t close_file(FileHandle handle) override {
    const int fd = static_cast<int>(handle);
    for (std::size_t i = 0; i < held_count_; ++i) {
      if (held_[i].fd == fd) {
        held_[i] = held_[--held_count_];
        break;
      }
    }
    return ::close(fd) == 0 || errno == EINTR ? 0 : map_errno(errno);
  }

  bool same_file(const char* a, const char* b) override {
    struct stat sa, sb;
    return ::stat(a, &sa) == 0 && ::stat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
  }

  std::vector<std::string> command_args() override {
    std::vector<std::string> args;
    for (int i = 1; i < argc_; ++i) args.emplace_back(argv_[i]);
    return args;
  }

  std::string_view executable_path() override { return exe_path_; }

  bool module_at(std::uintptr_t address, std::uintptr_t& base, char* path,
                 std::size_t path_size) override {
    const auto image_start = reinterpret_cast<std::uintptr_t>(&__ehdr_start);
    const auto image_end = reinterpret_cast<std::uintptr_t>(&_end);
    const char* name;
    Dl_info info;
    if (::dladdr(reinterpret_cast<void*>(address), &info) != 0 &&
        info.dli_fbase != nullptr && info.dli_fname != nullptr) {
      base = reinterpret_cast<std::uintptr_t>(info.dli_fbase);
      name = info.dli_fname;
    } else if (address >= image_start && address < image_end) {
      // A statically linked program has no loader records, so dladdr knows
      // nothing; the program's own image is still known to the linker.
      base = image_start;
      name = exe_path_;
    } else {
      return false;
    }
    // The main program is named as it was started; name it by its own path.
    if (base == image_start && exe_path_[0] != '\0') name = exe_path_;
    if (name[0] == '\0') return false;
    std::size_t n = std::strlen(name);
    if (n >= path_size) n = path_size - 1;
    std::memcpy(path, name, n);
    path[n] = '\0';
    return true;
  }

  void raw_write_std_output(const char* data, std::size_t size) override {
    write_all(1, data, size);
  }

  void install_fault_handler(FaultHandler handler) override;
  void remove_fault_handler() override;

  [[noreturn]] void exit_process(int code) override { ::_exit(code); }

  // Read once into a fixed buffer, without allocating. The system gives no
  // longer path than a page holds.
  void remember_exe_path() {
    const ssize_t n = ::readlink("/proc/self/exe", exe_path_, sizeof exe_path_ - 1);
    exe_path_[n > 0 ? n : 0] = '\0';
  }

 private:
  bool conflicts(const struct stat& st, bool writing) const {
    for (std::size_t i = 0; i < held_count_; ++i)
      if (held_[i].device == st.st_dev && held_[i].inode == st.st_ino &&
          (writing || held_[i].writing))
        return true;
    return false;
  }

  static constexpr std::size_t kMaxHeld = 64;
  int argc_;
  char** argv_;
  HeldFile held_[kMaxHeld] = {};
  std::size_t held_count_ = 0;
  char exe_path_[4096] = {};
};

// --- Faults -----------------------------------------------------------------

FaultHandler fault_handler = nullptr;
alignas(16) char alternate_stack[64 * 1024];
constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
constexpr std::uintptr_t kPage = 4096;
constexpr std::uintptr_t kFrameReach = 64 * 1024;

std::uint32_t fpe_status(int code) {
  switch (code) {
    case FPE_INTDIV: return 0xC0000094;
    case FPE_INTOVF: return 0xC0000095;
    case FPE_FLTDIV: return 0xC000008E;
    case FPE_FLTOVF: return 0xC0000091;
    case FPE_FLTUND: return 0xC0000093;
    case FPE_FLTRES: return 0xC000008F;
    case FPE_FLTSUB: return 0xC000008C;
    default: return 0xC0000090;
  }
}

void on_fault_signal(int signal, siginfo_t* info, void* context) {
  auto* uc = static_cast<ucontext_t*>(context);
  FaultRecord fault;
  std::uintptr_t sp = 0;
  bool write_access = false;
#if defined(__x86_64__)
  fault.code_position = static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
  sp = static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RSP]);
  write_access = (uc->uc_mcontext.gregs[REG_ERR] & 2) != 0;
#elif defined(__aarch64__)
  fault.code_position = static_cast<std::uintptr_t>(uc->uc_mcontext.pc);
  sp = static_cast<std::uintptr_t>(uc->uc_mcontext.sp);
#else
  (void)uc;
  fault.code_position = reinterpret_cast<std::uintptr_t>(info->si_addr);
#endif
  const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
  switch (signal) {
    case SIGSEGV:
    case SIGBUS:
      // A fault near the stack pointer (up to a page above it, or as far
      // below it as a large frame reaches) is the stack running into its
      // guard region.
      if (sp != 0 && address <= sp + kPage && address + kFrameReach >= sp) {
        fault.status = 0xC00000FD;
      } else {
        fault.status = 0xC0000005;
        fault.access_kind = write_access ? 1 : 0;
        fault.address = address;
      }
      break;
    case SIGFPE: fault.status = fpe_status(info->si_code); break;
    default:  // SIGILL
      fault.status = (info->si_code == ILL_PRVOPC || info->si_code == ILL_PRVREG)
                         ? 0xC0000096
                         : 0xC000001D;  // illegal instruction
      break;
  }
  if (fault_handler) fault_handler(fault);
  ::_exit(1);
}

void PosixPlatform::install_fault_handler(FaultHandler handler) {
  fault_handler = handler;
  stack_t ss = {};
  ss.ss_sp = alternate_stack;
  ss.ss_size = sizeof alternate_stack;
  ::sigaltstack(&ss, nullptr);
  struct sigaction sa = {};
  sa.sa_sigaction = on_fault_signal;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&sa.sa_mask);
  for (int s : kFaultSignals) ::sigaction(s, &sa, nullptr);
  // A closed pipe on the console, and a file grown to the process's
  // file-size limit, make writes fail with a code instead of killing the
  // process.
  ::signal(SIGPIPE, SIG_IGN);
  ::signal(SIGXFSZ, SIG_IGN);
}

void PosixPlatform::remove_fault_handler() {
  for (int s : kFaultSignals) ::signal(s, SIG_DFL);
  fault_handler = nullptr;
}

}  // namespace

Platform& native_platform(int argc, char** argv) {
  static PosixPlatform instance(argc, argv);
  return instance;
}

}  // namespace relabel
