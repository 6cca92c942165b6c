// The main window: formula box, results, buttons and menus.
//
// Who calls whom; the main window creates the other windows and is the only
// one that knows them:
// - One calculation: Enter in Text1 (Text1_KeyDown, seen by eventFilter) or
//   Command1_Click calls CalculateFormula, which reads Text1, asks the
//   FormulaEngine (core) for a Calculation and shows it in Text2, Text3,
//   List1; the copy commands read that value.
// - One search: Command2_Click clears the results, closes the earlier namelist
//   (whose Unloading signal puts its query back into Text1), calls SearchNames
//   (search), creates a namelist over the hits, shown when there is one, and
//   writes the query into it with namelist::SetQuery. A row click there emits
//   FormulaChosen: Text1 takes the formula and CalculateFormula runs.
// - One paste: MnuPaste_Click splits the clipboard text at CR LF or a lone
//   LF (LoneLfToCrLf, SplitPasteLines, core), calculates each line with the
//   engine, appends its report block (AppendBatchEntry, core), shows the last
//   line with its results and puts the batch text on the clipboard.
// - The tool windows: every calculation shown (the three above, a click in
//   namelist, the group option) is announced by Calculated, which the mass
//   window follows; the finder window's FormulaChosen calculates as
//   namelist's does and hands the row's ion and measured values to the mass
//   window (opened for them when the row comes with measured peaks, which
//   are laid over its pattern), and the mass window's FinderRequested
//   searches there.
//   The reagent window follows Calculated too (with the hit's name when a
//   namelist row was clicked) and adds its formula as a row when asked.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "core/calculation.h"
#include "core/reference_tables.h"
#include "search/name_database.h"
#include "ui/calculation_shown.h"

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
class MassWindow;
class FinderWindow;
class ReagentWindow;
namespace mass {
class IsotopeTable;
}

// The controls and menu items carry their names as object names, so that
// findChild<QLineEdit*>("Text1") finds the formula box.
class Zorvan : public QMainWindow {
  Q_OBJECT

 public:
  // The windows read their data files from `dataFolder`; `registry` and
  // `launcher` must outlive the window.
  Zorvan(std::filesystem::path dataFolder, Registry& registry, Launcher& launcher, QWidget* parent = nullptr);
  ~Zorvan() override;

  // Loads the element, group and name tables. Throws DataFileError when a
  // file is missing or ends inside a record; the window must not be shown then.
  void Form_Load();

 signals:
  // After every calculation shown, with what the window shows.
  void Calculated(const CalculationShown& shown);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private slots:
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
  void MnuMass_Click();
  void MnuFinder_Click();
  void MnuReagents_Click();

 private:
  void CreateActions();
  void CreateShortcuts();
  void CreateMenus();
  void CreateControls();
  void Text1_KeyDown(int key);
  // Calculates the formula in Text1 and shows the results.
  void CalculateFormula();
  // The calculation options the menu sets.
  CalcOptions Options() const;
  // Shows `result`, the calculation of `formula`, and announces it.
  void ShowResult(const QString& formula, const Calculation& result);
  // Returns the calculation the result boxes show: none after a search
  // cleared them.
  const Calculation& Shown() const;
  // Returns the report block of what the controls show now.
  QString BuildReport() const;
  // Clears the clipboard, then puts `text` on it as plain text.
  static void PutOnClipboard(const QString& text);
  void LoadNameDatabase();
  void CloseResultWindow();
  // Writes a formula chosen in another window into Text1 and calculates it.
  void CalculateChosen(const QString& formula);
  // Brings `window` to the front, shown.
  static void ShowToolWindow(QWidget* window);
  // Returns the mass window, made (hidden) when first asked for.
  MassWindow* Mass();
  // Returns the isotope table, read from IsoSpec when first asked for.
  const mass::IsotopeTable& Isotopes();
  char16_t DecimalPoint() const;

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
  QAction* MnuMass;
  QAction* MnuFinder;
  QAction* MnuReagents;

  std::filesystem::path dataFolder_;
  Registry& registry_;
  Launcher& launcher_;
  ReferenceTables tables_;
  std::unique_ptr<FormulaEngine> engine_;
  NameDatabase names_;
  QPointer<namelist> namelist_;
  QPointer<frmAbout> about_;
  std::unique_ptr<HelpCommand> help_;
  std::unique_ptr<mass::IsotopeTable> isotopes_;
  CalculationShown shown_;       // the last calculation, for a mass window opened later
  bool resultsCleared_ = false;  // a search cleared the result boxes since
  // The tool windows, made on first use and kept, hidden, when closed.
  QPointer<MassWindow> mass_;
  QPointer<FinderWindow> finder_;
  QPointer<ReagentWindow> reagents_;
  QString chosenName_;  // the name of the hit whose formula is being calculated
};

}  // namespace zorvan
