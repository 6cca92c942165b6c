// Behaviour shared by the controls of every window.
#pragma once

#include <initializer_list>

class QPushButton;
class QWidget;

namespace zorvan {

// Makes Enter and keypad Enter press each of `buttons` while it has the focus,
// as Space does, without making any of them a default button.
void PressOnEnter(std::initializer_list<QPushButton*> buttons);

// Sets the tab order of `widgets`, first to last.
void SetTabOrder(std::initializer_list<QWidget*> widgets);

}  // namespace zorvan
