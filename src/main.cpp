#include "convert/run.h"
#include "runtime/run_end.h"

int main(int argc, char** argv) {
  relabel::run_program(relabel::native_platform(argc, argv), [] {
    static relabel::RunState state;
    relabel::run_conversion(state);
  });
  return 0;
}
