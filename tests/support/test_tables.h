// Reference tables for tests, built in memory so that the tests do not depend
// on the example data files.
#pragma once

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/reference_tables.h"

namespace zorvan::testing {

inline constexpr const char* ElementSymbols[ElementCount] = {
    "H",  "He", "Li", "Be", "B",  "C",  "N",  "O",  "F",  "Ne", "Na", "Mg", "Al", "Si", "P",
    "S",  "Cl", "Ar", "K",  "Ca", "Sc", "Ti", "V",  "Cr", "Mn", "Fe", "Co", "Ni", "Cu", "Zn",
    "Ga", "Ge", "As", "Se", "Br", "Kr", "Rb", "Sr", "Y",  "Zr", "Nb", "Mo", "Tc", "Ru", "Rh",
    "Pd", "Ag", "Cd", "In", "Sn", "Sb", "Te", "I",  "Xe", "Cs", "Ba", "La", "Ce", "Pr", "Nd",
    "Pm", "Sm", "Eu", "Gd", "Tb", "Dy", "Ho", "Er", "Tm", "Yb", "Lu", "Hf", "Ta", "W",  "Re",
    "Os", "Ir", "Pt", "Au", "Hg", "Tl", "Pb", "Bi", "Po", "At", "Rn", "Fr", "Ra", "Ac", "Th",
    "Pa", "U",  "Np", "Pu", "Am", "Cm", "Bk", "Cf", "Es", "Fm", "Md", "No", "Lr"};

// Returns the text of an atom.csv with the usual 103 symbols; H, C, N, O, S,
// Cl, Ca and Cu carry their standard weights, the others twice their number.
inline std::string AtomCsv() {
  std::ostringstream csv;
  for (int n = 1; n <= ElementCount; ++n) {
    std::string s = ElementSymbols[n - 1];
    std::string w = s == "H"    ? "1.00794"
                    : s == "C"  ? "12.011"
                    : s == "N"  ? "14.00674"
                    : s == "O"  ? "15.9994"
                    : s == "S"  ? "32.066"
                    : s == "Cl" ? "35.4527"
                    : s == "Ca" ? "40.078"
                    : s == "Cu" ? "63.546"
                                : std::to_string(2 * n);
    csv << n << "," << s << "," << w << "\r\n";
  }
  return csv.str();
}

// Returns tables from in-memory atom.csv and group.csv texts (ASCII).
inline ReferenceTables MakeTables(const std::string& atomCsv, const std::string& groupCsv) {
  RecordReader atoms("atom.csv", DecodeCp932(atomCsv));
  RecordReader groups("group.csv", DecodeCp932(groupCsv));
  return LoadTables(atoms, groups);
}

inline ReferenceTables StandardTables(const std::string& groupCsv = "Ph,C6H5\r\nMe,CH3\r\n") {
  return MakeTables(AtomCsv(), groupCsv);
}

}  // namespace zorvan::testing
