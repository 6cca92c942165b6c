#include "ui/controls.h"

#include <QWidget>

namespace zorvan {

void SetTabOrder(std::initializer_list<QWidget*> widgets) {
  QWidget* previous = nullptr;
  for (QWidget* widget : widgets) {
    if (previous) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }
}

}  // namespace zorvan
