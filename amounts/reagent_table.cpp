#include "amounts/reagent_table.h"

#include <algorithm>
#include <cmath>

namespace zorvan::amounts {
namespace {

struct RoleName {
  Role Id;
  std::string_view Key, Japanese;
};
constexpr RoleName RoleNames[RoleCount] = {{Role::Reactant, "reactant", "\u53CD\u5FDC\u7269"},  // 反応物
                                           {Role::Reagent, "reagent", "\u8A66\u85AC"},          // 試薬
                                           {Role::Catalyst, "catalyst", "\u89E6\u5A92"},        // 触媒
                                           {Role::Solvent, "solvent", "\u6EB6\u5A92"},          // 溶媒
                                           {Role::Product, "product", "\u751F\u6210\u7269"}};   // 生成物

bool Blank(std::string_view text) { return TrimBlanks(text).empty(); }

// One row on its way to being solved.
struct Work {
  SolvedRow Out;
  std::optional<Quantity> Given;
  bool HasFormula = false;
  std::vector<std::string> Notes;

  double PurityFraction() const { return Out.Purity.value_or(100) / 100; }
  bool IsProduct() const { return Out.Kind == Role::Product; }
};

std::optional<Quantity> Read(const Row& row, Column column, Work& work) {
  if (Blank(row[column])) return std::nullopt;
  Quantity q;
  const std::string error = ParseQuantity(row[column], *InfoOf(column).Bare, q);
  if (error.empty()) return q;
  work.Notes.push_back(std::string(InfoOf(column).Japanese) + ": " + error);
  return std::nullopt;
}

std::optional<double> ReadBase(const Row& row, Column column, Work& work) {
  const std::optional<Quantity> q = Read(row, column, work);
  return q ? std::optional<double>(q->Base()) : std::nullopt;
}

// Reads every cell but the amounts' relations: role, limiting, the given
// quantity, density, molarity, purity, coefficient and the weight.
Work ReadRow(const Row& row, const FormulaWeight& weight) {
  Work work;
  const std::optional<Role> role = ParseRole(row[Column::Role]);
  // 役割が読めません
  if (!role) work.Notes.push_back("\u5F79\u5272\u304C\u8AAD\u3081\u307E\u305B\u3093: " + row[Column::Role]);
  work.Out.Kind = role.value_or(Role::Reactant);
  const std::optional<bool> limiting = ParseLimiting(row[Column::Limiting]);
  // 限定試薬の欄が読めません
  if (!limiting)
    work.Notes.push_back("\u9650\u5B9A\u8A66\u85AC\u306E\u6B04\u304C\u8AAD\u3081\u307E\u305B\u3093: " +
                         row[Column::Limiting]);
  work.Out.Limiting = limiting.value_or(false);
  // Only one quantity is given when the cells were set by SetCell; a table
  // built otherwise is read as if they had been, left to right.
  for (const Column c : {Column::Equiv, Column::Amount, Column::Mass, Column::Volume})
    if (!Blank(row[c])) {
      work.Given = Read(row, c, work);
      work.Out.Given = work.Given ? std::optional<Column>(c) : std::nullopt;
      work.Out.GivenUnit = work.Given ? work.Given->In : nullptr;
    }
  // The given quantity is shown whether or not the rest can be derived.
  if (work.Given) {
    const double base = work.Given->Base();
    std::optional<double>* given[] = {&work.Out.Equiv, &work.Out.Mol, &work.Out.Mass, &work.Out.Volume};
    *given[static_cast<int>(*work.Out.Given) - static_cast<int>(Column::Equiv)] = base;
  }
  work.Out.Density = ReadBase(row, Column::Density, work);
  work.Out.Molarity = ReadBase(row, Column::Molarity, work);
  work.Out.Purity = ReadBase(row, Column::Purity, work);
  if (work.Out.Purity > 100) {
    work.Notes.push_back("\u7D14\u5EA6\u306F 100 % \u4EE5\u4E0B\u3067\u3059");  // 純度は 100 % 以下です
    work.Out.Purity.reset();
  }
  work.Out.Coefficient = ReadBase(row, Column::Coefficient, work);
  work.HasFormula = !Blank(row[Column::Formula]);
  if (weight.Value && *weight.Value > 0 && std::isfinite(*weight.Value)) work.Out.Weight = weight.Value;
  if (!weight.Note.empty()) work.Notes.push_back(weight.Note);
  if (work.HasFormula && weight.Value && !work.Out.Weight)
    work.Notes.push_back(
        "\u5206\u5B50\u91CF\u304C\u6B63\u3067\u306F\u3042\u308A\u307E\u305B\u3093");  // 分子量が正ではありません
  return work;
}

// Notes that the row's weight is missing where it is needed, once.
void NeedWeight(Work& work) {
  if (work.Out.Weight || work.HasFormula || work.Out.Kind == Role::Solvent) return;
  // 分子式がないため質量と物質量を換算できません
  work.Notes.push_back(
      "\u5206\u5B50\u5F0F\u304C\u306A\u3044\u305F\u3081\u8CEA\u91CF\u3068\u7269\u8CEA\u91CF\u3092"
      "\u63DB\u7B97\u3067\u304D\u307E\u305B\u3093");
}

// The amount of substance of a row given by amount, mass or volume.
std::optional<double> AbsoluteMol(Work& work) {
  const std::optional<Column> given = work.Out.Given;
  if (!given || *given == Column::Equiv) return std::nullopt;
  const double base = work.Given->Base();
  if (*given == Column::Amount) return base;
  double mass = base;
  if (*given == Column::Volume) {
    if (work.Out.Molarity) return base * *work.Out.Molarity;
    if (!work.Out.Density) {
      // A solvent given by its volume needs nothing more.
      // 体積から量を出すには密度かモル濃度が要ります
      if (work.Out.Kind != Role::Solvent)
        work.Notes.push_back(
            "\u4F53\u7A4D\u304B\u3089\u91CF\u3092\u51FA\u3059\u306B\u306F\u5BC6\u5EA6\u304B\u30E2\u30EB"
            "\u6FC3\u5EA6\u304C\u8981\u308A\u307E\u3059");
      return std::nullopt;
    }
    mass = base * 1000 * *work.Out.Density;  // L to mL, times g/mL
  }
  NeedWeight(work);
  if (!work.Out.Weight) return std::nullopt;
  return mass * work.PurityFraction() / *work.Out.Weight;
}

// Fills the mass and volume that `mol` gives, keeping the given one as given.
void Complete(Work& work, double mol) {
  SolvedRow& out = work.Out;
  out.Mol = mol;
  const bool givenMass = out.Given == Column::Mass, givenVolume = out.Given == Column::Volume;
  if (givenMass) out.Mass = work.Given->Base();
  if (givenVolume) out.Volume = work.Given->Base();
  if (!givenMass && out.Weight) out.Mass = mol * *out.Weight / work.PurityFraction();
  if (givenVolume && !out.Molarity && out.Density) out.Mass = out.Volume.value() * 1000 * *out.Density;
  if (!givenVolume && out.Molarity) out.Volume = mol / *out.Molarity;
  if (!givenVolume && !out.Molarity && out.Density && out.Mass) out.Volume = *out.Mass / *out.Density / 1000;
  // A solution's amount comes from its volume; its mass is by the way.
  if (!out.Weight && !givenMass && !out.Molarity) NeedWeight(work);
}

// The limiting row and why there is none: no row, or several, is marked.
struct Reference {
  std::optional<size_t> Row;
  std::optional<double> Mol;
  std::string Missing;  // why Mol is empty
};

Reference FindReference(std::vector<Work>& rows) {
  Reference ref;
  std::vector<size_t> marked;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (!rows[i].Out.Limiting) continue;
    if (rows[i].IsProduct())  // 生成物は限定試薬にできません
      rows[i].Notes.push_back("\u751F\u6210\u7269\u306F\u9650\u5B9A\u8A66\u85AC\u306B\u3067\u304D\u307E\u305B\u3093");
    else
      marked.push_back(i);
  }
  if (marked.size() > 1) {
    ref.Missing =
        "\u9650\u5B9A\u8A66\u85AC\u304C 2 \u884C\u4EE5\u4E0A\u3042\u308A\u307E\u3059";  // 限定試薬が 2 行以上あります
    for (const size_t i : marked) rows[i].Notes.push_back(ref.Missing);
    return ref;
  }
  if (marked.empty()) {
    ref.Missing =
        "\u9650\u5B9A\u8A66\u85AC\u306E\u884C\u304C\u3042\u308A\u307E\u305B\u3093";  // 限定試薬の行がありません
    return ref;
  }
  ref.Row = marked.front();
  Work& limiting = rows[marked.front()];
  ref.Mol = AbsoluteMol(limiting);
  if (!ref.Mol) {
    // 限定試薬の量がわかりません
    ref.Missing = "\u9650\u5B9A\u8A66\u85AC\u306E\u91CF\u304C\u308F\u304B\u308A\u307E\u305B\u3093";
    // 限定試薬には物質量、質量か体積を入れてください
    if (limiting.Out.Given == Column::Equiv || !limiting.Out.Given)
      limiting.Notes.push_back(
          "\u9650\u5B9A\u8A66\u85AC\u306B\u306F\u7269\u8CEA\u91CF\u3001\u8CEA\u91CF\u304B\u4F53\u7A4D\u3092"
          "\u5165\u308C\u3066\u304F\u3060\u3055\u3044");
  }
  return ref;
}

void SolveReagent(Work& work, const Reference& ref, bool isReference) {
  std::optional<double> mol = AbsoluteMol(work);
  if (work.Out.Given == Column::Equiv && !isReference) {
    if (ref.Mol)
      mol = work.Given->Base() * *ref.Mol;
    else  // 当量から量を出せません
      work.Notes.push_back("\u5F53\u91CF\u304B\u3089\u91CF\u3092\u51FA\u305B\u307E\u305B\u3093: " + ref.Missing);
  }
  if (!mol) return;
  Complete(work, *mol);
  if (isReference)
    work.Out.Equiv = 1;
  else if (work.Out.Given == Column::Equiv)
    work.Out.Equiv = work.Given->Base();
  else if (ref.Mol)
    work.Out.Equiv = *mol / *ref.Mol;
}

void SolveProduct(Work& work, const Reference& ref) {
  if (work.Out.Given == Column::Equiv)  // 生成物には当量ではなく係数を入れてください
    work.Notes.push_back(
        "\u751F\u6210\u7269\u306B\u306F\u5F53\u91CF\u3067\u306F\u306A\u304F\u4FC2\u6570\u3092\u5165\u308C\u3066"
        "\u304F\u3060\u3055\u3044");
  if (ref.Mol) {
    work.Out.TheoreticalMol = *ref.Mol * work.Out.Coefficient.value_or(1);
    NeedWeight(work);
    if (work.Out.Weight) work.Out.TheoreticalMass = *work.Out.TheoreticalMol * *work.Out.Weight;
  } else {  // 理論収量を出せません
    work.Notes.push_back("\u7406\u8AD6\u53CE\u91CF\u3092\u51FA\u305B\u307E\u305B\u3093: " + ref.Missing);
  }
  const std::optional<double> mol = AbsoluteMol(work);
  if (!mol) return;
  Complete(work, *mol);
  if (work.Out.TheoreticalMol) work.Out.Yield = *mol / *work.Out.TheoreticalMol * 100;
}

// Clears what overflowed or underflowed past use, saying so.
void CheckFinite(Work& work) {
  SolvedRow& out = work.Out;
  std::optional<double>* derived[] = {&out.Equiv,           &out.Mol,  &out.Mass, &out.Volume, &out.TheoreticalMol,
                                      &out.TheoreticalMass, &out.Yield};
  const bool finite = std::all_of(std::begin(derived), std::end(derived), [](const std::optional<double>* v) {
    return !*v || (std::isfinite(**v) && **v > 0);
  });
  if (finite) return;
  for (std::optional<double>* v : derived) v->reset();
  // 数が大きすぎるか小さすぎて計算できません
  work.Notes.push_back(
      "\u6570\u304C\u5927\u304D\u3059\u304E\u308B\u304B\u5C0F\u3055\u3059\u304E\u3066\u8A08\u7B97\u3067\u304D"
      "\u307E\u305B\u3093");
}

std::string Join(std::vector<std::string> notes) {
  // A cause met twice (a missing weight wanted by two steps) is said once.
  std::string joined;
  for (size_t i = 0; i < notes.size(); ++i)
    if (std::find(notes.begin(), notes.begin() + static_cast<std::ptrdiff_t>(i), notes[i]) ==
        notes.begin() + static_cast<std::ptrdiff_t>(i))
      joined += (joined.empty() ? "" : "\u3002") + notes[i];  // 。
  return joined;
}

}  // namespace

const std::array<ColumnInfo, ColumnCount>& Columns() {
  static const std::array<ColumnInfo, ColumnCount> columns = {{
      {Column::Name, "name", "\u540D\u524D", nullptr},                                                 // 名前
      {Column::Formula, "formula", "\u5206\u5B50\u5F0F", nullptr},                                     // 分子式
      {Column::Role, "role", "\u5F79\u5272", nullptr},                                                 // 役割
      {Column::Equiv, "equiv", "\u5F53\u91CF", &UnitsOf(Dimension::Ratio)[0]},                         // 当量
      {Column::Amount, "amount", "\u7269\u8CEA\u91CF", FindUnit(Dimension::Amount, "mmol")},           // 物質量
      {Column::Mass, "mass", "\u8CEA\u91CF", FindUnit(Dimension::Mass, "mg")},                         // 質量
      {Column::Volume, "volume", "\u4F53\u7A4D", FindUnit(Dimension::Volume, "mL")},                   // 体積
      {Column::Density, "density", "\u5BC6\u5EA6", &UnitsOf(Dimension::Density)[0]},                   // 密度
      {Column::Molarity, "molarity", "\u30E2\u30EB\u6FC3\u5EA6", FindUnit(Dimension::Molarity, "M")},  // モル濃度
      {Column::Purity, "purity", "\u7D14\u5EA6", &UnitsOf(Dimension::Percent)[0]},                     // 純度
      {Column::Coefficient, "coefficient", "\u4FC2\u6570", &UnitsOf(Dimension::Ratio)[0]},             // 係数
      {Column::Limiting, "limiting", "\u9650\u5B9A\u8A66\u85AC", nullptr},                             // 限定試薬
  }};
  return columns;
}

const ColumnInfo& InfoOf(Column column) { return Columns()[static_cast<size_t>(column)]; }

bool IsQuantity(Column column) {
  return column == Column::Equiv || column == Column::Amount || column == Column::Mass || column == Column::Volume;
}

std::string_view RoleKey(Role role) { return RoleNames[static_cast<int>(role)].Key; }
std::string_view RoleJapanese(Role role) { return RoleNames[static_cast<int>(role)].Japanese; }

std::optional<Role> ParseRole(std::string_view text) {
  const std::string key = AsciiLower(TrimBlanks(text));
  if (key.empty()) return Role::Reactant;
  for (const RoleName& name : RoleNames)
    if (key == name.Key || key == name.Japanese) return name.Id;
  return std::nullopt;
}

std::optional<bool> ParseLimiting(std::string_view text) {
  const std::string key = AsciiLower(TrimBlanks(text));
  if (key == "yes" || key == "1" || key == "true" || key == "x") return true;
  if (key.empty() || key == "no" || key == "0" || key == "false") return false;
  return std::nullopt;
}

void SetCell(Row& row, Column column, std::string_view text) {
  std::string cell(text);
  Quantity q;
  if (const Unit* bare = InfoOf(column).Bare; bare && ParseQuantity(text, *bare, q).empty())
    cell = q.In->Symbol.empty() ? q.Number : q.Number + " " + std::string(q.In->Symbol);
  // A blank amount says nothing and is kept empty, so that a row reads the
  // same whatever order its columns come in.
  if (IsQuantity(column) && Blank(cell)) cell.clear();
  if (IsQuantity(column) && !cell.empty())
    for (const Column c : {Column::Equiv, Column::Amount, Column::Mass, Column::Volume}) row[c].clear();
  row[column] = std::move(cell);
}

SolvedTable Solve(const Table& table, const std::vector<FormulaWeight>& weights) {
  std::vector<Work> rows;
  rows.reserve(table.size());
  for (size_t i = 0; i < table.size(); ++i)
    rows.push_back(ReadRow(table[i], i < weights.size() ? weights[i] : FormulaWeight{}));
  const Reference ref = FindReference(rows);
  SolvedTable solved;
  solved.Reference = ref.Row;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].IsProduct())
      SolveProduct(rows[i], ref);
    else
      SolveReagent(rows[i], ref, ref.Row == i);
    CheckFinite(rows[i]);
    rows[i].Out.Note = Join(std::move(rows[i].Notes));
    solved.Rows.push_back(std::move(rows[i].Out));
  }
  return solved;
}

}  // namespace zorvan::amounts
