#include "ui/peaks_box.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "mass/profile.h"  // ParseResolvingPower, ResolvingPowerText
#include "ui/tool_widgets.h"

namespace zorvan {
namespace {

QString Utf8(const std::string& s) { return QString::fromStdString(s); }

// A number as short as it reads back exactly.
QString Shortest(double value) { return QString::number(value, 'g', QLocale::FloatingPointShortest); }

}  // namespace

PeaksBox::PeaksBox(QWidget* parent)
    : QGroupBox(QStringLiteral(u"\u6E2C\u5B9A\u30D4\u30FC\u30AF(&K)"), parent), reading_(this) {  // 測定ピーク(&K)
  setObjectName(QStringLiteral("PeaksBox"));
  PeakText = Named<QPlainTextEdit>("PeakText", this);
  // m/z と強度を一行に一つ (タブ・空白・カンマ区切り)。測定値の同位体パターンで候補を並べます
  PeakText->setPlaceholderText(
      QStringLiteral(u"m/z \u3068\u5F37\u5EA6\u3092\u4E00\u884C\u306B\u4E00\u3064 (\u30BF\u30D6\u30FB\u7A7A\u767D"
                     u"\u30FB\u30AB\u30F3\u30DE\u533A\u5207\u308A)\u3002\u6E2C\u5B9A\u5024\u306E\u540C\u4F4D\u4F53"
                     u"\u30D1\u30BF\u30FC\u30F3\u3067\u5019\u88DC\u3092\u4E26\u3079\u307E\u3059"));
  PeakText->setTabChangesFocus(true);
  PeakText->setFixedHeight(PeakText->fontMetrics().lineSpacing() * 4 + 12);
  PeakText->setToolTip(Utf8(mass::PatternScoreHelp()));
  Resolution = MakeLineEdit("Resolution", this);
  Resolution->setText(Utf8(mass::ResolvingPowerText(mass::DefaultResolvingPower)));
  OpenSpectra = MakeButton("OpenSpectra", QStringLiteral(u"\u958B\u304F(&O)..."), this);  // 開く
  CompoundChooser = Named<QComboBox>("CompoundChooser", this);
  CompoundChooser->setEnabled(false);
  CompoundChooser->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  CompoundChooser->setMinimumContentsLength(16);
  PeaksMessage = MakeMessageLabel("PeaksMessage", this);

  auto* grid = new QGridLayout(this);
  grid->addWidget(PeakText, 0, 0, 3, 1);
  auto* resolution = new QLabel(QStringLiteral(u"\u5206\u89E3\u80FD(&V)"), this);  // 分解能
  resolution->setBuddy(Resolution);
  grid->addWidget(resolution, 0, 1);
  grid->addWidget(Resolution, 0, 2);
  grid->addWidget(OpenSpectra, 1, 1);
  grid->addWidget(CompoundChooser, 1, 2);
  grid->addWidget(PeaksMessage, 2, 1, 1, 2);
  grid->setColumnStretch(0, 2);
  grid->setColumnStretch(2, 1);

  connect(OpenSpectra, &QPushButton::clicked, this, &PeaksBox::OpenFile);
  connect(CompoundChooser, &QComboBox::activated, this, &PeaksBox::ChooseCompound);
}

QString PeaksBox::Read(std::vector<mass::MeasuredPeak>& peaks, mass::ScoreOptions& options) const {
  // Full-width digits and spaces, as an input method gives them, read as ASCII.
  const auto ascii = [](const QString& text) { return text.normalized(QString::NormalizationForm_KC).toStdString(); };
  if (std::string error = mass::ParsePeakList(ascii(PeakText->toPlainText()), peaks); !error.empty())
    return Utf8(error);
  if (std::string error = mass::ParseResolvingPower(ascii(Resolution->text().trimmed()), options.ResolvingPower);
      !error.empty())
    return QStringLiteral(u"\u5206\u89E3\u80FD: ") + Utf8(error);  // 分解能
  return {};
}

void PeaksBox::OpenFile() {
  // スペクトルを開く, スペクトル, すべてのファイル
  const QString name = QFileDialog::getOpenFileName(
      this, QStringLiteral(u"\u30B9\u30DA\u30AF\u30C8\u30EB\u3092\u958B\u304F"), {},
      QStringLiteral(
          u"\u30B9\u30DA\u30AF\u30C8\u30EB (*.ms *.mgf);;\u3059\u3079\u3066\u306E\u30D5\u30A1\u30A4\u30EB (*)"));
  if (name.isEmpty()) return;
  const std::optional<mass::SpectraFormat> format = mass::SpectraFormatOf(name.toStdString());
  QFile file(name);
  if (!format) {
    // 名前が .ms か .mgf で終わるファイルを選んでください
    PeaksMessage->setText(
        QStringLiteral(u"\u540D\u524D\u304C .ms \u304B .mgf \u3067\u7D42\u308F\u308B\u30D5\u30A1"
                       u"\u30A4\u30EB\u3092\u9078\u3093\u3067\u304F\u3060\u3055\u3044"));
    return;
  }
  if (!file.open(QIODevice::ReadOnly)) {
    PeaksMessage->setText(
        QFileInfo(name).fileName() +
        QStringLiteral(u": \u30D5\u30A1\u30A4\u30EB\u3092\u958B\u3051\u307E\u305B\u3093"));  // ファイルを開けません
    return;
  }
  // A large file is read off the user-interface thread.
  PeaksMessage->clear();
  reading_.Start([bytes = file.readAll(), format = *format](
                     const std::atomic<bool>&) { return mass::ReadSpectra(bytes.toStdString(), format); },
                 [this, name](mass::Spectra spectra) { ShowFile(name, spectra); });
}

void PeaksBox::ShowFile(const QString& name, const mass::Spectra& spectra) {
  compounds_ = spectra.Compounds;
  CompoundChooser->clear();
  for (const mass::SpectrumCompound& c : compounds_)
    CompoundChooser->addItem(Utf8(c.Name).simplified() + QStringLiteral("  m/z ") + Shortest(c.ParentMz));
  CompoundChooser->setEnabled(!compounds_.empty());
  // The first thing wrong in the file, with how many more; or that it holds no compound.
  QString said;
  if (!spectra.Messages.empty()) {
    const mass::SpectraMessage& first = spectra.Messages.front();
    said = QFileInfo(name).fileName() + QStringLiteral(":%1: ").arg(first.Line) + Utf8(first.Text);
    if (spectra.Messages.size() > 1)
      said += QStringLiteral(u"\uFF08\u307B\u304B %1 \u4EF6\uFF09").arg(spectra.Messages.size() - 1);  // （ほか n 件）
  }
  if (compounds_.empty())
    said += QStringLiteral(
        u"\u8AAD\u3081\u308B\u5316\u5408\u7269\u304C\u3042\u308A\u307E\u305B\u3093");  // 読める化合物がありません
  PeaksMessage->setText(said);
  if (compounds_.size() == 1) {
    ChooseCompound(0);
  } else if (!compounds_.empty()) {
    CompoundChooser->setFocus();
    CompoundChooser->showPopup();
  }
}

void PeaksBox::ChooseCompound(int index) {
  if (index < 0 || size_t(index) >= compounds_.size()) return;
  const mass::SpectrumCompound& compound = compounds_[size_t(index)];
  QString text;
  for (const mass::MeasuredPeak& peak : compound.Peaks)
    text += Shortest(peak.Mz) + QLatin1Char('\t') + Shortest(peak.Intensity) + QLatin1Char('\n');
  PeakText->setPlainText(text);
  emit CompoundChosen(Shortest(compound.ParentMz), Utf8(mass::QueryIon(compound)));
}

}  // namespace zorvan
