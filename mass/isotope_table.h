// The natural isotopic compositions of the elements.
//
// The isotope table and fine structure come from IsoSpec (Łącki, Startek et
// al., "IsoSpec: hyperfast fine structure calculator"; element data:
// IUPAC/CIAAW isotopic compositions as that library ships them); nothing
// here is typed by hand. isotope_table.cpp is the only file that includes an
// IsoSpec header for the table.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zorvan::mass {

struct Isotope {
  int MassNumber = 0;
  double Mass = 0;       // u
  double Abundance = 0;  // fraction of 1
};

struct IsotopeElement {
  std::string Symbol;  // "C", "Cl"
  int AtomicNumber = 0;
  std::vector<Isotope> Isotopes;  // mass number ascending; only those with a natural abundance
  int MostAbundant = 0;           // index into Isotopes
  // The symbol's two bytes as one number ("C" 0x4300, "Cl" 0x436C): it
  // sorts as the symbols do, and formulas are ordered and written by it.
  uint16_t Key = 0;
  int Rank = 0;  // place in the alphabetical order of the table's symbols
  double MonoisotopicMass() const { return Isotopes[MostAbundant].Mass; }
  int NominalMass() const { return Isotopes[MostAbundant].MassNumber; }
};

class IsotopeTable {
 public:
  // The elements with a natural isotopic composition, as IsoSpec ships them.
  static IsotopeTable FromIsoSpec();
  // The most elements a table holds.
  static constexpr int MaxElements = 128;

  // A table of the given elements (at most MaxElements; the rest are
  // dropped): the tests feed toy elements through this.
  explicit IsotopeTable(std::vector<IsotopeElement> elements);

  // Returns the element with that symbol, or null when it has no natural
  // isotopic composition (Tc, Pm, ... , or a symbol nobody knows).
  const IsotopeElement* Find(std::string_view symbol) const;
  std::span<const IsotopeElement> Elements() const { return elements_; }

 private:
  std::vector<IsotopeElement> elements_;
};

}  // namespace zorvan::mass
