#include "mass/ion.h"

#include <algorithm>
#include <cstdlib>

namespace zorvan::mass {

namespace {

// Limits that keep every count and mass finite and every notation short;
// no real ion comes near them.
constexpr int MaxMultiplier = 1000;
constexpr int MaxCharge = 1000;

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Adds `count` atoms of `element` to `molecule` (a negative count takes them
// away; an element left at zero is dropped). Returns false when the count
// would fall below zero.
bool AddAtoms(Molecule& molecule, const IsotopeElement* element, int64_t count) {
  for (size_t k = 0; k < molecule.size(); ++k) {
    if (molecule[k].Element != element) continue;
    molecule[k].Count += count;
    if (molecule[k].Count < 0) return false;
    if (molecule[k].Count == 0) molecule.erase(molecule.begin() + static_cast<std::ptrdiff_t>(k));
    return true;
  }
  if (count < 0) return false;
  if (count > 0) molecule.push_back({element, count});
  return true;
}

// The count of `element` in `molecule`, 0 when it holds none.
int64_t CountOf(const Molecule& molecule, const IsotopeElement* element) {
  for (const ElementCount& e : molecule)
    if (e.Element == element) return e.Count;
  return 0;
}

// Reads the text of one ion notation, with spaces already removed.
class IonReader {
 public:
  IonReader(std::string_view text, const IsotopeTable& table) : text_(text), table_(table) {}

  std::string Read(IonSpec& ion) {
    if (!Take('[')) return "イオンは [M+H]+ のように [ ] で囲んで書きます(中性分子は M)";
    if (!ReadNumber(ion.Multiplier, MaxMultiplier)) return "M の前の数は 1 から 1000 までの整数で書きます";
    if (!Take('M')) return "[ の後には M (または 2M などの nM) を書きます";
    ion.PaperNotation = "[" + (ion.Multiplier > 1 ? std::to_string(ion.Multiplier) : "") + "M";
    while (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) {
      const bool add = text_[pos_++] == '+';
      const size_t start = pos_;
      if (std::string error = ReadTerm(add ? ion.Added : ion.Removed); !error.empty()) return error;
      ion.PaperNotation += std::string(add ? " + " : " - ") + std::string(text_.substr(start, pos_ - start));
    }
    if (!Take(']'))
      return pos_ < text_.size() ? "「" + CharacterAt(pos_) + "」は読めません: ] の前には + か - で式を続けます"
                                 : "] がありません";
    int charge = 1;
    const bool digits = pos_ < text_.size() && IsDigit(text_[pos_]);
    if (!ReadNumber(charge, MaxCharge)) return "電荷の数は 1 から 1000 までの整数で書きます";
    if (pos_ == text_.size() || (text_[pos_] != '+' && text_[pos_] != '-'))
      return "] の後に電荷 (+、-、2+ など) を書きます";
    const char sign = text_[pos_++];
    if (pos_ != text_.size()) return "電荷の後に余分な文字があります";
    ion.Charge = sign == '+' ? charge : -charge;
    ion.PaperNotation += "]" + (digits ? std::to_string(charge) : "") + sign;
    return {};
  }

 private:
  // The whole UTF-8 character that starts at `pos`.
  std::string CharacterAt(size_t pos) const {
    const auto lead = static_cast<unsigned char>(text_[pos]);
    const size_t size = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    return std::string(text_.substr(pos, size));
  }

  bool Take(char c) {
    if (pos_ == text_.size() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }

  // Reads an optional whole number from 1 to `max` into `value`; leaves it
  // as it is when none is written. Returns false for 0 or a number past max.
  bool ReadNumber(int& value, int max) {
    if (pos_ == text_.size() || !IsDigit(text_[pos_])) return true;
    long n = 0;
    while (pos_ < text_.size() && IsDigit(text_[pos_])) {
      n = n * 10 + (text_[pos_++] - '0');
      if (n > max) return false;
    }
    if (n == 0) return false;
    value = static_cast<int>(n);
    return true;
  }

  // Reads one term, "2H" or "CH3COO", into `sum`.
  std::string ReadTerm(Molecule& sum) {
    int times = 1;
    if (!ReadNumber(times, MaxMultiplier)) return "式の前の数は 1 から 1000 までの整数で書きます";
    if (pos_ == text_.size() || !IsUpper(text_[pos_])) return "+ や - の後には H、Na、H2O のような式を書きます";
    while (pos_ < text_.size() && IsUpper(text_[pos_])) {
      const size_t start = pos_++;
      if (pos_ < text_.size() && IsLower(text_[pos_])) ++pos_;
      const std::string symbol(text_.substr(start, pos_ - start));
      const IsotopeElement* element = table_.Find(symbol);
      if (element == nullptr) return symbol + " は天然の同位体組成をもつ元素ではありません";
      int count = 1;
      if (!ReadNumber(count, MaxMultiplier)) return symbol + " の数は 1 から 1000 までの整数で書きます";
      AddAtoms(sum, element, static_cast<int64_t>(count) * times);
    }
    return {};
  }

  std::string_view text_;
  const IsotopeTable& table_;
  size_t pos_ = 0;
};

}  // namespace

std::string ParseIon(std::string_view text, const IsotopeTable& table, IonSpec& ion) {
  ion = IonSpec{};
  // Spaces are allowed anywhere, as papers write "[M + H]+".
  std::string compact;
  for (const char c : text)
    if (c != ' ' && c != '\t') compact += c;
  if (compact.empty()) return "イオンが空です: [M+H]+ のように書きます";
  if (compact == "M") {
    ion.PaperNotation = "M";
    return {};
  }
  std::string error = IonReader(compact, table).Read(ion);
  if (!error.empty()) ion = IonSpec{};
  return error;
}

std::string ParseIons(std::string_view text, const IsotopeTable& table, std::vector<IonSpec>& ions) {
  ions.clear();
  for (size_t start = 0; start <= text.size();) {
    const size_t end = std::min(text.find_first_of(",;", start), text.size());
    IonSpec& ion = ions.emplace_back();
    std::string_view item = text.substr(start, end - start);
    while (!item.empty() && (item.front() == ' ' || item.front() == '\t')) item.remove_prefix(1);
    while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) item.remove_suffix(1);
    if (std::string error = ParseIon(item, table, ion); !error.empty()) {
      ions.clear();
      // Among several, the one at fault is named.
      return start == 0 && end == text.size() ? error : std::string(item) + ": " + error;
    }
    for (size_t k = 0; k + 1 < ions.size(); ++k)
      if (ions[k].PaperNotation == ion.PaperNotation) {
        const std::string twice = "イオン " + ion.PaperNotation + " が二度あります";
        ions.clear();
        return twice;
      }
    start = end + 1;
  }
  return {};
}

std::string FormIon(const Molecule& molecule, const IonSpec& ionSpec, Ion& ion) {
  // Only a removed element can fall below zero; the first of them, in the
  // order written, is named.
  for (const ElementCount& e : ionSpec.Removed)
    if (CountOf(molecule, e.Element) * ionSpec.Multiplier + CountOf(ionSpec.Added, e.Element) < e.Count)
      return e.Element->Symbol + " が足りないため、このイオンはできません";
  // One pass: the molecule's elements keep their places and those only the
  // ion brings follow in the order written; the mass is summed in the same
  // order, so that it is the mass of the formula as listed.
  ion.Formula.clear();
  double mass = 0;
  const auto put = [&](const IsotopeElement* element, int64_t count) {
    if (count == 0) return;
    ElementCount& e = ion.Formula.emplace_back();
    e.Element = element;
    e.Count = count;
    mass += static_cast<double>(count) * element->MonoisotopicMass();
  };
  for (const ElementCount& e : molecule)
    put(e.Element,
        e.Count * ionSpec.Multiplier + CountOf(ionSpec.Added, e.Element) - CountOf(ionSpec.Removed, e.Element));
  for (const ElementCount& e : ionSpec.Added)
    if (CountOf(molecule, e.Element) == 0) put(e.Element, e.Count - CountOf(ionSpec.Removed, e.Element));
  ion.Charge = ionSpec.Charge;
  mass -= ionSpec.Charge * ElectronMass;
  ion.Mz = ionSpec.Charge == 0 ? mass : mass / std::abs(ionSpec.Charge);
  return {};
}

}  // namespace zorvan::mass
