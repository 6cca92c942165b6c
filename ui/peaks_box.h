// The measured peaks of the finder window: pasted as "m/z intensity" lines,
// or taken from a compound of a SIRIUS .ms or MGF file, with the resolving
// power they were measured at.
#pragma once

#include <QGroupBox>
#include <vector>

#include "mass/isotope_score.h"
#include "mass/spectra.h"
#include "ui/background_job.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace zorvan {

class PeaksBox : public QGroupBox {
  Q_OBJECT

 public:
  explicit PeaksBox(QWidget* parent);

  // Reads the pasted peaks (none when the box is empty) and the resolving
  // power into `options`. Returns an empty string, or what is wrong.
  QString Read(std::vector<mass::MeasuredPeak>& peaks, mass::ScoreOptions& options) const;

 signals:
  // A compound of the opened file was chosen and its peaks written into the
  // box: its parent m/z and ion (empty when the file names none) are to be
  // searched.
  void CompoundChosen(const QString& mz, const QString& ion);

 private:
  void OpenFile();
  void ShowFile(const QString& name, const mass::Spectra& spectra);
  void ChooseCompound(int index);

  QPlainTextEdit* PeakText;
  QLineEdit* Resolution;
  QPushButton* OpenSpectra;
  QComboBox* CompoundChooser;
  QLabel* PeaksMessage;

  std::vector<mass::SpectrumCompound> compounds_;  // of the file opened last
  BackgroundJob<mass::Spectra> reading_;
};

}  // namespace zorvan
