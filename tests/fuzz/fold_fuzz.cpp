// Fuzz target: ToHalfWidth on arbitrary UTF-16 text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tests/fuzz/search_properties.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zorvan::fuzz::Require(zorvan::fuzz::FoldInput({reinterpret_cast<const char*>(data), size}));
  return 0;
}
