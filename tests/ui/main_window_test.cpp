// The windows driven as a user drives them: the main window over its own
// data folder, with a registry in memory and a launcher that starts nothing;
// the result window, the About box and the help window it opens; and the
// launcher of this system. Every message box is closed as soon as it opens,
// so that no test can hang on one.
#include <QtTest>
#include <QtWidgets>
#include <filesystem>
#include <fstream>

#include "ui/about_box.h"
#include "ui/app_identity.h"
#include "ui/help_window.h"
#include "ui/main_window.h"
#include "ui/namelist.h"
#include "ui/registry.h"
#include "ui/startup.h"

using namespace zorvan;

namespace {

const QString Water = QStringLiteral("H2O\r\nH2O1\r\n18.01528\r\nH \t 11.19%\r\nO \t 88.81%\r\n");
const QString Salt = QStringLiteral("NaCl\r\nNa1Cl1\r\n58.44247\r\nNa\t 39.34%\r\nCl\t 60.66%\r\n");
QStringList boxes;  // every message box seen, as "caption|text"

struct Keys {
  const char* focus;
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
};
// `formula` is calculated unless empty (and searched for, clearing the
// results, with `search`), then `typed` is written into Text1.
struct Shortcut {
  QString formula, typed;
  const char* focus;
  Qt::Key key;
  QString clipboard;
  bool search = false;
};
struct Paste {
  QString pasted, clipboard, text1, text2;
};
// PATH and MSINFO values (null: none), then what is started and file-tested (empty: nothing).
struct SysInfo {
  QByteArray path;
  quint32 type;
  QByteArray folder;
  bool startSucceeds;
  QString started, fileTest;
};

// Returns the child of `parent` with that object name; a missing one ends the run.
template <typename T = QLineEdit>
T* Find(const QObject* parent, const char* name) {
  T* child = parent->findChild<T*>(QLatin1String(name));
  if (child == nullptr) qFatal("no %s", name);
  return child;
}

// Returns the newest window of type T under `parent`, shown or hidden, or null.
template <typename T>
T* Newest(const QObject* parent) {
  return parent->findChildren<T*>().value(parent->findChildren<T*>().size() - 1);
}

// Returns how many windows of type T under `parent` are visible.
template <typename T>
int Visible(const QObject* parent) {
  return int(std::ranges::count_if(parent->findChildren<T*>(), &QWidget::isVisible));
}

// Gives `widget` the focus and presses `key` there, Enter unless told otherwise.
void Press(QWidget* widget, Qt::Key key = Qt::Key_Return, Qt::KeyboardModifiers modifiers = {}) {
  widget->setFocus();
  QTest::keyClick(widget, key, modifiers);
}

// Returns a fresh folder, removed when the tests end: empty when `nameCsv` is
// null, else with the example element and group tables and a name.csv of `nameCsv`.
std::filesystem::path DataFolder(const char* nameCsv) {
  static const QTemporaryDir temp;
  const std::filesystem::path folder = temp.path().toStdString() + "/data";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  for (const char* file : {"atom.csv", "group.csv"})
    if (nameCsv) std::filesystem::copy_file(std::filesystem::path(ZORVAN_DATA_DIR) / file, folder / file);
  if (nameCsv) std::ofstream(folder / "name.csv", std::ios::binary) << nameCsv;
  return folder;
}

using Values = QMap<QString, QPair<quint32, QByteArray>>;  // value name: type, bytes

// Keys under HKEY_LOCAL_MACHINE that open only with all access rights; a
// handle is the address of its key's values.
struct MemoryRegistry : Registry {
  bool OpenKey(RegistryRoot root, const QString& key, quint32 access, RegistryHandle& handle) override {
    handle = root == RegistryRoot::LocalMachine && access == 0x2003F && keys.contains(key) ? quintptr(&keys[key]) : 0;
    open += handle != 0;
    return handle != 0;
  }
  bool QueryValue(RegistryHandle key, const QString& name, qsizetype capacity, QByteArray& data,
                  quint32& type) override {
    const Values& values = *reinterpret_cast<const Values*>(key);
    if (!values.contains(name) || values[name].second.size() > capacity) return false;
    std::tie(type, data) = values[name];
    return true;
  }
  void CloseKey(RegistryHandle handle) override { open -= handle != 0; }
  QMap<QString, Values> keys;
  int open = 0;
};

// Starts nothing; records what it was asked.
struct FakeLauncher : Launcher {
  bool StartDetached(const QString& commandLine) override {
    started << commandLine;
    return startSucceeds;
  }
  bool FileExists(const QString& path) override {
    fileTests << path;
    return path == "C:\\WINDOWS\\MSINFO32.EXE";
  }
  bool startSucceeds = true;
  QStringList started, fileTests;
};

// The main window over `folder`, started as the program starts it. Its
// controls come before any other window's among its children.
struct Harness {
  explicit Harness(const std::filesystem::path& folder = ZORVAN_DATA_DIR)
      : window(folder, registry, launcher), status(StartZorvan(window)) {}
  QString Text(const char* box) { return Find(&window, box)->text(); }
  QAction* Action(const char* name) { return Find<QAction>(&window, name); }
  void Calculate(const QString& formula) {
    Find(&window, "Text1")->setText(formula);
    Press(Find(&window, "Text1"));
  }
  // Searches for `query` by Enter on the focused Search button.
  void Search(const QString& query) {
    Find(&window, "Text1")->setText(query);
    Press(Find<QPushButton>(&window, "Command2"));
  }
  MemoryRegistry registry;
  FakeLauncher launcher;
  Zorvan window;
  int status;
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
  std::unique_ptr<Harness> h;

 private slots:
  void initTestCase() {
    SetUpApplication();
    QLocale::setDefault(QLocale::c());
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, [] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        boxes << box->windowTitle() + u'|' + box->text();
        box->close();
      }
    });
    poll->start(10);
  }
  void init() {
    h = std::make_unique<Harness>(DataFolder("a,x,H2O\r\nb,x,CH3COOH\r\nc,y,NaCl\r\n"));
    QVERIFY(QTest::qWaitForWindowExposed(&h->window));
    h->window.activateWindow();
  }
  void cleanup() {
    h.reset();
    QApplication::setAttribute(Qt::AA_NativeWindows, false);
    QCOMPARE(std::exchange(boxes, {}), QStringList());
  }

  // Enter in the formula box, whatever the modifiers, and Enter on the
  // focused Calculate button calculate; Enter inserts nothing.
  void enterCalculates_data() {
    QTest::addColumn<Keys>("keys");
    QTest::newRow("Text1") << Keys{"Text1", Qt::Key_Return, {}};
    QTest::newRow("Text1 shift") << Keys{"Text1", Qt::Key_Return, Qt::ShiftModifier};
    QTest::newRow("Text1 ctrl") << Keys{"Text1", Qt::Key_Return, Qt::ControlModifier};
    QTest::newRow("Text1 keypad") << Keys{"Text1", Qt::Key_Enter, Qt::KeypadModifier};
    QTest::newRow("Command1") << Keys{"Command1", Qt::Key_Return, {}};
    QTest::newRow("Command1 keypad") << Keys{"Command1", Qt::Key_Enter, Qt::KeypadModifier};
  }
  void enterCalculates() {
    QFETCH(Keys, keys);
    QTest::keyClicks(Find(&h->window, "Text1"), "H2O");
    Press(Find<QWidget>(&h->window, keys.focus), keys.key, keys.modifiers);
    QCOMPARE(h->Text("Text1") + u' ' + h->Text("Text2") + u' ' + h->Text("Text3"), QString("H2O H2O1 18.01528"));
  }

  // A menu shortcut runs its command from any control, before the control's
  // own copy, paste or select-all. The copies never calculate: they take the
  // controls as they stand, empty ones too.
  void shortcutsRunMenuCommands_data() {
    QTest::addColumn<Shortcut>("s");
    QTest::newRow("copy weight in Text1") << Shortcut{"H2O", "H2O", "Text1", Qt::Key_C, "18.01528"};
    QTest::newRow("copy weight in Text2") << Shortcut{"H2O", "H2O", "Text2", Qt::Key_C, "18.01528"};
    QTest::newRow("copy empty weight") << Shortcut{"", "H2O", "Text3", Qt::Key_C, ""};
    QTest::newRow("copy list") << Shortcut{"H2O", "H2O", "List1", Qt::Key_W, "H \t 11.19%\r\nO \t 88.81%\r\n"};
    QTest::newRow("copy empty list") << Shortcut{"", "H2O", "Text1", Qt::Key_W, ""};
    QTest::newRow("copy all, edited") << Shortcut{"H2O", "x", "Text1", Qt::Key_A, "x" + Water.mid(3)};
    QTest::newRow("copy all, empty") << Shortcut{"", "x", "Command1", Qt::Key_A, "x\r\n\r\n\r\n"};
    QTest::newRow("paste in Text1") << Shortcut{"H2O", "NaCl", "Text1", Qt::Key_V, "\r\n" + Water};
    QTest::newRow("copy weight, searched") << Shortcut{"H2O", "x", "Text1", Qt::Key_C, "", true};
    QTest::newRow("copy list, searched") << Shortcut{"H2O", "x", "Text1", Qt::Key_W, "", true};
    QTest::newRow("copy all, searched") << Shortcut{"H2O", "x", "Text1", Qt::Key_A, "x\r\n\r\n\r\n", true};
  }
  void shortcutsRunMenuCommands() {
    QFETCH(Shortcut, s);
    if (!s.formula.isEmpty()) h->Calculate(s.formula);
    if (s.search) h->Search(s.formula);
    Find(&h->window, "Text1")->setText(s.typed);
    QGuiApplication::clipboard()->setText("H2O\r\n");
    for (QLineEdit* box : h->window.findChildren<QLineEdit*>()) box->selectAll();
    Press(Find<QWidget>(&h->window, s.focus), s.key, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), s.clipboard);
    QCOMPARE(h->Text("Text1"), s.key == Qt::Key_V ? QString("H2O") : s.typed);
  }

  // Each line, ended by CR LF or by LF alone, is calculated into the report;
  // text without either goes into the formula box whole, and nothing else
  // changes.
  void batchPaste_data() {
    QTest::addColumn<Paste>("p");
    QTest::newRow("one line, a group") << Paste{
        "PhOH\r\n", "\r\nPhOH\r\nH6C6O1\r\n94.11304\r\nH \t  6.43%\r\nC \t 76.57%\r\nO \t 17.00%\r\n", "PhOH",
        "H6C6O1"};
    QTest::newRow("error line, no end") << Paste{
        "H2O\r\nh2o\r\nNaCl", "\r\n" + Water + "\r\nh2o\r\nError!\r\n\r\n\r\n" + Salt, "NaCl", "Na1Cl1"};
    QTest::newRow("empty first line") << Paste{"\r\nH2O", "\r\n\r\n\r\n0\r\n\r\n" + Water, "H2O", "H2O1"};
    QTest::newRow("no CR LF") << Paste{"CuSO4*5H2O", "CuSO4*5H2O", "CuSO4*5H2O", "C1"};
    QTest::newRow("lone CR") << Paste{"H2O\rNaCl", "H2O\rNaCl", "H2O\rNaCl", "C1"};
    QTest::newRow("LF, trailing") << Paste{"H2O\nNaCl\n", "\r\n" + Water + "\r\n" + Salt, "NaCl", "Na1Cl1"};
    QTest::newRow("LF, CR LF, lone CR, blank kept")
        << Paste{"\nNa\rCl \r\nH2O", "\r\n\r\n\r\n0\r\n\r\nNa\rCl \r\nError!\r\n\r\n\r\n" + Water, "H2O", "H2O1"};
    QTest::newRow("40000 characters") << Paste{QString(40000, 'C'), QString(40000, 'C'), QString(40000, 'C'), "C1"};
  }
  void batchPaste() {
    QFETCH(Paste, p);
    h->Calculate("C");
    QGuiApplication::clipboard()->setText(p.pasted);
    h->Action("MnuPaste")->trigger();
    QCOMPARE(QStringList({QGuiApplication::clipboard()->text(), h->Text("Text1"), h->Text("Text2")}),
             QStringList({p.clipboard, p.text1, p.text2}));
  }

  // The group option recalculates at once.
  void groupOptionRecalculates() {
    h->Calculate("PhOH");
    h->Action("MNuChange")->trigger();  // off: Ph is no element
    QVERIFY(h->Text("Text2") == "Error!" && !h->Action("MNuChange")->isChecked());
    Press(Find(&h->window, "Text1"), Qt::Key_G, Qt::ControlModifier);
    QVERIFY(h->Text("Text2") == "H6C6O1" && h->Action("MNuChange")->isChecked());
  }

  // A written box shows the start of its text; the percentages use the
  // user's decimal point and line up: a tab moves to the next stop of eight
  // columns of a fixed-pitch font.
  void resultsAsShown() {
    h->Calculate("C6H5NO2SClBrFIPNaKCaMgFeCuZnAgAuPtU");
    QVERIFY(h->Text("Text2").startsWith("H5C6N1O2") && Find(&h->window, "Text2")->cursorPosition() == 0);
    QLocale::setDefault(QLocale(QLocale::German));
    h->Calculate("H2O");
    QLocale::setDefault(QLocale::c());
    auto* list = Find<QListWidget>(&h->window, "List1");
    QCOMPARE(list->item(0)->text(), QString("H \t 11,19%"));
    QCOMPARE(static_cast<QStyledItemDelegate*>(list->itemDelegate())->displayText("Na\t 9.34%", {}), "Na       9.34%");
    QCOMPARE(list->fontMetrics().horizontalAdvance("i1.%"), list->fontMetrics().horizontalAdvance("WO0 "));
    // The boxes are written upright in the program's 9-point face.
    const QFont font = Find(&h->window, "Text2")->font();
    QVERIFY(!font.italic() && font.weight() == QFont::Normal && font.pointSizeF() == 9);
  }

  // After "Error!" the composition box's tooltip says why and where, and the
  // caret moves there without selecting or changing the text; a look-alike
  // hydrate or a formula read short adds a caution. While there is either,
  // a warning sign in the box shows the same text when clicked; a good
  // formula, or a search, clears the tooltip and the sign.
  void errorTooltip() {
    struct Row {
      QString formula, tooltipStart;
      int caret;
    };
    const Row rows[] = {
        {"H2O ", QString::fromUtf16(u"4\u6587\u5B57\u76EE\u306B\u7A7A\u767D"), 3},       // 4文字目に空白
        {"Phe", QString::fromUtf16(u"3\u6587\u5B57\u76EE\u306E\u5C0F\u6587\u5B57"), 2},  // 3文字目の小文字
        {"CuSO4.5H2O", QString::fromUtf16(u"\u7D50\u6676\u6C34"), 10},                   // 結晶水
        {"H2O", "", 3},
        {"H2O)3NaCl", QString::fromUtf16(u"4\u6587\u5B57\u76EE\u306E\u300C)\u300D"), 9}};  // 4文字目の「)」
    for (const Row& row : rows) {
      h->Calculate(row.formula);
      auto* text1 = Find(&h->window, "Text1");
      QCOMPARE(text1->text(), row.formula);
      const QString tooltip = Find(&h->window, "Text2")->toolTip();
      QVERIFY2(row.tooltipStart.isEmpty() ? tooltip.isEmpty() : tooltip.startsWith(row.tooltipStart),
               qPrintable(row.formula));
      QVERIFY(text1->cursorPosition() == row.caret && !text1->hasSelectedText());
      auto* mark = Find<QAction>(Find(&h->window, "Text2"), "caution");
      QVERIFY(mark->isVisible() == !tooltip.isEmpty() && !mark->icon().isNull());
      if (mark->isVisible()) mark->trigger();
      QCOMPARE(std::exchange(boxes, {}),
               tooltip.isEmpty() ? QStringList() : QStringList{app::Title() + u'|' + tooltip});
    }
    h->Search("nothing");  // clears the box, and with it what was said of it
    QVERIFY(Find(&h->window, "Text2")->toolTip().isEmpty() && !Find<QAction>(&h->window, "caution")->isVisible());
  }

  // A missing or truncated data file: its message, status 1, no window.
  void startUpFailures_data() {
    QTest::addColumn<QString>("nameCsv");  // empty: an empty folder
    QTest::newRow("atom.csv") << "";
    QTest::newRow("name.csv") << "a,b,H2O\r\nc,d\r\n";
  }
  void startUpFailures() {
    QFETCH(QString, nameCsv);
    Harness broken(DataFolder(nameCsv.isEmpty() ? nullptr : qPrintable(nameCsv)));
    QVERIFY(broken.status == 1 && !broken.window.isVisible() && boxes.size() == 1);
    QVERIFY(boxes[0].startsWith(app::Title() + u'|') && boxes[0].endsWith(QString(": ") + QTest::currentDataTag()));
    boxes.clear();
  }

  // A click on a hit calculates it and leaves the result window open; keys,
  // Enter included, neither calculate nor close; closing puts the query back.
  void resultClickCalculatesKeysDoNot() {
    h->Search("x");
    QPointer<namelist> window = Newest<namelist>(&h->window);
    QVERIFY(window && QTest::qWaitForWindowExposed(window));
    auto* grid = Find<QTableWidget>(window, "list");
    QCOMPARE(Find(window, "Text1")->text() + Find(window, "Text2")->text(), QString("x 2/ 3"));
    QCOMPARE(Find(window, "Text1")->cursorPosition(), 0);
    Press(grid, Qt::Key_Up);
    Press(grid);
    Press(Find(window, "Text1"), Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(grid->currentRow() == 0 && window->isVisible() && h->Text("Text2").isEmpty());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(1, 1)).center());
    QCOMPARE(h->Text("Text1") + u' ' + h->Text("Text2"), QString("CH3COOH H4C2O2"));
    QVERIFY(window->isVisible());
    Find(window, "Text1")->setText("edited");
    Press(Find<QPushButton>(window, "close"));
    QCOMPARE(h->Text("Text1") + u' ' + h->Text("Text2"), QString("edited H4C2O2"));
    QTRY_VERIFY(!window);
  }

  // A search without hits clears the results and leaves a hidden window
  // that gives its query back at the next search; search mode off closes
  // the window, query back, and hides the Search button.
  void hiddenResultsAndSearchMode() {
    h->Calculate("H2O");
    h->Search("nothing");
    auto* hidden = Newest<namelist>(&h->window);
    QVERIFY(!hidden->isVisible() && h->Text("Text2").isEmpty() && h->Text("Text3").isEmpty());
    QVERIFY(Find<QListWidget>(&h->window, "List1")->count() == 0 && Find(hidden, "Text2")->text() == " 0/ 3");
    h->Search("y");
    QVERIFY(h->Text("Text1") == "nothing" && Newest<namelist>(&h->window)->isVisible());
    Find(Newest<namelist>(&h->window), "Text1")->setText("back");
    h->Action("MnuSearch")->trigger();
    QVERIFY(!Find<QPushButton>(&h->window, "Command2")->isVisible() && Visible<namelist>(&h->window) == 0);
    QCOMPARE(h->Text("Text1"), QString("back"));
    h->Action("MnuSearch")->trigger();
    QVERIFY(Find<QPushButton>(&h->window, "Command2")->isVisible());
  }

  // Qt's own texts are Japanese whatever the locale (these tests run in C);
  // each window asks for the title-bar buttons of its design: minimize and
  // close on the main window, close alone on the result window and About box.
  void qtTextsAndWindowButtons() {
    std::unique_ptr<QMenu> menu(Find(&h->window, "Text1")->createStandardContextMenu());
    QVERIFY(
        menu->actions().first()->text().startsWith(QString::fromUtf16(u"\u5143\u306B\u623B\u3059(&U)")));  // 元に戻す
    h->Search("x");
    h->Action("MnuAbout")->trigger();
    const auto buttons = [](const QWidget* window) {
      return window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                                      Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint);
    };
    QCOMPARE(buttons(&h->window), Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QCOMPARE(buttons(Newest<namelist>(&h->window)), Qt::WindowCloseButtonHint);
    QCOMPARE(buttons(Newest<frmAbout>(&h->window)), Qt::WindowCloseButtonHint);
  }

  // Tab and Shift+Tab go round the result window in its tab order, the grid
  // included; the arrow keys still move the current cell, and Esc closes nothing.
  void resultWindowTabOrder() {
    h->Search("x");
    auto* window = Newest<namelist>(&h->window);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QStringList order{window->focusWidget()->objectName()};
    for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Backtab}) {
      QTest::keyClick(window->focusWidget(), key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
      order << window->focusWidget()->objectName();
    }
    QCOMPARE(order, QStringList({"list", "Text1", "close", "Text2", "list", "Text2", "close"}));
    auto* grid = Find<QTableWidget>(window, "list");
    grid->setCurrentCell(0, 1);
    Press(grid, Qt::Key_Down);
    Press(grid, Qt::Key_Escape);
    QVERIFY(grid->currentRow() == 1 && window->isVisible() && h->Text("Text2").isEmpty());
  }

  // Every close of a window left hidden by a search without hits gives its
  // query back, also where Qt gives the never-shown window a native window
  // object and then closes it without a close event: search mode off, the
  // next search (which still searches for what the box held) and the end of
  // the main window.
  void hiddenWindowGivesItsQueryBack_data() {
    QTest::addColumn<bool>("native");
    QTest::newRow("plain widgets") << false;
    QTest::newRow("native widgets") << true;
  }
  void hiddenWindowGivesItsQueryBack() {
    QFETCH(bool, native);
    QApplication::setAttribute(Qt::AA_NativeWindows, native);
    h = std::make_unique<Harness>();  // the example data
    h->window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&h->window));
    h->Search("ZZZZ");
    h->Calculate("H2O");
    Press(Find(&h->window, "Text1"), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(h->Text("Text1"), QString("ZZZZ"));
    Press(Find(&h->window, "Text1"), Qt::Key_S, Qt::ControlModifier);
    h->Search("sodium thiosulfate pentahydrates");
    const QString methane = QString::fromUtf16(u"\uFF92\uFF80\uFF9D");  // ﾒﾀﾝ in half-width katakana
    h->Search(methane);
    QCOMPARE(h->Text("Text1"), QString("sodium thiosulfate pentahydrates"));
    QCOMPARE(Find(Newest<namelist>(&h->window), "Text1")->text(), methane);
    QVERIFY(Find<QTableWidget>(Newest<namelist>(&h->window), "list")->rowCount() > 0);
    h->Search("ZZZZ");
    QPointer<namelist> hidden = Newest<namelist>(&h->window);
    h->Action("MnuExit")->trigger();
    QCOMPARE(h->Text("Text1"), QString("ZZZZ"));
    QTRY_VERIFY(!hidden);
  }

  // The grid opens at its first hits; the current cell is the last row's name.
  void resultGridOpensAtTheTop_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("hits");
    QTest::newRow("water") << QString::fromUtf16(u"\u6C34") << 187;                     // 水
    QTest::newRow("benzene") << QString::fromUtf16(u"\u30D9\u30F3\u30BC\u30F3") << 15;  // ベンゼン
  }
  void resultGridOpensAtTheTop() {
    QFETCH(QString, query);
    QFETCH(int, hits);
    Harness example;
    example.Search(query);
    QVERIFY(QTest::qWaitForWindowExposed(Newest<namelist>(&example.window)));
    auto* grid = Find<QTableWidget>(Newest<namelist>(&example.window), "list");
    QCOMPARE(QList<int>({grid->rowCount(), grid->rowAt(0), grid->currentRow(), grid->currentColumn()}),
             QList<int>({hits, 0, hits - 1, 1}));
    // Names get two thirds of the grid, formulas one third, and both fit in it.
    QVERIFY(grid->columnWidth(1) > grid->columnWidth(0) && grid->columnWidth(0) + grid->columnWidth(1) < grid->width());
  }

  // A name file without records is read again when search mode comes back
  // on, where a lost one only warns under the application title, and at the
  // next search.
  void emptyNameFileIsReadAgain() {
    const auto folder = DataFolder("");
    Harness empty(folder);
    std::filesystem::remove(folder / "name.csv");
    for (int i = 0; i < 2; ++i) empty.Action("MnuSearch")->trigger();
    QVERIFY(boxes.size() == 1 && std::exchange(boxes, {})[0].startsWith(app::Title() + u'|'));
    std::ofstream(folder / "name.csv", std::ios::binary) << "a,x,H2O\r\n";
    empty.Search("x");
    QCOMPARE(Find(Newest<namelist>(&empty.window), "Text2")->text(), QString(" 1/ 1"));
    QVERIFY(Newest<namelist>(&empty.window)->isVisible());
  }

  // Closing the main window closes every other window.
  void closingTheMainWindowClosesAll() {
    h->Search("x");
    h->Action("MnuAbout")->trigger();
    h->Action("MnuExit")->trigger();
    for (QWidget* window : QApplication::topLevelWidgets()) QVERIFY(!window->isVisible());
  }

  // F1 starts the help viewer; without one, the program's own help window
  // opens, one at a time, naming the groups and the data folder in use.
  void helpFallsBackToItsOwnWindow() {
    Press(Find(&h->window, "Text1"), Qt::Key_F1);
    QCOMPARE(h->launcher.started, QStringList{"winhlp32 zorvan.hlp"});
    h->launcher.startSucceeds = false;
    qputenv("XDG_DATA_HOME", "/xdg");
    for (int i = 0; i < 2; ++i) h->Action("disp_help")->trigger();
    qunsetenv("XDG_DATA_HOME");
    QCOMPARE(Visible<HelpWindow>(&h->window), 1);
    const QString help = Newest<HelpWindow>(&h->window)->findChild<QTextBrowser*>()->toPlainText();
    QVERIFY(help.contains("Boc") && help.contains("C5H9O2") && help.contains("CuSO4*5H2O"));
    // The folder in use, and where one's own copy goes.
    QVERIFY(help.contains("/data\"/atom.csv") && help.contains("\"/xdg/zorvan\"/"));
    Newest<HelpWindow>(&h->window)->close();
    h->Action("disp_help")->trigger();
    QCOMPARE(Visible<HelpWindow>(&h->window), 1);
  }

  // "About(&A)" opens one box, without a window icon of its own; Enter,
  // keypad Enter and Esc close it, other keys do not; then a new one opens.
  void aboutBox() {
    for (Qt::Key key : {Qt::Key_X, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
      for (int i = 0; i < 2; ++i) h->Action("MnuAbout")->trigger();
      QVERIFY(Visible<frmAbout>(&h->window) == 1 && Newest<frmAbout>(&h->window)->windowIcon().isNull());
      Press(Find<QPushButton>(Newest<frmAbout>(&h->window), "cmdOK"), key);
      QCOMPARE(Visible<frmAbout>(&h->window), int(key == Qt::Key_X));
    }
    QVERIFY(h->launcher.started.isEmpty());
  }

  // Enter on ｼｽﾃﾑ情報: the PATH value starts the tool without a file test;
  // a folder value needs MSINFO32.EXE in it; every other way shows the
  // message, and the box stays open.
  void sysInfo_data() {
    QTest::addColumn<SysInfo>("s");
    const QByteArray none, folder = QByteArray("C:\\WINDOWS\0", 11), tool = "C:\\MSInfo\\msinfo32.exe";
    const QString inFolder = "C:\\WINDOWS\\MSINFO32.EXE", tail = "\\MSINFO32.EXE";
    QTest::newRow("path first") << SysInfo{tool + '\0', 1, folder, true, tool, ""};
    QTest::newRow("path fails to start") << SysInfo{tool, 1, none, false, tool, ""};
    QTest::newRow("folder with the tool") << SysInfo{none, 1, "C:\\WINDOWS", true, inFolder, inFolder};
    QTest::newRow("folder without") << SysInfo{none, 1, "C:\\TEMP", true, "", "C:\\TEMP" + tail};
    QTest::newRow("folder a DWORD") << SysInfo{none, 4, "\xEF\xBE\xAD\xDE", true, "", "DEADBEEF" + tail};
    QTest::newRow("folder of type 3") << SysInfo{none, 3, folder, true, "", tail};
    QTest::newRow("folder of 1024 bytes")
        << SysInfo{none, 1, QByteArray(1024, 'x'), true, "", QString(1024, 'x') + tail};
    QTest::newRow("folder of 1025 bytes") << SysInfo{none, 1, QByteArray(1025, 'x'), true, "", ""};
    QTest::newRow("no value") << SysInfo{none, 1, none, true, "", ""};
  }
  void sysInfo() {
    QFETCH(SysInfo, s);
    Values& path = h->registry.keys["SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"];
    Values& folder = h->registry.keys["SOFTWARE\\Microsoft\\Shared Tools Location"];
    if (!s.path.isNull()) path["PATH"] = {1, s.path};
    if (!s.folder.isNull()) folder["MSINFO"] = {s.type, s.folder};
    h->launcher.startSucceeds = s.startSucceeds;
    h->Action("MnuAbout")->trigger();
    Press(Find<QPushButton>(Newest<frmAbout>(&h->window), "cmdSysInfo"));
    QCOMPARE(h->launcher.started, s.started.isEmpty() ? QStringList() : QStringList{s.started});
    QCOMPARE(h->launcher.fileTests, s.fileTest.isEmpty() ? QStringList() : QStringList{s.fileTest});
    // 現時点ではｼｽﾃﾑ情報を使用できません
    const QString message = app::Title() + u'|' +
                            QString::fromUtf16(
                                u"\u73FE\u6642\u70B9\u3067\u306F\uFF7C"
                                u"\uFF7D\uFF83\uFF91\u60C5\u5831\u3092\u4F7F\u7528\u3067\u304D\u307E\u305B\u3093");
    QCOMPARE(std::exchange(boxes, {}), s.started.isEmpty() || !s.startSucceeds ? QStringList{message} : QStringList());
    QVERIFY(Visible<frmAbout>(&h->window) == 1 && h->registry.open == 0);
    // OK stays the default button while the focus is on ｼｽﾃﾑ情報.
    QVERIFY(Find<QPushButton>(Newest<frmAbout>(&h->window), "cmdOK")->isDefault());
  }

  // Without a registry, ｼｽﾃﾑ情報 starts the first system-information program
  // installed on PATH, in the registry layer's order; with none the message stays.
  void desktopSysInfo_data() {
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("started");
    QTest::newRow("none") << QStringList{"msinfo32"} << "";
    QTest::newRow("GNOME") << QStringList{"gnome-system-monitor"} << "gnome-system-monitor";
    QTest::newRow("KDE before HardInfo") << QStringList{"hardinfo", "kinfocenter"} << "kinfocenter";
  }
  void desktopSysInfo() {
    QFETCH(QStringList, installed);
    QFETCH(QString, started);
    const auto folder = DataFolder(nullptr);
    for (const QString& program : installed) std::filesystem::copy_file("/bin/true", folder / program.toStdString());
    const QByteArray path = qgetenv("PATH");
    const auto restore = qScopeGuard([&] { qputenv("PATH", path); });
    qputenv("PATH", QByteArray::fromStdString(folder.string()));
    std::unique_ptr<Registry> registry = SystemRegistry();
    frmAbout box(*registry, h->launcher, &h->window);
    box.show();
    Press(Find<QPushButton>(&box, "cmdSysInfo"));
    const QString where = QString::fromStdString(folder.string()) + u'/';
    QCOMPARE(h->launcher.started, started.isEmpty() ? QStringList() : QStringList{where + started});
    QCOMPARE(std::exchange(boxes, {}).size(), int(started.isEmpty()));
  }

  // The launcher of this system: a folder is no file, and a path naming a
  // file is one program even with blanks in it.
  void processLauncher() {
    const auto folder = DataFolder(nullptr) / "with blank";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file("/bin/true", folder / "tool");
    const QString tool = QString::fromStdString((folder / "tool").string());
    ProcessLauncher launcher;
    QVERIFY(launcher.FileExists(tool) && launcher.StartDetached(tool) && launcher.StartDetached("sh -c true"));
    QVERIFY(!launcher.FileExists(tool + "x") && !launcher.StartDetached(tool + "x") && !launcher.StartDetached(""));
    QVERIFY(!launcher.FileExists(QString::fromStdString(folder.string())));
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
