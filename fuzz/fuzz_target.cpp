// libFuzzer entry of the target named by QA_FUZZ_TARGET at build time.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  f_fuzz_one(FuzzTarget::QA_FUZZ_TARGET, {reinterpret_cast<const char*>(data), size});
  return 0;
}
