// The About box: application title, version, description and the launcher of
// the system-information tool.
#pragma once

#include <QDialog>
#include <QString>

#include "ui/launcher.h"
#include "ui/registry.h"

class QKeyEvent;
class QLabel;
class QPushButton;

namespace zorvan {

// A modeless, fixed-size dialog that deletes itself when it closes; the main
// window shows it and keeps a QPointer to bring an open box to the front.
class frmAbout : public QDialog {
  Q_OBJECT

 public:
  // Builds the box over `parent` (the main window) and runs its load step;
  // `registry` and `launcher` must outlive the box.
  explicit frmAbout(Registry& registry, Launcher& launcher, QWidget* parent = nullptr);

 private slots:
  void cmdOK_Click();
  void cmdSysInfo_Click();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The window's flags, icon and place; then its controls and connections.
  void SetUpWindow();
  void CreateControls();
  void Form_Load();

  // Starts the system-information tool that the registry names, or shows the
  // message that it is unavailable and returns once the user has closed it.
  void StartSysInfo();

  // Reads the value `SubKeyRef` of the key `KeyName` under `KeyRoot` into
  // `KeyVal` (a string as text, a DWORD in hexadecimal, any other type leaving
  // `KeyVal` as it was) and returns true; on failure empties `KeyVal` and
  // returns false. The key is closed on every path.
  bool GetKeyValue(RegistryRoot KeyRoot, const QString& KeyName, const QString& SubKeyRef, QString& KeyVal);

  Registry& registry_;
  Launcher& launcher_;
  QPushButton* cmdOK = nullptr;
  QLabel* picIcon = nullptr;
  QPushButton* cmdSysInfo = nullptr;
  QLabel* lblDescription = nullptr;
  QLabel* lblTitle = nullptr;
  QLabel* lblVersion = nullptr;
  QWidget* Line1 = nullptr;
};

}  // namespace zorvan
