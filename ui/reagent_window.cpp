#include "ui/reagent_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <optional>

#include "amounts/experimental_lines.h"
#include "amounts/molecular_weight.h"
#include "amounts/table_display.h"
#include "amounts/table_tsv.h"
#include "ui/registry.h"
#include "ui/solution_panel.h"
#include "ui/tool_widgets.h"

namespace zorvan {
namespace {

using amounts::Column;

// The grid's columns: the radio of the limiting row, the table's cells and
// what is derived from them.
enum GridColumn {
  GLimiting,
  GName,
  GFormula,
  GRole,
  GWeight,
  GEquiv,
  GAmount,
  GMass,
  GVolume,
  GDensity,
  GMolarity,
  GPurity,
  GCoefficient,
  GTheoretical,
  GYield,
  GNote,
  GridColumnCount
};
constexpr int Widths[GridColumnCount] = {40, 150, 110, 70, 70, 55, 85, 80, 80, 65, 75, 55, 45, 80, 60, 200};

// The table cell a grid column edits, or none.
std::optional<Column> CellOf(int column) {
  const std::optional<Column> cells[GridColumnCount] = {
      std::nullopt,        Column::Name, Column::Formula, Column::Role,    std::nullopt,     Column::Equiv,
      Column::Amount,      Column::Mass, Column::Volume,  Column::Density, Column::Molarity, Column::Purity,
      Column::Coefficient, std::nullopt, std::nullopt,    std::nullopt};
  return column >= 0 && column < GridColumnCount ? cells[column] : std::nullopt;
}

QString Utf8(const std::string& text) { return QString::fromStdString(text); }
QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

QStringList Headers() {
  QStringList headers;
  for (int c = 0; c < GridColumnCount; ++c) {
    if (const std::optional<Column> cell = CellOf(c)) {
      headers << Utf8(amounts::InfoOf(*cell).Japanese);
      continue;
    }
    // 限定, 分子量, 理論収量, 収率, 備考
    const char16_t* others[] = {u"\u9650\u5B9A", u"\u5206\u5B50\u91CF", u"\u7406\u8AD6\u53CE\u91CF", u"\u53CE\u7387",
                                u"\u5099\u8003"};
    const int at = c == GLimiting ? 0 : c == GWeight ? 1 : c == GTheoretical ? 2 : c == GYield ? 3 : 4;
    headers << QString::fromUtf16(others[at]);
  }
  return headers;
}

// Draws the limiting column as radio buttons, the item's check state on or off.
class RadioDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    item.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
    QStyleOptionButton radio;
    const int size = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, widget);
    radio.rect = QRect(option.rect.center() - QPoint(size / 2, size / 2), QSize(size, size));
    radio.state = QStyle::State_Enabled |
                  (index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off);
    style->drawPrimitive(QStyle::PE_IndicatorRadioButton, &radio, painter, widget);
  }
};

// Edits the role with a list of the five roles.
class RoleDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
    auto* chooser = new QComboBox(parent);
    for (int r = 0; r < amounts::RoleCount; ++r) chooser->addItem(Utf8(amounts::RoleJapanese(amounts::Role(r))));
    return chooser;
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    auto* chooser = static_cast<QComboBox*>(editor);
    chooser->setCurrentIndex(std::max(0, chooser->findText(index.data().toString())));
  }
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
    model->setData(index, static_cast<QComboBox*>(editor)->currentText());
  }
};

}  // namespace

ReagentWindow::ReagentWindow(const ReferenceTables& tables, const std::filesystem::path& dataFolder, Registry& registry,
                             QWidget* parent)
    : QWidget(parent, Qt::Window), tables_(tables), engine_(tables), registry_(registry) {
  setObjectName(QStringLiteral("ReagentWindow"));
  Tabs = Named<QTabWidget>("Tabs", this);
  Solutions = new SolutionPanel(tables, Tabs);
  Tabs->addTab(CreateTableTab(), QStringLiteral(u"\u8A66\u85AC\u8868(&T)"));       // 試薬表
  Tabs->addTab(Solutions, QStringLiteral(u"\u6EB6\u6DB2\u306E\u8A08\u7B97(&L)"));  // 溶液の計算
  // A tab chosen from the keyboard is typed in at once.
  connect(Tabs, &QTabWidget::currentChanged, this, [this] { Tabs->currentWidget()->setFocus(); });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Tabs);
  resize(1240, 660);
  try {
    reagents_ = amounts::LoadReagentData(dataFolder);
  } catch (const DataFileError& e) {
    Message->setText(Utf8(e.JapaneseMessage()));
  }
  RestoreLastTable();
  Refresh(false);
  ShowCalculation(shown_);
}

QWidget* ReagentWindow::CreateTableTab() {
  auto* tab = new QWidget(Tabs);
  auto* layout = new QVBoxLayout(tab);
  CreateGrid();
  Message = MakeMessageLabel("Message", tab);
  Lines = Named<QPlainTextEdit>("Lines", tab);
  Lines->setReadOnly(true);
  Lines->setMaximumHeight(Lines->fontMetrics().height() * 7);
  Lines->setFocusPolicy(Qt::ClickFocus);
  tab->setFocusProxy(Grid);
  layout->addWidget(CreateButtons());
  layout->addWidget(Grid, 1);
  layout->addWidget(Message);
  layout->addWidget(Lines);
  auto* bottom = new QHBoxLayout;
  for (QPushButton* button : {CopyTable, CopyEnglish, CopyJapanese}) bottom->addWidget(button);
  bottom->addStretch(1);
  for (QPushButton* button : {NewButton, OpenButton, SaveButton, SaveAsButton}) bottom->addWidget(button);
  layout->addLayout(bottom);
  return tab;
}

QWidget* ReagentWindow::CreateButtons() {
  auto* bar = new QWidget(this);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  // 分子式を追加, 行を追加, 上へ, 下へ, 行を削除, 有効数字
  AddFormula = MakeButton("AddFormula", QStringLiteral(u"\u5206\u5B50\u5F0F\u3092\u8FFD\u52A0(&A)"), bar);
  AddEmpty = MakeButton("AddEmpty", QStringLiteral(u"\u884C\u3092\u8FFD\u52A0(&N)"), bar);
  MoveUp = MakeButton("MoveUp", QStringLiteral(u"\u4E0A\u3078(&U)"), bar);
  MoveDown = MakeButton("MoveDown", QStringLiteral(u"\u4E0B\u3078(&D)"), bar);
  RemoveRow = MakeButton("RemoveRow", QStringLiteral(u"\u884C\u3092\u524A\u9664(&X)"), bar);
  Figures = Named<QSpinBox>("Figures", bar);
  Figures->setRange(amounts::MinFigures, amounts::MaxFigures);
  Figures->setValue(amounts::DefaultFigures);
  auto* label = new QLabel(QStringLiteral(u"\u6709\u52B9\u6570\u5B57(&G)"), bar);
  label->setBuddy(Figures);
  for (QWidget* widget : std::initializer_list<QWidget*>{AddFormula, AddEmpty, MoveUp, MoveDown, RemoveRow})
    row->addWidget(widget);
  row->addStretch(1);
  row->addWidget(label);
  row->addWidget(Figures);
  // 表をｺﾋﾟｰ, 英語の行をｺﾋﾟｰ, 日本語の行をｺﾋﾟｰ, 新しい表, 開く, 保存, 名前を付けて保存
  CopyTable = MakeButton("CopyTable", QStringLiteral(u"\u8868\u3092\uFF7A\uFF8B\uFF9F\uFF70(&C)"), this);
  CopyEnglish =
      MakeButton("CopyEnglish", QStringLiteral(u"\u82F1\u8A9E\u306E\u884C\u3092\uFF7A\uFF8B\uFF9F\uFF70(&E)"), this);
  CopyJapanese = MakeButton("CopyJapanese",
                            QStringLiteral(u"\u65E5\u672C\u8A9E\u306E\u884C\u3092\uFF7A\uFF8B\uFF9F\uFF70(&J)"), this);
  NewButton = MakeButton("NewTable", QStringLiteral(u"\u65B0\u3057\u3044\u8868(&W)"), this);
  OpenButton = MakeButton("OpenTable", QStringLiteral(u"\u958B\u304F(&O)..."), this);
  SaveButton = MakeButton("SaveTable", QStringLiteral(u"\u4FDD\u5B58(&S)"), this);
  SaveAsButton =
      MakeButton("SaveTableAs", QStringLiteral(u"\u540D\u524D\u3092\u4ED8\u3051\u3066\u4FDD\u5B58(&V)..."), this);

  connect(AddFormula, &QPushButton::clicked, this, [this] { AddRow(shown_.Name, shown_.Formula); });
  connect(AddEmpty, &QPushButton::clicked, this, [this] { AddRow({}, {}); });
  connect(MoveUp, &QPushButton::clicked, this, [this] { MoveRow(-1); });
  connect(MoveDown, &QPushButton::clicked, this, [this] { MoveRow(1); });
  connect(RemoveRow, &QPushButton::clicked, this, &ReagentWindow::RemoveRows);
  connect(Figures, &QSpinBox::valueChanged, this, [this](int figures) {
    Solutions->SetFigures(figures);
    Refresh(false);
  });
  connect(CopyTable, &QPushButton::clicked, this,
          [this] { QGuiApplication::clipboard()->setText(Utf8(amounts::SolvedTsv(table_, solved_, "\r\n"))); });
  connect(CopyEnglish, &QPushButton::clicked, this, [this] { CopyLines(false); });
  connect(CopyJapanese, &QPushButton::clicked, this, [this] { CopyLines(true); });
  connect(NewButton, &QPushButton::clicked, this, &ReagentWindow::NewTable);
  connect(OpenButton, &QPushButton::clicked, this, &ReagentWindow::Open);
  connect(SaveButton, &QPushButton::clicked, this, &ReagentWindow::Save);
  connect(SaveAsButton, &QPushButton::clicked, this, &ReagentWindow::SaveAs);
  return bar;
}

void ReagentWindow::CreateGrid() {
  Grid = Named<QTableWidget>("Grid", this);
  Grid->setColumnCount(GridColumnCount);
  Grid->setHorizontalHeaderLabels(Headers());
  Grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                        QAbstractItemView::AnyKeyPressed);
  Grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
  Grid->verticalHeader()->setDefaultSectionSize(Grid->fontMetrics().height() + 8);
  Grid->horizontalHeader()->setStretchLastSection(true);
  for (int c = 0; c < GridColumnCount; ++c) Grid->setColumnWidth(c, Widths[c]);
  // Tab moves from cell to cell, as in a spreadsheet.
  Grid->setTabKeyNavigation(true);
  Grid->setItemDelegateForColumn(GLimiting, new RadioDelegate(Grid));
  Grid->setItemDelegateForColumn(GRole, new RoleDelegate(Grid));
  Grid->installEventFilter(this);
  connect(Grid, &QTableWidget::itemChanged, this, &ReagentWindow::CellEdited);
  connect(Grid, &QTableWidget::cellClicked, this, [this](int row, int column) {
    if (column == GLimiting) SetLimiting(row);
  });
}

bool ReagentWindow::eventFilter(QObject* watched, QEvent* event) {
  // While a cell is edited its editor has the keys; these reach the grid only outside editing.
  if (watched == Grid && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
      ClearCells();
      return true;
    }
    if (key == Qt::Key_Space && Grid->currentColumn() == GLimiting) {
      SetLimiting(Grid->currentRow());
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void ReagentWindow::ShowCalculation(const CalculationShown& shown) {
  shown_ = shown;
  const bool usable = shown.Value.Status == CalcStatus::Ok && !shown.Formula.trimmed().isEmpty();
  AddFormula->setEnabled(usable);
  // 主画面の分子式を行にします
  AddFormula->setToolTip(usable ? QStringLiteral(u"\u4E3B\u753B\u9762\u306E\u5206\u5B50\u5F0F: ") + shown.Formula +
                                      (shown.Name.isEmpty() ? QString() : QStringLiteral(" (") + shown.Name + u')')
                                : QString());
}

void ReagentWindow::Refresh(bool edited) {
  solved_ = amounts::Solve(table_, amounts::TableWeights(table_, engine_, tables_, true));
  {
    const QSignalBlocker block(Grid);
    Grid->setRowCount(int(table_.size()));
    for (int row = 0; row < int(table_.size()); ++row) ShowRow(row);
  }
  const int figures = Figures->value();
  Lines->setPlainText(Utf8(amounts::WriteLines(table_, solved_, amounts::Language::English, figures, "\n").Plain) +
                      u'\n' +
                      Utf8(amounts::WriteLines(table_, solved_, amounts::Language::Japanese, figures, "\n").Plain));
  for (QPushButton* button : {MoveUp, MoveDown, RemoveRow}) button->setEnabled(!table_.empty());
  if (edited) modified_ = true;
  StoreLastTable();
  UpdateTitle();
}

void ReagentWindow::ShowRow(int row) {
  const amounts::Row& cells = table_[size_t(row)];
  const amounts::SolvedRow& solved = solved_.Rows[size_t(row)];
  const int figures = Figures->value();
  for (int column = 0; column < GridColumnCount; ++column) {
    amounts::ShownCell shown;
    if (const std::optional<Column> cell = CellOf(column)) shown = amounts::ShowCell(cells, solved, *cell, figures);
    if (column == GWeight) shown.Text = amounts::ShowWeight(solved);
    if (column == GTheoretical) shown.Text = amounts::ShowTheoretical(solved, figures);
    if (column == GYield) shown.Text = amounts::ShowYield(solved);
    if (column == GNote) shown.Text = solved.Note;
    // Items are kept and rewritten: the one being edited may be the one
    // whose change this shows.
    QTableWidgetItem* item = Grid->item(row, column);
    if (item == nullptr) Grid->setItem(row, column, item = new QTableWidgetItem);
    item->setText(Utf8(shown.Text));
    // The radio is set by a click or Space (SetLimiting), never toggled as a check box.
    item->setFlags(CellOf(column) ? item->flags() | Qt::ItemIsEditable
                                  : item->flags() & ~(Qt::ItemIsEditable | Qt::ItemIsUserCheckable));
    if (column == GLimiting) item->setData(Qt::CheckStateRole, solved.Limiting ? Qt::Checked : Qt::Unchecked);
    // What the user gave stands out from what was derived from it.
    QFont font = Grid->font();
    font.setBold(shown.Given && amounts::IsQuantity(CellOf(column).value_or(Column::Name)));
    item->setFont(font);
    if (column == GNote) {
      item->setForeground(QColor(0xb0, 0, 0));
      item->setToolTip(item->text());
    } else {
      item->setForeground(
          Grid->palette().color(shown.Given || !CellOf(column) ? QPalette::Text : QPalette::PlaceholderText));
    }
  }
}

void ReagentWindow::CellEdited(QTableWidgetItem* item) {
  const std::optional<Column> cell = CellOf(item->column());
  if (!cell || item->row() >= int(table_.size())) return;
  amounts::Row& row = table_[size_t(item->row())];
  const amounts::ShownCell before = amounts::ShowCell(row, solved_.Rows[size_t(item->row())], *cell, Figures->value());
  // A cell left as it was shown (a derived value confirmed by Enter) gives nothing new.
  if (item->text() == Utf8(before.Text)) return;
  std::string text = item->text().toStdString();
  if (const std::optional<amounts::Role> role = amounts::ParseRole(text); *cell == Column::Role && role)
    text = std::string(amounts::RoleKey(*role));
  amounts::SetCell(row, *cell, text);
  if (*cell == Column::Name) amounts::FillFromReagentData(row, reagents_);
  Refresh(true);
}

void ReagentWindow::ClearCells() {
  bool cleared = false;
  for (QTableWidgetItem* item : Grid->selectedItems()) {
    const std::optional<Column> cell = CellOf(item->column());
    if (!cell || item->row() >= int(table_.size()) || table_[size_t(item->row())][*cell].empty()) continue;
    amounts::SetCell(table_[size_t(item->row())], *cell, "");
    cleared = true;
  }
  if (cleared) Refresh(true);
}

void ReagentWindow::SetLimiting(int row) {
  if (row < 0 || row >= int(table_.size())) return;
  for (size_t r = 0; r < table_.size(); ++r) amounts::SetCell(table_[r], Column::Limiting, int(r) == row ? "yes" : "");
  Refresh(true);
}

void ReagentWindow::AddRow(const QString& name, const QString& formula) {
  amounts::Row row;
  amounts::SetCell(row, Column::Name, name.toStdString());
  amounts::SetCell(row, Column::Formula, formula.toStdString());
  amounts::FillFromReagentData(row, reagents_);
  // The first row of a reaction is most often its limiting reagent.
  if (table_.empty()) amounts::SetCell(row, Column::Limiting, "yes");
  table_.push_back(std::move(row));
  Refresh(true);
  Grid->setCurrentCell(int(table_.size()) - 1, name.isEmpty() && formula.isEmpty() ? GName : GMass);
  Grid->setFocus();
}

void ReagentWindow::MoveRow(int by) {
  const int row = Grid->currentRow(), to = row + by;
  if (row < 0 || to < 0 || to >= int(table_.size())) return;
  std::swap(table_[size_t(row)], table_[size_t(to)]);
  Refresh(true);
  Grid->setCurrentCell(to, Grid->currentColumn());
}

void ReagentWindow::RemoveRows() {
  const QList<QTableWidgetSelectionRange> ranges = Grid->selectedRanges();
  int top = Grid->currentRow(), bottom = top;
  if (!ranges.isEmpty()) top = ranges.front().topRow(), bottom = ranges.front().bottomRow();
  if (top < 0 || bottom >= int(table_.size())) return;
  table_.erase(table_.begin() + top, table_.begin() + bottom + 1);
  Refresh(true);
}

void ReagentWindow::CopyLines(bool japanese) {
  const amounts::ExperimentalLines lines = amounts::WriteLines(
      table_, solved_, japanese ? amounts::Language::Japanese : amounts::Language::English, Figures->value(), "\r\n");
  PutBoth(Utf8(lines.Plain), Utf8(lines.Html));
}

bool ReagentWindow::MaybeSave() {
  if (!modified_ || table_.empty()) return true;
  QMessageBox box(QMessageBox::Question, windowTitle().remove(QStringLiteral("[*]")),
                  // 試薬表に保存していない変更があります。保存しますか？
                  QStringLiteral(u"\u8A66\u85AC\u8868\u306B\u4FDD\u5B58\u3057\u3066\u3044\u306A\u3044\u5909\u66F4"
                                 u"\u304C\u3042\u308A\u307E\u3059\u3002\u4FDD\u5B58\u3057\u307E\u3059\u304B\uFF1F"),
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
  box.setObjectName(QStringLiteral("UnsavedQuestion"));
  box.button(QMessageBox::Save)->setText(QStringLiteral(u"\u4FDD\u5B58\u3059\u308B(&S)"));           // 保存する
  box.button(QMessageBox::Discard)->setText(QStringLiteral(u"\u4FDD\u5B58\u3057\u306A\u3044(&N)"));  // 保存しない
  box.button(QMessageBox::Cancel)->setText(QStringLiteral(u"\u30AD\u30E3\u30F3\u30BB\u30EB"));       // キャンセル
  box.setDefaultButton(QMessageBox::Save);
  const int answer = box.exec();
  if (answer == QMessageBox::Save) return Save();
  return answer == QMessageBox::Discard;
}

void ReagentWindow::closeEvent(QCloseEvent* event) {
  // A hidden window was closed before; the program's end finds nothing new to ask.
  if (isVisible() && !MaybeSave())
    event->ignore();
  else
    event->accept();
}

bool ReagentWindow::Save() { return file_.isEmpty() ? SaveAs() : WriteFile(file_); }

bool ReagentWindow::SaveAs() {
  QString folder = file_.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                                   : QFileInfo(file_).absolutePath();
  if (!QDir(folder).exists()) folder = QDir::homePath();
  const QString name = file_.isEmpty() ? QStringLiteral("reagents.tsv") : QFileInfo(file_).fileName();
  // 試薬表を保存, 試薬表 (*.tsv)
  const QString path = QFileDialog::getSaveFileName(
      this, QStringLiteral(u"\u8A66\u85AC\u8868\u3092\u4FDD\u5B58"), QDir(folder).filePath(name),
      QStringLiteral(u"\u8A66\u85AC\u8868 (*.tsv *.txt);;\u3059\u3079\u3066\u306E\u30D5\u30A1\u30A4\u30EB (*)"));
  return !path.isEmpty() && WriteFile(path);
}

bool ReagentWindow::WriteFile(const QString& path) {
  // Written under a temporary name and renamed over the file, so that a
  // crash never leaves half a table.
  QSaveFile file(path);
  const std::string text = amounts::WriteTableTsv(table_);
  if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), qint64(text.size())) != qint64(text.size()) ||
      !file.commit()) {
    // 保存できません
    Message->setText(QStringLiteral(u"\u4FDD\u5B58\u3067\u304D\u307E\u305B\u3093: ") + path + QStringLiteral(" (") +
                     file.errorString() + u')');
    return false;
  }
  file_ = path;
  modified_ = false;
  Message->clear();
  StoreLastTable();
  UpdateTitle();
  return true;
}

void ReagentWindow::Open() {
  if (!MaybeSave()) return;
  const QString folder = file_.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                                         : QFileInfo(file_).absolutePath();
  // 試薬表を開く
  const QString path = QFileDialog::getOpenFileName(
      this, QStringLiteral(u"\u8A66\u85AC\u8868\u3092\u958B\u304F"), folder,
      QStringLiteral(u"\u8A66\u85AC\u8868 (*.tsv *.txt);;\u3059\u3079\u3066\u306E\u30D5\u30A1\u30A4\u30EB (*)"));
  if (path.isEmpty()) return;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {  // 開けません
    Message->setText(QStringLiteral(u"\u958B\u3051\u307E\u305B\u3093: ") + path + QStringLiteral(" (") +
                     file.errorString() + u')');
    return;
  }
  const QByteArray bytes = file.readAll();
  amounts::TableFile read = amounts::ReadTableTsv(std::string_view(bytes.constData(), size_t(bytes.size())));
  QStringList problems;
  for (const std::string& problem : read.Problems) problems << Utf8(problem);
  table_ = std::move(read.Rows);
  file_ = path;
  modified_ = false;
  Refresh(false);
  Message->setText(problems.join(QStringLiteral("\n")));
}

void ReagentWindow::NewTable() {
  if (!MaybeSave()) return;
  table_.clear();
  file_.clear();
  modified_ = false;
  Message->clear();
  Refresh(false);
}

void ReagentWindow::StoreLastTable() {
  WriteUserText(registry_, ReagentsKey, ReagentsTableValue, Utf8(amounts::WriteTableTsv(table_)));
  WriteUserText(registry_, ReagentsKey, ReagentsFileValue, file_);
  WriteUserText(registry_, ReagentsKey, ReagentsModifiedValue, modified_ ? QStringLiteral("1") : QString());
}

void ReagentWindow::RestoreLastTable() {
  const QByteArray text = ReadUserText(registry_, ReagentsKey, ReagentsTableValue).toUtf8();
  table_ = amounts::ReadTableTsv(std::string_view(text.constData(), size_t(text.size()))).Rows;
  file_ = ReadUserText(registry_, ReagentsKey, ReagentsFileValue);
  modified_ = ReadUserText(registry_, ReagentsKey, ReagentsModifiedValue) == QStringLiteral("1");
}

void ReagentWindow::UpdateTitle() {
  // 試薬表 - FILE, and a mark while it differs from the file
  QString title = QStringLiteral(u"\u8A66\u85AC\u8868");
  if (!file_.isEmpty()) title += QStringLiteral(" - ") + QFileInfo(file_).fileName();
  setWindowTitle(title + QStringLiteral("[*]"));
  setWindowModified(modified_);
}

}  // namespace zorvan
