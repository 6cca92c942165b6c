#include <QAction>
#include <QClipboard>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <fstream>

#include "tests/ui/ui_fixture.h"
#include "ui/about_box.h"
#include "ui/startup.h"

using namespace zorvan;
using namespace zorvan::testing;

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<MainWindowHarness> h;
  Zorvan& W() { return h->window; }

 private slots:
  void initTestCase() { InitApplication(); }
  void init() {
    h = std::make_unique<MainWindowHarness>();
    QCOMPARE(StartZorvan(W()), 0);
    QVERIFY(QTest::qWaitForWindowExposed(&W()));
    W().activateWindow();
    W().Text1->setFocus();
  }
  void cleanup() {
    h.reset();
    ExpectNoUnexpectedBox();
  }

  void startsEmptyWithFocusInFormulaBox() {
    QVERIFY(W().Text1->hasFocus());
    for (QLineEdit* box : {W().Text1, W().Text2, W().Text3}) QVERIFY(box->text().isEmpty());
    QCOMPARE(W().List1->count(), 0);
    QVERIFY(W().MNuChange->isChecked());
    QVERIFY(W().MnuSearch->isChecked());
    QVERIFY(W().Command2->isVisible());
    QVERIFY(!W().Text1->isReadOnly());
    QVERIFY(W().Text2->isReadOnly() && W().Text3->isReadOnly());
  }

  void enterCalculates_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("plain") << int(Qt::Key_Return) << int(Qt::NoModifier);
    QTest::newRow("shift") << int(Qt::Key_Return) << int(Qt::ShiftModifier);
    QTest::newRow("ctrl") << int(Qt::Key_Return) << int(Qt::ControlModifier);
    QTest::newRow("keypad") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
  }
  void enterCalculates() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QTest::keyClicks(W().Text1, "H2O");
    QTest::keyClick(W().Text1, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(W().Text1->text(), QString("H2O"));  // Enter inserts nothing
    QCOMPARE(W().Text2->text(), QString("H2O1"));
    QCOMPARE(W().Text3->text(), QString("18.01528"));
    QCOMPARE(ListItems(W().List1), (QStringList{"H \t 11.19%", "O \t 88.81%"}));
  }

  void calculateButtonAndErrors() {
    W().Text1->setText("CH3COOH");
    QTest::mouseClick(W().Command1, Qt::LeftButton);
    QCOMPARE(W().Text2->text(), QString("H4C2O2"));
    QCOMPARE(W().Text3->text(), QString("60.05256"));
    W().Text1->setText("h2o");
    W().Command1->click();
    QCOMPARE(W().Text2->text(), QString("Error!"));
    QVERIFY(W().Text3->text().isEmpty());
    QCOMPARE(W().List1->count(), 0);
  }

  void ctrlCInFormulaBoxRunsTheMenuCommand() {
    W().Text1->setText("H2O");
    W().Command1->click();
    QGuiApplication::clipboard()->setText("before");
    W().Text1->setFocus();
    W().Text1->selectAll();
    QTest::keyClick(W().Text1, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("18.01528"));
    // Ctrl+A copies everything instead of selecting the box's text.
    W().Text1->deselect();
    QTest::keyClick(W().Text1, Qt::Key_A, Qt::ControlModifier);
    QVERIFY(!W().Text1->hasSelectedText());
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QString("H2O\r\nH2O1\r\n18.01528\r\nH \t 11.19%\r\nO \t 88.81%\r\n"));
  }

  void groupOptionTogglesAndRecalculates() {
    W().Text1->setText("PhOH");
    W().Command1->click();
    QCOMPARE(W().Text2->text(), QString("H6C6O1"));
    W().MNuChange->trigger();  // off: Ph is no element
    QVERIFY(!W().MNuChange->isChecked());
    QCOMPARE(W().Text2->text(), QString("Error!"));
    QTest::keyClick(W().Text1, Qt::Key_G, Qt::ControlModifier);  // on again, by shortcut
    QVERIFY(W().MNuChange->isChecked());
    QCOMPARE(W().Text2->text(), QString("H6C6O1"));
    // With an empty box the toggle still calculates: the empty formula weighs 0.
    W().Text1->clear();
    W().MNuChange_Click();
    QCOMPARE(W().Text3->text(), QString("0"));
    W().MNuChange_Click();
    QVERIFY(W().MNuChange->isChecked());
  }

  void searchModeKeepsSearchButtonInStep() {
    for (int i = 0; i < 4; ++i) {
      W().MnuSearch->trigger();
      QCOMPARE(W().Command2->isVisible(), W().MnuSearch->isChecked());
    }
    QTest::keyClick(W().Text1, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!W().MnuSearch->isChecked());
    QVERIFY(!W().Command2->isVisible());
    W().MnuSearch_Click();
    QVERIFY(W().Command2->isVisible());
  }

  void layoutMatchesTheDesign_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");  // in pixels at 15 twips each
    QTest::newRow("Label1") << "Label1" << QString::fromUtf16(u"\u5206\u5B50\u5F0F") << QRect(4, 4, 41, 17);
    QTest::newRow("Text1") << "Text1" << QString() << QRect(48, 0, 265, 22);
    QTest::newRow("Label2") << "Label2" << QString::fromUtf16(u"\u7D44\u6210\u5F0F") << QRect(4, 28, 41, 17);
    QTest::newRow("Text2") << "Text2" << QString() << QRect(48, 24, 265, 22);
    QTest::newRow("Label3") << "Label3" << QString::fromUtf16(u"\u5206\u5B50\u91CF") << QRect(4, 52, 41, 17);
    QTest::newRow("Text3") << "Text3" << QString() << QRect(48, 48, 97, 22);
    QTest::newRow("Label4") << "Label4" << QString::fromUtf16(u"\u91CD\u91CF%") << QRect(148, 52, 37, 17);
    QTest::newRow("List1") << "List1" << QString() << QRect(184, 48, 129, 56);
    QTest::newRow("Command1") << "Command1" << QString::fromUtf16(u"\u8A08\u7B97") << QRect(8, 80, 45, 25);
    QTest::newRow("Command2") << "Command2" << QString::fromUtf16(u"\u691C\u7D22") << QRect(80, 80, 49, 25);
  }
  void layoutMatchesTheDesign() {
    QFETCH(QString, control);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    const std::map<QString, QWidget*> controls = {
        {"Label1", W().Label1}, {"Text1", W().Text1}, {"Label2", W().Label2}, {"Text2", W().Text2},
        {"Label3", W().Label3}, {"Text3", W().Text3}, {"Label4", W().Label4}, {"List1", W().List1},
        {"Command1", W().Command1}, {"Command2", W().Command2}};
    QWidget* w = controls.at(control);
    QCOMPARE(w->geometry(), geometry);
    if (auto* label = qobject_cast<QLabel*>(w)) QCOMPARE(label->text(), caption);
    if (auto* button = qobject_cast<QPushButton*>(w)) {
      QCOMPARE(button->text(), caption);
      QVERIFY(!button->isDefault());
    }
  }

  void windowIsFixedWithTheDesignedClientArea() {
    QCOMPARE(W().windowTitle(), QString::fromUtf16(u"\u5206\u5B50\u91CF\u8A08\u7B97"));
    QCOMPARE(W().centralWidget()->size(), QSize(318, 111));
    QCOMPARE(W().minimumSize(), W().maximumSize());
    QVERIFY(!(W().windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(W().windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!W().windowIcon().isNull());
  }

  void tabOrderFollowsTheDesign() {
    QList<QWidget*> order = {W().Text1, W().Text2, W().Text3, W().List1, W().Command1, W().Command2};
    // Labels take no focus, so Tab walks the boxes, the list and the buttons.
    W().Text1->setFocus();
    for (int i = 1; i < order.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), order[i]);
    }
  }

  void menusHaveCaptionsAndShortcuts() {
    QStringList menus;
    for (QAction* a : W().menuBar()->actions()) menus << a->text();
    QCOMPARE(menus, (QStringList{QString::fromUtf16(u"\uFF8C\uFF67\uFF72\uFF99(&F)"),  // ﾌｧｲﾙ(&F)
                                 QString::fromUtf16(u"\u7DE8\u96C6(&E)"),              // 編集(&E)
                                 QString::fromUtf16(u"\uFF75\uFF8C\uFF9F\uFF7C\uFF6E\uFF9D(&O)"),
                                 QString::fromUtf16(u"\uFF8D\uFF99\uFF8C\uFF9F(&H)")}));
    const std::pair<QAction*, QKeySequence> shortcuts[] = {
        {W().MnuCopy1, QKeySequence("Ctrl+C")}, {W().MnuCopy2, QKeySequence("Ctrl+W")},
        {W().MnuCopyA, QKeySequence("Ctrl+A")}, {W().MnuPaste, QKeySequence("Ctrl+V")},
        {W().MNuChange, QKeySequence("Ctrl+G")}, {W().MnuSearch, QKeySequence("Ctrl+S")},
        {W().disp_help, QKeySequence("F1")},     {W().MnuExit, QKeySequence()},
        {W().MnuAbout, QKeySequence()}};
    for (const auto& [action, keys] : shortcuts) QCOMPARE(action->shortcut(), keys);
    QCOMPARE(W().MnuCopy1->text(), QString::fromUtf16(u"\u5206\u5B50\u91CF\u3092\uFF7A\uFF8B\uFF9F\uFF70(&C)"));
    QCOMPARE(W().MnuAbout->text(), QString("About(&A)"));
  }

  void fontsAreTheNamedOnesOrTheirSubstitutes() {
    QCOMPARE(W().Label1->font().family(), MsGothic());
    QCOMPARE(W().Label1->font().pointSizeF(), 9.0);
    QCOMPARE(W().List1->font().pointSizeF(), 9.75);
    QCOMPARE(W().Text2->font().family(), Arial());
    // The substitute of the fixed-pitch font must really be fixed pitch:
    // Qt's own flag is unreliable for IPAGothic, so measure the glyphs.
    QFontMetrics m(W().List1->font());
    QCOMPARE(m.horizontalAdvance('i'), m.horizontalAdvance('W'));
    QCOMPARE(m.horizontalAdvance('1'), m.horizontalAdvance('%'));
    // The Japanese captions need a font that has their glyphs.
    QVERIFY(QFontMetrics(W().Label1->font()).inFont(QChar(0x5206)));
  }

  void aboutOpensOnce() {
    W().MnuAbout->trigger();
    QPointer<frmAbout> first = W().AboutBox();
    QVERIFY(first);
    W().MnuAbout->trigger();
    QCOMPARE(W().AboutBox(), first.data());
    int boxes = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) boxes += qobject_cast<frmAbout*>(w) && w->isVisible();
    QCOMPARE(boxes, 1);
  }

  void exitClosesTheWindow() {
    W().MnuExit->trigger();
    QVERIFY(!W().isVisible());
  }

  void missingAtomFileEndsStartUp() {
    auto folder = FreshFolder("zorvan-ui-missing");
    MainWindowHarness broken(folder);
    Watchdog().Expect(1);
    QCOMPARE(StartZorvan(broken.window), 1);
    QVERIFY(!broken.window.isVisible());
    // ファイルが見つかりません: atom.csv
    QCOMPARE(Watchdog().seen.size(), 1);
    QCOMPARE(Watchdog().seen[0].text,
             QString::fromUtf16(u"\u30D5\u30A1\u30A4\u30EB\u304C\u898B\u3064\u304B\u308A\u307E\u305B\u3093: atom.csv"));
    // A truncated name.csv ends start-up the same way, naming that file.
    folder = DataFolder("zorvan-ui-missing", "a,b,H2O\r\nc,d\r\n");
    MainWindowHarness truncated(folder);
    Watchdog().Expect(1);
    QCOMPARE(StartZorvan(truncated.window), 1);
    QVERIFY(Watchdog().seen.last().text.endsWith(": name.csv"));
    std::filesystem::remove_all(folder);
  }

  void nameFileLostAfterStartUpOnlyWarns() {
    auto folder = DataFolder("zorvan-ui-lost", "");  // name.csv loads nothing
    MainWindowHarness harness(folder);
    QCOMPARE(StartZorvan(harness.window), 0);
    std::filesystem::remove(folder / "name.csv");
    harness.window.Text1->setText("H2O");
    Watchdog().Expect(1);
    harness.window.Command2_Click();  // must load again, and cannot
    QVERIFY(harness.window.isVisible());
    QCOMPARE(harness.window.Text1->text(), QString("H2O"));
    QCOMPARE(Watchdog().seen.size(), 1);
    QVERIFY(Watchdog().seen[0].text.endsWith(": name.csv"));
    std::filesystem::remove_all(folder);
  }

  void searchModeOnAgainDoesNotRereadNames() {
    auto folder = DataFolder("zorvan-ui-reread", "a,b,H2O\r\n");
    MainWindowHarness harness(folder);
    QCOMPARE(StartZorvan(harness.window), 0);
    std::ofstream(folder / "name.csv", std::ios::binary) << "a,b,H2O\r\nc,d,NaCl\r\n";
    harness.window.MnuSearch->trigger();
    harness.window.MnuSearch->trigger();
    QCOMPARE(harness.window.Names().SubstanceLast(), 0);
    std::filesystem::remove_all(folder);
  }

  void clientAreaOpensAtItsDesignedPlace() {
    QCOMPARE(W().centralWidget()->mapToGlobal(QPoint(0, 0)), QPoint(79, 124));
  }

  void longPasteWithoutLineBreakGoesInWhole() {
    const QString pasted(40000, 'C');
    QGuiApplication::clipboard()->setText(pasted);
    W().MnuPaste_Click();
    QCOMPARE(W().Text1->text(), pasted);
    W().Command1->click();
    QCOMPARE(W().Text2->text(), QString("Error!"));  // beyond the length limit
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
