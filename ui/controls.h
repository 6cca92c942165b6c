// Behaviour shared by the controls of every window.
#pragma once

#include <initializer_list>

class QLineEdit;
class QPushButton;
class QString;
class QWidget;

namespace zorvan {

// Writes `text` into a one-line box as the program writes all its boxes:
// the whole text is replaced, and the box shows its start, however long the
// text is, as a box does after its text is set.
void SetBoxText(QLineEdit* box, const QString& text);

// Makes Enter and keypad Enter press each of `buttons` while it has the focus,
// as Space does, without making any of them a default button.
void PressOnEnter(std::initializer_list<QPushButton*> buttons);

// Shows the style's warning sign inside `box` at its right end while `text`
// is not empty, with `text` as its tooltip; a click on it shows `text` in a
// message box captioned `caption`. An empty `text` removes the sign. The
// box's own text stays as it is.
void SetCautionMark(QLineEdit* box, const QString& text, const QString& caption);

// Sets the tab order of `widgets`, first to last.
void SetTabOrder(std::initializer_list<QWidget*> widgets);

}  // namespace zorvan
