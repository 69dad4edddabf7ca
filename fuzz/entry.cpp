// libFuzzer's entry point for one target; the target's body is chosen by
// name when this file is compiled (BRELIX_FUZZ_TARGET).
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_bodies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fuzz::Body body = fuzz::BodyNamed(BRELIX_FUZZ_TARGET);
  body(data, size);
  return 0;
}
