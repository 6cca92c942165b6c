// The help command: the WinHelp viewer where there is one, else the program's
// own help window.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <filesystem>

#include "core/reference_tables.h"
#include "ui/launcher.h"

namespace zorvan {

// A top-level window that shows the help text read-only; it closes with Esc
// and deletes itself when it closes.
class HelpWindow : public QWidget {
  Q_OBJECT

 public:
  // Builds the window with `groups` listed in the help text and `dataFolder`
  // named as the folder in use; `parent` (the main window) only owns it, the
  // window stays a top-level window of its own.
  HelpWindow(const GroupTable& groups, const std::filesystem::path& dataFolder, QWidget* parent = nullptr);
};

// The main window's "ﾍﾙﾌﾟの表示(&H)" command (F1).
class HelpCommand {
 public:
  // Uses `launcher` to start the viewer; `launcher` must outlive the command.
  // The help window names `dataFolder` as the folder the data files come from.
  HelpCommand(Launcher& launcher, std::filesystem::path dataFolder);

  // Starts the WinHelp viewer on the help file; when it cannot start, shows the
  // help window, with `groups` listed, over `mainWindow`, bringing an open one
  // to the front instead of opening a second.
  void disp_help_Click(QWidget* mainWindow, const GroupTable& groups);

 private:
  // Returns the open help window, or nullptr when there is none or it has closed.
  HelpWindow* Window() const;

  Launcher& launcher_;
  std::filesystem::path dataFolder_;
  QPointer<HelpWindow> window_;
};

}  // namespace zorvan
