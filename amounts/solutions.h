// The calculators beside the reagent table: a solution of a formula from
// any two of mass, volume and molarity; a dilution (C1 V1 = C2 V2); and a
// mass-percent solution (w/w, w/v) with its molarity. Base units: g, L,
// mol/L, g/mL.
#pragma once

#include <optional>
#include <string>

namespace zorvan::amounts {

struct Solution {
  std::optional<double> Mass, Volume, Molarity;
  std::string Note;  // Japanese: why the third cannot be given
};

// Gives the one of mass, volume and molarity that is missing from the two
// given, for a substance of `weight` g/mol (needed unless volume and
// molarity are the two). Exactly two must be given.
Solution SolveSolution(std::optional<double> weight, Solution given);

struct Dilution {
  std::optional<double> Stock, Solvent;  // L
  std::string Note;
};

// The volume of stock at `from` and of solvent that give `volume` at `to`
// (the concentrations in the same unit): C1 V1 = C2 V2.
Dilution Dilute(double from, double to, double volume);

enum class PercentKind { WeightWeight, WeightVolume };

struct PercentSolution {
  std::optional<double> Solute, Solvent, Molarity;  // g, g, mol/L
  std::string Note;
};

// A solution of `percent` % (w/w: g per 100 g of solution; w/v: g per
// 100 mL) of a substance of `weight` g/mol, with the solution's `density`
// (g/mL), of `volume` (L) or, for w/w, of `solutionMass` (g): the solute
// and solvent to weigh and the molarity, each as far as the data allow.
PercentSolution SolvePercent(PercentKind kind, double percent, std::optional<double> weight,
                             std::optional<double> density, std::optional<double> volume,
                             std::optional<double> solutionMass);

}  // namespace zorvan::amounts
