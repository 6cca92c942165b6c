// The main window: formula box, results, buttons and menus.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <filesystem>
#include <memory>

#include "core/calculation.h"
#include "core/reference_tables.h"
#include "search/name_database.h"

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace zorvan {

class HelpCommand;
class Launcher;
class Registry;
class frmAbout;
class namelist;

class Zorvan : public QMainWindow {
  Q_OBJECT

 public:
  // The windows read their data files from `dataFolder`.
  Zorvan(std::filesystem::path dataFolder, Registry& registry, Launcher& launcher,
         QWidget* parent = nullptr);
  ~Zorvan() override;

  // Loads the element, group and name tables. Throws DataFileError when a
  // file is missing or ends inside a record; the window must not be shown then.
  void Form_Load();

  // Calculates the formula in Text1 and shows the results.
  void CalculateFormula();

  // Returns the result window of the last search, shown or hidden, or null.
  namelist* ResultWindow() const;
  // Returns the open About box, or null.
  frmAbout* AboutBox() const;
  HelpCommand& Help() { return *help_; }
  const NameDatabase& Names() const { return names_; }

  // The controls, under the names the other windows and the tests use.
  QLabel* Label1;
  QLineEdit* Text1;
  QLabel* Label2;
  QLineEdit* Text2;
  QLabel* Label3;
  QLineEdit* Text3;
  QLabel* Label4;
  QListWidget* List1;
  QPushButton* Command1;
  QPushButton* Command2;

  QAction* MnuExit;
  QAction* MnuCopy1;
  QAction* MnuCopy2;
  QAction* MnuCopyA;
  QAction* MnuPaste;
  QAction* MNuChange;
  QAction* MnuSearch;
  QAction* disp_help;
  QAction* MnuAbout;

 public slots:
  void Command1_Click();
  void Command2_Click();
  void MNuChange_Click();
  void MnuSearch_Click();
  void MnuExit_Click();
  void MnuAbout_Click();
  void disp_help_Click();
  void MnuCopy1_Click();
  void MnuCopy2_Click();
  void MnuCopyA_Click();
  void MnuPaste_Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateControls();
  void Text1_KeyDown(int key);
  void ShowResult(const CalcResult& result);
  // Returns the report block of what the controls show now.
  QString BuildReport() const;
  // Clears the clipboard, then puts `text` on it as plain text.
  static void PutOnClipboard(const QString& text);
  void LoadNameDatabase();
  void CloseResultWindow();
  char16_t DecimalPoint() const;

  std::filesystem::path dataFolder_;
  Registry& registry_;
  Launcher& launcher_;
  ReferenceTables tables_;
  std::unique_ptr<FormulaEngine> engine_;
  NameDatabase names_;
  QPointer<namelist> namelist_;
  QPointer<frmAbout> about_;
  std::unique_ptr<HelpCommand> help_;
};

}  // namespace zorvan
