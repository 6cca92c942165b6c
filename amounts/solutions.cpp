#include "amounts/solutions.h"

#include <cmath>

namespace zorvan::amounts {
namespace {

// 分子量がないため質量とモル濃度を換算できません
constexpr const char* NoWeight =
    "\u5206\u5B50\u91CF\u304C\u306A\u3044\u305F\u3081\u8CEA\u91CF\u3068\u30E2\u30EB\u6FC3\u5EA6\u3092"
    "\u63DB\u7B97\u3067\u304D\u307E\u305B\u3093";
// 数が大きすぎるか小さすぎて計算できません
constexpr const char* OutOfRange =
    "\u6570\u304C\u5927\u304D\u3059\u304E\u308B\u304B\u5C0F\u3055\u3059\u304E\u3066\u8A08\u7B97\u3067\u304D"
    "\u307E\u305B\u3093";

bool Usable(const std::optional<double>& value) { return !value || (std::isfinite(*value) && *value > 0); }

}  // namespace

Solution SolveSolution(std::optional<double> weight, Solution given) {
  Solution s = given;
  if (!s.Mass && s.Volume && s.Molarity && weight)
    s.Mass = *s.Volume * *s.Molarity * *weight;
  else if (!s.Volume && s.Mass && s.Molarity && weight)
    s.Volume = *s.Mass / *weight / *s.Molarity;
  else if (!s.Molarity && s.Mass && s.Volume && weight)
    s.Molarity = *s.Mass / *weight / *s.Volume;
  else if (!weight)
    s.Note = NoWeight;
  if (Usable(s.Mass) && Usable(s.Volume) && Usable(s.Molarity)) return s;
  given.Note = OutOfRange;
  return given;
}

Dilution Dilute(double from, double to, double volume) {
  Dilution d;
  if (to > from) {
    // 薄めた後の濃度が元の濃度より高くなっています
    d.Note =
        "\u8584\u3081\u305F\u5F8C\u306E\u6FC3\u5EA6\u304C\u5143\u306E\u6FC3\u5EA6\u3088\u308A\u9AD8\u304F"
        "\u306A\u3063\u3066\u3044\u307E\u3059";
    return d;
  }
  d.Stock = to * volume / from;
  d.Solvent = volume - *d.Stock;
  if (!std::isfinite(*d.Stock) || !std::isfinite(*d.Solvent)) return {std::nullopt, std::nullopt, OutOfRange};
  return d;
}

PercentSolution SolvePercent(PercentKind kind, double percent, std::optional<double> weight,
                             std::optional<double> density, std::optional<double> volume,
                             std::optional<double> solutionMass) {
  PercentSolution p;
  const double fraction = percent / 100;
  if (volume && density) solutionMass = *volume * 1000 * *density;
  if (kind == PercentKind::WeightWeight) {
    if (solutionMass) p.Solute = fraction * *solutionMass;
    if (weight && density) p.Molarity = fraction * *density * 1000 / *weight;
  } else {
    if (volume) p.Solute = fraction * *volume * 1000;  // g per 100 mL
    if (weight) p.Molarity = fraction * 1000 / *weight;
  }
  if (p.Solute && solutionMass) p.Solvent = *solutionMass - *p.Solute;
  if (!weight)
    p.Note = NoWeight;
  else if (!p.Molarity)  // w/w のモル濃度には密度が要ります
    p.Note = "w/w \u306E\u30E2\u30EB\u6FC3\u5EA6\u306B\u306F\u5BC6\u5EA6\u304C\u8981\u308A\u307E\u3059";
  if (percent > 100 || (p.Solvent && *p.Solvent < 0)) {  // 百分率は 100 以下です
    p = {};
    p.Note = "\u767E\u5206\u7387\u306F 100 \u4EE5\u4E0B\u3067\u3059";
  }
  if (!Usable(p.Solute) || !Usable(p.Molarity) || (p.Solvent && !std::isfinite(*p.Solvent)))
    p = {{}, {}, {}, OutOfRange};
  return p;
}

}  // namespace zorvan::amounts
