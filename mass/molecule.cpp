#include "mass/molecule.h"

#include <algorithm>
#include <charconv>  // std::to_chars
#include <cmath>
#include <cstring>

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

// True when `a` goes before `b` in the Hill order of a formula that holds
// carbon when `carbon` is set.
bool HillBefore(const IsotopeElement* a, const IsotopeElement* b, bool carbon) {
  if (carbon) {
    const auto rank = [](const IsotopeElement* e) { return e->Symbol == "C" ? 0 : e->Symbol == "H" ? 1 : 2; };
    if (rank(a) != rank(b)) return rank(a) < rank(b);
  }
  return a->Symbol < b->Symbol;
}

// The valence the degree of unsaturation counts with, or 0 for an element
// it does not cover.
int DbeValence(const std::string& symbol) {
  static constexpr struct {
    const char* Symbol;
    int Valence;
  } valences[] = {{"C", 4}, {"Si", 4}, {"N", 3},  {"P", 3},  {"H", 1}, {"F", 1}, {"Cl", 1},
                  {"Br", 1}, {"I", 1}, {"Li", 1}, {"Na", 1}, {"K", 1}, {"O", 2}, {"S", 2}};
  for (const auto& v : valences)
    if (symbol == v.Symbol) return v.Valence;
  return 0;
}

}  // namespace

AtomMap::AtomMap(const ElementTable& elements, const IsotopeTable& isotopes)
    : elements_(elements), byNumber_(elements.size(), nullptr) {
  for (size_t n = 1; n < elements.size(); ++n) byNumber_[n] = isotopes.Find(TrimmedSymbol(elements[n].AtomSymbol));
}

std::string AtomMap::ToMolecule(const AtomCounts& counts, Molecule& molecule) const {
  molecule.clear();
  for (size_t n = 1; n < counts.size(); ++n) {
    const float count = counts[n];
    if (!(count > 0)) continue;
    if (byNumber_[n] == nullptr)
      return TrimmedSymbol(elements_[n].AtomSymbol) + " には天然の同位体組成がない(同位体の表にない)ため、精密質量を計算できません";
    if (count != std::floor(count)) {
      char number[32];
      *std::to_chars(number, number + sizeof number - 1, count).ptr = '\0';
      return TrimmedSymbol(elements_[n].AtomSymbol) + " の数 " + number + " が整数でないため、精密質量を計算できません";
    }
    if (count > MaxCount) return TrimmedSymbol(elements_[n].AtomSymbol) + " の数が大きすぎて、精密質量を計算できません";
    molecule.push_back({byNumber_[n], static_cast<int64_t>(count)});
  }
  return {};
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

size_t HillFormulaRoom(const Molecule& molecule) { return molecule.size() * (3 + 20); }

char* PutHillFormula(char* out, const Molecule& molecule) {
  // Formulas hold a handful of elements: an insertion sort of pointers on
  // the stack, without an allocation, unless there are very many.
  constexpr size_t StackElements = 128;
  const ElementCount* stack[StackElements];
  std::vector<const ElementCount*> heap;
  const ElementCount** order = stack;
  if (molecule.size() > StackElements) {
    heap.resize(molecule.size());
    order = heap.data();
  }
  bool carbon = false;
  for (const ElementCount& e : molecule) carbon |= e.Element->Symbol == "C";
  size_t size = 0;
  for (const ElementCount& e : molecule) {
    size_t k = size++;
    for (; k > 0 && HillBefore(e.Element, order[k - 1]->Element, carbon); --k) order[k] = order[k - 1];
    order[k] = &e;
  }
  for (size_t k = 0; k < size; ++k) {
    const std::string& symbol = order[k]->Element->Symbol;
    out = std::copy(symbol.begin(), symbol.end(), out);
    if (order[k]->Count != 1) out = std::to_chars(out, out + 20, order[k]->Count).ptr;
  }
  return out;
}

std::string HillFormula(const Molecule& molecule) {
  std::string text(HillFormulaRoom(molecule), '\0');
  text.resize(static_cast<size_t>(PutHillFormula(text.data(), molecule) - text.data()));
  return text;
}

std::optional<double> Dbe(const Molecule& molecule) {
  double sum = 0;
  for (const ElementCount& e : molecule) {
    const int valence = DbeValence(e.Element->Symbol);
    if (valence == 0) return std::nullopt;
    sum += static_cast<double>(e.Count) * (valence - 2);
  }
  return 1 + sum / 2;
}

}  // namespace zorvan::mass
