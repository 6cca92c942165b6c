// The reagent window: the reagent table of a reaction, solved again at
// every edit, its lines for an experimental section, and the solution
// calculators. It follows the main window through ShowCalculation, from
// which a row is added, and never reaches back.
#pragma once

#include <QWidget>
#include <filesystem>

#include "amounts/reagent_data.h"
#include "amounts/reagent_table.h"
#include "core/calculation.h"
#include "ui/calculation_shown.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QTableWidgetItem;

namespace zorvan {

class Registry;
class SolutionPanel;

class ReagentWindow : public QWidget {
  Q_OBJECT

 public:
  // `tables` and `registry` must outlive the window; reagent.csv is read
  // from `dataFolder` when it is there. The last table comes back from
  // `registry`.
  ReagentWindow(const ReferenceTables& tables, const std::filesystem::path& dataFolder, Registry& registry,
                QWidget* parent);

 public slots:
  // The formula, and its name when it came from the name search, that
  // 分子式を追加 adds as a row.
  void ShowCalculation(const CalculationShown& shown);

 protected:
  // Asks what to do with unsaved changes; Cancel keeps the window open.
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* CreateTableTab();
  QWidget* CreateButtons();
  void CreateGrid();
  // Solves the table again and shows it; an edit marks it unsaved.
  void Refresh(bool edited);
  void ShowRow(int row);
  void CellEdited(QTableWidgetItem* item);
  void ClearCells();
  void SetLimiting(int row);
  void AddRow(const QString& name, const QString& formula);
  void MoveRow(int by);
  void RemoveRows();
  void CopyLines(bool japanese);
  // Returns false when the user cancels, or saving fails.
  bool MaybeSave();
  bool Save();
  bool SaveAs();
  bool WriteFile(const QString& path);
  void Open();
  void NewTable();
  void StoreLastTable();
  void RestoreLastTable();
  void UpdateTitle();

  QTabWidget* Tabs;
  QPushButton* AddFormula;
  QPushButton* AddEmpty;
  QPushButton* MoveUp;
  QPushButton* MoveDown;
  QPushButton* RemoveRow;
  QSpinBox* Figures;
  QTableWidget* Grid;
  QLabel* Message;
  QPlainTextEdit* Lines;
  QPushButton* CopyTable;
  QPushButton* CopyEnglish;
  QPushButton* CopyJapanese;
  QPushButton* NewButton;
  QPushButton* OpenButton;
  QPushButton* SaveButton;
  QPushButton* SaveAsButton;
  SolutionPanel* Solutions;

  const ReferenceTables& tables_;
  FormulaEngine engine_;
  Registry& registry_;
  amounts::ReagentData reagents_;
  amounts::Table table_;
  amounts::SolvedTable solved_;
  CalculationShown shown_;
  QString file_;           // the file the table was last saved to or opened from
  bool modified_ = false;  // edited since
};

}  // namespace zorvan
