// Throughput of one calculation with all three output texts.
#include <benchmark/benchmark.h>

#include <vector>

#include "core/calculation.h"

namespace {

// Realistic formulas of 10 to 20 characters: hydrates, nested groups, abbreviations.
const std::vector<zorvan::Text> Mix = {
    u"CuSO4*5H2O", u"Ca(OH)2*2H2O",   u"((CH3)3C)2O", u"CH3COOC2H5", u"PhCOOH",      u"Na2CO3*10H2O",
    u"C6H12O6",    u"Fe2(SO4)3*9H2O", u"(NH4)2SO4",   u"MeOPh",      u"C17H35COONa", u"K4Fe(CN)6*3H2O",
};

void BM_CalculateFormula(benchmark::State& state) {
  const zorvan::ReferenceTables tables = zorvan::LoadTables(ZORVAN_DATA_DIR);
  zorvan::FormulaEngine engine(tables);
  size_t i = 0;
  zorvan::Calculation r;
  for (auto _ : state) {
    engine.Calculate(Mix[i], {.Notes = false, .Parts = false}, r);
    benchmark::DoNotOptimize(r);
    if (++i == Mix.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CalculateFormula);

// The same with what the main window asks for besides: the notes and the parts.
void BM_CalculateAsTheWindowDoes(benchmark::State& state) {
  const zorvan::ReferenceTables tables = zorvan::LoadTables(ZORVAN_DATA_DIR);
  zorvan::FormulaEngine engine(tables);
  size_t i = 0;
  zorvan::Calculation r;
  for (auto _ : state) {
    engine.Calculate(Mix[i], {}, r);
    benchmark::DoNotOptimize(r);
    if (++i == Mix.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CalculateAsTheWindowDoes);

}  // namespace
