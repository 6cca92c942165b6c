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
#include "ui/pattern_plot.h"
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
      QCOMPARE(Find(mass, "Hill")->text(), QString());
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

  // Cisplatin's pattern as a chemist turns it into a figure: R typed in (a
  // bad one refused), zoomed on both axes and back, measured peaks laid over
  // it until the formula changes, saved as SVG and PNG (width, 300 dpi).
  void patternFigure() {
    auto* mass = Open<MassWindow>(Qt::Key_M);
    Text1()->setText(QStringLiteral("PtCl2N2H6"));
    QTest::keyClick(Text1(), Qt::Key_Return);
    auto* chooser = Find<QComboBox>(mass, "ResolutionChooser");
    for (const char* typed : {"45 000", "12"}) {
      chooser->lineEdit()->selectAll();
      QTest::keyClicks(chooser->lineEdit(), QLatin1String(typed));
      QTest::keyClick(chooser->lineEdit(), Qt::Key_Return);
    }
    QCOMPARE(chooser->currentData().toDouble(), 45000.0);
    QVERIFY(Find<QLabel>(mass, "ResolutionMessage")->text().contains(QStringLiteral(u"100 \u304B\u3089")));  // から
    auto* plot = Find<PatternPlot>(mass, "Plot");
    QTRY_VERIFY(!Find<QLabel>(mass, "Busy")->text().startsWith(QStringLiteral(u"\u8A08\u7B97")));  // 計算中
    const PatternPlot::View whole = plot->CurrentView();
    QTest::keyClick(plot, Qt::Key_Plus);
    QTest::keyClick(plot, Qt::Key_Up);
    QVERIFY(plot->CurrentView().High - plot->CurrentView().Low < whole.High - whole.Low);
    QVERIFY(plot->CurrentView().Top < whole.Top);
    QTest::mouseClick(Find<QPushButton>(mass, "WholeView"), Qt::LeftButton);
    QCOMPARE(plot->CurrentView().Low, whole.Low);
    QCOMPARE(plot->CurrentView().Top, whole.Top);
    // A rectangle dragged over the plot's middle zooms both axes to it.
    QTest::mousePress(plot, Qt::LeftButton, {}, QPoint(plot->width() / 2, plot->height() / 2));
    QTest::mouseMove(plot, QPoint(plot->width() / 2 + 40, plot->height() / 2 + 20));
    QTest::mouseRelease(plot, Qt::LeftButton, {}, QPoint(plot->width() / 2 + 40, plot->height() / 2 + 20));
    QVERIFY(plot->CurrentView().Low > whole.Low && plot->CurrentView().High < whole.High);
    QVERIFY(plot->CurrentView().Top < 100);
    QTest::mouseDClick(plot, Qt::LeftButton);
    QCOMPARE(plot->CurrentView().High, whole.High);

    QTemporaryDir folder;
    const auto save = [&](const char* button, const QString& name) {
      QTimer answer;  // the file dialog, once it shows, is given the name
      connect(&answer, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
          // Typed, as selectFile leaves the name box alone while it has the focus.
          Find(dialog, "fileNameEdit")->setText(folder.filePath(name));
          static_cast<QDialog*>(dialog)->accept();
        }
      });
      answer.start(20);
      QTest::mouseClick(Find<QPushButton>(mass, button), Qt::LeftButton);
      QFile file(folder.filePath(name));
      return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QString title = QStringLiteral("<title>Cl2H6N2Pt, [M + H]+, R = 45 000</title>");
    const QString legend[] = {QStringLiteral(u"\u8A08\u7B97\u5024"),
                              QStringLiteral(u"\u30D7\u30ED\u30D5\u30A1\u30A4\u30EB"),
                              QStringLiteral(u"\u6E2C\u5B9A\u5024")};  // 計算値, プロファイル, 測定値
    QString svg = QString::fromUtf8(save("SaveSvg", QStringLiteral("plain.svg")));
    QVERIFY2(svg.contains(title) && svg.contains(legend[0]) && svg.contains(legend[1]) && !svg.contains(legend[2]),
             qPrintable(svg.left(400)));
    mass->SetMeasuredPeaks({{298.9608, 9720}, {299.9629, 10000}, {300.9630, 7400}});
    svg = QString::fromUtf8(save("SaveSvg", QStringLiteral("measured.svg")));
    QVERIFY(svg.contains(legend[2]));
    QImage png = QImage::fromData(save("SavePng", QStringLiteral("default.png")));
    QCOMPARE(png.size(), QSize(1600, 960));
    QCOMPARE(png.dotsPerMeterX(), 11811);  // 300 dpi
    Find<QSpinBox>(mass, "FigureWidth")->setValue(1000);
    QCOMPARE(QImage::fromData(save("SavePng", QStringLiteral("narrow.png"))).width(), 1000);
    // The same formula again keeps the measured peaks; another takes them away.
    for (const char* formula : {"PtCl2N2H6", "C6H4Br2"}) {
      Text1()->setText(QLatin1String(formula));
      QTest::keyClick(Text1(), Qt::Key_Return);
      svg = QString::fromUtf8(save("SaveSvg", QLatin1String(formula) + QStringLiteral(".svg")));
      QCOMPARE(svg.contains(legend[2]), formula[0] == 'P');
    }
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

  // Pasted peaks order the grid by score: the Cl compound's pattern beats a
  // CHO formula nearer in mass. The chosen row's peaks go over its pattern
  // in the mass window, at the finder's ion.
  void finderScoresPastedPeaks() {
    auto* finder = Open<FinderWindow>(Qt::Key_F);
    // The case table's chlorine-vs-CHO pattern, moved from [M+H]+ to [M+Na]+.
    Find(finder, "MzBox")->setText(QStringLiteral("331.0727"));
    Find<QComboBox>(finder, "IonChooser")->setCurrentText(QStringLiteral("[M+Na]+"));
    Find(finder, "Ranges")->setText(QStringLiteral("C0-30 H0-40 N0-6 O0-4 Cl0-2"));
    auto* results = Find<QTableView>(finder, "Results");
    const auto search = [&](const QString& peaks) {
      Find<QPlainTextEdit>(finder, "PeakText")->setPlainText(peaks);
      QTest::mouseClick(Find<QPushButton>(finder, "Find"), Qt::LeftButton);
    };
    const auto order = [&] {
      QStringList formulas;
      for (int row = 0; row < results->model()->rowCount(); ++row)
        formulas << results->model()->index(row, 0).data().toString();
      return formulas;
    };
    search({});
    QTRY_VERIFY(!Find<QPushButton>(finder, "Cancel")->isEnabled());
    const QStringList byMass = order();
    const qsizetype closer = byMass.indexOf("C22H12O2");
    QVERIFY2(closer >= 0 && closer < byMass.indexOf("C17H13ClN4"), qPrintable(byMass.join(' ')));
    search(QStringLiteral("m/z\tIntensity\n331.0727\t1000\n332.0760, 183\n333.0697 326\n334.0731\t57\n"));
    QTRY_VERIFY(!Find<QPushButton>(finder, "Cancel")->isEnabled());
    const QStringList byScore = order();
    QCOMPARE(byScore.size(), byMass.size());
    QCOMPARE(byScore.value(0), QStringLiteral("C17H13ClN4"));
    const int score = results->model()->columnCount() - 2;
    QCOMPARE(results->model()->headerData(score, Qt::Horizontal).toString(), QStringLiteral(u"\u30B9\u30B3\u30A2"));
    QVERIFY(results->model()->index(0, score).data().toDouble() > results->model()->index(1, score).data().toDouble());
    QTest::mouseClick(results->viewport(), Qt::LeftButton, {},
                      results->visualRect(results->model()->index(0, 0)).center());
    QCOMPARE(Text1()->text(), QStringLiteral("C17H13ClN4"));
    auto* mass = window->findChild<MassWindow*>();
    QVERIFY(mass && mass->isVisible());
    QCOMPARE(Find<QComboBox>(mass, "IonChooser")->currentText(), QStringLiteral("[M+Na]+"));
    QTemporaryDir folder;
    QCOMPARE(Find<PatternPlot>(mass, "Plot")->SaveSvg(folder.filePath("overlay.svg"), 800), QString());
    QFile svg(folder.filePath("overlay.svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly) &&
            QString::fromUtf8(svg.readAll()).contains(QStringLiteral(u"\u6E2C\u5B9A\u5024")));
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
