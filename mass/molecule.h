// A formula with whole counts, over the isotope table: the molecule the mass
// code works on, its masses, Hill formula and degree of unsaturation.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/formula_parser.h"  // AtomCounts
#include "core/reference_tables.h"
#include "mass/isotope_table.h"

namespace zorvan::mass {

struct ElementCount {
  const IsotopeElement* Element = nullptr;
  int64_t Count = 0;  // positive
};

// Each element at most once, none with a zero count, in no particular order.
using Molecule = std::vector<ElementCount>;

// The element numbers of one atom.csv matched once to the isotope table, so
// that turning a calculation's counts into a molecule costs a table look-up
// per element.
class AtomMap {
 public:
  AtomMap(const ElementTable& elements, const IsotopeTable& isotopes);

  // Fills `molecule` from the counts of a successful calculation. Returns an
  // empty string, or why no molecule can be formed, in Japanese (UTF-8): an
  // element without a natural isotopic composition (named), a count that is
  // not a whole number.
  std::string ToMolecule(const AtomCounts& counts, Molecule& molecule) const;
  // The same, reading only the counts of the elements `named`
  // (FormulaEngine::Named()), all others being 0.
  std::string ToMolecule(const AtomCounts& counts, const ElementSet& named, Molecule& molecule) const;

 private:
  // Returns why the positive count of element number `n` cannot be added.
  std::string Refusal(int n, float count) const;

  const ElementTable& elements_;
  std::vector<const IsotopeElement*> byNumber_;  // index: element number
};

// Sum of the most abundant isotope's mass over all atoms.
double MonoisotopicMass(const Molecule& molecule);
// Sum of the most abundant isotope's mass number over all atoms.
int64_t NominalMass(const Molecule& molecule);
// C, then H, then the rest alphabetically; without C all alphabetically;
// counts of 1 not written. "" for an empty molecule.
std::string HillFormula(const Molecule& molecule);
// The bytes PutHillFormula may write for `molecule`.
size_t HillFormulaRoom(const Molecule& molecule);
// Writes the Hill formula at `out`, which has room for HillFormulaRoom
// bytes, without allocating; returns the end.
char* PutHillFormula(char* out, const Molecule& molecule);
// Fills `order` (room for molecule.size()) with the places of the elements
// of `molecule` in Hill order; returns how many.
size_t HillOrder(const Molecule& molecule, uint16_t* order);
// Writes `molecule` in the order `order`, found for it or for a molecule of
// the same elements in the same places (an ion that only changed counts).
char* PutFormula(char* out, const Molecule& molecule, const uint16_t* order);
// 1 + sum n (v - 2) / 2 with the valences C, Si 4; N, P 3; H, F, Cl, Br, I,
// Li, Na, K 1; O, S 2. None when the molecule holds any other element.
std::optional<double> Dbe(const Molecule& molecule);

}  // namespace zorvan::mass
