#include "amounts/reagent_data.h"

#include "core/text.h"

namespace zorvan::amounts {

ReagentData ReadReagentData(RecordReader& reader) {
  ReagentData data;
  // Records beyond the capacity are never read, so a broken tail after them
  // raises no error.
  while (data.Records.size() < ReagentCapacity && !reader.AtEnd()) {
    ReagentRecord record;
    for (std::string* field : {&record.Name, &record.Formula, &record.Density, &record.Molarity})
      *field = ToUtf8(reader.ReadText());
    data.Records.push_back(std::move(record));
  }
  return data;
}

ReagentData LoadReagentData(const std::filesystem::path& folder) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(folder / ReagentFileName, error)) return {};
  RecordReader reader = RecordReader::Open(folder, ReagentFileName);
  return ReadReagentData(reader);
}

const ReagentRecord* FindReagent(const ReagentData& data, std::string_view name) {
  const std::string key = AsciiLower(TrimBlanks(name));
  if (key.empty()) return nullptr;
  for (const ReagentRecord& record : data.Records)
    if (AsciiLower(TrimBlanks(record.Name)) == key) return &record;
  return nullptr;
}

bool FillFromReagentData(Row& row, const ReagentData& data) {
  const ReagentRecord* record = FindReagent(data, row[Column::Name]);
  if (record == nullptr) return false;
  bool changed = false;
  const std::pair<Column, const std::string*> fills[] = {
      {Column::Formula, &record->Formula}, {Column::Density, &record->Density}, {Column::Molarity, &record->Molarity}};
  for (const auto& [column, value] : fills)
    if (TrimBlanks(row[column]).empty() && !TrimBlanks(*value).empty()) {
      SetCell(row, column, TrimBlanks(*value));
      changed = true;
    }
  return changed;
}

}  // namespace zorvan::amounts
