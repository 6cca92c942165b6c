// Behaviour shared by the controls of every window.
#pragma once

#include <initializer_list>

class QWidget;

namespace zorvan {

// Sets the tab order of `widgets`, first to last.
void SetTabOrder(std::initializer_list<QWidget*> widgets);

}  // namespace zorvan
