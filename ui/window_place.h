// Where the tool windows open: beside the main window the first time, where
// they were left after that, and always on a screen.
#pragma once

#include <QString>

class QWidget;

namespace zorvan {

// Remembers the size and place of `window` under `name` between runs
// (RememberedPlace): restored when it is first shown, moved onto a screen
// when the screens changed, stored whenever it closes. Without a remembered
// place it opens beside `beside`.
void KeepWindowPlace(QWidget* window, const QString& name, const QWidget* beside);

// Puts `window` beside `beside` on the screen that shows `beside`: to its
// right when there is room, else to its left, else at the screen's right
// edge; its size cut to what the screen leaves free, its frame included,
// but not below its minimum size.
void PlaceBeside(QWidget* window, const QWidget* beside);

}  // namespace zorvan
