#include "fake_platform.h"

#include <memory>

#include "convert/run.h"
#include "runtime/lifecycle.h"
#include "test_support.h"

namespace relabel::testing {

void FakePlatform::fail(Op op, int nth, std::int32_t code) {
  failures_[{op, calls_[op] + nth}] = code;
}

int FakePlatform::calls(Op op) const {
  const auto it = calls_.find(op);
  return it == calls_.end() ? 0 : it->second;
}

std::vector<std::string> FakePlatform::open_names() const {
  std::vector<std::string> names;
  for (const auto& [handle, open] : open_) names.push_back(open.name);
  return names;
}

std::int32_t FakePlatform::injected(Op op) {
  const int n = ++calls_[op];
  const auto it = failures_.find({op, n});
  return it == failures_.end() ? 0 : it->second;
}

std::int32_t FakePlatform::open_file(const char* name, OpenFor how, FileHandle& handle) {
  const bool writing = how == OpenFor::writing;
  if (std::int32_t code = injected(writing ? Op::open_write : Op::open_read)) return code;
  for (const auto& [h, open] : open_)
    if (open.name == name && (writing || open.writing)) return 32;
  if (writing) {
    files[name].clear();
  } else if (files.find(name) == files.end()) {
    return 2;
  }
  handle = next_handle_++;
  open_[handle] = {name, writing, 0};
  return 0;
}

std::int32_t FakePlatform::std_output_handle(FileHandle& handle) {
  if (std::int32_t code = injected(Op::std_output_handle)) return code;
  handle = kFakeStdOutput;
  return 0;
}

HandleKind FakePlatform::handle_kind(FileHandle handle) {
  return handle == kFakeStdOutput ? console_kind : file_kind;
}

std::int32_t FakePlatform::read_file(FileHandle handle, char* buffer, std::uint32_t size,
                                     std::uint32_t& got) {
  got = 0;
  if (std::int32_t code = injected(Op::read)) return code;
  Open& open = open_.at(handle);
  const std::string& data = files[open.name];
  std::size_t n = data.size() - open.position;
  if (n > size) n = size;
  if (n > read_chunk) n = read_chunk;
  data.copy(buffer, n, open.position);
  open.position += n;
  got = static_cast<std::uint32_t>(n);
  return 0;
}

std::int32_t FakePlatform::write_file(FileHandle handle, const char* data,
                                      std::uint32_t size) {
  const std::int32_t code = injected(Op::write);
  write_log.push_back((handle == kFakeStdOutput ? "C" : "O") + std::string(data, size) +
                      (code != 0 ? " FAILED" : ""));
  if (code != 0) return code;
  if (handle == kFakeStdOutput) {
    console.append(data, size);
    console_writes.emplace_back(data, size);
    return 0;
  }
  files[open_.at(handle).name].append(data, size);
  return 0;
}

std::int32_t FakePlatform::close_file(FileHandle handle) {
  if (std::int32_t code = injected(Op::close)) return code;
  open_.erase(handle);
  return 0;
}

bool FakePlatform::same_file(const char* a, const char* b) {
  if (files.count(a) == 0 || files.count(b) == 0) return false;
  if (std::string(a) == b) return true;
  for (const auto& [x, y] : links)
    if ((x == a && y == b) || (x == b && y == a)) return true;
  return false;
}

void FakePlatform::raw_write_std_output(const char* data, std::size_t size) {
  console.append(data, size);
  write_log.push_back("R" + std::string(data, size));
}

namespace {
std::unique_ptr<RunState> current_state;
int exit_code;
}  // namespace

RunResult run_in_memory(FakePlatform& fake, std::vector<std::string> args) {
  fake.args = std::move(args);
  const PlatformScope scope(fake);
  start_runtime(fake);
  current_state = std::make_unique<RunState>();
  // The run ends inside the body, or inside the program's own handlers.
  exit_code = -1;
  try {
    run_guarded([] {
      try {
        run_conversion(*current_state);
      } catch (const ProcessExit& exit) {
        exit_code = exit.code;
      }
    });
  } catch (const ProcessExit& exit) {
    exit_code = exit.code;
  }
  current_state.reset();
  return {exit_code, fake.console};
}

}  // namespace relabel::testing
