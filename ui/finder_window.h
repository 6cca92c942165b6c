// The formula finder window: from a measured m/z, or an elemental analysis,
// to every formula that fits.
#pragma once

#include <QWidget>
#include <memory>
#include <utility>
#include <vector>

#include "core/reference_tables.h"
#include "mass/finder.h"
#include "ui/background_job.h"
#include "ui/calculation_shown.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class QTimer;

namespace zorvan {

class CandidateModel;
class PeaksBox;
struct FinderInbox;
struct SearchEnd;
struct SearchQuestion;

// Knows nothing of the window that creates it: a chosen row leaves by the
// FormulaChosen signal.
class FinderWindow : public QWidget {
  Q_OBJECT

 public:
  // `tables` (atom.csv weights) and `isotopes` must outlive the window.
  FinderWindow(const ReferenceTables& tables, const mass::IsotopeTable& isotopes, QWidget* parent);
  ~FinderWindow() override;

  // Writes `mz` and `ion` into their boxes and searches.
  void SearchFor(const QString& mz, const QString& ion);

 signals:
  // A row clicked, or Enter on it: M's formula is to be calculated, with the
  // row's ion and the measured values (and peaks) it was found for.
  void FormulaChosen(const QString& formula, const MeasuredValues& measured);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Enter in any field searches; Esc closes the window.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QWidget* CreateQueryGroup();
  // The boxes of the question, with their defaults, and their places.
  void CreateQueryBoxes(QGroupBox* group);
  void LayOutQuery(QGroupBox* group);
  // Fills `question` from the boxes and the peaks. Returns an empty string,
  // or what is wrong.
  QString ReadQuestion(SearchQuestion& question) const;
  // Fills `query` and `ions` from the boxes. Returns an empty string, or
  // what is wrong.
  QString ReadQuery(mass::FinderQuery& query, std::vector<mass::IonSpec>& ions) const;
  // Shows the rows of a search that ended.
  void Finish(SearchEnd& end);
  void Search();
  void Stop();
  // Moves the rows the search has found so far into the grid; `finished`
  // when the search has ended and the rows are to be put in order.
  void TakeRows(bool finished);
  void ChooseRow(int row);

  QLineEdit* MzBox;
  QComboBox* IonChooser;
  QLineEdit* Tolerance;
  QComboBox* ToleranceUnit;
  QLineEdit* Ranges;
  QComboBox* Presets;
  QLineEdit* DbeMin;
  QLineEdit* DbeMax;
  QCheckBox* IntegerDbe;
  QCheckBox* Rules;
  QLineEdit* Percent;
  QLineEdit* PercentTolerance;
  QLineEdit* WeightRange;
  QPushButton* Find;
  QPushButton* Cancel;
  QPushButton* CopyResults;
  QLabel* Message;
  QLabel* Count;
  QProgressBar* Progress;
  QTableView* Results;
  PeaksBox* Peaks;

  const ReferenceTables& tables_;
  const mass::IsotopeTable& isotopes_;
  CandidateModel* model_;
  std::shared_ptr<FinderInbox> inbox_;  // the running search's rows, until taken
  QTimer* poll_;
  std::vector<mass::IonSpec> ions_;  // of the search shown
  BackgroundJob<std::shared_ptr<SearchEnd>> search_;
  // The measured peaks (m/z, intensity) of the search shown, handed on with a
  // chosen row; none when it was ordered by mass.
  std::vector<std::pair<double, double>> searchedPeaks_;
  double searchedResolvingPower_ = 0;
};

}  // namespace zorvan
