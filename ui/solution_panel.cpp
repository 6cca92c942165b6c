#include "ui/solution_panel.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "amounts/molecular_weight.h"
#include "amounts/solutions.h"
#include "ui/controls.h"
#include "ui/tool_widgets.h"

namespace zorvan {
namespace {

using amounts::Dimension;

QString Utf8(const std::string& text) { return QString::fromStdString(text); }

// A group with a form of `rows` (label, field) and a message label below.
QGroupBox* MakeGroup(const QString& title, std::initializer_list<std::pair<QString, QWidget*>> rows, QLabel* message,
                     QWidget* parent) {
  auto* group = new QGroupBox(title, parent);
  auto* form = new QFormLayout(group);
  for (const auto& [label, field] : rows) form->addRow(label, field);
  form->addRow(message);
  return group;
}

}  // namespace

SolutionPanel::SolutionPanel(const ReferenceTables& tables, QWidget* parent)
    : QWidget(parent), tables_(tables), engine_(tables) {
  setObjectName(QStringLiteral("SolutionPanel"));
  auto* layout = new QHBoxLayout(this);
  for (QWidget* group : {CreateSolutionGroup(), CreateDilutionGroup(), CreatePercentGroup()}) {
    auto* column = new QVBoxLayout;
    column->addWidget(group);
    column->addStretch(1);
    layout->addLayout(column, 1);
  }
  SetTabOrder({SolFormula, SolUnknown, SolMass, SolVolume, SolMolarity, DilFrom, DilTo, DilVolume, PctFormula,
               PctPercent, PctKind, PctDensity, PctVolume});
}

void SolutionPanel::SetFigures(int figures) {
  figures_ = figures;
  UpdateSolution();
  UpdateDilution();
  UpdatePercent();
}

QWidget* SolutionPanel::CreateSolutionGroup() {
  SolFormula = MakeLineEdit("SolFormula", this);
  SolUnknown = Named<QComboBox>("SolUnknown", this);
  // 質量, 体積, モル濃度: the one to find
  for (const char16_t* item : {u"\u8CEA\u91CF", u"\u4F53\u7A4D", u"\u30E2\u30EB\u6FC3\u5EA6"})
    SolUnknown->addItem(QString::fromUtf16(item));
  SolMass = MakeLineEdit("SolMass", this);
  SolVolume = MakeLineEdit("SolVolume", this);
  SolMolarity = MakeLineEdit("SolMolarity", this);
  SolWeight = MakeReadOnly("SolWeight", this);
  SolMessage = MakeMessageLabel("SolMessage", this);
  SolMass->setPlaceholderText(QStringLiteral("6.242 g"));
  SolVolume->setPlaceholderText(QStringLiteral("250 mL"));
  SolMolarity->setPlaceholderText(QStringLiteral("0.100 M"));
  QWidget* group = MakeGroup(QStringLiteral(u"\u6EB6\u6DB2 (\u30E2\u30EB\u6FC3\u5EA6)"),      // 溶液 (モル濃度)
                             {{QStringLiteral(u"\u5206\u5B50\u5F0F(&F)"), SolFormula},        // 分子式
                              {QStringLiteral(u"\u6C42\u3081\u308B\u91CF(&K)"), SolUnknown},  // 求める量
                              {QStringLiteral(u"\u8CEA\u91CF"), SolMass},
                              {QStringLiteral(u"\u4F53\u7A4D"), SolVolume},
                              {QStringLiteral(u"\u30E2\u30EB\u6FC3\u5EA6"), SolMolarity},
                              {QStringLiteral(u"\u5206\u5B50\u91CF"), SolWeight}},  // 分子量
                             SolMessage, this);
  for (QLineEdit* box : {SolFormula, SolMass, SolVolume, SolMolarity})
    connect(box, &QLineEdit::textEdited, this, &SolutionPanel::UpdateSolution);
  connect(SolUnknown, &QComboBox::currentIndexChanged, this, [this] {
    for (QLineEdit* box : {SolMass, SolVolume, SolMolarity}) box->setReadOnly(false);
    QLineEdit* unknown[] = {SolMass, SolVolume, SolMolarity};
    unknown[SolUnknown->currentIndex()]->setReadOnly(true);
    unknown[SolUnknown->currentIndex()]->clear();
    UpdateSolution();
  });
  SolMass->setReadOnly(true);
  // The panel's focus, when its tab is chosen, goes to the first box.
  setFocusProxy(SolFormula);
  return group;
}

QWidget* SolutionPanel::CreateDilutionGroup() {
  DilFrom = MakeLineEdit("DilFrom", this);
  DilTo = MakeLineEdit("DilTo", this);
  DilVolume = MakeLineEdit("DilVolume", this);
  DilStock = MakeReadOnly("DilStock", this);
  DilSolvent = MakeReadOnly("DilSolvent", this);
  DilMessage = MakeMessageLabel("DilMessage", this);
  DilFrom->setPlaceholderText(QStringLiteral("1.0 M"));
  DilTo->setPlaceholderText(QStringLiteral("0.10 M"));
  DilVolume->setPlaceholderText(QStringLiteral("50 mL"));
  // 希釈 (C1V1 = C2V2), 元の濃度, 薄めた後の濃度, 全体の体積, 原液, 溶媒
  QWidget* group = MakeGroup(QStringLiteral(u"\u5E0C\u91C8 (C1V1 = C2V2)"),
                             {{QStringLiteral(u"\u5143\u306E\u6FC3\u5EA6(&1)"), DilFrom},
                              {QStringLiteral(u"\u8584\u3081\u305F\u5F8C\u306E\u6FC3\u5EA6(&2)"), DilTo},
                              {QStringLiteral(u"\u5168\u4F53\u306E\u4F53\u7A4D(&V)"), DilVolume},
                              {QStringLiteral(u"\u539F\u6DB2"), DilStock},
                              {QStringLiteral(u"\u6EB6\u5A92"), DilSolvent}},
                             DilMessage, this);
  for (QLineEdit* box : {DilFrom, DilTo, DilVolume})
    connect(box, &QLineEdit::textEdited, this, &SolutionPanel::UpdateDilution);
  return group;
}

QWidget* SolutionPanel::CreatePercentGroup() {
  PctFormula = MakeLineEdit("PctFormula", this);
  PctPercent = MakeLineEdit("PctPercent", this);
  PctKind = Named<QComboBox>("PctKind", this);
  PctKind->addItems({QStringLiteral("w/w"), QStringLiteral("w/v")});
  PctDensity = MakeLineEdit("PctDensity", this);
  PctVolume = MakeLineEdit("PctVolume", this);
  PctSolute = MakeReadOnly("PctSolute", this);
  PctSolvent = MakeReadOnly("PctSolvent", this);
  PctMolarity = MakeReadOnly("PctMolarity", this);
  PctMessage = MakeMessageLabel("PctMessage", this);
  PctPercent->setPlaceholderText(QStringLiteral("37 %"));
  PctDensity->setPlaceholderText(QStringLiteral("1.19 g/mL"));
  PctVolume->setPlaceholderText(QStringLiteral("100 mL"));
  // 質量パーセント濃度, 分子式, 濃度, 種類, 密度, 溶液の体積, 溶質, 溶媒, モル濃度
  QWidget* group = MakeGroup(QStringLiteral(u"\u8CEA\u91CF\u30D1\u30FC\u30BB\u30F3\u30C8\u6FC3\u5EA6"),
                             {{QStringLiteral(u"\u5206\u5B50\u5F0F(&L)"), PctFormula},
                              {QStringLiteral(u"\u6FC3\u5EA6(&P)"), PctPercent},
                              {QStringLiteral(u"\u7A2E\u985E"), PctKind},
                              {QStringLiteral(u"\u5BC6\u5EA6(&D)"), PctDensity},
                              {QStringLiteral(u"\u6EB6\u6DB2\u306E\u4F53\u7A4D(&Q)"), PctVolume},
                              {QStringLiteral(u"\u6EB6\u8CEA"), PctSolute},
                              {QStringLiteral(u"\u6EB6\u5A92"), PctSolvent},
                              {QStringLiteral(u"\u30E2\u30EB\u6FC3\u5EA6"), PctMolarity}},
                             PctMessage, this);
  for (QLineEdit* box : {PctFormula, PctPercent, PctDensity, PctVolume})
    connect(box, &QLineEdit::textEdited, this, &SolutionPanel::UpdatePercent);
  connect(PctKind, &QComboBox::currentIndexChanged, this, &SolutionPanel::UpdatePercent);
  return group;
}

std::optional<double> SolutionPanel::Read(const QLineEdit* box, Dimension dim, std::string_view bare,
                                          QStringList& problems) {
  if (box->isReadOnly() || box->text().trimmed().isEmpty()) return std::nullopt;
  amounts::Quantity q;
  const std::string error = amounts::ParseQuantity(box->text().toStdString(), *amounts::FindUnit(dim, bare), q);
  if (error.empty()) return q.Base();
  problems << Utf8(error);
  return std::nullopt;
}

std::optional<double> SolutionPanel::Weight(const QLineEdit* box, QStringList& problems) {
  const amounts::FormulaWeight weight = amounts::MolecularWeight(engine_, tables_, box->text().toStdString(), true);
  if (!weight.Note.empty()) problems << Utf8(weight.Note);
  return weight.Value;
}

QString SolutionPanel::Shown(const std::optional<double>& base, Dimension dim) const {
  return base ? Utf8(amounts::WithUnit(*base, dim, figures_)) : QString();
}

void SolutionPanel::UpdateSolution() {
  QStringList problems;
  const std::optional<double> weight = Weight(SolFormula, problems);
  amounts::Solution given{Read(SolMass, Dimension::Mass, "g", problems),
                          Read(SolVolume, Dimension::Volume, "mL", problems),
                          Read(SolMolarity, Dimension::Molarity, "M", problems), ""};
  SetBoxText(SolWeight, weight ? Utf8(amounts::General6(*weight)) : QString());
  const int count = int(given.Mass.has_value()) + int(given.Volume.has_value()) + int(given.Molarity.has_value());
  const amounts::Solution s = count == 2 ? amounts::SolveSolution(weight, given) : amounts::Solution{};
  if (!s.Note.empty() && !SolFormula->text().trimmed().isEmpty()) problems << Utf8(s.Note);
  QLineEdit* boxes[] = {SolMass, SolVolume, SolMolarity};
  const std::pair<std::optional<double>, Dimension> values[] = {
      {s.Mass, Dimension::Mass}, {s.Volume, Dimension::Volume}, {s.Molarity, Dimension::Molarity}};
  const int unknown = SolUnknown->currentIndex();
  SetBoxText(boxes[unknown], Shown(values[unknown].first, values[unknown].second));
  SolMessage->setText(problems.join(QStringLiteral("\n")));
}

void SolutionPanel::UpdateDilution() {
  QStringList problems;
  const std::optional<double> from = Read(DilFrom, Dimension::Molarity, "M", problems);
  const std::optional<double> to = Read(DilTo, Dimension::Molarity, "M", problems);
  const std::optional<double> volume = Read(DilVolume, Dimension::Volume, "mL", problems);
  const amounts::Dilution d = from && to && volume ? amounts::Dilute(*from, *to, *volume) : amounts::Dilution{};
  if (!d.Note.empty()) problems << Utf8(d.Note);
  SetBoxText(DilStock, Shown(d.Stock, Dimension::Volume));
  SetBoxText(DilSolvent, Shown(d.Solvent, Dimension::Volume));
  DilMessage->setText(problems.join(QStringLiteral("\n")));
}

void SolutionPanel::UpdatePercent() {
  QStringList problems;
  const std::optional<double> percent = Read(PctPercent, Dimension::Percent, "%", problems);
  const std::optional<double> weight = Weight(PctFormula, problems);
  const std::optional<double> density = Read(PctDensity, Dimension::Density, "g/mL", problems);
  const std::optional<double> volume = Read(PctVolume, Dimension::Volume, "mL", problems);
  const auto kind =
      PctKind->currentIndex() == 0 ? amounts::PercentKind::WeightWeight : amounts::PercentKind::WeightVolume;
  const amounts::PercentSolution p = percent
                                         ? amounts::SolvePercent(kind, *percent, weight, density, volume, std::nullopt)
                                         : amounts::PercentSolution{};
  if (!p.Note.empty() && !PctFormula->text().trimmed().isEmpty()) problems << Utf8(p.Note);
  SetBoxText(PctSolute, Shown(p.Solute, Dimension::Mass));
  SetBoxText(PctSolvent, p.Solvent && *p.Solvent > 0 ? Shown(p.Solvent, Dimension::Mass) : QString());
  SetBoxText(PctMolarity, Shown(p.Molarity, Dimension::Molarity));
  PctMessage->setText(problems.join(QStringLiteral("\n")));
}

}  // namespace zorvan
