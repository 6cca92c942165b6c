#include "amounts/table_tsv.h"

#include <algorithm>
#include <optional>

#include "core/text.h"

namespace zorvan::amounts {
namespace {

// A header name and where its cells go.
struct HeaderKey {
  std::optional<Column> Target;  // none: a column of the solved table that is not read
  const Unit* Bare = nullptr;    // the unit of a bare number, when not the column's own
};

// Returns what the header name `name` reads into; false when it is unknown.
bool ReadHeaderName(std::string_view name, HeaderKey& key) {
  const std::string lower = AsciiLower(TrimBlanks(name));
  for (const ColumnInfo& info : Columns())
    if (lower == info.Key || lower == info.Japanese) {
      key = {info.Id, nullptr};
      return true;
    }
  const struct {
    std::string_view Name;
    Column Target;
    Dimension Dim;
    std::string_view Unit;
  } withUnits[] = {{"mmol", Column::Amount, Dimension::Amount, "mmol"},
                   {"mass_mg", Column::Mass, Dimension::Mass, "mg"},
                   {"volume_ul", Column::Volume, Dimension::Volume, "µL"},
                   {"molarity_m", Column::Molarity, Dimension::Molarity, "M"}};
  for (const auto& alias : withUnits)
    if (lower == alias.Name) {
      key = {alias.Target, FindUnit(alias.Dim, alias.Unit)};
      return true;
    }
  key = {};
  return lower == "mw" || lower == "theoretical_mg" || lower == "yield_percent" || lower == "note";
}

std::string Unescape(std::string_view field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    const char next = i + 1 < field.size() ? field[i + 1] : '\0';
    const char escaped = next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next == '\\' ? '\\' : '\0';
    if (field[i] == '\\' && escaped != '\0') {
      out += escaped;
      ++i;
    } else {
      out += field[i];
    }
  }
  return ToUtf8(FromUtf8(out));
}

std::vector<std::string_view> Split(std::string_view line, char separator) {
  std::vector<std::string_view> parts;
  for (size_t start = 0;;) {
    const size_t end = line.find(separator, start);
    parts.push_back(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

void ReadRow(std::string_view line, const std::vector<HeaderKey>& keys, Table& rows) {
  const std::vector<std::string_view> fields = Split(line, '\t');
  Row row;
  for (size_t i = 0; i < fields.size() && i < keys.size(); ++i) {
    if (!keys[i].Target) continue;
    std::string cell = Unescape(fields[i]);
    Quantity q;
    // A bare number in a column named with its unit is in that unit.
    if (keys[i].Bare && ParseQuantity(cell, *keys[i].Bare, q).empty() && !q.UnitWritten)
      cell = q.Number + " " + std::string(keys[i].Bare->Symbol);
    SetCell(row, *keys[i].Target, cell);
  }
  // A line of empty cells, as spreadsheets write below a table, is no row.
  if (std::any_of(row.Cells.begin(), row.Cells.end(), [](const std::string& c) { return !TrimBlanks(c).empty(); }))
    rows.push_back(std::move(row));
}

std::string Field(const std::optional<double>& value, double scale = 1) {
  return value ? General6(*value * scale) : std::string();
}

}  // namespace

std::string EscapeField(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\t' || c == '\n' || c == '\r' || c == '\\')
      out += c == '\t' ? "\\t" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\\\";
    else
      out += c;
  }
  return out;
}

TableFile ReadTableTsv(std::string_view text) {
  TableFile file;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<HeaderKey> keys;
  bool header = true;
  for (std::string_view line : Split(text, '\n')) {
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (TrimBlanks(line).empty()) continue;
    if (!header) {
      ReadRow(line, keys, file.Rows);
      continue;
    }
    header = false;
    bool known = false;
    for (const std::string_view name : Split(line, '\t')) {
      keys.emplace_back();
      if (!ReadHeaderName(name, keys.back()))  // 知らない列を読み飛ばしました
        file.Problems.push_back(
            "\u77E5\u3089\u306A\u3044\u5217\u3092\u8AAD\u307F\u98DB\u3070\u3057\u307E\u3057\u305F: " + Unescape(name));
      known = known || keys.back().Target;
    }
    // 見出しの行に読める列がありません (name formula role ...)
    if (!known)
      file.Problems.push_back(
          "\u898B\u51FA\u3057\u306E\u884C\u306B\u8AAD\u3081\u308B\u5217\u304C\u3042\u308A\u307E\u305B\u3093");
  }
  return file;
}

std::string WriteTableTsv(const Table& table) {
  std::string text;
  for (const ColumnInfo& info : Columns()) text += (info.Id == Column::Name ? "" : "\t") + std::string(info.Key);
  text += '\n';
  for (const Row& row : table) {
    for (size_t i = 0; i < row.Cells.size(); ++i) text += (i ? "\t" : "") + EscapeField(row.Cells[i]);
    text += '\n';
  }
  return text;
}

std::string SolvedTsv(const Table& table, const SolvedTable& solved, std::string_view lineEnd) {
  std::string text = std::string(SolvedHeader) + std::string(lineEnd);
  for (size_t i = 0; i < table.size() && i < solved.Rows.size(); ++i) {
    const SolvedRow& r = solved.Rows[i];
    const std::string fields[] = {EscapeField(table[i][Column::Name]),
                                  EscapeField(table[i][Column::Formula]),
                                  Field(r.Weight),
                                  std::string(RoleKey(r.Kind)),
                                  Field(r.Equiv),
                                  Field(r.Mol, 1e3),
                                  Field(r.Mass, 1e3),
                                  Field(r.Volume, 1e6),
                                  Field(r.Molarity),
                                  Field(r.Density),
                                  General6(r.Purity.value_or(100)),
                                  Field(r.TheoreticalMass, 1e3),
                                  Field(r.Yield),
                                  EscapeField(r.Note)};
    for (size_t f = 0; f < std::size(fields); ++f) text += (f ? "\t" : "") + fields[f];
    text += lineEnd;
  }
  return text;
}

}  // namespace zorvan::amounts
