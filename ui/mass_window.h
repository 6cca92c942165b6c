// The mass window: exact mass, an ion's m/z, the two lines of an
// experimental section and the isotope pattern of the formula the main
// window calculated last.
#pragma once

#include <QWidget>
#include <optional>
#include <utility>
#include <vector>

#include "mass/ion.h"
#include "mass/pattern.h"
#include "mass/profile.h"
#include "ui/background_job.h"
#include "ui/calculation_shown.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace zorvan {

class PatternPlot;

// Follows the main window through ShowCalculation and never reaches back:
// what it hands on leaves by the FinderRequested signal.
class MassWindow : public QWidget {
  Q_OBJECT

 public:
  // `elements` and `isotopes` must outlive the window.
  MassWindow(const ElementTable& elements, const mass::IsotopeTable& isotopes, QWidget* parent);

 public slots:
  // Shows the masses, lines and pattern of `shown`; a pattern still being
  // computed for an earlier calculation is dropped.
  void ShowCalculation(const CalculationShown& shown);
  // Lays measured peaks (m/z, intensity in any unit; the highest is drawn
  // at 100%) over the pattern of the formula shown last, until a calculation
  // of another formula arrives; call it after that formula's calculation.
  // An empty list takes them away.
  void SetMeasuredPeaks(const std::vector<std::pair<double, double>>& peaks);
  // Takes the ion and the measured values of the compound calculated last
  // (a row chosen in the finder), in place of those typed before, and
  // lays its measured peaks over the pattern (none takes earlier ones away).
  void TakeMeasured(const MeasuredValues& measured);

 signals:
  // The found m/z and the ion, for the formula finder.
  void FinderRequested(const QString& mz, const QString& ion);

 protected:
  void showEvent(QShowEvent* event) override;
  // Esc closes the window, as it closes a dialog.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The sticks, profile and note of one pattern, computed off the UI
  // thread, and the figure's title.
  struct PatternView {
    std::vector<mass::Peak> Sticks;
    std::vector<mass::ProfilePoint> Profile;
    QString Note;
    QString Subject;  // the molecule and the ion, whose change shows the whole pattern again
    QString Title, TitleHtml;
  };

  QWidget* CreateMassGroup();
  QWidget* CreatePaperGroup();
  QWidget* CreatePatternGroup();
  // Each step shows its part and runs the ones after it.
  void UpdateMolecule();
  void UpdateIon();
  void UpdateFound();
  void UpdatePaper();
  void StartPattern();
  void ShowPattern(const PatternView& view);
  // Shows the first refusal of the steps in red, or else what is to be said
  // of the measured values and of a solvate, in a warning colour.
  void ShowMessages();
  void CopyLine(bool hrms);
  void CopyTable();
  void SavePlot(bool svg);
  // Takes the resolving power typed or picked in ResolutionChooser, or says
  // what is wrong with it.
  void ChooseResolution();

  QLineEdit* Hill;
  QLineEdit* Monoisotopic;
  QLineEdit* Nominal;
  QLineEdit* DbeBox;
  QComboBox* IonChooser;
  QLineEdit* IonFormula;
  QLineEdit* Mz;
  QLineEdit* Found;
  QLineEdit* ErrorPpm;
  QLineEdit* ErrorMda;
  QPushButton* ToFinder;
  QComboBox* Method;
  QLabel* HrmsLine;
  QPushButton* CopyHrms;
  QLineEdit* FoundEa;
  QLabel* AnalLine;
  QPushButton* CopyAnal;
  QLabel* Message;
  QComboBox* ResolutionChooser;
  QLabel* Busy;
  QLabel* ResolutionMessage;
  QPushButton* WholeView;
  PatternPlot* Plot;
  QTableWidget* PeakTable;
  QPushButton* CopyPeaks;
  QSpinBox* FigureWidth;
  QPushButton* SavePng;
  QPushButton* SaveSvg;

  mass::AtomMap atoms_;
  const mass::IsotopeTable& isotopes_;
  CalculationShown shown_;
  bool stale_ = false;  // a calculation arrived while the window was hidden
  mass::Molecule molecule_;
  mass::IonSpec spec_;
  mass::Ion ion_;
  bool hasMolecule_ = false, hasIon_ = false;
  std::optional<double> found_;  // the measured m/z, when it is a number
  QString moleculeError_, ionError_, foundError_, eaError_;
  QString partsNote_, foundNote_, eaNotes_;  // said, not refused
  QString hrmsHtml_, analHtml_;
  BackgroundJob<PatternView> pattern_;
  QString patternSubject_;              // of the pattern shown
  std::optional<QString> measuredFor_;  // the formula the measured peaks were laid over
};

}  // namespace zorvan
