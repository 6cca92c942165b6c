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

// More rows than a chemist reads; of a wider question the best are shown,
// with how many there were in all.
constexpr size_t RowCap = 100000;
constexpr size_t ChunkRows = 256;  // rows handed over at a time
constexpr int PollMilliseconds = 100;
constexpr int ScoreColumns = 2;  // with measured peaks: the score and its parts

// Several ions at once, for a peak whose adduct is not known.
const char* const IonSets[] = {"[M+H]+, [M+Na]+, [M+K]+, [M+NH4]+", "[M-H]-, [M+Cl]-, [M+HCOO]-"};

QString Utf8(const std::string& s) { return QString::fromStdString(s); }
QString Utf8(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// The ion as the boxes take it: "[M+Na]+".
QString Compact(const mass::IonSpec& ion) { return Utf8(ion.PaperNotation).remove(u' '); }

}  // namespace

// What a running search has found and not yet handed to the grid.
struct FinderInbox {
  std::mutex Lock;
  std::vector<mass::Candidate> Rows;
  double Fraction = 0;
  uint64_t Found = 0;
};

// How a search ended: how many candidates it found and, when more than the
// grid holds, the best of them; with measured peaks, the rows to show in
// the order of their scores, each score's cells and what is said of them.
struct SearchEnd {
  uint64_t Found = 0;
  std::vector<mass::Candidate> Best;
  std::optional<std::vector<mass::Candidate>> Ranked;
  std::vector<QStringList> Scores;
  QString RankNote;
};

// The candidates as the grid shows them, one row each, written when shown.
class CandidateModel : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;

  // Empties the grid and gives it `headers`, the candidates' `ions` and
  // which columns are filled.
  void Reset(QStringList headers, QStringList ions, bool withMz) {
    beginResetModel();
    headers_ = std::move(headers);
    ions_ = std::move(ions);
    withMz_ = withMz;
    rows_.clear();
    scores_.clear();
    endResetModel();
  }
  void Append(std::vector<mass::Candidate>& rows) {
    if (rows.empty()) return;
    beginInsertRows({}, int(rows_.size()), int(rows_.size() + rows.size()) - 1);
    std::move(rows.begin(), rows.end(), std::back_inserter(rows_));
    endInsertRows();
  }
  // Puts `rows` in place of those shown, in their order, with the cells
  // that follow each row's own (its score and parts), none when by mass.
  void Replace(std::vector<mass::Candidate>&& rows, std::vector<QStringList> scores = {}) {
    beginResetModel();
    rows_ = std::move(rows);
    scores_ = std::move(scores);
    endResetModel();
  }
  // In the order the finder lists candidates: the best first, by score when
  // the rows were scored.
  void Sort() {
    if (!scores_.empty()) return;
    beginResetModel();
    std::ranges::sort(rows_, mass::CandidateBefore);
    endResetModel();
  }
  const mass::Candidate& Row(int row) const { return rows_[size_t(row)]; }

  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : int(rows_.size()); }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : int(headers_.size()); }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role == Qt::TextAlignmentRole && index.column() > 2) return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    return Cell(size_t(index.row()), index.column());
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return headers_.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
  }

 private:
  // The columns: M, ion, ion formula, m/z, ppm, mDa, DBE, then the weight
  // and the percentages when measured values were given, then the score.
  QString Cell(size_t row, int column) const {
    const mass::Candidate& c = rows_[row];
    // The score and its parts are the last two columns.
    const int scoreColumn = int(headers_.size()) - ScoreColumns;
    if (!scores_.empty() && column >= scoreColumn) return scores_[row].value(column - scoreColumn);
    const bool mz = withMz_;
    switch (column) {
      case 0:
        return Utf8(c.Hill);
      case 1:
        return mz ? ions_.value(int(c.IonIndex)) : QString();
      case 2:
        return mz ? Utf8(mass::HillFormula(c.Ionized.Formula)) : QString();
      case 3:
        return mz ? Fixed(c.Ionized.Mz, 5) : QString();
      case 4:
        return mz ? Fixed(c.ErrorPpm, 2) : QString();
      case 5:
        return mz ? Fixed(c.ErrorMda, 2) : QString();
      case 6:
        return c.Dbe ? QString::number(*c.Dbe) : QString();
      case 7:
        return Utf8(c.Weight);
      default:
        const size_t k = size_t(column - 8);
        return k < c.Percent.size() ? Utf8(c.Percent[k].second) : QString();
    }
  }

  QStringList headers_, ions_;
  bool withMz_ = true;
  std::vector<mass::Candidate> rows_;
  std::vector<QStringList> scores_;  // a row's score and parts, when scored
};

// What the boxes ask: the query, its ions and the measured peaks (none:
// ordered by mass) with how they are scored.
struct SearchQuestion {
  mass::FinderQuery Query;
  std::vector<mass::IonSpec> Ions;
  std::vector<mass::MeasuredPeak> Peaks;
  mass::ScoreOptions Scoring;
};

namespace {

// Orders `found` by how well each explains the measured peaks, best first,
// into `end`: the rows, the cells of their scores, and what is said when the
// peaks fit none or could not be scored.
void Rank(std::vector<mass::Candidate>& found, const SearchQuestion& question, SearchEnd& end,
          const std::atomic<bool>& cancel) {
  std::ranges::sort(found, mass::CandidateBefore);
  const mass::RankedCandidates rank =
      mass::RankCandidates(found, question.Query, question.Peaks, question.Scoring, mass::ScoredInFull, &cancel);
  if (cancel) return;
  // 。元素の範囲、イオン、分解能を見直してください
  end.RankNote = rank.FitsNone ? Utf8(mass::FitsNoneText) +
                                     QStringLiteral(
                                         u"\u3002\u5143\u7D20\u306E\u7BC4\u56F2\u3001\u30A4\u30AA\u30F3\u3001"
                                         u"\u5206\u89E3\u80FD\u3092\u898B\u76F4\u3057\u3066\u304F\u3060\u3055\u3044")
                               : Utf8(rank.MassAlone);
  std::vector<mass::Candidate> rows;
  rows.reserve(rank.Ranked.size());
  end.Scores.reserve(rank.Ranked.size());
  for (const mass::RankedIon& r : rank.Ranked) {
    rows.push_back(std::move(found[r.Index]));
    end.Scores.push_back({r.Score ? Utf8(mass::ScoreText(r.Score->Total)) : QString(), Utf8(mass::ScoreNote(rank, r))});
  }
  end.Ranked = std::move(rows);
}

// Runs a search off the user-interface thread: hands the rows to `inbox`
// while the grid can hold them all, and keeps the best of everything found;
// with measured peaks, ranks them by score at the end.
std::shared_ptr<SearchEnd> RunSearch(const SearchQuestion& question, const ReferenceTables& tables, FinderInbox& inbox,
                                     const std::atomic<bool>& cancel) {
  auto end = std::make_shared<SearchEnd>();
  // The best so far, the worst of them on top once the grid's rows are all
  // taken; copies go to the grid until then.
  std::vector<mass::Candidate>& best = end->Best;
  std::vector<mass::Candidate> chunk;
  auto handOver = [&] {
    std::scoped_lock lock(inbox.Lock);
    std::move(chunk.begin(), chunk.end(), std::back_inserter(inbox.Rows));
    chunk.clear();
  };
  const auto keep = [&](const mass::Candidate& candidate) {
    if (best.size() < RowCap) {
      best.push_back(candidate);
      std::ranges::push_heap(best, mass::CandidateBefore);
      chunk.push_back(candidate);
      if (chunk.size() == ChunkRows) handOver();
    } else if (mass::CandidateBefore(candidate, best.front())) {
      std::ranges::pop_heap(best, mass::CandidateBefore);
      best.back() = candidate;
      std::ranges::push_heap(best, mass::CandidateBefore);
    }
    return true;
  };
  const auto progress = [&](const mass::FinderProgress& p) {
    std::scoped_lock lock(inbox.Lock);
    inbox.Fraction = p.Fraction;
    inbox.Found = p.Found;
  };
  end->Found = mass::FindFormulasForIons(question.Query, question.Ions, tables, keep, progress, &cancel);
  handOver();
  if (!question.Peaks.empty() && !cancel) Rank(best, question, *end, cancel);
  if (end->Found <= RowCap) best.clear();  // the grid holds them all
  return end;
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
  model_->Reset({}, {}, true);
  resize(880, 640);
  MzBox->setFocus();
}

FinderWindow::~FinderWindow() = default;

QWidget* FinderWindow::CreateQueryGroup() {
  auto* group = new QGroupBox(QStringLiteral(u"\u6761\u4EF6"), this);  // 条件
  CreateQueryBoxes(group);
  LayOutQuery(group);
  connect(Presets, &QComboBox::activated, this,
          [this](int index) { Ranges->setText(Utf8(mass::PresetRanges(mass::RangePresets[index]))); });
  connect(Find, &QPushButton::clicked, this, &FinderWindow::Search);
  connect(Cancel, &QPushButton::clicked, this, &FinderWindow::Stop);
  connect(CopyResults, &QPushButton::clicked, this,
          [this] { QGuiApplication::clipboard()->setText(TableAsTsv(model_)); });
  return group;
}

void FinderWindow::CreateQueryBoxes(QGroupBox* group) {
  const mass::FinderQuery defaults;
  MzBox = MakeLineEdit("MzBox", group);
  IonChooser = MakeIonChooser("IonChooser", group);
  for (const char* ions : IonSets) IonChooser->addItem(QLatin1String(ions));
  IonChooser->setToolTip(QStringLiteral(
      u"\u3044\u304F\u3064\u304B\u306E\u30A4\u30AA\u30F3\u3092\u300C,"
      u"\u300D\u3067\u533A\u5207\u3063\u3066\u4E00\u5EA6\u306B\u63A2\u305B\u307E\u3059"));  // いくつかのイオンを「,」で区切って一度に探せます
  Tolerance = MakeLineEdit("Tolerance", group);
  Tolerance->setText(Utf8(mass::NumberText(defaults.TolerancePpm)));
  ToleranceUnit = Named<QComboBox>("ToleranceUnit", group);
  ToleranceUnit->addItems({QStringLiteral("ppm"), QStringLiteral("mDa")});
  Ranges = MakeLineEdit("Ranges", group);
  Ranges->setText(Utf8(mass::DefaultRanges));
  Presets = Named<QComboBox>("Presets", group);
  for (const mass::RangePreset& preset : mass::RangePresets) Presets->addItem(Utf8(preset.Name));
  Presets->setCurrentIndex(Presets->count() - 1);
  DbeMin = MakeLineEdit("DbeMin", group);
  DbeMax = MakeLineEdit("DbeMax", group);
  IntegerDbe = Named<QCheckBox>("IntegerDbe", group);
  IntegerDbe->setText(QStringLiteral(u"\u6574\u6570\u306E DBE \u306E\u307F(&N)"));  // 整数の DBE のみ(&N)
  Rules = Named<QCheckBox>("Rules", group);
  Rules->setText(QStringLiteral(u"\u5316\u5B66\u7684\u306A\u59A5\u5F53\u6027(&L)"));  // 化学的な妥当性(&L)
  Rules->setChecked(defaults.Rules);
  Rules->setToolTip(Utf8(mass::PlausibilityRulesHelp));
  Percent = MakeLineEdit("Percent", group);
  Percent->setPlaceholderText(QStringLiteral("C=65.20, H=6.30, N=4.10"));
  PercentTolerance = MakeLineEdit("PercentTolerance", group);
  PercentTolerance->setText(Utf8(mass::NumberText(mass::DefaultPercentTolerance)));
  WeightRange = MakeLineEdit("WeightRange", group);
  WeightRange->setPlaceholderText(QStringLiteral("100-500"));
  Find = MakeButton("Find", QStringLiteral(u"\u691C\u7D22(&S)"), group);      // 検索(&S)
  Cancel = MakeButton("Cancel", QStringLiteral(u"\u4E2D\u6B62(&Q)"), group);  // 中止(&Q)
  CopyResults = MakeButton("CopyResults", QStringLiteral(u"\u7D50\u679C\u3092\uFF7A\uFF8B\uFF9F\uFF70(&C)"),
                           group);  // 結果をｺﾋﾟｰ(&C)
  Cancel->setEnabled(false);
}

void FinderWindow::LayOutQuery(QGroupBox* group) {
  auto* grid = new QGridLayout(group);
  auto label = [group](const QString& caption, QWidget* buddy) {
    auto* l = new QLabel(caption, group);
    l->setBuddy(buddy);
    return l;
  };
  grid->addWidget(label(QStringLiteral("m/z(&M)"), MzBox), 0, 0);
  grid->addWidget(MzBox, 0, 1);
  grid->addWidget(label(QStringLiteral(u"\u30A4\u30AA\u30F3(&I)"), IonChooser), 0, 2);  // イオン(&I)
  grid->addWidget(IonChooser, 0, 3);
  grid->addWidget(label(QStringLiteral(u"\u8A31\u5BB9\u8AA4\u5DEE(&T)"), Tolerance), 0, 4);  // 許容誤差(&T)
  grid->addWidget(Tolerance, 0, 5);
  grid->addWidget(ToleranceUnit, 0, 6);
  grid->addWidget(label(QStringLiteral(u"\u5143\u7D20\u306E\u7BC4\u56F2(&R)"), Ranges), 1, 0);  // 元素の範囲(&R)
  grid->addWidget(Ranges, 1, 1, 1, 3);
  grid->addWidget(label(QStringLiteral(u"\u5143\u7D20\u306E\u7D44(&E)"), Presets), 1, 4);  // 元素の組(&E)
  grid->addWidget(Presets, 1, 5, 1, 2);
  grid->addWidget(label(QStringLiteral("DBE(&D)"), DbeMin), 2, 0);
  auto* dbe = new QHBoxLayout;
  dbe->addWidget(DbeMin);
  dbe->addWidget(new QLabel(QStringLiteral(u"\uFF5E"), group));  // ～
  dbe->addWidget(DbeMax);
  grid->addLayout(dbe, 2, 1);
  grid->addWidget(IntegerDbe, 2, 2, 1, 2);
  grid->addWidget(Rules, 2, 4, 1, 3);
  grid->addWidget(label(QStringLiteral(u"\u5143\u7D20\u5206\u6790 %(&A)"), Percent), 3, 0);  // 元素分析 %(&A)
  grid->addWidget(Percent, 3, 1);
  grid->addWidget(label(QStringLiteral(u"\u8A31\u5BB9\u5DEE(&P)"), PercentTolerance), 3, 2);  // 許容差(&P)
  grid->addWidget(PercentTolerance, 3, 3);
  grid->addWidget(label(QStringLiteral(u"\u5206\u5B50\u91CF\u306E\u7BC4\u56F2(&W)"), WeightRange), 3,
                  4);  // 分子量の範囲(&W)
  grid->addWidget(WeightRange, 3, 5, 1, 2);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {Find, Cancel, CopyResults}) buttons->addWidget(button);
  buttons->addStretch(1);
  grid->addLayout(buttons, 4, 0, 1, 7);
  grid->setColumnStretch(1, 2);
  grid->setColumnStretch(3, 1);
  grid->setColumnStretch(5, 1);
}

QString FinderWindow::ReadQuestion(SearchQuestion& question) const {
  if (QString problem = ReadQuery(question.Query, question.Ions); !problem.isEmpty()) return problem;
  if (QString problem = Peaks->Read(question.Peaks, question.Scoring); !problem.isEmpty()) return problem;
  if (question.Peaks.empty()) return {};
  if (!question.Query.Mz)  // 測定ピークで並べるには m/z を入れてください
    return QStringLiteral(
        u"\u6E2C\u5B9A\u30D4\u30FC\u30AF\u3067\u4E26\u3079\u308B\u306B\u306F m/z "
        u"\u3092\u5165\u308C\u3066\u304F\u3060\u3055\u3044");
  // The peaks were measured at one charge.
  for (const mass::IonSpec& ion : question.Ions)
    if (ion.Charge != question.Query.Ion.Charge)  // 測定ピークで並べるときは、電荷の同じイオンだけにしてください
      return QStringLiteral(
          u"\u6E2C\u5B9A\u30D4\u30FC\u30AF\u3067\u4E26\u3079\u308B\u3068\u304D\u306F\u3001"
          u"\u96FB\u8377\u306E\u540C\u3058\u30A4\u30AA\u30F3\u3060\u3051\u306B\u3057\u3066"
          u"\u304F\u3060\u3055\u3044");
  return {};
}

QString FinderWindow::ReadQuery(mass::FinderQuery& query, std::vector<mass::IonSpec>& ions) const {
  using mass::FinderField;
  // Each box as zorvan-ms find reads the option of the same name; an empty
  // box leaves the question without it.
  const std::pair<FinderField, const QLineEdit*> boxes[] = {
      {FinderField::Mz, MzBox},
      {ToleranceUnit->currentIndex() == 0 ? FinderField::Ppm : FinderField::Mda, Tolerance},
      {FinderField::Ranges, Ranges},
      {FinderField::Percent, Percent},
      {FinderField::WeightRange, WeightRange}};
  for (const auto& [field, box] : boxes) {
    if (box->text().trimmed().isEmpty()) continue;
    if (std::string error = mass::ReadField(field, box->text().toStdString(), isotopes_, query); !error.empty())
      return Utf8(error);
  }
  if (query.Analysis) {
    if (std::string error =
            mass::ReadField(FinderField::PercentTolerance, PercentTolerance->text().toStdString(), isotopes_, query);
        !error.empty())
      return Utf8(error);
  }
  const QString dbe = DbeMin->text().trimmed() + u':' + DbeMax->text().trimmed();
  if (std::string error = mass::ReadField(FinderField::Dbe, dbe.toStdString(), isotopes_, query); !error.empty())
    return Utf8(error);
  query.IntegerDbe = IntegerDbe->isChecked();
  query.Rules = Rules->isChecked();
  if (std::string error = mass::ParseIons(IonChooser->currentText().toStdString(), isotopes_, ions); !error.empty())
    return Utf8(error);
  query.Ion = ions.front();
  return Utf8(mass::CheckQuery(query, tables_));
}

void FinderWindow::SearchFor(const QString& mz, const QString& ion) {
  MzBox->setText(mz);
  IonChooser->setCurrentText(ion);
  Search();
}

void FinderWindow::Search() {
  Stop();
  SearchQuestion question;
  const QString problem = ReadQuestion(question);
  const mass::FinderQuery& query = question.Query;
  ions_ = question.Ions;
  searchedPeaks_.clear();
  for (const mass::MeasuredPeak& p : question.Peaks) searchedPeaks_.emplace_back(p.Mz, p.Intensity);
  searchedResolvingPower_ = question.Scoring.ResolvingPower;
  Message->setText(problem);
  // 組成式 (M), イオン, イオン式, 計算 m/z, 実測値 − 計算値, 分子量
  QStringList headers = {
      QStringLiteral(u"\u7D44\u6210\u5F0F (M)"),                              // 組成式 (M)
      QStringLiteral(u"\u30A4\u30AA\u30F3"),                                  // イオン
      QStringLiteral(u"\u30A4\u30AA\u30F3\u5F0F"),                            // イオン式
      QStringLiteral(u"\u8A08\u7B97 m/z"),                                    // 計算 m/z
      QStringLiteral(u"\u5B9F\u6E2C\u5024 \u2212 \u8A08\u7B97\u5024 (ppm)"),  // 実測値 − 計算値 (ppm)
      QStringLiteral(u"\u5B9F\u6E2C\u5024 \u2212 \u8A08\u7B97\u5024 (mDa)"),  // 実測値 − 計算値 (mDa)
      QStringLiteral("DBE")};
  const bool withWeight = query.Analysis || query.WeightRange;
  if (withWeight) headers << QStringLiteral(u"\u5206\u5B50\u91CF");  // 分子量
  if (query.Analysis)
    for (const auto& [symbol, value] : query.Analysis->Percent) headers << Utf8(symbol) + QStringLiteral(" %");
  if (!question.Peaks.empty())
    headers << QStringLiteral(u"\u30B9\u30B3\u30A2") << QStringLiteral(u"\u5185\u8A33");  // スコア, 内訳
  static_assert(ScoreColumns == 2);
  QStringList ions;
  for (const mass::IonSpec& ion : ions_) ions << Compact(ion);
  model_->Reset(headers, ions, query.Mz.has_value());
  // The elemental analysis alone has no m/z to show.
  for (int column = 1; column <= 5; ++column) Results->setColumnHidden(column, !query.Mz && problem.isEmpty());
  Count->clear();
  Progress->setValue(0);
  if (!problem.isEmpty()) return;

  inbox_ = std::make_shared<FinderInbox>();
  Cancel->setEnabled(true);
  poll_->start();
  search_.Start([question = std::move(question), &tables = tables_, inbox = inbox_](
                    const std::atomic<bool>& cancel) { return RunSearch(question, tables, *inbox, cancel); },
                [this](const std::shared_ptr<SearchEnd>& end) { Finish(*end); });
}

void FinderWindow::Finish(SearchEnd& end) {
  poll_->stop();
  const bool capped = end.Found > RowCap;
  if (capped || end.Ranked) {
    {
      std::scoped_lock lock(inbox_->Lock);
      inbox_->Rows.clear();
    }
    if (end.Ranked)
      model_->Replace(std::move(*end.Ranked), std::move(end.Scores));
    else
      model_->Replace(std::move(end.Best));
  }
  TakeRows(true);
  Cancel->setEnabled(false);
  Progress->setValue(Progress->maximum());
  QString message = end.RankNote;
  // 候補が %1 件見つかりました。誤差の小さい %2 件を表示しています。範囲か許容誤差を狭めてください。
  if (capped)
    message.prepend(QStringLiteral(u"\u5019\u88DC\u304C %1 \u4EF6\u898B\u3064\u304B\u308A\u307E\u3057\u305F\u3002"
                                   u"\u8AA4\u5DEE\u306E\u5C0F\u3055\u3044 %2 \u4EF6\u3092\u8868\u793A\u3057\u3066"
                                   u"\u3044\u307E\u3059\u3002\u7BC4\u56F2\u304B\u8A31\u5BB9\u8AA4\u5DEE\u3092"
                                   u"\u72ED\u3081\u3066\u304F\u3060\u3055\u3044\u3002")
                        .arg(end.Found)
                        .arg(RowCap));
  Message->setText(message);
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
  std::vector<mass::Candidate> rows;
  double fraction = 0;
  uint64_t found = 0;
  {
    std::scoped_lock lock(inbox_->Lock);
    rows.swap(inbox_->Rows);
    fraction = inbox_->Fraction;
    found = inbox_->Found;
  }
  model_->Append(rows);
  Progress->setValue(int(fraction * Progress->maximum()));
  // %1 件, 検索中…
  Count->setText(QStringLiteral(u"%1 \u4EF6").arg(std::max<uint64_t>(found, uint64_t(model_->rowCount({})))) +  // %1 件
                 (finished ? QString() : QStringLiteral(u"\u3000\u691C\u7D22\u4E2D\u2026")));  // 　検索中…
  if (!finished) return;
  model_->Sort();
  // The grid opens at its top, with the best candidate current for the keyboard.
  Results->scrollToTop();
  if (model_->rowCount({}) > 0) Results->setCurrentIndex(model_->index(0, 0));
  Results->resizeColumnsToContents();
}

void FinderWindow::ChooseRow(int row) {
  if (row < 0 || row >= model_->rowCount({})) return;
  const mass::Candidate& c = model_->Row(row);
  MeasuredValues measured;
  if (!c.Ionized.Formula.empty() && c.IonIndex < ions_.size()) {
    measured.Ion = Compact(ions_[c.IonIndex]);
    measured.Mz = MzBox->text().trimmed();
  }
  measured.Percent = Percent->text().trimmed();
  if (!measured.Ion.isEmpty() && !searchedPeaks_.empty()) {
    measured.Peaks = searchedPeaks_;
    measured.ResolvingPower = searchedResolvingPower_;
  }
  emit FormulaChosen(Utf8(c.Hill), measured);
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

void FinderWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
    Search();
  else if (event->key() == Qt::Key_Escape)
    close();
  else
    QWidget::keyPressEvent(event);
}

}  // namespace zorvan
