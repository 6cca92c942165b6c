// The fuzz targets: each takes arbitrary bytes, feeds them to one input
// surface and aborts when a property of the outcome breaks. libFuzzer drives
// them in fuzz builds; the normal test suite replays their corpora.
#pragma once

#include <string_view>

namespace zorvan::fuzz {

// Runs the target `name` (calculate, groups, tables, batch, fold, names,
// userfolder, percentages, ion, msformula, ranges, findquery, finderfield,
// resolution, measured, spectra_ms, spectra_mgf, units, reagenttable, reagentcsv,
// peaklist) on
// `bytes`;
// returns false when there is no target of that name.
bool RunTarget(std::string_view name, std::string_view bytes);

}  // namespace zorvan::fuzz
