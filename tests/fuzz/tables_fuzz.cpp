// Fuzz target: the record reader and LoadTables on arbitrary atom.csv and group.csv bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tests/fuzz/core_properties.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zorvan::fuzz::Require(zorvan::fuzz::TablesInput({reinterpret_cast<const char*>(data), size}));
  return 0;
}
