#include "ui/finder_window.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <mutex>

#include "mass/candidate_rank.h"
#include "mass/percent_text.h"
#include "ui/peaks_box.h"
#include "ui/tool_widgets.h"

namespace zorvan {
namespace {

// More rows than a chemist reads; a wider question is stopped there and says so.
constexpr size_t RowCap = 100000;
constexpr size_t ChunkRows = 256;  // rows handed over at a time
constexpr int PollMilliseconds = 100;

QString Utf8(const std::string& s) { return QString::fromStdString(s); }

struct Row {
  mass::Candidate Found;
  QStringList Cells;
};

}  // namespace

// What a running search has found and not yet handed to the grid.
struct FinderInbox {
  std::mutex Lock;
  std::vector<Row> Rows;
  double Fraction = 0;
  // With measured peaks: every row, best first, once the search has ended,
  // and what the window says of the ranking.
  std::optional<std::vector<Row>> Ranked;
  QString RankNote;
};

// The candidates as the grid shows them, one row each.
class CandidateModel : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;

  // Empties the grid and gives it `headers`.
  void Reset(QStringList headers) {
    beginResetModel();
    headers_ = std::move(headers);
    rows_.clear();
    endResetModel();
  }
  void Append(std::vector<Row>& rows) {
    if (rows.empty()) return;
    beginInsertRows({}, int(rows_.size()), int(rows_.size() + rows.size()) - 1);
    std::move(rows.begin(), rows.end(), std::back_inserter(rows_));
    endInsertRows();
  }
  // In the order the finder lists candidates: the best first.
  void Sort() {
    beginResetModel();
    std::ranges::sort(rows_, mass::CandidateBefore, &Row::Found);
    endResetModel();
  }
  // Puts `rows` in place of the grid's rows, in their order.
  void Replace(std::vector<Row> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
  }
  QString Formula(int row) const { return Utf8(rows_[size_t(row)].Found.Hill); }

  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : int(rows_.size()); }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : int(headers_.size()); }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role == Qt::TextAlignmentRole && index.column() > 1) return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    return rows_[size_t(index.row())].Cells.value(index.column());
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return headers_.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
  }

 private:
  QStringList headers_;
  std::vector<Row> rows_;
};

namespace {

// Returns the grid row of `candidate`, with the m/z columns filled when
// `withMz` and the weight and percentages when `withWeight`.
Row MakeRow(const mass::Candidate& candidate, bool withMz, bool withWeight) {
  Row row{candidate, {Utf8(candidate.Hill)}};
  if (withMz) {
    row.Cells << Utf8(mass::HillFormula(candidate.Ionized.Formula)) << Fixed(candidate.Ionized.Mz, 5)
              << Fixed(candidate.ErrorPpm, 2) << Fixed(candidate.ErrorMda, 2);
  } else {
    row.Cells << QString() << QString() << QString() << QString();
  }
  row.Cells << (candidate.Dbe ? QString::number(*candidate.Dbe) : QString());
  if (withWeight) row.Cells << Utf8(candidate.Weight);
  for (const auto& [symbol, percent] : candidate.Percent) row.Cells << Utf8(percent);
  return row;
}

// Orders `found` by how well each explains `peaks` (best first), as rows
// that end with the score and its parts; `note` says when the peaks fit
// none, or could not be scored.
std::vector<Row> RankedRows(std::vector<mass::Candidate>& found, const mass::FinderQuery& query,
                            const std::vector<mass::MeasuredPeak>& peaks, const mass::ScoreOptions& options,
                            bool withWeight, const std::atomic<bool>& cancel, QString& note) {
  std::ranges::sort(found, mass::CandidateBefore);
  const mass::RankedCandidates rank = mass::RankCandidates(found, query, peaks, options, mass::ScoredInFull, &cancel);
  // 。元素の範囲、イオン、分解能を見直してください
  note = rank.FitsNone ? Utf8(std::string(mass::FitsNoneText)) +
                             QStringLiteral(
                                 u"\u3002\u5143\u7D20\u306E\u7BC4\u56F2\u3001\u30A4\u30AA\u30F3\u3001"
                                 u"\u5206\u89E3\u80FD\u3092\u898B\u76F4\u3057\u3066\u304F\u3060\u3055\u3044")
                       : Utf8(rank.MassAlone);
  std::vector<Row> rows;
  rows.reserve(rank.Ranked.size());
  for (const mass::RankedIon& r : rank.Ranked) {
    rows.push_back(MakeRow(found[r.Index], true, withWeight));
    rows.back().Cells << (r.Score ? Utf8(mass::ScoreText(r.Score->Total)) : QString())
                      << Utf8(mass::ScoreNote(rank, r));
  }
  return rows;
}

// Reads "a-b" or "a:b" into two numbers with a <= b.
bool ReadRange(const QString& text, double& low, double& high) {
  static const QRegularExpression pattern(QStringLiteral(R"(^\s*([0-9.]+)\s*[-:~]\s*([0-9.]+)\s*$)"));
  const QRegularExpressionMatch match = pattern.match(text);
  bool lowOk = false, highOk = false;
  if (match.hasMatch()) {
    low = match.captured(1).toDouble(&lowOk);
    high = match.captured(2).toDouble(&highOk);
  }
  return lowOk && highOk && low <= high;
}

// Reads an optional number: true when `text` is empty or a number.
bool ReadOptional(const QString& text, std::optional<double>& value) {
  if (text.trimmed().isEmpty()) return true;
  bool ok = false;
  value = text.trimmed().toDouble(&ok);
  return ok;
}

}  // namespace

FinderWindow::FinderWindow(const ReferenceTables& tables, const mass::IsotopeTable& isotopes, QWidget* parent)
    : QWidget(parent, Qt::Window), tables_(tables), isotopes_(isotopes), search_(this) {
  setObjectName(QStringLiteral("FinderWindow"));
  setWindowTitle(QStringLiteral(u"\u7D44\u6210\u63A8\u5B9A"));  // 組成推定
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CreateQueryGroup());
  Peaks = new PeaksBox(this);
  layout->addWidget(Peaks);
  connect(Peaks, &PeaksBox::CompoundChosen, this, [this](const QString& mz, const QString& ion) {
    SearchFor(mz, ion.isEmpty() ? IonChooser->currentText() : ion);
  });
  Message = MakeMessageLabel("Message", this);
  layout->addWidget(Message);
  auto* status = new QHBoxLayout;
  Count = Named<QLabel>("Count", this);
  Progress = Named<QProgressBar>("Progress", this);
  Progress->setRange(0, 1000);
  Progress->setTextVisible(false);
  status->addWidget(Count, 1);
  status->addWidget(Progress, 1);
  layout->addLayout(status);

  model_ = new CandidateModel(this);
  Results = Named<QTableView>("Results", this);
  Results->setModel(model_);
  Results->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Results->setSelectionBehavior(QAbstractItemView::SelectRows);
  Results->setSelectionMode(QAbstractItemView::SingleSelection);
  Results->setTabKeyNavigation(false);
  Results->verticalHeader()->hide();
  Results->verticalHeader()->setDefaultSectionSize(Results->fontMetrics().height() + 6);
  Results->horizontalHeader()->setStretchLastSection(true);
  Results->installEventFilter(this);
  layout->addWidget(Results, 1);
  connect(Results, &QTableView::clicked, this, [this](const QModelIndex& index) { ChooseRow(index.row()); });

  poll_ = new QTimer(this);
  poll_->setInterval(PollMilliseconds);
  connect(poll_, &QTimer::timeout, this, [this] { TakeRows(false); });
  model_->Reset({});
  resize(880, 640);
  MzBox->setFocus();
}

FinderWindow::~FinderWindow() = default;

QWidget* FinderWindow::CreateQueryGroup() {
  auto* group = new QGroupBox(QStringLiteral(u"\u6761\u4EF6"), this);  // 条件
  auto* grid = new QGridLayout(group);
  MzBox = MakeLineEdit("MzBox", group);
  IonChooser = MakeIonChooser("IonChooser", group);
  Tolerance = MakeLineEdit("Tolerance", group);
  Tolerance->setText(QStringLiteral("5"));
  ToleranceUnit = Named<QComboBox>("ToleranceUnit", group);
  ToleranceUnit->addItems({QStringLiteral("ppm"), QStringLiteral("mDa")});
  Ranges = MakeLineEdit("Ranges", group);
  Ranges->setText(Utf8(std::string(mass::DefaultRanges)));
  DbeMin = MakeLineEdit("DbeMin", group);
  DbeMax = MakeLineEdit("DbeMax", group);
  IntegerDbe = Named<QCheckBox>("IntegerDbe", group);
  IntegerDbe->setText(QStringLiteral(u"\u6574\u6570\u306E DBE \u306E\u307F(&N)"));  // 整数の DBE のみ
  Rules = Named<QCheckBox>("Rules", group);
  Rules->setText(QStringLiteral(u"\u5316\u5B66\u7684\u306A\u59A5\u5F53\u6027(&L)"));  // 化学的な妥当性
  Rules->setChecked(true);
  Rules->setToolTip(Utf8(std::string(mass::PlausibilityRulesHelp)));
  Percent = MakeLineEdit("Percent", group);
  Percent->setPlaceholderText(QStringLiteral("C=65.20, H=6.30, N=4.10"));
  PercentTolerance = MakeLineEdit("PercentTolerance", group);
  PercentTolerance->setText(QStringLiteral("0.4"));
  WeightRange = MakeLineEdit("WeightRange", group);
  WeightRange->setPlaceholderText(QStringLiteral("100-500"));
  Find = MakeButton("Find", QStringLiteral(u"\u691C\u7D22(&S)"), group);      // 検索
  Cancel = MakeButton("Cancel", QStringLiteral(u"\u4E2D\u6B62(&Q)"), group);  // 中止
  CopyResults = MakeButton("CopyResults", QStringLiteral(u"\u7D50\u679C\u3092\uFF7A\uFF8B\uFF9F\uFF70(&C)"),
                           group);  // 結果をｺﾋﾟｰ
  Cancel->setEnabled(false);

  auto label = [group](const QString& caption, QWidget* buddy) {
    auto* l = new QLabel(caption, group);
    l->setBuddy(buddy);
    return l;
  };
  // m/z(&M), イオン(&I), 許容誤差(&T), 元素の範囲(&R), DBE(&D), ～, 元素分析 %(&A), 許容差(&P), 分子量の範囲(&W)
  grid->addWidget(label(QStringLiteral("m/z(&M)"), MzBox), 0, 0);
  grid->addWidget(MzBox, 0, 1);
  grid->addWidget(label(QStringLiteral(u"\u30A4\u30AA\u30F3(&I)"), IonChooser), 0, 2);
  grid->addWidget(IonChooser, 0, 3);
  grid->addWidget(label(QStringLiteral(u"\u8A31\u5BB9\u8AA4\u5DEE(&T)"), Tolerance), 0, 4);
  grid->addWidget(Tolerance, 0, 5);
  grid->addWidget(ToleranceUnit, 0, 6);
  grid->addWidget(label(QStringLiteral(u"\u5143\u7D20\u306E\u7BC4\u56F2(&R)"), Ranges), 1, 0);
  grid->addWidget(Ranges, 1, 1, 1, 6);
  grid->addWidget(label(QStringLiteral("DBE(&D)"), DbeMin), 2, 0);
  auto* dbe = new QHBoxLayout;
  dbe->addWidget(DbeMin);
  dbe->addWidget(new QLabel(QStringLiteral(u"\uFF5E"), group));
  dbe->addWidget(DbeMax);
  grid->addLayout(dbe, 2, 1);
  grid->addWidget(IntegerDbe, 2, 2, 1, 2);
  grid->addWidget(Rules, 2, 4, 1, 3);
  grid->addWidget(label(QStringLiteral(u"\u5143\u7D20\u5206\u6790 %(&A)"), Percent), 3, 0);
  grid->addWidget(Percent, 3, 1);
  grid->addWidget(label(QStringLiteral(u"\u8A31\u5BB9\u5DEE(&P)"), PercentTolerance), 3, 2);
  grid->addWidget(PercentTolerance, 3, 3);
  grid->addWidget(label(QStringLiteral(u"\u5206\u5B50\u91CF\u306E\u7BC4\u56F2(&W)"), WeightRange), 3, 4);
  grid->addWidget(WeightRange, 3, 5, 1, 2);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {Find, Cancel, CopyResults}) buttons->addWidget(button);
  buttons->addStretch(1);
  grid->addLayout(buttons, 4, 0, 1, 7);
  grid->setColumnStretch(1, 2);
  grid->setColumnStretch(5, 1);

  for (QLineEdit* box : {MzBox, Tolerance, Ranges, DbeMin, DbeMax, Percent, PercentTolerance, WeightRange})
    connect(box, &QLineEdit::returnPressed, this, &FinderWindow::Search);
  connect(Find, &QPushButton::clicked, this, &FinderWindow::Search);
  connect(Cancel, &QPushButton::clicked, this, &FinderWindow::Stop);
  connect(CopyResults, &QPushButton::clicked, this,
          [this] { QGuiApplication::clipboard()->setText(TableAsTsv(model_)); });
  return group;
}

QString FinderWindow::ReadQuery(mass::FinderQuery& query) const {
  // m/z は正の数で, 許容誤差は正の数で, DBE は数で, 元素分析の許容差は正の数で,
  // 分子量の範囲は「100-500」のように書いてください
  const QString write = QStringLiteral(u"\u3067\u66F8\u3044\u3066\u304F\u3060\u3055\u3044");
  const QString positive = QStringLiteral(u"\u306F\u6B63\u306E\u6570") + write;
  bool ok = true;
  if (const QString mz = MzBox->text().trimmed(); !mz.isEmpty()) {
    query.Mz = mz.toDouble(&ok);
    if (!ok || *query.Mz <= 0) return QStringLiteral("m/z ") + positive;
  }
  if (std::string error = mass::ParseIon(IonChooser->currentText().trimmed().toStdString(), isotopes_, query.Ion);
      !error.empty())
    return Utf8(error);
  const double tolerance = Tolerance->text().trimmed().toDouble(&ok);
  if (!ok || tolerance <= 0) return QStringLiteral(u"\u8A31\u5BB9\u8AA4\u5DEE") + positive;
  if (ToleranceUnit->currentIndex() == 0)
    query.TolerancePpm = tolerance;
  else
    query.ToleranceMda = tolerance;
  if (std::string error = mass::ParseRanges(Ranges->text().toStdString(), isotopes_, query.Ranges); !error.empty())
    return Utf8(error);
  if (!ReadOptional(DbeMin->text(), query.DbeMin) || !ReadOptional(DbeMax->text(), query.DbeMax))
    return QStringLiteral(u"DBE \u306F\u6570") + write;
  query.IntegerDbe = IntegerDbe->isChecked();
  query.Rules = Rules->isChecked();
  mass::MeasuredPercent percent;
  if (std::string error = mass::ParsePercentages(Percent->text().toStdString(), percent); !error.empty())
    return Utf8(error);
  if (!percent.empty()) {
    query.Analysis = mass::AnalysisFilter{percent, PercentTolerance->text().trimmed().toDouble(&ok)};
    if (!ok || query.Analysis->Tolerance <= 0)
      return QStringLiteral(u"\u5143\u7D20\u5206\u6790\u306E\u8A31\u5BB9\u5DEE") + positive;
  }
  if (!WeightRange->text().trimmed().isEmpty()) {
    double low = 0, high = 0;
    if (!ReadRange(WeightRange->text(), low, high))
      return QStringLiteral(u"\u5206\u5B50\u91CF\u306E\u7BC4\u56F2\u306F\u300C100-500\u300D\u306E\u3088\u3046\u306B") +
             write;
    query.WeightRange = std::make_pair(low, high);
  }
  return Utf8(mass::CheckQuery(query, tables_));
}

void FinderWindow::SearchFor(const QString& mz, const QString& ion) {
  MzBox->setText(mz);
  IonChooser->setCurrentText(ion);
  Search();
}

void FinderWindow::Search() {
  Stop();
  mass::FinderQuery query;
  std::vector<mass::MeasuredPeak> peaks;
  mass::ScoreOptions scoring;
  QString problem = ReadQuery(query);
  if (problem.isEmpty()) problem = Peaks->Read(peaks, scoring);
  if (problem.isEmpty() && !peaks.empty() && !query.Mz)  // 測定ピークで並べるには m/z を入れてください
    problem = QStringLiteral(
        u"\u6E2C\u5B9A\u30D4\u30FC\u30AF\u3067\u4E26\u3079\u308B\u306B\u306F m/z "
        u"\u3092\u5165\u308C\u3066\u304F\u3060\u3055\u3044");
  Message->setText(problem);
  searchedPeaks_.clear();
  for (const mass::MeasuredPeak& p : peaks) searchedPeaks_.emplace_back(p.Mz, p.Intensity);
  searchedIon_ = IonChooser->currentText().trimmed();
  QStringList headers = {
      QStringLiteral(u"\u7D44\u6210\u5F0F (M)"), QStringLiteral(u"\u30A4\u30AA\u30F3\u5F0F"),
      QStringLiteral(u"\u8A08\u7B97 m/z"),       QStringLiteral(u"\u8AA4\u5DEE (ppm)"),
      QStringLiteral(u"\u8AA4\u5DEE (mDa)"),     QStringLiteral("DBE")};  // 組成式 (M), イオン式, 計算 m/z, 誤差
  const bool withWeight = query.Analysis || query.WeightRange;
  if (withWeight) headers << QStringLiteral(u"\u5206\u5B50\u91CF");  // 分子量
  if (query.Analysis)
    for (const auto& [symbol, value] : query.Analysis->Percent) headers << Utf8(symbol) + QStringLiteral(" %");
  if (!peaks.empty())
    headers << QStringLiteral(u"\u30B9\u30B3\u30A2") << QStringLiteral(u"\u5185\u8A33");  // スコア, 内訳
  model_->Reset(headers);
  // The elemental analysis alone has no m/z to show.
  for (int column = 1; column <= 4; ++column) Results->setColumnHidden(column, !query.Mz && problem.isEmpty());
  Count->clear();
  Progress->setValue(0);
  if (!problem.isEmpty()) return;

  inbox_ = std::make_shared<FinderInbox>();
  Cancel->setEnabled(true);
  poll_->start();
  search_.Start(
      [query, &tables = tables_, inbox = inbox_, withWeight, peaks, scoring](const std::atomic<bool>& cancel) {
        std::vector<Row> chunk;
        std::vector<mass::Candidate> found;  // kept to be scored when there are peaks
        size_t kept = 0;
        bool capped = false;
        auto handOver = [&] {
          std::scoped_lock lock(inbox->Lock);
          std::move(chunk.begin(), chunk.end(), std::back_inserter(inbox->Rows));
          chunk.clear();
        };
        mass::FindFormulas(
            query, tables,
            [&](const mass::Candidate& candidate) {
              if (kept == RowCap) return !(capped = true);
              chunk.push_back(MakeRow(candidate, query.Mz.has_value(), withWeight));
              if (!peaks.empty()) found.push_back(candidate);
              if (++kept % ChunkRows == 0) handOver();
              return true;
            },
            [&](const mass::FinderProgress& progress) {
              std::scoped_lock lock(inbox->Lock);
              inbox->Fraction = progress.Fraction;
            },
            &cancel);
        handOver();
        if (!peaks.empty() && !cancel) {
          QString note;
          std::vector<Row> ranked = RankedRows(found, query, peaks, scoring, withWeight, cancel, note);
          std::scoped_lock lock(inbox->Lock);
          if (!cancel) inbox->Ranked = std::move(ranked);
          inbox->RankNote = note;
        }
        return capped;
      },
      [this](bool capped) {
        poll_->stop();
        TakeRows(true);
        Cancel->setEnabled(false);
        Progress->setValue(Progress->maximum());
        // 候補が多すぎるため %1 件で打ち切りました。範囲か許容誤差を狭めてください。
        if (capped)
          Message->setText(QStringLiteral(u"\u5019\u88DC\u304C\u591A\u3059\u304E\u308B\u305F\u3081 %1 \u4EF6\u3067"
                                          u"\u6253\u3061\u5207\u308A\u307E\u3057\u305F\u3002\u7BC4\u56F2\u304B\u8A31"
                                          u"\u5BB9\u8AA4\u5DEE\u3092\u72ED\u3081\u3066\u304F\u3060\u3055\u3044\u3002")
                               .arg(RowCap));
      });
}

void FinderWindow::Stop() {
  if (!search_.Running()) return;
  search_.Cancel();
  poll_->stop();
  TakeRows(true);
  Cancel->setEnabled(false);
  Count->setText(Count->text() + QStringLiteral(u"\uFF08\u4E2D\u6B62\uFF09"));  // （中止）
}

void FinderWindow::TakeRows(bool finished) {
  std::vector<Row> rows;
  double fraction = 0;
  std::optional<std::vector<Row>> ranked;
  QString note;
  {
    std::scoped_lock lock(inbox_->Lock);
    rows.swap(inbox_->Rows);
    fraction = inbox_->Fraction;
    if (finished) ranked.swap(inbox_->Ranked);
    note = inbox_->RankNote;
  }
  model_->Append(rows);
  Progress->setValue(int(fraction * Progress->maximum()));
  // %1 件, 検索中…
  Count->setText(QStringLiteral(u"%1 \u4EF6").arg(model_->rowCount({})) +
                 (finished ? QString() : QStringLiteral(u"\u3000\u691C\u7D22\u4E2D\u2026")));
  if (!finished) return;
  if (ranked) {
    model_->Replace(std::move(*ranked));
    Message->setText(note);
  } else {
    model_->Sort();
  }
  // The grid opens at its top, with the best candidate current for the keyboard.
  Results->scrollToTop();
  if (model_->rowCount({}) > 0) Results->setCurrentIndex(model_->index(0, 0));
  Results->resizeColumnsToContents();
}

void FinderWindow::ChooseRow(int row) {
  if (row < 0 || row >= model_->rowCount({})) return;
  emit FormulaChosen(model_->Formula(row));
  emit PeaksChosen(searchedIon_, searchedPeaks_);
}

bool FinderWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Results && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      ChooseRow(Results->currentIndex().row());
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace zorvan
