#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>

#include "tests/ui/ui_fixture.h"
#include "ui/startup.h"

using namespace zorvan;
using namespace zorvan::testing;

namespace {

const QString QCrLf = QStringLiteral("\r\n");
const QString WaterBlock = QStringLiteral("H2O\r\nH2O1\r\n18.01528\r\nH \t 11.19%\r\nO \t 88.81%\r\n");
const QString SaltBlock = QStringLiteral("NaCl\r\nNa1Cl1\r\n58.44247\r\nNa\t 39.34%\r\nCl\t 60.66%\r\n");
const QString EmptyBlock = QStringLiteral("\r\n\r\n0\r\n");

QClipboard* Clipboard() { return QGuiApplication::clipboard(); }

// Counts the blocks of a batch report: each is an empty line, the formula,
// the composition and the weight, then its non-empty percentage lines.
int CountBlocks(const QString& report) {
  QStringList lines = report.split(QCrLf);
  if (lines.isEmpty() || !lines.last().isEmpty()) return -1;  // must end with CR LF
  lines.removeLast();
  int blocks = 0;
  qsizetype i = 0;
  while (i < lines.size()) {
    if (!lines[i].isEmpty() || i + 3 >= lines.size()) return -1;
    i += 4;
    while (i < lines.size() && !lines[i].isEmpty()) ++i;
    ++blocks;
  }
  return blocks;
}

}  // namespace

class ClipboardTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<MainWindowHarness> h;
  Zorvan& W() { return h->window; }
  void Paste(const QString& text) {
    Clipboard()->setText(text);
    W().MnuPaste_Click();
  }

 private slots:
  void initTestCase() {
    InitApplication();
    QLocale::setDefault(QLocale::c());
  }
  void init() {
    h = std::make_unique<MainWindowHarness>();
    QCOMPARE(StartZorvan(W()), 0);
    QVERIFY(QTest::qWaitForWindowExposed(&W()));
  }
  void cleanup() {
    h.reset();
    ExpectNoUnexpectedBox();
  }

  void batchPaste_data() {
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("report");
    QTest::addColumn<QString>("formulaBox");
    QTest::newRow("one line") << "H2O\r\n" << QCrLf + WaterBlock << "H2O";
    QTest::newRow("two, no end") << "H2O\r\nNaCl" << QCrLf + WaterBlock + QCrLf + SaltBlock << "NaCl";
    QTest::newRow("two, with end") << "H2O\r\nNaCl\r\n" << QCrLf + WaterBlock + QCrLf + SaltBlock << "NaCl";
    QTest::newRow("empty middle") << "H2O\r\n\r\nNaCl" << QCrLf + WaterBlock + QCrLf + EmptyBlock + QCrLf + SaltBlock
                                  << "NaCl";
    QTest::newRow("leading CR LF") << "\r\nH2O" << QCrLf + EmptyBlock + QCrLf + WaterBlock << "H2O";
    QTest::newRow("error line") << "H2O\r\nh2o\r\nNaCl"
                                << QCrLf + WaterBlock + "\r\nh2o\r\nError!\r\n\r\n" + QCrLf + SaltBlock << "NaCl";
    QTest::newRow("lone CR stays in the line") << "H2O\rx\r\n" << "\r\nH2O\rx\r\nError!\r\n\r\n" << "H2O\rx";
  }
  void batchPaste() {
    QFETCH(QString, pasted);
    QFETCH(QString, report);
    QFETCH(QString, formulaBox);
    Paste(pasted);
    QCOMPARE(Clipboard()->text(), report);
    // The window shows the last line and its results.
    QCOMPARE(W().Text1->text(), formulaBox);
  }

  void textWithoutCrLfGoesIntoTheFormulaBox_data() {
    QTest::addColumn<QString>("pasted");
    QTest::newRow("one formula") << "CuSO4*5H2O";
    QTest::newRow("lone LF lines") << "H2O\nNaCl\n";
    QTest::newRow("empty") << "";
  }
  void textWithoutCrLfGoesIntoTheFormulaBox() {
    QFETCH(QString, pasted);
    W().Text1->setText("CH3COOH");
    W().Command1->click();
    Paste(pasted);
    QCOMPARE(W().Text1->text(), pasted);  // unchanged, line feeds included
    QCOMPARE(W().Text2->text(), QString("H4C2O2"));                // nothing calculated
    QCOMPARE(Clipboard()->text(), pasted);                         // clipboard kept
  }

  void longBatchesAreCalculatedInFull_data() {
    QTest::addColumn<int>("lines");
    QTest::newRow("101") << 101;
    QTest::newRow("250") << 250;
  }
  void longBatchesAreCalculatedInFull() {
    QFETCH(int, lines);
    QString pasted;
    for (int i = 1; i <= lines; ++i) pasted += QStringLiteral("C%1H%2\r\n").arg(i).arg(2 * i + 2);
    Paste(pasted);
    const QString report = Clipboard()->text();
    QCOMPARE(CountBlocks(report), lines);
    QVERIFY(report.endsWith(QStringLiteral("\r\nC%1H%2\r\nH%2C%1\r\n").arg(lines).arg(2 * lines + 2) +
                            W().Text3->text() + QCrLf + W().List1->item(0)->text() + QCrLf +
                            W().List1->item(1)->text() + QCrLf));
    QCOMPARE(W().Text1->text(), QStringLiteral("C%1H%2").arg(lines).arg(2 * lines + 2));
  }

  void copyCommandsCopyWhatIsShown() {
    // Empty controls.
    W().Text1->setText("typed");
    W().MnuCopy1_Click();
    QCOMPARE(Clipboard()->text(), QString());
    W().MnuCopyA_Click();
    QCOMPARE(Clipboard()->text(), QString("typed\r\n\r\n\r\n"));
    W().MnuCopy2_Click();
    QCOMPARE(Clipboard()->text(), QString());
    // A single element gives one percentage line.
    W().Text1->setText("C");
    W().Command1->click();
    W().MnuCopy2_Click();
    QCOMPARE(Clipboard()->text(), QString("C \t100.00%\r\n"));
    // The copies never calculate: a changed box is copied as it stands.
    W().Text1->setText("H2O");
    W().MnuCopy1_Click();
    QCOMPARE(Clipboard()->text(), QString("12.011"));
    W().MnuCopyA_Click();
    QCOMPARE(Clipboard()->text(), QString("H2O\r\nC1\r\n12.011\r\nC \t100.00%\r\n"));
  }

  void shortcutsWorkFromEveryControl() {
    W().Text1->setText("H2O");
    W().Command1->click();
    for (QWidget* focus : std::initializer_list<QWidget*>{W().Text1, W().Text2, W().Text3, W().List1, W().Command1}) {
      focus->setFocus();
      if (auto* box = qobject_cast<QLineEdit*>(focus)) box->selectAll();
      QTest::keyClick(focus, Qt::Key_W, Qt::ControlModifier);
      QCOMPARE(Clipboard()->text(), QString("H \t 11.19%\r\nO \t 88.81%\r\n"));
      QTest::keyClick(focus, Qt::Key_C, Qt::ControlModifier);
      QCOMPARE(Clipboard()->text(), QString("18.01528"));
      QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
      QCOMPARE(Clipboard()->text(), WaterBlock);
      Clipboard()->setText("H2O\r\n");
      QTest::keyClick(focus, Qt::Key_V, Qt::ControlModifier);
      QCOMPARE(Clipboard()->text(), QCrLf + WaterBlock);
      QCOMPARE(W().Text1->text(), QString("H2O"));  // not pasted into the box
    }
  }

  void arbitraryMegabyteCompletes() {
    QRandomGenerator random(12345);
    const QStringList pieces = {"H2O", "CuSO4*5H2O", "(", ")", "*", "\r\n", "\r", "\n", QString(QChar(0)),
                                QString::fromUtf16(u"\u30A8\u30BF\u30CE\u30FC\u30EB"), "Ph", "9999999999",
                                QString(5000, 'C'), " ", ".", "\r\n\r\n"};
    QString pasted;
    while (pasted.size() < (1 << 20)) pasted += pieces[random.bounded(pieces.size())];
    Paste(pasted);
    qsizetype expected = pasted.count(QCrLf) + (pasted.endsWith(QCrLf) ? 0 : 1);
    QCOMPARE(CountBlocks(Clipboard()->text()), int(expected));
  }

  void batchPasteMatchesTheBatchTool() {
    const QString lines = QStringLiteral(
        "H2O\r\nCH3COOH\r\n\r\nCuSO4*5H2O\r\nPhOH\r\nMe3COH\r\n((CH3)3C)2O\r\nh2o\r\nC0.5H2\r\n"
        "CaCl2*2H2O*3NH3\r\nXx\r\n");
    Paste(lines);
    QProcess batch;
    batch.start(ZORVAN_BATCH_EXE, {"--data", ZORVAN_DATA_DIR});
    batch.write(lines.toUtf8());
    batch.closeWriteChannel();
    QVERIFY(batch.waitForFinished(10000));
    QCOMPARE(batch.exitCode(), 0);
    QCOMPARE(Clipboard()->text().toUtf8(), batch.readAllStandardOutput());
  }
};

QTEST_MAIN(ClipboardTest)
#include "clipboard_test.moc"
