// Start-up of the main window, with the fatal message for broken data files.
#pragma once

namespace zorvan {

class Zorvan;

// Sets up what all windows share: Qt's own texts in Japanese, the fonts, and
// the program's icon as the icon of every window that has none of its own.
// Call right after the application object is created.
void SetUpApplication();

// Loads the data files and shows `window`. When a data file is missing or
// ends inside a record, shows a message box naming the file and the problem,
// writes the same line to standard error and returns 1 without showing the
// window; returns 0 otherwise.
int StartZorvan(Zorvan& window);

}  // namespace zorvan
