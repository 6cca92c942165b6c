#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <fstream>

#include "tests/ui/ui_fixture.h"
#include "ui/namelist.h"
#include "ui/startup.h"

using namespace zorvan;
using namespace zorvan::testing;

namespace {

// エタノール in full-width katakana, and ｴﾀﾉｰﾙ as the example data holds it.
const QString FullWidthEthanol = QString::fromUtf16(u"\u30A8\u30BF\u30CE\u30FC\u30EB");
const QString HalfWidthEthanol = QString::fromUtf16(u"\uFF74\uFF80\uFF89\uFF70\uFF99");

std::filesystem::path DataFolder(const std::string& nameCsv) {
  return zorvan::testing::DataFolder("zorvan-namelist-test", nameCsv);
}

void ClickCell(QTableWidget* grid, int row, int column) {
  QRect cell = grid->visualRect(grid->model()->index(row, column));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

}  // namespace

class NamelistTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<MainWindowHarness> h;
  Zorvan& W() { return h->window; }
  void Start(const std::filesystem::path& folder = ZORVAN_DATA_DIR) {
    h = std::make_unique<MainWindowHarness>(folder);
    QCOMPARE(StartZorvan(W()), 0);
  }
  void Search(const QString& query) {
    W().Text1->setText(query);
    QTest::mouseClick(W().Command2, Qt::LeftButton);
  }

 private slots:
  void initTestCase() { InitApplication(); }
  void cleanup() {
    h.reset();
    ExpectNoUnexpectedBox();
  }

  void fullWidthQueryListsHalfWidthHits() {
    Start();
    Search(FullWidthEthanol);
    namelist* window = W().ResultWindow();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->windowTitle(), QString::fromUtf16(u"\u691C\u7D22\u7D50\u679C"));  // 検索結果
    QCOMPARE(window->size(), QSize(661, 285));
    QCOMPARE(window->Text1->text(), FullWidthEthanol);  // the query as typed
    QCOMPARE(W().Text1->text(), FullWidthEthanol);
    QTableWidget* grid = window->list;
    QCOMPARE(grid->horizontalHeaderItem(0)->text(), QString::fromUtf16(u"\u793A\u6027\u5F0F"));  // 示性式
    QCOMPARE(grid->horizontalHeaderItem(1)->text(), QString::fromUtf16(u"\u7269\u8CEA\u540D"));  // 物質名
    QCOMPARE(grid->columnWidth(0), 216);  // 3245 twips
    QCOMPARE(grid->columnWidth(1), 413);  // 6190 twips
    QVERIFY(grid->rowCount() >= 1);
    bool found = false;
    for (int r = 0; r < grid->rowCount(); ++r) {
      QVERIFY(grid->item(r, 1)->text().contains(HalfWidthEthanol));
      found |= grid->item(r, 1)->text() == HalfWidthEthanol;
    }
    QVERIFY(found);
    QCOMPARE(grid->currentRow(), grid->rowCount() - 1);
    QCOMPARE(grid->currentColumn(), 1);
    QCOMPARE(window->Text2->text(),
             QStringLiteral(" %1/ %2").arg(grid->rowCount()).arg(W().Names().SubstanceLast() + 1));
    QCOMPARE(window->focusWidget(), static_cast<QWidget*>(grid));
  }

  void clickCalculatesKeyboardAndHeaderDoNot() {
    Start(DataFolder("a,x,H2O\r\nb,x,CH3COOH\r\nc,x,NaCl\r\n"));
    Search("x");
    namelist* window = W().ResultWindow();
    QTableWidget* grid = window->list;
    QCOMPARE(grid->rowCount(), 3);
    QCOMPARE(grid->item(1, 0)->text(), QString("CH3COOH"));
    QCOMPARE(window->Text2->text(), QString(" 3/ 3"));

    // Keyboard moves calculate nothing.
    grid->setFocus();
    grid->setCurrentCell(0, 0);
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(grid->currentRow(), 1);
    QVERIFY(W().Text2->text().isEmpty());
    // Neither does a click on the header row.
    QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(20, grid->horizontalHeader()->height() / 2));
    QVERIFY(W().Text2->text().isEmpty());
    QCOMPARE(W().Text1->text(), QString("x"));

    ClickCell(grid, 1, 1);
    QCOMPARE(W().Text1->text(), QString("CH3COOH"));
    QCOMPARE(W().Text2->text(), QString("H4C2O2"));
    QCOMPARE(W().Text3->text(), QString("60.05256"));
    QVERIFY(window->isVisible());

    // Closing puts the (edited) query back; the results stay.
    window->Text1->setText("edited");
    QTest::mouseClick(window->close, Qt::LeftButton);
    QCOMPARE(W().Text1->text(), QString("edited"));
    QCOMPARE(W().Text2->text(), QString("H4C2O2"));
    QTRY_VERIFY(!W().ResultWindow());
  }

  void closeBoxAndNextSearchReturnTheQuery() {
    Start(DataFolder("a,x,H2O\r\nb,y,NaCl\r\n"));
    Search("x");
    QPointer<namelist> first = W().ResultWindow();
    first->QWidget::close();  // the close box
    QCOMPARE(W().Text1->text(), QString("x"));

    Search("x");
    first = W().ResultWindow();
    first->Text1->setText("old query");
    Search("y");
    QTRY_VERIFY(!first);  // the earlier window is gone
    namelist* second = W().ResultWindow();
    QVERIFY(second && second->isVisible());
    QCOMPARE(second->list->item(0, 0)->text(), QString("NaCl"));
    // The box shows what the closing of the earlier window left there.
    QCOMPARE(W().Text1->text(), QString("old query"));
    QCOMPARE(second->Text1->text(), QString("y"));
  }

  void searchWithoutHitsLeavesAHiddenWindow() {
    Start(DataFolder("a,x,H2O\r\n"));
    W().Text1->setText("H2O");
    W().Command1->click();
    Search("nothing");
    namelist* hidden = W().ResultWindow();
    QVERIFY(hidden && !hidden->isVisible());
    QCOMPARE(hidden->Text2->text(), QString(" 0/ 1"));
    QCOMPARE(hidden->list->rowCount(), 0);
    QVERIFY(W().Text2->text().isEmpty() && W().Text3->text().isEmpty() && W().List1->count() == 0);
    // The next search first puts that query back, then searches for "x".
    Search("x");
    QCOMPARE(W().Text1->text(), QString("nothing"));
    QCOMPARE(W().ResultWindow()->Text1->text(), QString("x"));
    // Search mode off closes it and puts its query into the box.
    W().ResultWindow()->Text1->setText("back");
    W().MnuSearch->trigger();
    QVERIFY(!W().ResultWindow());
    QCOMPARE(W().Text1->text(), QString("back"));
    // With search mode off the button is hidden and a search only clears.
    W().Text1->setText("H2O");
    W().Command1->click();
    W().Command2_Click();
    QVERIFY(W().Text2->text().isEmpty());
    QVERIFY(!W().ResultWindow());
  }

  void thousandHitCapAndEmptyQuery() {
    std::string names;
    for (int i = 0; i < 1200; ++i) names.append("n").append(std::to_string(i)).append(",,H").append(std::to_string(i + 1)).append("\r\n");
    Start(DataFolder(names));
    Search("");  // the empty query matches every non-empty name
    QTableWidget* grid = W().ResultWindow()->list;
    QCOMPARE(grid->rowCount(), 1000);
    QCOMPARE(grid->item(999, 1)->text(), QString("n999"));
    QCOMPARE(W().ResultWindow()->Text2->text(), QString(" 1000/ 1200"));
  }

  void emptyNameFileIsReadAgain() {
    auto folder = DataFolder("");
    Start(folder);
    QCOMPARE(W().Names().SubstanceLast(), -1);
    Search("x");
    QVERIFY(!W().ResultWindow()->isVisible());
    std::ofstream(folder / "name.csv", std::ios::binary) << "a,x,H2O\r\n";
    Search("x");
    QCOMPARE(W().Names().SubstanceLast(), 0);
    QVERIFY(W().ResultWindow()->isVisible());
  }

  void closingTheMainWindowClosesTheResultWindow() {
    Start(DataFolder("a,x,H2O\r\n"));
    Search("x");
    QPointer<namelist> window = W().ResultWindow();
    W().close();
    QTRY_VERIFY(!window || !window->isVisible());
  }
};

QTEST_MAIN(NamelistTest)
#include "namelist_test.moc"
