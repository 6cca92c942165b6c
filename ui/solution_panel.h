// The calculators beside the reagent table: a solution from two of mass,
// volume and molarity, a dilution, and a mass-percent solution. Each
// answers as its boxes are typed in.
#pragma once

#include <QWidget>
#include <optional>
#include <string_view>

#include "amounts/units.h"
#include "core/calculation.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace zorvan {

class SolutionPanel : public QWidget {
  Q_OBJECT

 public:
  // `tables` must outlive the panel.
  SolutionPanel(const ReferenceTables& tables, QWidget* parent);

  // Shows the results with `figures` significant figures.
  void SetFigures(int figures);

 private:
  QWidget* CreateSolutionGroup();
  QWidget* CreateDilutionGroup();
  QWidget* CreatePercentGroup();
  void UpdateSolution();
  void UpdateDilution();
  void UpdatePercent();
  // Reads `box` as a quantity of `bare`'s kind; empty when the box is, or,
  // with the reason added to `problems`, when it cannot be read.
  static std::optional<double> Read(const QLineEdit* box, amounts::Dimension dim, std::string_view bare,
                                    QStringList& problems);
  // The weight of the formula in `box`, or why there is none in `problems`.
  std::optional<double> Weight(const QLineEdit* box, QStringList& problems);
  QString Shown(const std::optional<double>& base, amounts::Dimension dim) const;

  QLineEdit* SolFormula;
  QComboBox* SolUnknown;
  QLineEdit* SolMass;
  QLineEdit* SolVolume;
  QLineEdit* SolMolarity;
  QLineEdit* SolWeight;
  QLabel* SolMessage;
  QLineEdit* DilFrom;
  QLineEdit* DilTo;
  QLineEdit* DilVolume;
  QLineEdit* DilStock;
  QLineEdit* DilSolvent;
  QLabel* DilMessage;
  QLineEdit* PctFormula;
  QLineEdit* PctPercent;
  QComboBox* PctKind;
  QLineEdit* PctDensity;
  QLineEdit* PctVolume;
  QLineEdit* PctSolute;
  QLineEdit* PctSolvent;
  QLineEdit* PctMolarity;
  QLabel* PctMessage;

  const ReferenceTables& tables_;
  FormulaEngine engine_;
  int figures_ = amounts::DefaultFigures;
};

}  // namespace zorvan
