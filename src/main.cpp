#include "convert/run.h"
#include "runtime/lifecycle.h"

int main(int argc, char** argv) {
  relabel::start_runtime(relabel::native_platform(argc, argv));
  relabel::run_guarded([] {
    static relabel::RunState state;
    relabel::run_conversion(state);
  });
  return 0;
}
