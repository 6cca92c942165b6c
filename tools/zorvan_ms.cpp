// zorvan-ms: exact masses, ions, isotope patterns and the lines of an
// experimental section, from the command line. Each command lives in its
// own file and is listed here once: a new one is tools/ms_NAME.cpp with its
// RunNAME declared in ms_common.h, a row of Commands and its file in
// tools/CMakeLists.txt.
#include <cstdio>
#include <string>
#include <string_view>

#include "tools/ms_common.h"

namespace {

struct Command {
  std::string_view Name;
  int (*Run)(std::span<char* const> args);
};

constexpr Command Commands[] = {
    {"mass", zorvan::ms::RunMass},
    {"pattern", zorvan::ms::RunPattern},
    {"paper", zorvan::ms::RunPaper},
    {"find", zorvan::ms::RunFind},
};

constexpr const char* Usage =
    "Usage: zorvan-ms COMMAND [OPTION]... [FORMULA]...\n"
    "\n"
    "Commands:\n"
    "  mass     monoisotopic and nominal mass, Hill formula, DBE and ion m/z\n"
    "  pattern  isotope pattern: fine structure, centroids at a resolving power,\n"
    "           or unit masses\n"
    "  paper    the HRMS and elemental-analysis lines of an experimental section\n"
    "  find     the formulas that fit a measured m/z or an elemental analysis\n"
    "\n"
    "zorvan-ms COMMAND --help tells the options of a command. Isotope masses and\n"
    "abundances come from IsoSpec (Lacki, Startek et al.); molecular weights and\n"
    "weight percents from atom.csv.\n";

}  // namespace

int main(int argc, char** argv) {
  const std::string_view name = argc > 1 ? argv[1] : "";
  if (name == "--help" || name == "-h") {
    std::fputs(Usage, stdout);
    return 0;
  }
  for (const Command& command : Commands)
    if (command.Name == name) return command.Run(std::span<char* const>(argv + 2, static_cast<size_t>(argc - 2)));
  const std::string problem = name.empty() ? "コマンドがありません" : "知らないコマンドです: " + std::string(name);
  std::fprintf(stderr, "zorvan-ms: %s\n使い方は 'zorvan-ms --help' で表示します。\n", problem.c_str());
  return 2;
}
