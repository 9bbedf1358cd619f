#include "process_runner.h"

#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace relabel::testing {

namespace {

void set_limit(int resource, std::uint64_t bytes) {
  if (bytes == 0) return;
  struct rlimit limit = {bytes, bytes};
  ::setrlimit(resource, &limit);
}

// Reads the child's standard output and standard error until both close.
void collect(int out_fd, int err_fd, ProcessResult& result) {
  struct pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
  std::string* sinks[2] = {&result.output, &result.error};
  int open_count = 2;
  char buffer[4096];
  while (open_count > 0) {
    if (::poll(fds, 2, -1) < 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(n));
      } else {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open_count;
      }
    }
  }
}

}  // namespace

ProcessResult run_process(const std::vector<std::string>& argv,
                          const ProcessOptions& options) {
  int out_pipe[2], err_pipe[2];
  if (::pipe(out_pipe) != 0 || ::pipe(err_pipe) != 0)
    throw std::runtime_error("pipe failed");
  std::vector<char*> raw;
  for (const std::string& a : argv) raw.push_back(const_cast<char*>(a.c_str()));
  raw.push_back(nullptr);
  std::vector<std::string> settings = options.environment;
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::dup2(out_pipe[1], 1);
    ::dup2(err_pipe[1], 2);
    for (int fd : {out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]}) ::close(fd);
    if (!options.working_dir.empty() && ::chdir(options.working_dir.c_str()) != 0)
      ::_exit(127);
    set_limit(RLIMIT_AS, options.address_space_limit);
    set_limit(RLIMIT_FSIZE, options.file_size_limit);
    for (std::string& s : settings) ::putenv(s.data());
    ::execv(raw[0], raw.data());
    ::_exit(127);
  }
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);
  ProcessResult result;
  collect(out_pipe[0], err_pipe[0], result);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  return result;
}

std::string reported_program_path(const std::string& path) { return path; }

TempDir::TempDir() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "relabel-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace relabel::testing
