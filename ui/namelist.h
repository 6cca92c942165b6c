// The search result window: the hits of one search in a two-column grid.
#pragma once

#include <QWidget>

#include "search/name_database.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace zorvan {

class Zorvan;

class namelist : public QWidget {
  Q_OBJECT

 public:
  // Builds the window for `hits` out of `substanceLast` + 1 records; it is
  // not shown until the caller shows it.
  namelist(Zorvan& main, const SearchResults& hits, int substanceLast);

  // The grid holds one table row per hit; the table's header is the grid's
  // header row.
  QTableWidget* list;
  QLineEdit* Text1;
  QPushButton* close;
  QLabel* Label1;
  QLineEdit* Text2;

 private slots:
  void list_Click(int row);
  void close_Click();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Form_Load(int substanceLast);
  void Form_Unload();

  Zorvan& main_;
  SearchResults hits_;
};

}  // namespace zorvan
