// The reagent window as a chemist uses it: rows added from the main window's
// formula, cells typed and confirmed, the table solved again at each edit;
// saving, opening and the question about unsaved changes; the last table
// back when the window opens again.
#include <QtTest>
#include <QtWidgets>
#include <functional>

#include "ui/launcher.h"
#include "ui/main_window.h"
#include "ui/reagent_window.h"
#include "ui/registry.h"
#include "ui/startup.h"

using namespace zorvan;

namespace {

// The grid's columns the test reads.
enum { Limiting, Name, Formula, Role, Weight, Equiv, Amount, Mass, Volume, Theoretical = 13, Yield, NoteColumn };

// Runs `answer` on the modal window that opens next.
void Answer(std::function<void(QWidget*)> answer) {
  QTimer::singleShot(0, [answer] {
    QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
    answer(QApplication::activeModalWidget());
  });
}

void Click(QWidget* modal, QMessageBox::StandardButton button) {
  auto* box = qobject_cast<QMessageBox*>(modal);
  QVERIFY(box && box->objectName() == "UnsavedQuestion");
  box->button(button)->click();
}

void ChooseFile(QWidget* modal, const QString& path) {
  auto* dialog = qobject_cast<QFileDialog*>(modal);
  QVERIFY(dialog);
  dialog->selectFile(path);
  QMetaObject::invokeMethod(dialog, "accept");
}

}  // namespace

class ReagentWindowTest : public QObject {
  Q_OBJECT
  QTemporaryDir folder;
  std::unique_ptr<Registry> registry;
  ReferenceTables tables;
  std::unique_ptr<ReagentWindow> window;

  QTableWidget* Grid() { return window->findChild<QTableWidget*>("Grid"); }
  QString Cell(int row, int column) { return Grid()->item(row, column)->text(); }
  void Press(const char* button) { QTest::mouseClick(window->findChild<QPushButton*>(button), Qt::LeftButton); }
  // Types `text` into a cell as a user does: the cell current, the keys, then `end`.
  void Type(int row, int column, const QString& text, Qt::Key end = Qt::Key_Return) {
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    Grid()->setFocus();
    Grid()->setCurrentCell(row, column);
    QTest::keyClicks(Grid(), text.left(1));  // the first key opens the editor
    QTest::keyClicks(QApplication::focusWidget(), text.mid(1));
    QTest::keyClick(QApplication::focusWidget(), end);
    QCoreApplication::processEvents();  // the editor hands its text over once the key is handled
  }
  void AddFromMainWindow(const QString& formula, const QString& name) {
    CalculationShown shown;
    shown.Formula = formula, shown.Name = name;
    window->ShowCalculation(shown);
    Press("AddFormula");
  }
  void Open() {
    window = std::make_unique<ReagentWindow>(tables, ZORVAN_DATA_DIR, *registry, nullptr);
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
  }

 private slots:
  void initTestCase() {
    // The last table is kept in the user's configuration folder: a scratch one.
    qputenv("XDG_CONFIG_HOME", folder.filePath("config").toUtf8());
    registry = SystemRegistry();
    SetUpApplication();
    tables = LoadTables(ZORVAN_DATA_DIR);
  }
  void init() {
    // Each case starts from an empty table, as after 新しい表.
    for (const char* value : {ReagentsTableValue, ReagentsFileValue, ReagentsModifiedValue})
      WriteUserText(*registry, ReagentsKey, value, {});
    Open();
  }
  void cleanup() { window.reset(); }

  // The calculators beside the table, typed in as a chemist would: 250 mL of
  // 0.100 M NaCl weighs 1.46 g, and 5.844 g in it is 0.400 M once molarity
  // is the unknown (the mass typed before is not read again); 1 M to 0.1 M in
  // 100 mL takes 10 mL; 100 mL of 10% w/w NaCl at 1.07 g/mL holds 10.7 g.
  void solutionCalculators() {
    const auto type = [this](const char* box, const QString& text) {
      auto* edit = window->findChild<QLineEdit*>(box);
      edit->clear();
      QTest::keyClicks(edit, text);
    };
    const auto shown = [this](const char* box) { return window->findChild<QLineEdit*>(box)->text(); };
    type("SolFormula", "NaCl");
    QCOMPARE(window->findChild<QLabel*>("SolMessage")->text(), QString());  // empty boxes are not errors
    type("SolVolume", "250 mL");
    type("SolMolarity", "0.100 M");
    QCOMPARE(shown("SolMass"), QStringLiteral("1.46 g"));
    window->findChild<QComboBox*>("SolUnknown")->setCurrentIndex(2);
    type("SolMass", "5.844 g");
    QCOMPARE(shown("SolMolarity"), QStringLiteral("400 mM"));
    type("DilFrom", "1 M");
    type("DilTo", "0.1 M");
    type("DilVolume", "100 mL");
    QCOMPARE(shown("DilStock") + " | " + shown("DilSolvent"), QStringLiteral("10.0 mL | 90.0 mL"));
    type("PctFormula", "NaCl");
    type("PctPercent", "10 %");
    type("PctDensity", "1.07 g/mL");
    type("PctVolume", "100 mL");
    QCOMPARE(shown("PctSolute") + " | " + shown("PctSolvent") + " | " + shown("PctMolarity"),
             QStringLiteral("10.7 g | 96.3 g | 1.83 M"));
  }

  // The Suzuki coupling of 1.00 g of 4-bromoanisole, typed in.
  void editResolves() {
    AddFromMainWindow("C7H7BrO", "4-bromoanisole");
    Type(0, Mass, "1.00 g");
    QCOMPARE(Cell(0, Amount), "5.35 mmol");
    QCOMPARE(Grid()->item(0, Limiting)->data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    AddFromMainWindow("C6H7BO2", "phenylboronic acid");
    Type(1, Equiv, "1.2", Qt::Key_Tab);  // Tab confirms too, and moves on
    QCOMPARE(Grid()->currentColumn(), Equiv + 1);
    QCOMPARE(Cell(1, Mass), "782 mg");
    AddFromMainWindow("C13H12O", "4-methoxybiphenyl");
    Grid()->setCurrentCell(2, Role);
    QTest::keyClick(Grid(), Qt::Key_F2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);  // the last role: 生成物
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCoreApplication::processEvents();
    Type(2, Mass, "0.800g");
    QCOMPARE(Cell(2, Theoretical), "985 mg");
    QCOMPARE(Cell(2, Yield), "81.2%");
    // Twice the limiting reagent: every amount follows at once.
    Type(0, Mass, "2.00 g");
    QCOMPARE(Cell(1, Mass), "1.56 g");
    QCOMPARE(Cell(2, Yield), "40.6%");
    // A name from reagent.csv brings its molarity; the radio moves the reference.
    Press("AddEmpty");
    Type(3, Name, "n-BuLi");
    QCOMPARE(Cell(3, Formula), "C4H9Li");
    Type(3, Equiv, "1.1");
    QCOMPARE(Cell(3, Volume), "7.35 mL");
    // A mass typed over the equivalents wins; the radio moves the reference.
    Type(1, Mass, "1.00 g");
    QCOMPARE(Cell(1, Equiv), "0.8");
    QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, {},
                      Grid()->visualItemRect(Grid()->item(1, Limiting)).center());
    QCOMPARE(Cell(0, Equiv), "1.3");
    QCOMPARE(Cell(1, Equiv), "1.0");
    // Delete clears a cell: the limiting row says what it lacks, the rest is still solved.
    Grid()->setCurrentCell(1, Mass);
    QTest::keyClick(Grid(), Qt::Key_Delete);
    QCOMPARE(Cell(0, Equiv), "");
    QCOMPARE(Cell(0, Amount), "10.7 mmol");
    QVERIFY(!Cell(1, NoteColumn).isEmpty());
  }

  // A formula found by its name comes to the table with that name; one typed, without.
  void rowFromMainWindow() {
    ProcessLauncher launcher;
    Zorvan main(ZORVAN_DATA_DIR, *registry, launcher);
    QCOMPARE(StartZorvan(main), 0);
    auto* text1 = main.findChild<QLineEdit*>("Text1");
    text1->setText("benzaldehyde");
    main.findChild<QPushButton*>("Command2")->click();
    auto* hits = main.findChild<QTableWidget*>("list");
    QVERIFY(QTest::qWaitForWindowExposed(hits->window()));
    QTest::mouseClick(hits->viewport(), Qt::LeftButton, {}, hits->visualItemRect(hits->item(0, 0)).center());
    main.findChild<QAction*>("MnuReagents")->trigger();
    auto* reagents = main.findChild<ReagentWindow*>();
    auto* add = reagents->findChild<QPushButton*>("AddFormula");
    add->click();
    text1->setText("H2O");
    QTest::keyClick(text1, Qt::Key_Return);
    add->click();
    auto* grid = reagents->findChild<QTableWidget*>("Grid");
    const QStringList rows[] = {{"benzaldehyde", "PhCHO", "106.124"}, {"", "H2O", "18.01528"}};
    const int columns[] = {Name, Formula, Weight};
    for (int row = 0; row < 2; ++row)
      for (int c = 0; c < 3; ++c) QCOMPARE(grid->item(row, columns[c])->text(), rows[row][c]);
  }

  void saveOpenAndAsk() {
    AddFromMainWindow("C7H6O", "benzaldehyde");
    Type(0, Amount, "1.00 mmol");
    QVERIFY(window->isWindowModified());
    // Cancel keeps the window and its table.
    Answer([](QWidget* modal) { Click(modal, QMessageBox::Cancel); });
    window->close();
    QVERIFY(window->isVisible());
    // Save asks for a file, writes it and closes.
    const QString path = folder.filePath("benzaldehyde.tsv");
    Answer([path](QWidget* modal) {
      Answer([path](QWidget* dialog) { ChooseFile(dialog, path); });
      Click(modal, QMessageBox::Save);
    });
    window->close();
    QVERIFY(!window->isVisible());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    QVERIFY2(saved.startsWith("name\tformula\trole") && saved.contains("benzaldehyde\tC7H6O\t\t\t1.00 mmol"), saved);
    // The same table comes back in a new window, saved: closing asks nothing.
    Open();
    QCOMPARE(Cell(0, Amount), "1.00 mmol");
    QVERIFY(window->windowTitle().contains("benzaldehyde.tsv") && !window->isWindowModified());
    Press("NewTable");
    QCOMPARE(Grid()->rowCount(), 0);
    Answer([path](QWidget* dialog) { ChooseFile(dialog, path); });
    Press("OpenTable");
    QCOMPARE(Cell(0, Mass), "106 mg");
    // Discarding closes, keeping the edited table for the next time.
    Type(0, Amount, "2.00 mmol");
    Answer([](QWidget* modal) { Click(modal, QMessageBox::Discard); });
    window->close();
    QVERIFY(!window->isVisible());
    Open();
    QCOMPARE(Cell(0, Mass), "212 mg");
    QVERIFY(window->isWindowModified());
  }
};

QTEST_MAIN(ReagentWindowTest)
#include "reagent_window_test.moc"
