// The lines of an experimental section, one per row of a solved reagent
// table: "4-bromoanisole (1.00 g, 5.35 mmol, 1.0 equiv)",
// "n-BuLi (1.6 M, 3.44 mL, 5.50 mmol, 1.1 equiv)", "4-methoxybiphenyl
// (0.800 g, 81%)", in English or Japanese, as plain text and as HTML.
#pragma once

#include <string>
#include <string_view>

#include "amounts/reagent_table.h"

namespace zorvan::amounts {

enum class Language { English, Japanese };

struct ExperimentalLines {
  std::string Plain;  // the lines, each ended by `lineEnd`
  std::string Html;   // the lines escaped, joined by <br>, locants such as n- and tert- in italics
};

// The line of each row that has a name or a formula (the formula stands in
// for a missing name): amounts with `figures` significant figures, a given
// amount in the unit it was given in, equivalents with one decimal (two
// significant figures below 0.1), yields in whole percent. A solvent shows
// its volume; a product its actual amount and yield, or else its
// theoretical yield.
ExperimentalLines WriteLines(const Table& table, const SolvedTable& solved, Language language, int figures,
                             std::string_view lineEnd);

}  // namespace zorvan::amounts
