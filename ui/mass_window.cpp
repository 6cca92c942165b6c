#include "ui/mass_window.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardPaths>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "core/explain.h"  // JoinNotes
#include "mass/paper.h"
#include "mass/parts.h"
#include "mass/percent_text.h"
#include "ui/controls.h"
#include "ui/pattern_plot.h"
#include "ui/tool_widgets.h"

namespace zorvan {
namespace {

const char* const Methods[] = {"ESI", "APCI", "EI", "CI", "FAB", "MALDI", "DART"};
constexpr size_t PatternPeakCap = 20000;  // enough for proteins at a 0.01% floor, cheap to list
// The resolving powers offered in the list; any other can be typed.
constexpr int ResolutionPresets[] = {10000, 30000, 60000, 120000};
// A saved figure's width in pixels at 300 dpi: 8.5 cm, one column of a
// journal page, to 68 cm; 1600 (13.5 cm) unless chosen.
constexpr int MinFigureWidth = 1000, MaxFigureWidth = 8000, DefaultFigureWidth = 1600;

QString Utf8(const std::string& s) { return QString::fromStdString(s); }

// Returns a box for a line of an experimental section: wrapped, so that the
// whole line shows however long the formula, and selectable.
QLabel* MakePaperLine(const char* name, QWidget* parent) {
  auto* line = Named<QLabel>(name, parent);
  line->setTextFormat(Qt::PlainText);
  line->setWordWrap(true);
  line->setTextInteractionFlags(Qt::TextSelectableByMouse);
  line->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  line->setBackgroundRole(QPalette::Base);
  line->setAutoFillBackground(true);
  line->setMinimumHeight(line->fontMetrics().height() * 3 + 8);
  // However small the window, three lines of this width hold a line with
  // a found value (about 90 characters).
  line->setMinimumWidth(line->fontMetrics().averageCharWidth() * 34);
  line->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  return line;
}

// Returns the chooser of the resolving power, R = 30 000 chosen. An item's
// data is R; 0 sums by nominal mass, -1 lists the fine structure. Another R
// typed in joins the list in its place.
QComboBox* MakeResolutionChooser(QWidget* parent) {
  auto* chooser = Named<QComboBox>("ResolutionChooser", parent);
  chooser->setEditable(true);
  chooser->setInsertPolicy(QComboBox::NoInsert);
  chooser->addItem(QStringLiteral(u"\u30E6\u30CB\u30C3\u30C8"), 0.0);  // ユニット
  for (int r : ResolutionPresets) chooser->addItem(Utf8(mass::ResolvingPowerText(r)), double(r));
  chooser->addItem(QStringLiteral(u"\u30D5\u30A1\u30A4\u30F3"), -1.0);  // ファイン
  chooser->setCurrentIndex(2);
  return chooser;
}

// Returns the box of a saved figure's width.
QSpinBox* MakeFigureWidth(QWidget* parent) {
  auto* width = Named<QSpinBox>("FigureWidth", parent);
  width->setRange(MinFigureWidth, MaxFigureWidth);
  width->setSingleStep(100);
  width->setValue(DefaultFigureWidth);
  width->setSuffix(QStringLiteral(" px"));
  width->setToolTip(QStringLiteral(u"\u4FDD\u5B58\u3059\u308B\u56F3\u306E\u5E45 (300 dpi)"));  // 保存する図の幅
  return width;
}

// Whether `a` and `b` are calculations of the same compound: the same text,
// calculated the same way (the group option changes the counts).
bool SameCompound(const CalculationShown& a, const CalculationShown& b) {
  return a.Formula == b.Formula && a.Value.Status == b.Value.Status && a.Value.Counts == b.Value.Counts;
}

// Shows `box`'s text in the style's warning colour while `warn`.
void MarkWarning(QWidget* box, bool warn) {
  QPalette palette = box->parentWidget()->palette();
  if (warn) palette.setColor(QPalette::Text, QColor(0xB0, 0x50, 0x00));
  box->setPalette(palette);
}

}  // namespace

MassWindow::MassWindow(const ElementTable& elements, const mass::IsotopeTable& isotopes, QWidget* parent)
    : QWidget(parent, Qt::Window), atoms_(elements, isotopes), isotopes_(isotopes), pattern_(this) {
  setObjectName(QStringLiteral("MassWindow"));
  setWindowTitle(QStringLiteral(u"\u8CEA\u91CF\u5206\u6790"));  // 質量分析
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  top->addWidget(CreateMassGroup());
  top->addWidget(CreatePaperGroup(), 1);
  layout->addLayout(top);
  Message = MakeMessageLabel("Message", this);
  layout->addWidget(Message);
  layout->addWidget(CreatePatternGroup(), 1);
  resize(920, 760);
  Found->setFocus();
  UpdateMolecule();
}

QWidget* MassWindow::CreateMassGroup() {
  auto* group = new QGroupBox(QStringLiteral(u"\u5206\u5B50\u3068\u30A4\u30AA\u30F3"), this);  // 分子とイオン
  auto* form = new QFormLayout(group);
  Hill = MakeReadOnly("Hill", group);
  Monoisotopic = MakeReadOnly("Monoisotopic", group);
  Nominal = MakeReadOnly("Nominal", group);
  DbeBox = MakeReadOnly("Dbe", group);
  IonChooser = MakeIonChooser("IonChooser", group);
  IonFormula = MakeReadOnly("IonFormula", group);
  Mz = MakeReadOnly("Mz", group);
  Found = MakeLineEdit("Found", group);
  // An example, marked as one: a grey number alone reads like a value.
  Found->setPlaceholderText(QStringLiteral(u"\u4F8B: 171.0783"));  // 例: 171.0783
  ErrorPpm = MakeReadOnly("ErrorPpm", group);
  ErrorMda = MakeReadOnly("ErrorMda", group);
  // 組成推定へ
  ToFinder = MakeButton("ToFinder", QStringLiteral(u"\u7D44\u6210\u63A8\u5B9A\u3078(&K)"), group);  // 組成推定へ(&K)
  auto* found = new QHBoxLayout;
  found->addWidget(Found, 1);
  found->addWidget(ToFinder);
  // Every box wide enough for a mass with its decimals or a formula of an ion.
  for (QWidget* box :
       std::initializer_list<QWidget*>{Hill, Monoisotopic, Nominal, DbeBox, IonFormula, Mz, Found, ErrorPpm, ErrorMda})
    box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("C20H26NaO6S2 000")));
  // 組成式 (Hill), モノアイソトピック質量, ノミナル質量, イオン(&I), イオン式, 実測値(&U),
  // 実測値 − 計算値 (ppm), 実測値 − 計算値 (mDa)
  form->addRow(QStringLiteral(u"\u7D44\u6210\u5F0F (Hill)"), Hill);  // 組成式 (Hill)
  form->addRow(
      QStringLiteral(u"\u30E2\u30CE\u30A2\u30A4\u30BD\u30C8\u30D4\u30C3\u30AF\u8CEA\u91CF"),  // モノアイソトピック質量
      Monoisotopic);                                                               // モノアイソトピック質量
  form->addRow(QStringLiteral(u"\u30CE\u30DF\u30CA\u30EB\u8CEA\u91CF"), Nominal);  // ノミナル質量
  form->addRow(QStringLiteral("DBE"), DbeBox);
  form->addRow(QStringLiteral(u"\u30A4\u30AA\u30F3(&I)"), IonChooser);    // イオン(&I)
  form->addRow(QStringLiteral(u"\u30A4\u30AA\u30F3\u5F0F"), IonFormula);  // イオン式
  form->addRow(QStringLiteral("m/z"), Mz);
  form->addRow(QStringLiteral(u"\u5B9F\u6E2C\u5024(&U)"), found);  // 実測値(&U)
  static_cast<QLabel*>(form->labelForField(found))->setBuddy(Found);
  form->addRow(QStringLiteral(u"\u5B9F\u6E2C\u5024 \u2212 \u8A08\u7B97\u5024 (ppm)"),  // 実測値 − 計算値 (ppm)
               ErrorPpm);                                                              // 実測値 − 計算値 (ppm)
  form->addRow(QStringLiteral(u"\u5B9F\u6E2C\u5024 \u2212 \u8A08\u7B97\u5024 (mDa)"),  // 実測値 − 計算値 (mDa)
               ErrorMda);                                                              // 実測値 − 計算値 (mDa)

  OnIonChosen(IonChooser, this, [this] { UpdateIon(); });
  connect(Found, &QLineEdit::textChanged, this, [this] {
    UpdateFound();
    UpdatePaper();
  });
  connect(ToFinder, &QPushButton::clicked, this,
          [this] { emit FinderRequested(Found->text().trimmed(), IonChooser->currentText()); });
  return group;
}

QWidget* MassWindow::CreatePaperGroup() {
  auto* group = new QGroupBox(QStringLiteral(u"\u8AD6\u6587\u7528"), this);  // 論文用
  auto* form = new QFormLayout(group);
  Method = Named<QComboBox>("Method", group);
  for (const char* method : Methods) Method->addItem(QLatin1String(method));
  HrmsLine = MakePaperLine("HrmsLine", group);
  CopyHrms = MakeButton("CopyHrms", QStringLiteral(u"\uFF7A\uFF8B\uFF9F\uFF70(&C)"), group);  // ｺﾋﾟｰ
  FoundEa = MakeLineEdit("FoundEa", group);
  FoundEa->setPlaceholderText(QStringLiteral(u"\u4F8B: C=80.95, H=8.20"));  // 例: C=80.95, H=8.20
  FoundEa->setMinimumWidth(FoundEa->fontMetrics().horizontalAdvance(QStringLiteral("C=00.00, H=0.00, N=00.00 ")));
  AnalLine = MakePaperLine("AnalLine", group);
  CopyAnal = MakeButton("CopyAnal", QStringLiteral(u"\uFF7A\uFF8B\uFF9F\uFF70(&P)"), group);  // ｺﾋﾟｰ(&P)
  auto row = [group](QWidget* line, QPushButton* button) {
    auto* box = new QHBoxLayout;
    box->addWidget(line, 1);
    box->addWidget(button);
    return box;
  };
  // イオン化法(&E), 元素分析の実測値(&A)
  form->addRow(QStringLiteral(u"\u30A4\u30AA\u30F3\u5316\u6CD5(&E)"), Method);  // イオン化法(&E)
  form->addRow(QStringLiteral("HRMS"), row(HrmsLine, CopyHrms));
  form->addRow(QStringLiteral(u"\u5143\u7D20\u5206\u6790\u306E\u5B9F\u6E2C\u5024(&A)"),  // 元素分析の実測値(&A)
               FoundEa);                                                                 // 元素分析の実測値(&A)
  form->addRow(QStringLiteral("Anal."), row(AnalLine, CopyAnal));

  connect(Method, &QComboBox::currentIndexChanged, this, &MassWindow::UpdatePaper);
  connect(FoundEa, &QLineEdit::textChanged, this, &MassWindow::UpdatePaper);
  connect(CopyHrms, &QPushButton::clicked, this, [this] { CopyLine(true); });
  connect(CopyAnal, &QPushButton::clicked, this, [this] { CopyLine(false); });
  return group;
}

QWidget* MassWindow::CreatePatternGroup() {
  auto* group = new QGroupBox(QStringLiteral(u"\u540C\u4F4D\u4F53\u30D1\u30BF\u30FC\u30F3"), this);  // 同位体パターン
  auto* layout = new QVBoxLayout(group);
  auto* bar = new QHBoxLayout;
  ResolutionChooser = MakeResolutionChooser(group);
  auto* label = new QLabel(QStringLiteral(u"\u5206\u89E3\u80FD(&R)"), group);  // 分解能
  label->setBuddy(ResolutionChooser);
  Busy = Named<QLabel>("Busy", group);
  WholeView = MakeButton("WholeView", QStringLiteral(u"\u5168\u4F53\u8868\u793A(&H)"), group);  // 全体表示
  CopyPeaks = MakeButton("CopyPeaks", QStringLiteral(u"\u8868\u3092\uFF7A\uFF8B\uFF9F\uFF70(&T)"), group);  // 表をｺﾋﾟｰ
  FigureWidth = MakeFigureWidth(group);
  auto* widthLabel = new QLabel(QStringLiteral(u"\u56F3\u306E\u5E45(&W)"), group);  // 図の幅
  widthLabel->setBuddy(FigureWidth);
  SavePng = MakeButton("SavePng", QStringLiteral(u"PNG \u3067\u4FDD\u5B58(&N)"), group);  // PNG で保存
  SaveSvg = MakeButton("SaveSvg", QStringLiteral(u"SVG \u3067\u4FDD\u5B58(&S)"), group);  // SVG で保存(&S)
  for (QWidget* widget : std::initializer_list<QWidget*>{label, ResolutionChooser, Busy}) bar->addWidget(widget);
  bar->addStretch(1);
  for (QWidget* widget :
       std::initializer_list<QWidget*>{WholeView, CopyPeaks, widthLabel, FigureWidth, SavePng, SaveSvg})
    bar->addWidget(widget);
  layout->addLayout(bar);
  ResolutionMessage = MakeMessageLabel("ResolutionMessage", group);
  ResolutionMessage->hide();
  layout->addWidget(ResolutionMessage);

  auto* split = new QSplitter(group);
  Plot = Named<PatternPlot>("Plot", split);
  // 相対強度 (%)
  PeakTable = MakeResultGrid("PeakTable",
                             {QStringLiteral("m/z"), QStringLiteral(u"\u76F8\u5BFE\u5F37\u5EA6 (%)")},  // 相対強度 (%)
                             split);  // 相対強度 (%)
  split->addWidget(Plot);
  split->addWidget(PeakTable);
  split->setStretchFactor(0, 3);
  split->setStretchFactor(1, 1);
  // Room for both columns beside a vertical scroll bar.
  PeakTable->setMinimumWidth(
      PeakTable->fontMetrics().horizontalAdvance(QStringLiteral("000000.00000 ")) +
      PeakTable->fontMetrics().horizontalAdvance(QStringLiteral(u"\u76F8\u5BFE\u5F37\u5EA6 (%) ")) +  // 相対強度 (%)
      PeakTable->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 24);
  layout->addWidget(split, 1);

  connect(ResolutionChooser, &QComboBox::currentIndexChanged, this, &MassWindow::StartPattern);
  OnIonChosen(ResolutionChooser, this, [this] { ChooseResolution(); });
  connect(WholeView, &QPushButton::clicked, Plot, &PatternPlot::ResetZoom);
  connect(CopyPeaks, &QPushButton::clicked, this, &MassWindow::CopyTable);
  connect(SavePng, &QPushButton::clicked, this, [this] { SavePlot(false); });
  connect(SaveSvg, &QPushButton::clicked, this, [this] { SavePlot(true); });
  return group;
}

void MassWindow::ShowCalculation(const CalculationShown& shown) {
  if (measuredFor_ && *measuredFor_ != shown.Formula) SetMeasuredPeaks({});
  // The measured values belong to the compound they were typed for: another
  // formula, by whatever path it came, starts without them.
  if (!shown_.Formula.isEmpty() && !SameCompound(shown, shown_)) {
    const QSignalBlocker foundBlocker(Found), eaBlocker(FoundEa);
    Found->clear();
    FoundEa->clear();
  }
  shown_ = shown;
  // A hidden window computes nothing; it catches up when shown.
  stale_ = !isVisible();
  if (!stale_) UpdateMolecule();
}

void MassWindow::TakeMeasured(const MeasuredValues& measured) {
  {
    const QSignalBlocker ionBlocker(IonChooser), foundBlocker(Found), eaBlocker(FoundEa),
        resolutionBlocker(ResolutionChooser);
    if (!measured.Ion.isEmpty()) IonChooser->setCurrentText(measured.Ion);
    Found->setText(measured.Mz);
    FoundEa->setText(measured.Percent);
    // Measured peaks are laid over the pattern at the resolving power they were measured at.
    if (measured.ResolvingPower > 0) {
      ResolutionChooser->setEditText(Utf8(mass::ResolvingPowerText(measured.ResolvingPower)));
      ChooseResolution();
    }
  }
  SetMeasuredPeaks(measured.Peaks);
  if (!stale_ && isVisible()) UpdateIon();
}

void MassWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape)
    close();
  else
    QWidget::keyPressEvent(event);
}

void MassWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (stale_) {
    stale_ = false;
    UpdateMolecule();
  }
}

void MassWindow::UpdateMolecule() {
  molecule_.clear();
  moleculeError_.clear();
  const Calculation& calc = shown_.Value;
  if (calc.Status != CalcStatus::Ok) {
    // 分子式が正しくありません
    if (!shown_.Formula.isEmpty())
      moleculeError_ = QStringLiteral(u"\u5206\u5B50\u5F0F\u304C\u6B63\u3057\u304F\u3042\u308A\u307E\u305B\u3093: ") +
                       QString::fromStdU16String(JoinNotes(calc.Notes, u"\n"));
  } else {
    // Of a solvate or salt, the part before the first "*".
    const Calculation& molecular = shown_.FirstPart ? *shown_.FirstPart : calc;
    moleculeError_ = Utf8(atoms_.ToMolecule(molecular.Counts, molecular.Named, molecule_));
    if (!moleculeError_.isEmpty()) molecule_.clear();
  }
  const mass::FormulaParts parts = mass::SplitParts(shown_.Formula.toStdU16String());
  partsNote_ = shown_.FirstPart && !parts.Rest.empty() ? Utf8(mass::LeftOutNote(parts)) : QString();
  hasMolecule_ = !molecule_.empty();
  SetBoxText(Hill, hasMolecule_ ? Utf8(mass::HillFormula(molecule_)) : QString());
  SetBoxText(Monoisotopic, hasMolecule_ ? QString::number(mass::MonoisotopicMass(molecule_), 'f', 5) : QString());
  SetBoxText(Nominal, hasMolecule_ ? QString::number(mass::NominalMass(molecule_)) : QString());
  const std::optional<double> dbe = hasMolecule_ ? mass::Dbe(molecule_) : std::nullopt;
  SetBoxText(DbeBox, dbe ? QString::number(*dbe) : QString());
  UpdateIon();
}

void MassWindow::UpdateIon() {
  // Without a molecule only the notation itself can be wrong.
  ionError_ = Utf8(mass::ParseIon(IonChooser->currentText().trimmed().toStdString(), isotopes_, spec_));
  hasIon_ = false;
  if (ionError_.isEmpty() && hasMolecule_) {
    ionError_ = Utf8(mass::FormIon(molecule_, spec_, ion_));
    hasIon_ = ionError_.isEmpty();
  }
  SetBoxText(IonFormula, hasIon_ ? Utf8(mass::HillFormula(ion_.Formula)) : QString());
  SetBoxText(Mz, hasIon_ ? QString::number(ion_.Mz, 'f', 4) : QString());
  UpdateFound();
  UpdatePaper();
  StartPattern();
}

void MassWindow::UpdateFound() {
  const QString text = Found->text().trimmed();
  double found = 0;
  found_.reset();
  if (mass::ReadTypedNumber(text.toStdString(), found) && found > 0) found_ = found;
  // 実測値 (m/z) が正の数ではありません
  foundError_ = text.isEmpty() || found_ ? QString()
                                         : QStringLiteral(
                                               u"\u5B9F\u6E2C\u5024 (m/z) "
                                               u"\u304C\u6B63\u306E\u6570\u3067\u306F\u3042\u308A\u307E\u305B\u3093:"
                                               u" ") +  // 実測値 (m/z) が正の数ではありません:
                                               text;    // 実測値 (m/z) が正の数ではありません:
  const bool shown = hasIon_ && found_;
  const mass::MassError error = shown ? mass::ErrorOf(ion_.Mz, *found_) : mass::MassError{};
  foundNote_ = shown ? Utf8(mass::FoundNote(ion_.Mz, *found_)) : QString();
  SetBoxText(ErrorPpm, shown ? Fixed(error.Ppm, 1) : QString());
  SetBoxText(ErrorMda, shown ? Fixed(error.Mda, 1) : QString());
  const bool far = shown && std::abs(error.Ppm) > mass::FoundFarPpm;
  for (QWidget* box : std::initializer_list<QWidget*>{Found, ErrorPpm, ErrorMda}) MarkWarning(box, far);
}

void MassWindow::UpdatePaper() {
  mass::PaperLine hrms;
  if (hasIon_) hrms = mass::HrmsLine(Method->currentText().toStdString(), spec_, ion_, found_);
  mass::MeasuredPercent measured;
  eaError_ = Utf8(mass::ParsePercentages(FoundEa->text().toStdString(), measured));
  const mass::Percentages calculated = mass::ListedPercentages(shown_.Value);
  mass::FoundAnalysis found;
  if (hasMolecule_) found = mass::SortFound(measured, calculated);
  eaNotes_.clear();
  for (const std::string& note : mass::FoundNotes(found)) eaNotes_ += (eaNotes_.isEmpty() ? "" : "\n") + Utf8(note);
  MarkWarning(FoundEa, !found.Beyond.empty());
  mass::PaperLine anal;
  if (hasMolecule_) {
    const std::string hill = mass::HillFormula(molecule_);
    const mass::FormulaParts parts = mass::SplitParts(shown_.Formula.toStdU16String());
    anal = mass::AnalysisLine(shown_.FirstPart ? mass::PartsNotation(hill, parts) : hill, calculated, found.Kept);
  }
  HrmsLine->setText(Utf8(hrms.Plain));
  AnalLine->setText(Utf8(anal.Plain));
  hrmsHtml_ = Utf8(hrms.Html);
  analHtml_ = Utf8(anal.Html);
  CopyHrms->setEnabled(!hrms.Plain.empty());
  CopyAnal->setEnabled(!anal.Plain.empty());
  ShowMessages();
}

void MassWindow::ShowMessages() {
  for (const QString& message : {moleculeError_, ionError_, foundError_, eaError_}) {
    if (!message.isEmpty()) {
      Message->setStyleSheet(QStringLiteral("color: #b00000;"));
      Message->setText(message);
      return;
    }
  }
  QStringList said;
  for (const QString& note : {foundNote_, eaNotes_, partsNote_})
    if (!note.isEmpty()) said << note;
  Message->setStyleSheet(QStringLiteral("color: #b05000;"));
  Message->setText(said.join(u'\n'));
}

void MassWindow::StartPattern() {
  if (!hasIon_) {
    pattern_.Cancel();
    ShowPattern({});
    return;
  }
  const double r = ResolutionChooser->currentData().toDouble();
  const std::string hill = mass::HillFormula(molecule_);
  const mass::PaperLine title = mass::FigureTitle(
      hill, spec_,
      r > 0 ? mass::ResolvingPowerText(r)
            : ResolutionChooser->itemText(ResolutionChooser->currentIndex()).toStdString());  // not what is typed
  PatternView named;
  named.Subject = Utf8(hill + " " + spec_.PaperNotation);
  named.Title = Utf8(title.Plain);
  named.TitleHtml = Utf8(title.Html);
  Busy->setText(QStringLiteral(u"\u8A08\u7B97\u4E2D\u2026"));  // 計算中…
  pattern_.Start(
      [formula = ion_.Formula, charge = ion_.Charge, r, named](const std::atomic<bool>& cancel) {
        mass::PatternRequest request;
        request.MaxPeaks = PatternPeakCap;
        request.Kind = r == 0 ? mass::Resolution::Unit : r < 0 ? mass::Resolution::Fine : mass::Resolution::Centroid;
        request.ResolvingPower = std::max(r, 0.0);
        mass::Pattern pattern = mass::ComputePattern(formula, charge, request, &cancel);
        PatternView view = named;
        view.Note = Utf8(pattern.Note);
        if (pattern.Capped && !cancel && request.Kind != mass::Resolution::Unit) {
          // Too many fine peaks to list: the unit sums are exact at any size,
          // and at the widths where this happens a profile drawn over them
          // differs little from one over the centroids.
          request.Kind = mass::Resolution::Unit;
          pattern = mass::ComputePattern(formula, charge, request, &cancel);
          // 微細構造のピークが %1 本を超えるため、ユニットの和を表示しています
          view.Note = QStringLiteral(
                          u"\u5FAE\u7D30\u69CB\u9020\u306E\u30D4\u30FC\u30AF\u304C %1 \u672C\u3092"
                          u"\u8D85\u3048\u308B\u305F\u3081\u3001\u30E6\u30CB\u30C3\u30C8\u306E"
                          u"\u548C\u3092\u8868\u793A\u3057\u3066\u3044\u307E\u3059")
                          .arg(PatternPeakCap);
        }
        if (r > 0 && !cancel) view.Profile = mass::Envelope(pattern.Peaks, r);
        view.Sticks = std::move(pattern.Peaks);
        return view;
      },
      [this](const PatternView& view) { ShowPattern(view); });
}

void MassWindow::ShowPattern(const PatternView& view) {
  Busy->setText(view.Note);
  PeakTable->setRowCount(int(view.Sticks.size()));
  for (int row = 0; row < int(view.Sticks.size()); ++row) {
    const mass::Peak& peak = view.Sticks[size_t(row)];
    SetCells(PeakTable, row, {QString::number(peak.Mz, 'f', 5), QString::number(peak.Relative, 'f', 2)});
  }
  PeakTable->resizeColumnToContents(0);
  PeakTable->scrollToTop();
  Plot->SetTitle(view.Title, view.TitleHtml);
  // Another resolving power over the same ion keeps the part zoomed into.
  Plot->SetPattern(view.Sticks, view.Profile, view.Subject == patternSubject_ && !view.Subject.isEmpty());
  patternSubject_ = view.Subject;
}

void MassWindow::SetMeasuredPeaks(const std::vector<std::pair<double, double>>& peaks) {
  std::vector<mass::Peak> measured = mass::RelativePeaks(peaks);
  measuredFor_ = measured.empty() ? std::nullopt : std::optional(shown_.Formula);
  Plot->SetMeasured(std::move(measured));
}

void MassWindow::ChooseResolution() {
  const QString typed = ResolutionChooser->currentText().trimmed();
  int index = ResolutionChooser->findText(typed, Qt::MatchFixedString);
  QString error;
  if (index < 0) {
    // Full-width digits and spaces, as an input method gives them, read as ASCII.
    double r = 0;
    error = Utf8(mass::ParseResolvingPower(typed.normalized(QString::NormalizationForm_KC).toStdString(), r));
    r = std::round(r);
    for (int i = 0; error.isEmpty() && index < 0 && i < ResolutionChooser->count(); ++i) {
      const double item = ResolutionChooser->itemData(i).toDouble();
      if (item == r) index = i;
      if (item > r || item < 0) {
        ResolutionChooser->insertItem(i, Utf8(mass::ResolvingPowerText(r)), r);
        index = i;
      }
    }
  }
  ResolutionMessage->setText(error);
  ResolutionMessage->setVisible(!error.isEmpty());
  if (index < 0) return;
  ResolutionChooser->setCurrentIndex(index);
  ResolutionChooser->setEditText(ResolutionChooser->itemText(index));
}

void MassWindow::CopyLine(bool hrms) { PutBoth((hrms ? HrmsLine : AnalLine)->text(), hrms ? hrmsHtml_ : analHtml_); }

void MassWindow::CopyTable() { QGuiApplication::clipboard()->setText(TableAsTsv(PeakTable->model())); }

void MassWindow::SavePlot(bool svg) {
  const QString suffix = svg ? QStringLiteral("svg") : QStringLiteral("png");
  // Not the working directory, which holds the data files.
  QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (!QDir(folder).exists()) folder = QDir::homePath();
  const QString name = (Hill->text().isEmpty() ? QStringLiteral("pattern") : Hill->text()) + u'.' + suffix;
  const QString path = QFileDialog::getSaveFileName(
      this, suffix.toUpper() + QStringLiteral(u" \u3067\u4FDD\u5B58"),  // で保存
      QDir(folder).filePath(name), suffix.toUpper() + QStringLiteral(" (*.") + suffix + u')');
  if (path.isEmpty()) return;
  const QString error = svg ? Plot->SaveSvg(path, FigureWidth->value()) : Plot->SavePng(path, FigureWidth->value());
  if (!error.isEmpty())  // 保存できません
    Message->setText(QStringLiteral(u"\u4FDD\u5B58\u3067\u304D\u307E\u305B\u3093: ") + path + QStringLiteral(" (") +
                     error + u')');
}

}  // namespace zorvan
