// The search result window: the hits of one search in a two-column grid.
#pragma once

#include <QStringList>
#include <QWidget>

#include "search/name_database.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace zorvan {

// Knows nothing of the window that creates it: it reports a row click and its
// own closing by signals, and its creator connects them.
class namelist : public QWidget {
  Q_OBJECT

 public:
  // Builds the window for `hits` out of `substanceLast` + 1 records and runs
  // its load step; it is not shown until the caller shows it. `parent` only
  // owns it: the window stays a top-level window of its own.
  namelist(const SearchResults& hits, int substanceLast, QWidget* parent);

  // The Search command's write into the query box Text1.
  void SetQuery(const QString& query);

  // Closes the window, shown or hidden, runs its unload step and deletes it
  // later. The unload step runs once per window, however often it is closed.
  void Unload();

 signals:
  // A click on a hit row: its formula is to be calculated; `name` is the
  // hit's name.
  void FormulaChosen(const QString& formula, const QString& name);
  // Every close, whoever closes the window: `query` is the query box's text.
  void Unloading(const QString& query);

 private slots:
  void list_Click(int row);
  void close_Click();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Form_Load(const SearchResults& hits, int substanceLast);
  void Form_Unload();

  // The grid holds one table row per hit; the table's header is the grid's
  // header row.
  QTableWidget* list;
  QLineEdit* Text1;
  QPushButton* close;  // hides QWidget::close() here; callers outside use Unload()
  QLabel* Label1;
  QLineEdit* Text2;
  QStringList formulas_;  // HitFormula of each row, for the row click
  QStringList names_;     // HitName of each row
  bool unloaded_ = false;
};

}  // namespace zorvan
