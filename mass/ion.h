// The ion notation [nM ± X ± Y ...]z± and the ion a molecule forms.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "mass/molecule.h"

namespace zorvan::mass {

// The mass of the electron, u (CODATA 2018).
inline constexpr double ElectronMass = 0.000548579909065;

struct IonSpec {
  int Multiplier = 1;  // n of nM
  Molecule Added;      // the + terms, summed
  Molecule Removed;    // the - terms, summed
  int Charge = 0;      // signed; 0 for the neutral molecule "M"
  // The notation as a paper writes it: "[M + H - H2O]+", "M" for the neutral.
  std::string PaperNotation;
};

// Parses `text` ("[M+H]+", "[2M+Na]+", "[M+H-H2O]+", "[M+2H]2+", "[M]-",
// "M"). Returns an empty string, or what is wrong, in Japanese (UTF-8).
std::string ParseIon(std::string_view text, const IsotopeTable& table, IonSpec& ion);

// Parses several notations separated by "," or ";" ("[M+H]+, [M+Na]+"),
// each as ParseIon reads it, each at most once, into `ions`. Returns an empty
// string, or what is wrong, in Japanese (UTF-8).
std::string ParseIons(std::string_view text, const IsotopeTable& table, std::vector<IonSpec>& ions);

struct Ion {
  Molecule Formula;  // n M + added - removed
  double Mz = 0;     // (n M + added - removed - z me) / |z|; the mass when z = 0
  int Charge = 0;
};

// Forms the ion of `molecule`. Returns an empty string, or why it cannot be
// formed (a count of some element would be negative), in Japanese (UTF-8).
std::string FormIon(const Molecule& molecule, const IonSpec& ionSpec, Ion& ion);

// How far a measured m/z lies from the calculated one, as the field reports
// it: measured - calculated, in ppm of the calculated m/z and in mDa.
struct MassError {
  double Ppm = 0;
  double Mda = 0;
};
inline MassError ErrorOf(double calculated, double measured) {
  const double error = measured - calculated;
  return {error / calculated * 1e6, error * 1e3};
}

}  // namespace zorvan::mass
