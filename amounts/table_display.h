// What a window shows in each cell of a solved reagent table: given cells
// as given, derived ones rounded to the chosen significant figures in the
// unit that suits them.
#pragma once

#include <string>

#include "amounts/reagent_table.h"

namespace zorvan::amounts {

struct ShownCell {
  std::string Text;
  bool Given = false;  // the user's own text, not a derived value
};

// The cell of `column` of `row` (given as `cells`): a given cell's text;
// else the derived equivalents, amount, mass or volume; the role by its
// Japanese name.
ShownCell ShowCell(const Row& cells, const SolvedRow& row, Column column, int figures);
// The molecular weight as the main window shows it ("106.124").
std::string ShowWeight(const SolvedRow& row);
// A product's theoretical yield ("985 mg") and yield with one decimal ("81.2%").
std::string ShowTheoretical(const SolvedRow& row, int figures);
std::string ShowYield(const SolvedRow& row);

}  // namespace zorvan::amounts
