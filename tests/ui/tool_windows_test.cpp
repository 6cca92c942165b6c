// The ﾂｰﾙ menu's windows driven from the main window, as a user drives them:
// the mass window follows every calculation and copies its lines in two
// formats; a formula the finder lists is calculated in the main window.
#include <QtTest>
#include <QtWidgets>

#include "ui/background_job.h"
#include "ui/finder_window.h"
#include "ui/launcher.h"
#include "ui/main_window.h"
#include "ui/mass_window.h"
#include "ui/registry.h"
#include "ui/startup.h"

using namespace zorvan;

namespace {

// How the main window is made to calculate; the mass window is opened
// before, except for MassOpenedAfter (Enter, then the window) and Reopened
// (opened, closed, Enter, opened again).
enum class Way { Enter, Command1, Paste, MassOpenedAfter, Reopened };

template <typename T = QLineEdit>
T* Find(const QObject* parent, const char* name) {
  T* child = parent->findChild<T*>(QLatin1String(name));
  if (child == nullptr) qFatal("no %s", name);
  return child;
}

}  // namespace

class ToolWindowsTest : public QObject {
  Q_OBJECT
  std::unique_ptr<Registry> registry = SystemRegistry();
  ProcessLauncher launcher;
  std::unique_ptr<Zorvan> window;

  QLineEdit* Text1() { return Find(window.get(), "Text1"); }
  // Presses `key` in `widget` of the main window, made the active window
  // first so that its menu shortcuts apply.
  void Press(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    widget->setFocus();
    QTest::keyClick(widget, key, modifiers);
  }
  // Opens a tool window by its menu shortcut, pressed in the formula box
  // (while the main window is the active one), or else by its menu item.
  template <typename T>
  T* Open(Qt::Key key, const char* item = nullptr) {
    if (item)
      Find<QAction>(window.get(), item)->trigger();
    else
      Press(Text1(), key, Qt::ControlModifier);
    auto* tool = window->findChild<T*>();
    if (tool) (void)QTest::qWaitForWindowExposed(tool);
    return tool;
  }

 private slots:
  void initTestCase() { SetUpApplication(); }
  void init() {
    window = std::make_unique<Zorvan>(ZORVAN_DATA_DIR, *registry, launcher);
    QCOMPARE(StartZorvan(*window), 0);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  }
  void cleanup() { window.reset(); }

  // Masses against outside values (caffeine [M+H]+ 195.0877, glucose
  // 180.0634); refusals name their cause.
  void massWindowFollows_data() {
    QTest::addColumn<Way>("way");
    QTest::addColumn<QString>("formula");
    QTest::addColumn<QStringList>("shown");  // Hill, Monoisotopic, Mz, or the message's start
    QTest::newRow("enter") << Way::Enter << "C8H10N4O2" << QStringList{"C8H10N4O2", "194.08038", "195.0877"};
    QTest::newRow("command1") << Way::Command1 << "C6H12O6" << QStringList{"C6H12O6", "180.06339", "181.0707"};
    QTest::newRow("paste, last line") << Way::Paste << "H2O\r\nC6H12O6"
                                      << QStringList{"C6H12O6", "180.06339", "181.0707"};
    QTest::newRow("opened after") << Way::MassOpenedAfter << "CH2Cl2" << QStringList{"CH2Cl2", "83.95336", "84.9606"};
    QTest::newRow("reopened") << Way::Reopened << "Br2" << QStringList{"Br2", "157.83668", "158.8440"};
    QTest::newRow("groups replaced") << Way::Enter << "PhOH" << QStringList{"C6H6O", "94.04186", "95.0491"};
    QTest::newRow("syntax error") << Way::Enter << "H2Q"
                                  << QStringList{QStringLiteral(u"\u5206\u5B50\u5F0F")};  // 分子式...
    QTest::newRow("no isotopes") << Way::Enter << "TcO4" << QStringList{"Tc"};
    QTest::newRow("fraction") << Way::Enter << "Sr0.5La0.5TiO3" << QStringList{""};
  }
  void massWindowFollows() {
    QFETCH(Way, way);
    QFETCH(QString, formula);
    QFETCH(QStringList, shown);
    MassWindow* mass = way == Way::MassOpenedAfter ? nullptr : Open<MassWindow>(Qt::Key_M);
    if (way == Way::Reopened) {
      mass->close();
      mass = nullptr;
    }
    if (way == Way::Paste) {
      QGuiApplication::clipboard()->setText(formula);
      Find<QAction>(window.get(), "MnuPaste")->trigger();
    } else {
      Text1()->setText(formula);
      Press(way == Way::Command1 ? static_cast<QWidget*>(Find<QPushButton>(window.get(), "Command1")) : Text1(),
            Qt::Key_Return);
    }
    if (!mass) mass = Open<MassWindow>(Qt::Key_M, "MnuMass");
    QVERIFY(mass && mass->isVisible());
    const QString message = Find<QLabel>(mass, "Message")->text();
    if (shown.size() == 1) {
      QVERIFY2(!message.isEmpty() && message.contains(shown[0]), qPrintable(message));
      QCOMPARE(Find(mass, "Hill")->text() + Find(mass, "Mz")->text(), QString());
      return;
    }
    QCOMPARE(message, QString());
    QCOMPARE(Find(mass, "Hill")->text(), shown[0]);
    QCOMPARE(Find(mass, "Monoisotopic")->text(), shown[1]);
    QCOMPARE(Find(mass, "Mz")->text(), shown[2]);
    // A second choice of the menu brings the same window back.
    QCOMPARE(Open<MassWindow>(Qt::Key_M, "MnuMass"), mass);
    QCOMPARE(window->findChildren<MassWindow*>().size(), 1);
  }

  // Each copy button puts the line as plain text and as HTML with a subscript.
  void copyGivesTextAndHtml() {
    auto* mass = Open<MassWindow>(Qt::Key_M);
    Text1()->setText(QStringLiteral("C10H12O"));
    QTest::keyClick(Text1(), Qt::Key_Return);
    Find<QComboBox>(mass, "IonChooser")->setCurrentText(QStringLiteral("[M+Na]+"));
    Find<QComboBox>(mass, "IonChooser")->lineEdit()->editingFinished();
    Find(mass, "Found")->setText(QStringLiteral("171.0783"));
    // O has no place in the Anal. line: it is left out, and the window says so.
    Find(mass, "FoundEa")->setText(QStringLiteral("C=80.95, H=8.2, O=10.85"));
    QVERIFY(Find<QLabel>(mass, "Message")->text().endsWith(QStringLiteral(": O")));
    const QString lines[] = {QStringLiteral("HRMS (ESI) m/z: [M + Na]+ Calcd for C10H12NaO 171.0780; Found 171.0783."),
                             QStringLiteral("Anal. Calcd for C10H12O: C, 81.04; H, 8.16. Found: C, 80.95; H, 8.20.")};
    const char* buttons[] = {"CopyHrms", "CopyAnal"};
    for (int i = 0; i < 2; ++i) {
      QGuiApplication::clipboard()->clear();
      QTest::mouseClick(Find<QPushButton>(mass, buttons[i]), Qt::LeftButton);
      const QMimeData* data = QGuiApplication::clipboard()->mimeData();
      QCOMPARE(data->text(), lines[i]);
      QVERIFY2(data->hasHtml() && data->html().contains(QStringLiteral("<sub>")), qPrintable(data->html()));
    }
  }

  // The peak table copies as shown: for two chlorines M+2 is 2 x 0.32 and
  // M+4 0.32^2 of M (37Cl/35Cl). Each save button offers the Hill formula as
  // the name and writes its format; the plot saved leaves out the readout of
  // the mouse over it.
  void patternTableAndSavedPlot() {
    auto* mass = Open<MassWindow>(Qt::Key_M);
    Text1()->setText(QStringLiteral("CH2Cl2"));
    QTest::keyClick(Text1(), Qt::Key_Return);
    auto* peaks = Find<QTableWidget>(mass, "PeakTable");
    Find<QComboBox>(mass, "ResolutionChooser")->setCurrentIndex(0);  // ユニット
    QTRY_COMPARE(peaks->rowCount(), 6);
    QTest::mouseClick(Find<QPushButton>(mass, "CopyPeaks"), Qt::LeftButton);
    QCOMPARE(
        QGuiApplication::clipboard()->text(),
        QStringLiteral(u"m/z\t\u76F8\u5BFE\u5F37\u5EA6 (%)\r\n84.96063\t100.00\r\n85.96408\t1.13\r\n86.95768\t63.99\r\n"
                       u"87.96113\t0.72\r\n88.95473\t10.24\r\n89.95818\t0.12\r\n"));
    Find<QComboBox>(mass, "ResolutionChooser")->setCurrentIndex(5);  // ファイン
    QTRY_VERIFY(peaks->rowCount() > 6);
    auto* plot = Find<QWidget>(mass, "Plot");
    QMouseEvent hover(QEvent::MouseMove, plot->rect().center(), plot->mapToGlobal(plot->rect().center()), Qt::NoButton,
                      {}, {});
    QApplication::sendEvent(plot, &hover);
    QTemporaryDir folder;
    for (const QString suffix : {"svg", "png"}) {
      QString offered;
      QTimer poll;
      connect(&poll, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
          offered = dialog->windowTitle() + u'|' + QFileInfo(dialog->selectedFiles().value(0)).fileName();
          dialog->selectFile(folder.filePath(offered.section(u'|', 1)));
          static_cast<QDialog*>(dialog)->accept();
        }
      });
      poll.start(10);
      QTest::mouseClick(Find<QPushButton>(mass, suffix == "svg" ? "SaveSvg" : "SavePng"), Qt::LeftButton);
      QCOMPARE(offered, suffix.toUpper() + QStringLiteral(u" \u3067\u4FDD\u5B58|CH2Cl2.") + suffix);  // で保存
      QFile file(folder.filePath("CH2Cl2." + suffix));
      QVERIFY(file.open(QIODevice::ReadOnly));
      const QByteArray bytes = file.readAll();
      QVERIFY(bytes.startsWith(suffix == "svg" ? "<?xml" : "\x89PNG"));
      if (suffix == "svg") QVERIFY(bytes.contains("m/z") && !bytes.contains("m/z "));
    }
  }

  // A click on a row, or Enter on it, calculates its formula in the main window.
  void finderRowCalculates() {
    auto* finder = Open<FinderWindow>(Qt::Key_F);
    QVERIFY(finder);
    Find(finder, "MzBox")->setText(QStringLiteral("195.0877"));  // caffeine [M+H]+
    QTest::keyClick(Find(finder, "MzBox"), Qt::Key_Return);
    auto* results = Find<QTableView>(finder, "Results");
    QTRY_VERIFY(!Find<QPushButton>(finder, "Cancel")->isEnabled());  // the search has ended
    int caffeine = -1;
    for (int row = 0; row < results->model()->rowCount(); ++row)
      if (results->model()->index(row, 0).data().toString() == "C8H10N4O2") caffeine = row;
    QVERIFY(caffeine >= 0);
    QCOMPARE(results->currentIndex().row(), 0);
    const QModelIndex cell = results->model()->index(caffeine, 0);
    results->scrollTo(cell);
    QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, results->visualRect(cell).center());
    QCOMPARE(Text1()->text(), QStringLiteral("C8H10N4O2"));
    QCOMPARE(Find(window.get(), "Text2")->text(), QStringLiteral("H10C8N4O2"));
    Text1()->clear();
    results->setCurrentIndex(cell);
    QTest::keyClick(results, Qt::Key_Return);
    QCOMPARE(Text1()->text(), QStringLiteral("C8H10N4O2"));
  }

  // Closing the main window while a wide search and a protein's pattern run
  // stops both before the tables they read are gone.
  void closingWhileWorking() {
    Open<MassWindow>(Qt::Key_M);
    Text1()->setText(QStringLiteral("C5000H8000N1400O1500S60"));
    QTest::keyClick(Text1(), Qt::Key_Return);
    auto* finder = Open<FinderWindow>(Qt::Key_F, "MnuFinder");
    Find(finder, "Ranges")->setText(QStringLiteral("C0-400 H0-800 N0-80 O0-120 S0-30 P0-30 Cl0-20 Br0-20"));
    Find(finder, "MzBox")->setText(QStringLiteral("3000"));
    QTest::keyClick(Find(finder, "MzBox"), Qt::Key_Return);
    QVERIFY(Find<QPushButton>(finder, "Cancel")->isEnabled());
    window.reset();
  }

  // A job started later overtakes an earlier one: the earlier is told to
  // stop and its result never arrives.
  void laterJobOvertakes() {
    QObject context;
    BackgroundJob<int> job(&context);
    std::atomic<bool> firstCancelled = false;
    QList<int> delivered;
    job.Start(
        [&](const std::atomic<bool>& cancel) {
          while (!cancel) QThread::msleep(1);
          firstCancelled = true;
          return 1;
        },
        [&](int result) { delivered << result; });
    job.Start([](const std::atomic<bool>&) { return 2; }, [&](int result) { delivered << result; });
    QTRY_COMPARE(delivered, QList<int>{2});
    QTRY_VERIFY(firstCancelled);
    QTest::qWait(20);
    QCOMPARE(delivered, QList<int>{2});
  }
};

QTEST_MAIN(ToolWindowsTest)
#include "tool_windows_test.moc"
