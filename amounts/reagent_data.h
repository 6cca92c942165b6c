// The densities and molarities of common reagents, from the optional data
// file "reagent.csv": records "name,formula,density,molarity" (code page
// 932, CR LF, like the other data files), density in g/mL and molarity in
// mol/L, either field empty when it does not apply.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "amounts/reagent_table.h"
#include "core/record_reader.h"

namespace zorvan::amounts {

inline constexpr char ReagentFileName[] = "reagent.csv";
inline constexpr int ReagentCapacity = 10000;  // records kept from the file

struct ReagentRecord {
  std::string Name, Formula, Density, Molarity;  // UTF-8, as the file holds them
};

struct ReagentData {
  std::vector<ReagentRecord> Records;  // in file order
};

// Reads the first ReagentCapacity records. Throws DataFileError when the
// file ends inside a record.
ReagentData ReadReagentData(RecordReader& reader);
// Loads reagent.csv from `folder`; no records when the folder has none.
// Throws DataFileError when it ends inside a record.
ReagentData LoadReagentData(const std::filesystem::path& folder);

// Returns the first record named `name` (blanks around it and ASCII case
// ignored), or null.
const ReagentRecord* FindReagent(const ReagentData& data, std::string_view name);
// Fills the empty formula, density and molarity cells of `row` from the
// record of its name. Returns whether a cell changed.
bool FillFromReagentData(Row& row, const ReagentData& data);

}  // namespace zorvan::amounts
