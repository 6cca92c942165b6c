// What the finder's files share and the tests check directly.
#pragma once

#include <optional>
#include <string>

#include "core/reference_tables.h"
#include "mass/molecule.h"

namespace zorvan::mass {

// Returns the atom.csv number of `element`, or 0 when the table lacks it.
int AtomNumberOf(const IsotopeElement& element, const ElementTable& atoms);

// Returns the valence the plausibility rules and the DBE count `element`
// with, or none for an element they do not cover.
std::optional<int> Valence(const IsotopeElement& element);

// Returns whether `molecule` passes the plausibility rules (see
// PlausibilityRulesHelp).
bool Plausible(const Molecule& molecule);

}  // namespace zorvan::mass
