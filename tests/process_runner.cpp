#include "process_runner.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace relabel::testing {

ProcessResult run_process(const std::vector<std::string>& argv,
                          const ProcessOptions& options) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) throw std::runtime_error("pipe failed");
  std::vector<char*> raw;
  for (const std::string& a : argv) raw.push_back(const_cast<char*>(a.c_str()));
  raw.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::dup2(pipe_fds[1], 1);
    ::close(pipe_fds[0]);
    ::close(pipe_fds[1]);
    if (!options.working_dir.empty() && ::chdir(options.working_dir.c_str()) != 0)
      ::_exit(127);
    if (options.address_space_limit != 0) {
      struct rlimit limit = {options.address_space_limit,
                             options.address_space_limit};
      ::setrlimit(RLIMIT_AS, &limit);
    }
    ::execv(raw[0], raw.data());
    ::_exit(127);
  }
  ::close(pipe_fds[1]);
  ProcessResult result;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(pipe_fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    result.output.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  return result;
}

std::string reported_program_path(const std::string& path) { return path; }

TempDir::TempDir() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "relabel-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace relabel::testing
