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

class QCheckBox;
class QComboBox;
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
  // A row clicked, or Enter on it: M's formula is to be calculated.
  void FormulaChosen(const QString& formula);
  // Right after FormulaChosen: the measured peaks (m/z, intensity) the grid
  // was ordered by, none without them, and the ion they were measured as.
  void PeaksChosen(const QString& ion, const std::vector<std::pair<double, double>>& peaks);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* CreateQueryGroup();
  // Fills `query` from the boxes. Returns an empty string, or what is wrong.
  QString ReadQuery(mass::FinderQuery& query) const;
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
  BackgroundJob<bool> search_;  // true when the search stopped at the row cap
  // The peaks and ion of the search shown, handed on with a chosen row.
  std::vector<std::pair<double, double>> searchedPeaks_;
  QString searchedIon_;
};

}  // namespace zorvan
