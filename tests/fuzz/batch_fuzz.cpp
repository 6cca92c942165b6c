// Fuzz target: the batch paste (SplitPasteLines and the report) on arbitrary clipboard text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tests/fuzz/core_properties.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zorvan::fuzz::Require(zorvan::fuzz::BatchInput({reinterpret_cast<const char*>(data), size}));
  return 0;
}
