// Replays stored fuzz inputs through their target: fuzz-replay TARGET FOLDER...
// Exits 0 when every input held the target's properties (a broken one aborts).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/fuzz/fuzz_targets.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  int inputs = 0;
  for (int i = 2; i < argc; ++i) {
    if (!std::filesystem::is_directory(argv[i])) continue;
    for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (!zorvan::fuzz::RunTarget(argv[1], bytes)) return 2;
      ++inputs;
    }
  }
  std::printf("%d inputs replayed\n", inputs);
  return inputs > 0 ? 0 : 1;
}
