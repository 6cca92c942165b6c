// Start-up of the main window, with the fatal message for broken data files.
#pragma once

#include "core/data_folder.h"

class QApplication;

namespace zorvan {

class Zorvan;

// Returns the folder the window reads its data files from: the DIR of
// "--data DIR" on the command line of `app`, else the one ChooseDataFolder
// picks. An unknown option ends the program with a message on standard error.
DataFolderChoice ChooseWindowDataFolder(const QApplication& app);

// Sets up what all windows share: Qt's own texts in Japanese, the fonts, and
// the program's icon as the icon of every window that has none of its own.
// Call right after the application object is created.
void SetUpApplication();

// Loads the data files and shows `window`. When a data file is missing or
// ends inside a record, shows a message box naming the file and the problem,
// and with `folder` the folder or, when none held atom.csv, every folder
// looked at; writes the same text to standard error and returns 1 without
// showing the window; returns 0 otherwise.
int StartZorvan(Zorvan& window, const DataFolderChoice* folder = nullptr);

}  // namespace zorvan
