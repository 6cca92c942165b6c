#include "mass/molecule.h"

#include <array>
#include <bit>       // std::countr_zero
#include <charconv>  // std::to_chars
#include <cmath>
#include <utility>  // std::pair

#include "core/number_forms.h"  // PutWholeNumber

namespace zorvan::mass {

namespace {

// A count beyond this is refused: int64 sums of it, times an ion's
// multiplier, stay exact, and no real molecule comes near.
constexpr double MaxCount = 1e12;

std::string TrimmedSymbol(const Text& symbol) {
  std::string out = ToUtf8(symbol);
  while (!out.empty() && out.back() == ' ') out.pop_back();
  while (!out.empty() && out.front() == ' ') out.erase(0, 1);
  return out;
}

// The key of a symbol of one or two letters.
constexpr uint16_t Key(const char* symbol) {
  return static_cast<uint16_t>(static_cast<unsigned char>(symbol[0]) << 8 |
                               (symbol[1] == 0 ? 0 : static_cast<unsigned char>(symbol[1])));
}

// The valence the degree of unsaturation counts with, by the letters of a
// symbol ([first - 'A'][second - 'a'], a symbol of one letter in column 26);
// 0 for an element it does not cover. A look-up rather than a switch: the
// switch's comparisons would go a different way for each element.
using ValenceTable = std::array<std::array<int8_t, 27>, 26>;
constexpr ValenceTable DbeValences = [] {
  ValenceTable table{};
  const std::pair<const char*, int8_t> valences[] = {{"C", 4}, {"Si", 4}, {"N", 3},  {"P", 3},  {"O", 2},
                                                     {"S", 2}, {"H", 1},  {"F", 1},  {"Cl", 1}, {"Br", 1},
                                                     {"I", 1}, {"Li", 1}, {"Na", 1}, {"K", 1}};
  for (const auto& [symbol, valence] : valences)
    table[symbol[0] - 'A'][symbol[1] == 0 ? 26 : symbol[1] - 'a'] = valence;
  return table;
}();

int DbeValence(const IsotopeElement* e) {
  const unsigned first = (e->Key >> 8) - 'A', second = e->Key & 0xFF;
  if (first >= 26) return 0;
  if (second == 0) return DbeValences[first][26];
  return second - 'a' < 26 ? DbeValences[first][second - 'a'] : 0;
}

}  // namespace

AtomMap::AtomMap(const ElementTable& elements, const IsotopeTable& isotopes)
    : elements_(elements), byNumber_(elements.size(), nullptr) {
  for (size_t n = 1; n < elements.size(); ++n) byNumber_[n] = isotopes.Find(TrimmedSymbol(elements[n].AtomSymbol));
}

std::string AtomMap::ToMolecule(const AtomCounts& counts, Molecule& molecule) const {
  ElementSet named;
  for (size_t n = 1; n < counts.size(); ++n)
    if (counts[n] != 0) named.Add(static_cast<int>(n));
  return ToMolecule(counts, named, molecule);
}

std::string AtomMap::ToMolecule(const AtomCounts& counts, const ElementSet& named, Molecule& molecule) const {
  molecule.clear();
  std::string note;
  named.ForEach([&](int n) {
    const float count = counts[n];
    if (!(count > 0) || !note.empty()) return;
    const IsotopeElement* element = byNumber_[n];
    // A known element with a whole count below the limit, as nearly every
    // count is, passes one test; the limit also keeps the conversion defined.
    if (element != nullptr && count <= MaxCount && count == static_cast<float>(static_cast<int64_t>(count))) {
      // Stored field by field: a pushed pair is built on the stack in two
      // halves and read back whole, which stalls the store forwarding.
      ElementCount& e = molecule.emplace_back();
      e.Element = element;
      e.Count = static_cast<int64_t>(count);
    } else {
      note = Refusal(n, count);
    }
  });
  return note;
}

std::string AtomMap::Refusal(int n, float count) const {
  const std::string symbol = TrimmedSymbol(elements_[n].AtomSymbol);
  if (byNumber_[n] == nullptr)
    return symbol + " には天然の同位体組成がない(同位体の表にない)ため、精密質量を計算できません";
  if (count != std::floor(count)) {
    char number[32];
    *std::to_chars(number, number + sizeof number - 1, count).ptr = '\0';
    return symbol + " の数 " + number + " が整数でないため、精密質量を計算できません";
  }
  return symbol + " の数が大きすぎて、精密質量を計算できません";
}

double MonoisotopicMass(const Molecule& molecule) {
  double mass = 0;
  for (const ElementCount& e : molecule) mass += static_cast<double>(e.Count) * e.Element->MonoisotopicMass();
  return mass;
}

int64_t NominalMass(const Molecule& molecule) {
  int64_t mass = 0;
  for (const ElementCount& e : molecule) mass += e.Count * e.Element->NominalMass();
  return mass;
}

size_t HillFormulaRoom(const Molecule& molecule) { return molecule.size() * (2 + 20); }

size_t HillOrder(const Molecule& molecule, uint16_t* order) {
  // Each element marks the bit of its alphabetical rank, and the bits are
  // read in order: a sort without comparisons, for every formula written.
  // The two words are locals by name, so that they stay in registers.
  static_assert(IsotopeTable::MaxElements == 128);
  uint64_t low = 0, high = 0;
  uint16_t slot[IsotopeTable::MaxElements];
  int carbon = -1, hydrogen = -1;
  for (size_t k = 0; k < molecule.size(); ++k) {
    const IsotopeElement* e = molecule[k].Element;
    const uint64_t bit = uint64_t{1} << (e->Rank % 64);
    low |= e->Rank < 64 ? bit : 0;
    high |= e->Rank < 64 ? 0 : bit;
    slot[e->Rank] = static_cast<uint16_t>(k);
    if (e->Key == Key("C")) carbon = static_cast<int>(k);
    if (e->Key == Key("H")) hydrogen = static_cast<int>(k);
  }
  size_t size = 0;
  // With carbon, C and H come first and leave the alphabetical walk.
  if (carbon >= 0) {
    for (const int k : {carbon, hydrogen}) {
      if (k < 0) continue;
      order[size++] = static_cast<uint16_t>(k);
      const int rank = molecule[static_cast<size_t>(k)].Element->Rank;
      (rank < 64 ? low : high) &= ~(uint64_t{1} << (rank % 64));
    }
  }
  for (uint64_t b = low; b != 0; b &= b - 1) order[size++] = slot[std::countr_zero(b)];
  for (uint64_t b = high; b != 0; b &= b - 1) order[size++] = slot[64 + std::countr_zero(b)];
  return size;
}

char* PutFormula(char* out, const Molecule& molecule, const uint16_t* order) {
  // Everything is read into locals before a byte is written: a write
  // through char* may alias anything, and the compiler would read the
  // vector, the element and its count again after each byte.
  const ElementCount* const elements = molecule.data();
  const size_t size = molecule.size();
  for (size_t k = 0; k < size; ++k) {
    const uint16_t key = elements[order[k]].Element->Key;
    const int64_t count = elements[order[k]].Count;
    out[0] = static_cast<char>(key >> 8);
    out[1] = static_cast<char>(key & 0xFF);
    out += (key & 0xFF) == 0 ? 1 : 2;
    // A count of 1 is written and stepped back over: whether a count is 1
    // follows no pattern that a branch would predict.
    out = PutWholeNumber(out, count) - (count == 1);
  }
  return out;
}

char* PutHillFormula(char* out, const Molecule& molecule) {
  uint16_t order[IsotopeTable::MaxElements];
  HillOrder(molecule, order);
  return PutFormula(out, molecule, order);
}

std::string HillFormula(const Molecule& molecule) {
  std::string text(HillFormulaRoom(molecule), '\0');
  text.resize(static_cast<size_t>(PutHillFormula(text.data(), molecule) - text.data()));
  return text;
}

std::optional<double> Dbe(const Molecule& molecule) {
  double sum = 0;
  for (const ElementCount& e : molecule) {
    const int valence = DbeValence(e.Element);
    if (valence == 0) return std::nullopt;
    sum += static_cast<double>(e.Count) * (valence - 2);
  }
  return 1 + sum / 2;
}

}  // namespace zorvan::mass
