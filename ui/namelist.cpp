#include "ui/namelist.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <cmath>
#include <utility>  // std::exchange

#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/icon.h"
#include "ui/twips.h"

namespace zorvan {

namelist::namelist(const SearchResults& hits, int substanceLast, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("namelist"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral(u"\u691C\u7D22\u7D50\u679C"));  // 検索結果
  setWindowIcon(ZorvanIcon());
  setFixedSize(TwipsSize(9915, 4275));

  list = new QTableWidget(this);
  list->setObjectName(QStringLiteral("list"));
  list->setGeometry(TwipsRect(120, 600, 9735, 3735));
  list->setFont(NamedFont(MsPGothic(), 9));
  list->setColumnCount(2);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->verticalHeader()->hide();
  // A click on the header row selects nothing and calculates nothing.
  list->horizontalHeader()->setSectionsClickable(false);
  list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 4);
  // Tab and Shift+Tab leave the grid for the next and previous control, as
  // the grid of this design does; the arrow keys move the current cell.
  list->setTabKeyNavigation(false);

  Text1 = new QLineEdit(this);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setGeometry(TwipsRect(120, 120, 4455, 270));
  close = new QPushButton(QStringLiteral(u"\u9589\u3058\u308B"), this);  // 閉じる
  close->setObjectName(QStringLiteral("close"));
  close->setGeometry(TwipsRect(8880, 120, 855, 375));
  PressOnEnter({close});
  Label1 = new QLabel(QStringLiteral(u"\uFF8B\uFF6F\uFF84\u6570"), this);  // ﾋｯﾄ数
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(TwipsRect(4920, 120, 735, 255));
  Text2 = new QLineEdit(this);
  Text2->setObjectName(QStringLiteral("Text2"));
  Text2->setGeometry(TwipsRect(5520, 120, 1215, 270));

  SetTabOrder({list, Text1, close, Text2});
  list->setFocus();

  // Only a mouse click on a hit row calculates; moving the current cell with
  // the keyboard does not.
  connect(list, &QTableWidget::cellClicked, this, [this](int row, int) { list_Click(row); });
  connect(close, &QPushButton::clicked, this, &namelist::close_Click);

  Form_Load(hits, substanceLast);
}

void namelist::Form_Load(const SearchResults& hits, int substanceLast) {
  // The grid's width in twips, rounded to a whole number, ties to even.
  const double w = std::nearbyint(list->width() * 15.0);
  list->clearContents();
  // Together the two columns are 300 twips narrower than the grid, by design:
  // the name column stops short of the grid's right edge.
  list->setColumnWidth(0, Twips(std::nearbyint(w / 3)));
  list->setColumnWidth(1, Twips(std::nearbyint(2 * w / 3 - 300)));
  // 示性式, 物質名
  list->setHorizontalHeaderLabels({QStringLiteral(u"\u793A\u6027\u5F0F"), QStringLiteral(u"\u7269\u8CEA\u540D")});

  const int count = hits.HitLast() + 1;
  list->setRowCount(count);
  for (int i = 0; i < count; ++i) {
    formulas_.append(QString::fromStdU16String(hits.Hits[i].HitFormula));
    names_.append(QString::fromStdU16String(hits.Hits[i].HitName));
    list->setItem(i, 0, new QTableWidgetItem(formulas_.back()));
    list->setItem(i, 1, new QTableWidgetItem(names_.back()));
  }
  // Filling the grid cell by cell leaves the last row's name cell current
  // (none without hits). The grid still opens at its header and first rows:
  // without auto-scroll the hidden grid does not note to scroll to the
  // current cell when it is shown.
  list->setAutoScroll(false);
  list->setCurrentCell(count - 1, 1);
  list->setAutoScroll(true);
  SetBoxText(Text2, QStringLiteral(" %1/ %2").arg(count).arg(substanceLast + 1));
}

void namelist::SetQuery(const QString& query) { SetBoxText(Text1, query); }

void namelist::list_Click(int row) {
  // Only cells of hit rows are clicked: the header row is the grid's header.
  emit FormulaChosen(formulas_.at(row), names_.at(row));
}

void namelist::close_Click() { Unload(); }

void namelist::Unload() {
  // Not QWidget::close(): a window that was never shown may own a native
  // window object without a window on the screen (native widgets, some
  // platforms), and Qt then closes it without any close event, so the query
  // would be lost and the window kept.
  Form_Unload();
  hide();
  deleteLater();
}

void namelist::Form_Unload() {
  if (std::exchange(unloaded_, true)) return;
  emit Unloading(Text1->text());
}

void namelist::closeEvent(QCloseEvent* event) {
  Form_Unload();
  event->accept();
}

}  // namespace zorvan
