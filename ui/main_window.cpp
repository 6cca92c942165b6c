#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <limits>
#include <utility>  // std::exchange

#include "core/explain.h"  // JoinNotes
#include "core/report.h"
#include "mass/isotope_table.h"
#include "mass/parts.h"
#include "ui/about_box.h"
#include "ui/app_identity.h"
#include "ui/controls.h"
#include "ui/finder_window.h"
#include "ui/fonts.h"
#include "ui/help_window.h"
#include "ui/icon.h"
#include "ui/mass_window.h"
#include "ui/namelist.h"
#include "ui/reagent_window.h"
#include "ui/twips.h"
#include "ui/window_place.h"

namespace zorvan {

namespace {

Text ToText(const QString& s) { return s.toStdU16String(); }
QString ToQString(const Text& t) { return QString::fromStdU16String(t); }

// Returns a label in the fixed-pitch Japanese font.
QLabel* MakeLabel(const char* name, const QString& caption, QRect geometry, qreal points, QWidget* parent) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(QLatin1String(name));
  label->setGeometry(geometry);
  label->setFont(NamedFont(MsGothic(), points));
  return label;
}

// Shows each tab of a list line as a move to the next stop of 8 columns,
// the way the fixed-pitch list lines up its percentages; the item text keeps
// the tab for the clipboard.
class TabStopDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QString displayText(const QVariant& value, const QLocale&) const override {
    QString shown;
    for (QChar c : value.toString()) {
      if (c == u'\t') {
        do shown += u' ';
        while (shown.size() % 8 != 0);
      } else {
        shown += c;
      }
    }
    return shown;
  }
};

QLineEdit* MakeBox(const char* name, QRect geometry, bool readOnly, QWidget* parent) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(QLatin1String(name));
  box->setGeometry(geometry);
  box->setReadOnly(readOnly);
  return box;
}

// Returns the percent list: fixed-pitch, its tabs shown as stops.
QListWidget* MakeList(const char* name, QRect geometry, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setObjectName(QLatin1String(name));
  list->setGeometry(geometry);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  // The stand-in for this font, IPAGothic, has thin strokes that only its own
  // hinting fits to the pixel grid at this size (its gasp table asks for
  // that); with the light hinting most desktops default to they smear, "O"
  // looks like "0" and "." like ",". Full hinting keeps the fixed pitch.
  QFont listFont = NamedFont(MsGothic(), 9.75);
  listFont.setStyleStrategy(QFont::PreferAntialias);
  listFont.setHintingPreference(QFont::PreferFullHinting);
  list->setFont(listFont);
  list->setItemDelegate(new TabStopDelegate(list));
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  return list;
}

}  // namespace

Zorvan::Zorvan(std::filesystem::path dataFolder, Registry& registry, Launcher& launcher, QWidget* parent)
    : QMainWindow(parent),
      dataFolder_(std::move(dataFolder)),
      registry_(registry),
      launcher_(launcher),
      help_(std::make_unique<HelpCommand>(launcher, dataFolder_)) {
  setObjectName(QStringLiteral("Zorvan"));
  setWindowTitle(QStringLiteral(u"\u5206\u5B50\u91CF\u8A08\u7B97"));  // 分子量計算
  setWindowIcon(ZorvanIcon());
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  CreateActions();
  CreateShortcuts();
  CreateMenus();
  CreateControls();
  // Menu shortcuts must win over the line edits' own copy, paste and
  // select-all, which claim those keys through ShortcutOverride.
  qApp->installEventFilter(this);
}

Zorvan::~Zorvan() {
  qApp->removeEventFilter(this);
  // The tool windows go first: their unfinished work reads the tables and
  // the isotope table, which are members here and die before the children.
  delete finder_;
  delete mass_;
}

void Zorvan::CreateActions() {
  auto make = [this](const char* name, const QString& caption, void (Zorvan::*slot)()) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QLatin1String(name));
    if (slot) connect(action, &QAction::triggered, this, slot);
    return action;
  };
  MnuExit = make("MnuExit", QStringLiteral(u"\u7D42\u4E86(&X)"), &Zorvan::MnuExit_Click);  // 終了(&X)
  // 分子量をｺﾋﾟｰ(&C), 重量%をｺﾋﾟｰ(&W), 全てｺﾋﾟｰ(&A), 分子式を貼付(&P)
  MnuCopy1 = make("MnuCopy1", QStringLiteral(u"\u5206\u5B50\u91CF\u3092\uFF7A\uFF8B\uFF9F\uFF70(&C)"),
                  &Zorvan::MnuCopy1_Click);
  MnuCopy2 =
      make("MnuCopy2", QStringLiteral(u"\u91CD\u91CF%\u3092\uFF7A\uFF8B\uFF9F\uFF70(&W)"), &Zorvan::MnuCopy2_Click);
  MnuCopyA = make("MnuCopyA", QStringLiteral(u"\u5168\u3066\uFF7A\uFF8B\uFF9F\uFF70(&A)"), &Zorvan::MnuCopyA_Click);
  MnuPaste = make("MnuPaste", QStringLiteral(u"\u5206\u5B50\u5F0F\u3092\u8CBC\u4ED8(&P)"), &Zorvan::MnuPaste_Click);
  // 基を分子式で置き換える(&G), 物質を検索する(&S)
  MNuChange = make("MNuChange",
                   QStringLiteral(u"\u57FA\u3092\u5206\u5B50\u5F0F\u3067\u7F6E\u304D\u63DB\u3048\u308B(&G)"), nullptr);
  MnuSearch = make("MnuSearch", QStringLiteral(u"\u7269\u8CEA\u3092\u691C\u7D22\u3059\u308B(&S)"), nullptr);
  // ﾍﾙﾌﾟの表示(&H)
  disp_help =
      make("disp_help", QStringLiteral(u"\uFF8D\uFF99\uFF8C\uFF9F\u306E\u8868\u793A(&H)"), &Zorvan::disp_help_Click);
  MnuAbout = make("MnuAbout", QStringLiteral("About(&A)"), &Zorvan::MnuAbout_Click);
  // 質量分析(&M)..., 組成推定(&F)...
  MnuMass = make("MnuMass", QStringLiteral(u"\u8CEA\u91CF\u5206\u6790(&M)..."), &Zorvan::MnuMass_Click);
  MnuFinder = make("MnuFinder", QStringLiteral(u"\u7D44\u6210\u63A8\u5B9A(&F)..."), &Zorvan::MnuFinder_Click);
  // 試薬表(&R)...
  MnuReagents = make("MnuReagents", QStringLiteral(u"\u8A66\u85AC\u8868(&R)..."), &Zorvan::MnuReagents_Click);

  // The check marks are the program's only settings; both start checked.
  // The click handlers flip them, so Qt's own toggle is undone first.
  for (QAction* option : {MNuChange, MnuSearch}) {
    option->setCheckable(true);
    option->setChecked(true);
  }
  connect(MNuChange, &QAction::triggered, this, [this](bool checked) {
    MNuChange->setChecked(!checked);
    MNuChange_Click();
  });
  connect(MnuSearch, &QAction::triggered, this, [this](bool checked) {
    MnuSearch->setChecked(!checked);
    MnuSearch_Click();
  });
}

void Zorvan::CreateShortcuts() {
  MnuCopy1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  MnuCopy2->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
  MnuCopyA->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
  MnuPaste->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
  MNuChange->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
  MnuSearch->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  disp_help->setShortcut(QKeySequence(Qt::Key_F1));
  MnuMass->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
  MnuFinder->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  MnuReagents->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
}

void Zorvan::CreateMenus() {
  auto make = [this](const char* name, const QString& caption, QList<QAction*> items) {
    QMenu* menu = menuBar()->addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    menu->addActions(items);
  };
  make("MnuFile", QStringLiteral(u"\uFF8C\uFF67\uFF72\uFF99(&F)"), {MnuExit});                     // ﾌｧｲﾙ(&F)
  make("MnuEdit", QStringLiteral(u"\u7DE8\u96C6(&E)"), {MnuCopy1, MnuCopy2, MnuCopyA, MnuPaste});  // 編集(&E)
  // ｵﾌﾟｼｮﾝ(&O), ﾍﾙﾌﾟ(&H)
  make("MnuOption", QStringLiteral(u"\uFF75\uFF8C\uFF9F\uFF7C\uFF6E\uFF9D(&O)"), {MNuChange, MnuSearch});
  make("MnuTool", QStringLiteral(u"\uFF82\uFF70\uFF99(&T)"), {MnuMass, MnuFinder, MnuReagents});  // ﾂｰﾙ(&T)
  make("menu_hlp", QStringLiteral(u"\uFF8D\uFF99\uFF8C\uFF9F(&H)"), {disp_help, MnuAbout});
}

void Zorvan::CreateControls() {
  auto* client = new QWidget(this);
  client->setFixedSize(TwipsSize(4770, 1665));
  setCentralWidget(client);

  // 分子式, 組成式, 分子量, 重量%
  Label1 = MakeLabel("Label1", QStringLiteral(u"\u5206\u5B50\u5F0F"), TwipsRect(60, 60, 615, 255), 9, client);
  Text1 = MakeBox("Text1", TwipsRect(720, 0, 3975, 330), false, client);
  // Pasted text goes in whole; a formula over the length limit shows "Error!".
  Text1->setMaxLength(std::numeric_limits<int>::max());
  Label2 = MakeLabel("Label2", QStringLiteral(u"\u7D44\u6210\u5F0F"), TwipsRect(60, 420, 615, 255), 9, client);
  Text2 = MakeBox("Text2", TwipsRect(720, 360, 3975, 330), true, client);
  Label3 = MakeLabel("Label3", QStringLiteral(u"\u5206\u5B50\u91CF"), TwipsRect(60, 780, 615, 255), 9, client);
  Text3 = MakeBox("Text3", TwipsRect(720, 720, 1455, 330), true, client);
  Label4 = MakeLabel("Label4", QStringLiteral(u"\u91CD\u91CF%"), TwipsRect(2220, 780, 555, 255), 9.75, client);
  List1 = MakeList("List1", TwipsRect(2760, 720, 1935, 840), client);
  Command1 = new QPushButton(QStringLiteral(u"\u8A08\u7B97"), client);  // 計算
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setGeometry(TwipsRect(120, 1200, 675, 375));
  Command2 = new QPushButton(QStringLiteral(u"\u691C\u7D22"), client);  // 検索
  Command2->setObjectName(QStringLiteral("Command2"));
  Command2->setGeometry(TwipsRect(1200, 1200, 735, 375));
  for (QLineEdit* result : {Text2, Text3}) result->setFont(NamedFont(Arial(), 9));
  PressOnEnter({Command1, Command2});

  SetTabOrder({Text1, Text2, Text3, List1, Command1, Command2});
  Text1->setFocus();

  connect(Command1, &QPushButton::clicked, this, &Zorvan::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &Zorvan::Command2_Click);

  // A fixed single border: the client area, under the menu bar, never resizes.
  const int menuHeight = menuBar()->sizeHint().height();
  setFixedSize(client->width(), client->height() + menuHeight);
  // The design places the client area, not the frame: the geometry excludes
  // the frame, and the menu bar lies above the client area.
  setGeometry(QRect(QPoint(Twips(1185), Twips(1860) - menuHeight), size()));
}

void Zorvan::Form_Load() {
  tables_ = LoadTables(dataFolder_);
  engine_ = std::make_unique<FormulaEngine>(tables_);
  names_ = NameDatabase{};  // not loaded
  zorvan::LoadNameDatabase(names_, MnuSearch->isChecked(), dataFolder_);
}

char16_t Zorvan::DecimalPoint() const {
  QString point = QLocale().decimalPoint();
  return point.size() == 1 ? point.at(0).unicode() : u'.';
}

CalcOptions Zorvan::Options() const {
  return {.ReplaceGroups = MNuChange->isChecked(), .DecimalPoint = DecimalPoint()};
}

void Zorvan::ShowResult(const QString& formula, const Calculation& result) {
  shown_.Formula = formula;
  shown_.Value = result;
  resultsCleared_ = false;
  List1->clear();
  for (const Text& line : result.PercentLines) List1->addItem(ToQString(line));
  SetBoxText(Text2, ToQString(result.Composition));
  SetBoxText(Text3, ToQString(result.MolecularWeight));
  // The composition box still says only "Error!"; its tooltip says why and
  // where, and the caret goes there (to the abbreviation when the error lies
  // in a group's formula) without touching the text. Cautions on a formula
  // that calculates join the tooltip, and a warning sign in the box shows
  // that there is something to read.
  const QString notes = ToQString(JoinNotes(result.Notes, u"\n"));
  Text2->setToolTip(notes);
  SetCautionMark(Text2, notes, app::Title());
  if (result.TypedPosition > 0) Text1->setCursorPosition(result.TypedPosition - 1);
  // A solvate or salt: its masses are those of the part before the first "*".
  shown_.FirstPart.reset();
  Calculation part;
  if (result.Status == CalcStatus::Ok &&
      mass::CalculateFirstPart(*engine_, ToText(formula), MNuChange->isChecked(), part) &&
      part.Status == CalcStatus::Ok)
    shown_.FirstPart = std::move(part);
  shown_.Name = std::exchange(chosenName_, QString());
  emit Calculated(shown_);
}

void Zorvan::CalculateFormula() {
  if (!engine_) return;  // tables not loaded: nothing can be calculated
  const QString formula = Text1->text();
  ShowResult(formula, engine_->Calculate(ToText(formula), Options()));
}

void Zorvan::Command1_Click() { CalculateFormula(); }

void Zorvan::Text1_KeyDown(int key) {
  if (key == Qt::Key_Return || key == Qt::Key_Enter) CalculateFormula();
}

bool Zorvan::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched == Text1) {
    // The key is not consumed: a one-line box inserts nothing for Enter.
    Text1_KeyDown(static_cast<QKeyEvent*>(event)->key());
  } else if (event->type() == QEvent::ShortcutOverride) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && widget->window() == this) {
      auto* key = static_cast<QKeyEvent*>(event);
      QKeySequence pressed(QKeyCombination(key->modifiers() & ~Qt::KeypadModifier, Qt::Key(key->key())));
      for (const QAction* action : findChildren<QAction*>()) {
        if (action->isEnabled() && action->shortcut() == pressed) {
          event->ignore();  // not overridden: the shortcut goes to the menu
          return true;
        }
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void Zorvan::MNuChange_Click() {
  MNuChange->setChecked(!MNuChange->isChecked());
  CalculateFormula();
}

void Zorvan::MnuSearch_Click() {
  if (MnuSearch->isChecked()) {
    MnuSearch->setChecked(false);
    Command2->setVisible(false);
    CloseResultWindow();
  } else {
    MnuSearch->setChecked(true);
    Command2->setVisible(true);
    LoadNameDatabase();
  }
}

void Zorvan::LoadNameDatabase() {
  try {
    zorvan::LoadNameDatabase(names_, MnuSearch->isChecked(), dataFolder_);
  } catch (const DataFileError& e) {
    // At start-up this failure ends the program; later on, ending would lose
    // the user's work, so the search just finds nothing until the file is mended.
    QMessageBox::warning(this, app::Title(), QString::fromStdString(e.JapaneseMessage()));
  }
}

void Zorvan::CloseResultWindow() {
  if (namelist* window = namelist_) {
    namelist_ = nullptr;
    window->Unload();  // its Unloading signal puts its query back into Text1
  }
}

void Zorvan::Command2_Click() {
  resultsCleared_ = true;
  List1->clear();
  SetBoxText(Text2, QString());
  SetBoxText(Text3, QString());
  // The cleared box has nothing to caution about.
  Text2->setToolTip(QString());
  SetCautionMark(Text2, QString(), app::Title());
  const QString Formula = Text1->text();
  if (!MnuSearch->isChecked()) return;

  // SearchNames: close the earlier window, load if needed, fold and match.
  CloseResultWindow();
  if (names_.SubstanceLast() < 0) LoadNameDatabase();
  SearchResults hits = SearchNames(ToText(Formula), names_);
  namelist_ = new namelist(hits, names_.SubstanceLast(), this);
  connect(namelist_, &namelist::FormulaChosen, this, [this](const QString& formula, const QString& name) {
    chosenName_ = name;
    CalculateChosen(formula);
  });
  connect(namelist_, &namelist::Unloading, this, [this](const QString& query) { SetBoxText(Text1, query); });
  // Without hits the window stays hidden, holding the query until the next
  // search or the end of search mode closes it.
  if (hits.HitLast() >= 0) namelist_->show();
  namelist_->SetQuery(Formula);
}

void Zorvan::CalculateChosen(const QString& formula) {
  SetBoxText(Text1, formula);
  CalculateFormula();
}

void Zorvan::MnuExit_Click() { close(); }

void Zorvan::closeEvent(QCloseEvent* event) {
  // Closing the main window ends the program: no other window of it, shown
  // or hidden, may keep it running without a formula box to write to. A
  // tool window with unsaved work may refuse to close; then nothing closes.
  if (reagents_ && reagents_->isVisible() && !reagents_->close()) return event->ignore();
  QMainWindow::closeEvent(event);
  if (event->isAccepted()) {
    CloseResultWindow();  // shown or hidden, it gives its query back as every close does
    for (QWidget* window : QApplication::topLevelWidgets())
      if (window != this) window->close();
    QApplication::quit();
  }
}

void Zorvan::MnuAbout_Click() {
  // A box that was just closed waits for its deletion; open a new one then.
  if (!about_ || !about_->isVisible()) about_ = new frmAbout(registry_, launcher_, this);
  about_->show();
  about_->raise();
  about_->activateWindow();
}

const mass::IsotopeTable& Zorvan::Isotopes() {
  if (!isotopes_) isotopes_ = std::make_unique<mass::IsotopeTable>(mass::IsotopeTable::FromIsoSpec());
  return *isotopes_;
}

void Zorvan::ShowToolWindow(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}

MassWindow* Zorvan::Mass() {
  if (!mass_) {
    mass_ = new MassWindow(tables_.Elements, Isotopes(), this);
    mass_->ShowCalculation(shown_);
    KeepWindowPlace(mass_, QStringLiteral("MassWindow"), this);
    connect(this, &Zorvan::Calculated, mass_, &MassWindow::ShowCalculation);
    connect(mass_, &MassWindow::FinderRequested, this, [this](const QString& mz, const QString& ion) {
      MnuFinder_Click();
      finder_->SearchFor(mz, ion);
    });
  }
  return mass_;
}

void Zorvan::MnuMass_Click() { ShowToolWindow(Mass()); }

void Zorvan::MnuFinder_Click() {
  if (!finder_) {
    finder_ = new FinderWindow(tables_, Isotopes(), this);
    KeepWindowPlace(finder_, QStringLiteral("FinderWindow"), this);
    // The chosen formula is calculated, and its ion and measured values go
    // with it to the mass window, in place of those of the formula before.
    connect(finder_, &FinderWindow::FormulaChosen, this,
            [this](const QString& formula, const MeasuredValues& measured) {
              CalculateChosen(formula);
              Mass()->TakeMeasured(measured);
              // The overlay is what the peaks were chosen for; the finder keeps the keyboard.
              if (!measured.Peaks.empty() && !mass_->isVisible()) {
                ShowToolWindow(mass_);
                ShowToolWindow(finder_);
              }
            });
  }
  ShowToolWindow(finder_);
}

void Zorvan::MnuReagents_Click() {
  if (!reagents_) {
    reagents_ = new ReagentWindow(tables_, dataFolder_, registry_, this);
    reagents_->ShowCalculation(shown_);
    connect(this, &Zorvan::Calculated, reagents_, &ReagentWindow::ShowCalculation);
  }
  ShowToolWindow(reagents_);
}

void Zorvan::disp_help_Click() { help_->disp_help_Click(this, tables_.Groups); }

const Calculation& Zorvan::Shown() const {
  static const Calculation nothing;  // no texts at all
  return resultsCleared_ ? nothing : shown_.Value;
}

QString Zorvan::BuildReport() const {
  Text block;
  AppendReportBlock(block, ToText(Text1->text()), Shown());
  return ToQString(block);
}

void Zorvan::MnuCopy1_Click() { PutOnClipboard(ToQString(Shown().MolecularWeight)); }

void Zorvan::MnuCopy2_Click() {
  Text lines;
  for (const Text& line : Shown().PercentLines) lines += line + Text(CrLf);
  PutOnClipboard(ToQString(lines));
}

void Zorvan::MnuCopyA_Click() { PutOnClipboard(BuildReport()); }

void Zorvan::PutOnClipboard(const QString& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->clear();
  clipboard->setText(text);
}

void Zorvan::MnuPaste_Click() {
  const Text pasted = ToText(QGuiApplication::clipboard()->text());
  // The platform's line break is a line break: a list copied from an editor,
  // a terminal or a spreadsheet here ends its lines in LF alone.
  std::vector<Text> PasteLines = SplitPasteLines(LoneLfToCrLf(pasted));
  if (PasteLines.empty()) {
    SetBoxText(Text1, ToQString(pasted));
    return;
  }
  if (!engine_) return;
  // Every line is calculated, however many there are. Each block comes from
  // the same texts the window would show for that line; only the last line
  // is written into the controls, so a long paste stays fast.
  Text batch;
  Calculation result;
  CalcOptions options = Options();
  // Only the line that is shown needs its notes and parts.
  options.Notes = options.Parts = false;
  for (const Text& line : PasteLines) {
    engine_->Calculate(line, options, result);
    AppendBatchEntry(batch, line, result);
  }
  const QString last = ToQString(PasteLines.back());
  SetBoxText(Text1, last);
  ShowResult(last, engine_->Calculate(PasteLines.back(), Options()));
  PutOnClipboard(ToQString(batch));
}

}  // namespace zorvan
