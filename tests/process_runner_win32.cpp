// Windows side of the child-process runner: CreateProcessA with a pipe for
// the child's standard output, and a temporary folder.
#include <windows.h>

#include <atomic>
#include <filesystem>
#include <stdexcept>

#include "process_runner.h"

namespace relabel::testing {
namespace {

// Quotes an argument that holds blanks or is empty; the arguments the tests
// pass hold no double quotes, so nothing else needs escaping.
std::string quoted(const std::string& a) {
  if (!a.empty() && a.find_first_of(" \t") == std::string::npos) return a;
  return "\"" + a + "\"";
}

std::string joined(const std::vector<std::string>& argv) {
  std::string line;
  for (const std::string& a : argv) {
    if (!line.empty()) line += ' ';
    line += quoted(a);
  }
  return line;
}

struct Handle {
  HANDLE h = nullptr;
  ~Handle() {
    if (h != nullptr && h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
};

}  // namespace

ProcessResult run_process(const std::vector<std::string>& argv,
                          const ProcessOptions& options) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  Handle read_end, write_end;
  if (!::CreatePipe(&read_end.h, &write_end.h, &inherit, 0))
    throw std::runtime_error("CreatePipe failed");
  ::SetHandleInformation(read_end.h, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  DWORD flags = CREATE_SUSPENDED;
  if (options.new_console) {
    flags |= CREATE_NEW_CONSOLE;
  } else {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = write_end.h;
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  }
  std::string line =
      options.raw_command_line.empty() ? joined(argv) : options.raw_command_line;
  const char* application =
      options.raw_command_line.empty() || argv.empty() || argv[0].empty()
          ? nullptr
          : argv[0].c_str();
  const char* folder =
      options.working_dir.empty() ? nullptr : options.working_dir.c_str();
  // The settings go into this process's environment, which the child
  // inherits, and out of it again once the child is made.
  for (const std::string& s : options.environment) {
    const std::size_t equals = s.find('=');
    ::SetEnvironmentVariableA(s.substr(0, equals).c_str(), s.c_str() + equals + 1);
  }
  PROCESS_INFORMATION info = {};
  const BOOL made = ::CreateProcessA(application, line.data(), nullptr, nullptr, TRUE,
                                     flags, nullptr, folder, &startup, &info);
  for (const std::string& s : options.environment)
    ::SetEnvironmentVariableA(s.substr(0, s.find('=')).c_str(), nullptr);
  if (!made) throw std::runtime_error("CreateProcessA failed: " + line);
  Handle process{info.hProcess}, thread{info.hThread};

  Handle job;
  if (options.address_space_limit != 0) {
    job.h = ::CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limit = {};
    limit.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_PROCESS_MEMORY;
    limit.ProcessMemoryLimit = static_cast<SIZE_T>(options.address_space_limit);
    ::SetInformationJobObject(job.h, JobObjectExtendedLimitInformation, &limit,
                              sizeof limit);
    ::AssignProcessToJobObject(job.h, process.h);
  }
  ::ResumeThread(thread.h);
  // Only the child may hold the write end now, so the pipe breaks when it
  // ends and the reads below stop.
  ::CloseHandle(write_end.h);
  write_end.h = nullptr;

  ProcessResult result;
  char buffer[4096];
  DWORD n = 0;
  while (::ReadFile(read_end.h, buffer, sizeof buffer, &n, nullptr) && n > 0)
    result.output.append(buffer, n);
  ::WaitForSingleObject(process.h, INFINITE);
  DWORD code = 0;
  ::GetExitCodeProcess(process.h, &code);
  result.exit_code = static_cast<int>(code);
  return result;
}

std::string reported_program_path(const std::string& path) {
  char full[MAX_PATH + 1];
  const DWORD n = ::GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  if (n == 0 || n >= sizeof full) return path;
  std::string result(full, n);
  for (char& c : result)
    if (c == '/') c = '\\';
  return result;
}

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    const std::string name = "relabel-test-" + std::to_string(::GetCurrentProcessId()) +
                             "-" + std::to_string(counter++);
    const std::string candidate = (base / name).string();
    if (::CreateDirectoryA(candidate.c_str(), nullptr)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Read-only files left by a test would block the removal.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored))
    ::SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace relabel::testing
