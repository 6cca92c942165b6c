// Fuzz target: the name database loader and SearchNames on arbitrary queries and name.csv bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tests/fuzz/search_properties.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zorvan::fuzz::Require(zorvan::fuzz::NamesInput({reinterpret_cast<const char*>(data), size}));
  return 0;
}
