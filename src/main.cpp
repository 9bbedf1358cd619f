#include "convert/run.h"
#include "runtime/lifecycle.h"

// The version as text in the program, where `strings` and `what` find it
// ("@(#)" is the mark `what` looks for). Nothing reads it at run time; the
// attribute keeps it in the program all the same.
[[gnu::used]] static constexpr char kVersion[] = "@(#)relabel " RELABEL_VERSION;

int main(int argc, char** argv) {
  relabel::start_runtime(relabel::native_platform(argc, argv));
  relabel::run_guarded([] {
    static relabel::RunState state;
    relabel::run_conversion(state);
  });
  return 0;
}
