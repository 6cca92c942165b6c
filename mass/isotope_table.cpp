// The one adapter over IsoSpec's element tables: IsoSpec 2.2 (Łącki,
// Startek et al., "IsoSpec: hyperfast fine structure calculator"), whose
// elem_table_* arrays give each isotope's mass and its natural abundance
// (IUPAC/CIAAW), as the Debian package libisospec++ ships them.
#include "mass/isotope_table.h"

#include <platform.h>  // must precede element_tables.h: it defines ISOSPEC_C_API

#include <element_tables.h>

#include <algorithm>
#include <cstring>

namespace zorvan::mass {

namespace {

// Above this atomic number no element has a natural isotopic composition
// (Np and beyond); below it, the gaps (Tc, Pm, Po ... Ac) are simply absent
// from IsoSpec's table.
constexpr int LastNaturalElement = 92;

}  // namespace

IsotopeTable IsotopeTable::FromIsoSpec() {
  std::vector<IsotopeElement> elements;
  for (size_t i = 0; i < IsoSpec::isospec_number_of_isotopic_entries; ++i) {
    const int number = IsoSpec::elem_table_atomicNo[i];
    // Number 0 holds the electron pseudo-elements, and a second block under
    // number 1 ("Pn") the proton: neither is an element of a formula.
    if (number < 1 || number > LastNaturalElement || IsoSpec::elem_table_probability[i] <= 0) continue;
    const char* symbol = IsoSpec::elem_table_symbol[i];
    if (elements.empty() || elements.back().Symbol != symbol) {
      const bool seen = std::any_of(elements.begin(), elements.end(),
                                    [&](const IsotopeElement& e) { return e.AtomicNumber == number; });
      if (seen) {
        // Skip the rest of a repeated block.
        while (i + 1 < IsoSpec::isospec_number_of_isotopic_entries &&
               std::strcmp(IsoSpec::elem_table_symbol[i + 1], symbol) == 0)
          ++i;
        continue;
      }
      elements.push_back({symbol, number, {}, 0});
    }
    elements.back().Isotopes.push_back({static_cast<int>(IsoSpec::elem_table_massNo[i]), IsoSpec::elem_table_mass[i],
                                        IsoSpec::elem_table_probability[i]});
  }
  return IsotopeTable(std::move(elements));
}

IsotopeTable::IsotopeTable(std::vector<IsotopeElement> elements) : elements_(std::move(elements)) {
  if (elements_.size() > MaxElements) elements_.resize(MaxElements);
  std::vector<IsotopeElement*> alphabetical;
  for (IsotopeElement& e : elements_) alphabetical.push_back(&e);
  std::sort(alphabetical.begin(), alphabetical.end(),
            [](const IsotopeElement* a, const IsotopeElement* b) { return a->Symbol < b->Symbol; });
  for (size_t k = 0; k < alphabetical.size(); ++k) alphabetical[k]->Rank = static_cast<int>(k);
  for (IsotopeElement& e : elements_) {
    const auto byte = [&](size_t k) { return k < e.Symbol.size() ? static_cast<unsigned char>(e.Symbol[k]) : 0u; };
    e.Key = static_cast<uint16_t>(byte(0) << 8 | byte(1));
    std::sort(e.Isotopes.begin(), e.Isotopes.end(),
              [](const Isotope& a, const Isotope& b) { return a.MassNumber < b.MassNumber; });
    e.MostAbundant = 0;
    for (size_t k = 1; k < e.Isotopes.size(); ++k)
      if (e.Isotopes[k].Abundance > e.Isotopes[e.MostAbundant].Abundance) e.MostAbundant = static_cast<int>(k);
  }
}

const IsotopeElement* IsotopeTable::Find(std::string_view symbol) const {
  for (const IsotopeElement& e : elements_)
    if (e.Symbol == symbol) return &e;
  return nullptr;
}

}  // namespace zorvan::mass
