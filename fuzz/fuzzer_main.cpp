// One libFuzzer program per target; VCD_FUZZ_TARGET names the body in fuzz/targets.h.
#include "fuzz/targets.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vcd::fuzz::initialise();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return vcd::fuzz::VCD_FUZZ_TARGET(data, size); }
