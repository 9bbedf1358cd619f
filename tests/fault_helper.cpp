// Starts the runtime on the native platform and then fails in the way the
// first argument names, so tests can check the report and the exit code.
#include <cstring>
#include <string>
#include <vector>

#include "runtime/failure.h"
#include "runtime/run_end.h"
#include "runtime/text_file.h"

namespace {

volatile int zero = 0;
volatile int* volatile wild = reinterpret_cast<volatile int*>(0x10);

volatile bool keep_going = true;

int recurse(int depth) {
  volatile char frame[256];
  frame[0] = static_cast<char>(depth);
  if (!keep_going) return frame[0];
  return recurse(depth + 1) + frame[0];
}

const char* mode = "";

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
  } else if (m == "stack") {
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
  } else if (m == "exit") {
    text_write(std_output, std::string_view("bye"));
    end_run(2);
  }
}

}  // namespace

int main(int argc, char** argv) {
  relabel::start_runtime(relabel::native_platform(argc, argv));
  if (argc > 1) mode = argv[1];
  relabel::run_guarded(fail);
  relabel::end_run(0);
}
