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
#include "ui/namelist.h"
#include "ui/pattern_plot.h"
#include "ui/registry.h"
#include "ui/startup.h"

using namespace zorvan;

namespace {

// How the main window is made to calculate; the mass window is opened
// before, except for MassOpenedAfter (Enter, then the window) and Reopened
// (opened, closed, Enter, opened again).
enum class Way { Enter, Command1, Paste, MassOpenedAfter, Reopened };

// How the main window is made to calculate another formula.
enum class Path { Enter, Isomer, Command1, ResultRow, FinderRow, Paste, GroupOption };

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
  // Types `formula` into the main window and calculates it.
  void Calculate(const QString& formula) {
    Text1()->setText(formula);
    QTest::keyClick(Text1(), Qt::Key_Return);
  }
  // Chooses `ion` in the mass window, as Enter in its box does.
  static void ChooseIon(QWidget* mass, const QString& ion) {
    Find<QComboBox>(mass, "IonChooser")->setCurrentText(ion);
    Find<QComboBox>(mass, "IonChooser")->lineEdit()->editingFinished();
  }
  // Searches the finder for `mz` as `ions`, Enter in the ion box, and waits.
  FinderWindow* FindMz(const QString& mz, const QString& ions = QStringLiteral("[M+H]+")) {
    auto* finder = Open<FinderWindow>(Qt::Key_F, "MnuFinder");
    Find(finder, "MzBox")->setText(mz);
    Find<QComboBox>(finder, "IonChooser")->setCurrentText(ions);
    QTest::keyClick(Find<QComboBox>(finder, "IonChooser")->lineEdit(), Qt::Key_Return);
    if (!QTest::qWaitFor([&] { return !Find<QPushButton>(finder, "Cancel")->isEnabled(); }, 90000))
      qWarning("the search did not end");
    return finder;
  }

  void initTestCase() {
    SetUpApplication();
    // The tool windows' places go to a scratch settings file.
    QStandardPaths::setTestModeEnabled(true);
    QFile::remove(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                  QStringLiteral("/zorvan/zorvan.conf"));
  }
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
    // Anal. の行には C、H、N、S だけを書きます。書かないもの: O
    QCOMPARE(Find<QLabel>(mass, "Message")->text(),
             QStringLiteral(u"Anal. \u306E\u884C\u306B\u306F C\u3001H\u3001N\u3001S \u3060\u3051\u3092\u66F8\u304D"
                            u"\u307E\u3059\u3002\u66F8\u304B\u306A\u3044\u3082\u306E: O"));
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

  // The measured values belong to their compound: every path that
  // calculates another formula clears them, a row of the finder brings its
  // own; the same formula again keeps them.
  void foundValuesGoWithTheirCompound_data() {
    QTest::addColumn<Path>("path");
    QTest::newRow("enter") << Path::Enter;
    QTest::newRow("isomer") << Path::Isomer;  // the same counts, another compound
    QTest::newRow("command1") << Path::Command1;
    QTest::newRow("result window row") << Path::ResultRow;
    QTest::newRow("finder row") << Path::FinderRow;
    QTest::newRow("paste") << Path::Paste;
    QTest::newRow("group option") << Path::GroupOption;
  }
  void foundValuesGoWithTheirCompound() {
    QFETCH(Path, path);
    auto* mass = Open<MassWindow>(Qt::Key_M);
    const bool groups = path == Path::GroupOption;
    Calculate(groups ? QStringLiteral("PhOH") : QStringLiteral("C10H12O"));
    ChooseIon(mass, QStringLiteral("[M+Na]+"));
    Find(mass, "Found")->setText(groups ? QStringLiteral("117.0311") : QStringLiteral("171.0783"));
    Find(mass, "FoundEa")->setText(QStringLiteral("C=80.95, H=8.20"));
    QTest::keyClick(Text1(), Qt::Key_Return);
    QVERIFY(Find<QLabel>(mass, "HrmsLine")->text().contains(QStringLiteral("Found")));
    QCOMPARE(Find(mass, "FoundEa")->text(), QStringLiteral("C=80.95, H=8.20"));
    switch (path) {
      case Path::Enter:
        Calculate(QStringLiteral("C20H26O6"));
        break;
      case Path::Isomer:
        Calculate(QStringLiteral("C6H5CH2CH2COCH3"));
        break;
      case Path::Command1:
        Text1()->setText(QStringLiteral("C20H26O6"));
        QTest::mouseClick(Find<QPushButton>(window.get(), "Command1"), Qt::LeftButton);
        break;
      case Path::ResultRow: {
        Text1()->setText(QStringLiteral(u"\u6C34\u7D20"));  // 水素
        QTest::mouseClick(Find<QPushButton>(window.get(), "Command2"), Qt::LeftButton);
        auto* grid = Find<QTableWidget>(window->findChild<namelist*>(), "list");
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(0, 1)).center());
        break;
      }
      case Path::FinderRow:
        QTest::keyClick(Find<QTableView>(FindMz(QStringLiteral("195.0877")), "Results"), Qt::Key_Return);
        break;
      case Path::Paste:
        QGuiApplication::clipboard()->setText(QStringLiteral("H2O\r\nC20H26O6"));
        Find<QAction>(window.get(), "MnuPaste")->trigger();
        break;
      case Path::GroupOption:
        Find<QAction>(window.get(), "MNuChange")->trigger();
        break;
    }
    const bool finder = path == Path::FinderRow;
    QVERIFY(path == Path::Isomer ||
            (Find(mass, "Hill")->text() != QStringLiteral("C10H12O") && Find(mass, "Hill")->text() != "C6H6O"));
    QCOMPARE(Find(mass, "Found")->text(), finder ? QStringLiteral("195.0877") : QString());
    QCOMPARE(Find<QComboBox>(mass, "IonChooser")->currentText(),
             finder ? QStringLiteral("[M+H]+") : QStringLiteral("[M+Na]+"));
    QCOMPARE(Find(mass, "FoundEa")->text(), QString());
    QCOMPARE(Find<QLabel>(mass, "HrmsLine")->text().contains(QStringLiteral("Found")), finder);
  }

  // A found m/z is checked as typed: not a number, far off (warned, still
  // in the line), a slip of the keyboard (left out); measured percentages
  // beyond 0.4 points are marked.
  void foundValuesAreChecked_data() {
    QTest::addColumn<QString>("found");
    QTest::addColumn<QString>("ea");
    QTest::addColumn<QString>("message");  // its start, or "" for none
    QTest::addColumn<bool>("inLine");
    QTest::addColumn<bool>("warned");
    QTest::newRow("fits") << "171.0783"
                          << "C=80.95"
                          << "" << true << false;
    QTest::newRow("comma") << "171,0783"
                           << "" << QStringLiteral(u"\u5B9F\u6E2C\u5024 (m/z)") << false << false;
    QTest::newRow("12 ppm") << "171.0800"
                            << "" << QStringLiteral(u"\u5B9F\u6E2C\u5024\u306F") << true << true;
    QTest::newRow("slip") << "17.10783"
                          << "" << QStringLiteral(u"\u5B9F\u6E2C\u5024 17.10783") << false << true;
    QTest::newRow("ea 0.41 off") << ""
                                 << "C=80.63, H=8.16" << QStringLiteral("0.4 ") << false << false;
  }
  void foundValuesAreChecked() {
    QFETCH(QString, found);
    QFETCH(QString, ea);
    QFETCH(QString, message);
    QFETCH(bool, inLine);
    QFETCH(bool, warned);
    auto* mass = Open<MassWindow>(Qt::Key_M);
    Calculate(QStringLiteral("C10H12O"));
    ChooseIon(mass, QStringLiteral("[M+Na]+"));
    Find(mass, "Found")->setText(found);
    Find(mass, "FoundEa")->setText(ea);
    const QString shown = Find<QLabel>(mass, "Message")->text();
    QVERIFY2(message.isEmpty() ? shown.isEmpty() : shown.startsWith(message), qPrintable(shown));
    QCOMPARE(Find<QLabel>(mass, "HrmsLine")->text().contains(QStringLiteral("Found")), inLine);
    const auto marked = [&](const char* box) {
      return Find(mass, box)->palette().color(QPalette::Text) != mass->palette().color(QPalette::Text);
    };
    QCOMPARE(marked("ErrorPpm"), warned);
    QCOMPARE(marked("FoundEa"), ea.contains(QStringLiteral("80.63")));
  }

  // A solvate: masses of the part before "*", the Anal. line in its
  // notation with a middle dot in both copies, and a word that says so.
  void solvateLines() {
    auto* mass = Open<MassWindow>(Qt::Key_M);
    Calculate(QStringLiteral("C20H26O6*0.25H2O"));
    QCOMPARE(Find(mass, "Hill")->text(), QStringLiteral("C20H26O6"));
    const QString anal = QStringLiteral(u"Anal. Calcd for C20H26O6\u00B70.25H2O: C, 65.47; H, 7.28.");
    QCOMPARE(Find<QLabel>(mass, "AnalLine")->text(), anal);
    QTest::mouseClick(Find<QPushButton>(mass, "CopyAnal"), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->mimeData()->text(), anal);
    QVERIFY(QGuiApplication::clipboard()->mimeData()->html().contains(QStringLiteral(u"\u00B70.25H<sub>2</sub>O")));
    QVERIFY(Find<QLabel>(mass, "Message")->text().contains(QStringLiteral("0.25H2O")));
  }

  // At its minimum size every box of the mass window shows its text and
  // both lines show all of theirs.
  void massWindowReadableAtMinimumSize() {
    auto* mass = Open<MassWindow>(Qt::Key_M);
    Calculate(QStringLiteral("C20H26O6*0.25H2O"));
    ChooseIon(mass, QStringLiteral("[M+Na]+"));
    Find(mass, "Found")->setText(QStringLiteral("385.1619"));
    Find(mass, "FoundEa")->setText(QStringLiteral("C=65.40, H=7.31"));
    mass->resize(mass->minimumSize());
    QTest::qWait(50);
    for (QLineEdit* box : mass->findChildren<QLineEdit*>())
      QVERIFY2(box->width() > box->fontMetrics().horizontalAdvance(box->text()), qPrintable(box->objectName()));
    for (const char* name : {"HrmsLine", "AnalLine"}) {
      auto* line = Find<QLabel>(mass, name);
      QVERIFY2(line->contentsRect().height() >= line->heightForWidth(line->width()) - 2 * line->frameWidth(), name);
    }
    QVERIFY(mass->minimumSize().width() <= 1366 && mass->minimumSize().height() <= 700);
  }

  // Several ions at once: each candidate names its ion. Esc closes a tool
  // window and leaves the main window open.
  void severalIonsAndEscape() {
    auto* finder = FindMz(QStringLiteral("217.0696"), QStringLiteral("[M+H]+, [M+Na]+"));  // caffeine [M+Na]+
    auto* results = Find<QTableView>(finder, "Results");
    QCOMPARE(results->model()->index(0, 0).data().toString(), QStringLiteral("C8H10N4O2"));
    QCOMPARE(results->model()->index(0, 1).data().toString(), QStringLiteral("[M+Na]+"));
    QStringList ions;
    for (int row = 0; row < results->model()->rowCount(); ++row)
      ions << results->model()->index(row, 1).data().toString();
    QVERIFY(ions.contains(QStringLiteral("[M+H]+")));
    auto* presets = Find<QComboBox>(finder, "Presets");
    presets->activated(0);
    QCOMPARE(Find(finder, "Ranges")->text(), QStringLiteral("C0-100 H0-200 N0-10 O0-20"));
    QTest::keyClick(results, Qt::Key_Escape);
    QVERIFY(!finder->isVisible() && window->isVisible());
  }

  // A search with more candidates than the grid holds shows the best of
  // all, and says how many there were.
  void cappedSearchShowsTheBest() {
    auto* finder = Open<FinderWindow>(Qt::Key_F, "MnuFinder");
    Find<QCheckBox>(finder, "Rules")->setChecked(false);
    Find(finder, "Tolerance")->setText(QStringLiteral("60"));
    auto* results = Find<QTableView>(finder, "Results");
    FindMz(QStringLiteral("500"));  // about 240000 candidates
    QVERIFY2(Find<QLabel>(finder, "Message")->text().contains(QStringLiteral("100000")),
             qPrintable(Find<QLabel>(finder, "Message")->text()));
    QCOMPARE(results->model()->rowCount(), 100000);
    // The best 100000 lie within about 25 ppm; the first found would spread
    // over the whole tolerance.
    QVERIFY(std::abs(results->model()->index(99999, 4).data().toDouble()) < 40);
  }

  // The tool windows open where they were left.
  void toolWindowsKeepTheirPlace() {
    auto* finder = Open<FinderWindow>(Qt::Key_F);
    finder->setGeometry(QRect(QPoint(10, 30), finder->minimumSize() + QSize(10, 20)));
    const QRect place = finder->geometry();
    finder->close();
    window.reset();
    init();
    // The offscreen platform's frame moves it by a pixel or two.
    const QRect again = Open<FinderWindow>(Qt::Key_F)->geometry();
    QVERIFY(again.size() == place.size() && (again.topLeft() - place.topLeft()).manhattanLength() <= 4);
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
    QCOMPARE(Find(mass, "Found")->text(), QStringLiteral("331.0727"));
    // At the resolving power the peaks were measured at, not the window's own.
    QCOMPARE(Find<QComboBox>(mass, "ResolutionChooser")->currentText(), QStringLiteral("R = 60 000"));
    QTemporaryDir folder;
    QCOMPARE(Find<PatternPlot>(mass, "Plot")->SaveSvg(folder.filePath("overlay.svg"), 800), QString());
    QFile svg(folder.filePath("overlay.svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly) &&
            QString::fromUtf8(svg.readAll()).contains(QStringLiteral(u"\u6E2C\u5B9A\u5024")));
  }

  // A compound chosen from an opened .ms file fills the m/z, the ion and the
  // peaks and searches; a malformed line is named, and the next compound
  // still read.
  void finderOpensSpectraFile() {
    auto* finder = Open<FinderWindow>(Qt::Key_F);
    Find(finder, "Ranges")->setText(QStringLiteral("C0-30 H0-40 N0-6 O0-4 Cl0-2"));
    QTemporaryDir folder;
    QFile file(folder.filePath("run.ms"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        ">compound first\n>parentmass 195.0877\n>ms1\n195.0877 abc\n\n"
        ">compound chloro\n>parentmass 331.0727\n>ionization [M+Na]+\n>ms1\n"
        "331.0727 1000\n332.0760 183\n333.0697 326\n334.0731 57\n");
    file.close();
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
      if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
        dialog->selectFile(file.fileName());
        static_cast<QDialog*>(dialog)->accept();
      }
    });
    poll.start(10);
    QTest::mouseClick(Find<QPushButton>(finder, "OpenSpectra"), Qt::LeftButton);
    auto* chooser = Find<QComboBox>(finder, "CompoundChooser");
    QTRY_VERIFY(chooser->isEnabled());
    QCOMPARE(chooser->count(), 1);
    QVERIFY2(Find<QLabel>(finder, "PeaksMessage")->text().startsWith("run.ms:4: "),
             qPrintable(Find<QLabel>(finder, "PeaksMessage")->text()));
    QCOMPARE(Find(finder, "MzBox")->text(), QStringLiteral("331.0727"));
    QCOMPARE(Find<QComboBox>(finder, "IonChooser")->currentText(), QStringLiteral("[M+Na]+"));
    QTRY_VERIFY(!Find<QPushButton>(finder, "Cancel")->isEnabled());
    QCOMPARE(Find<QTableView>(finder, "Results")->model()->index(0, 0).data().toString(), QStringLiteral("C17H13ClN4"));
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
