#include "ui/controls.h"

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>

namespace zorvan {
namespace {

// Presses the button it watches when Enter reaches it; every other key goes
// on to the button as usual.
class EnterPresses : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    static_cast<QPushButton*>(watched)->click();
    return true;
  }
};

}  // namespace

void SetBoxText(QLineEdit* box, const QString& text) {
  box->setText(text);
  box->setCursorPosition(0);  // setText leaves the cursor, and the view, at the end
}

void PressOnEnter(std::initializer_list<QPushButton*> buttons) {
  for (QPushButton* button : buttons) {
    // Not auto-default either: a focused auto-default button would become
    // the dialog's default and be drawn as one.
    button->setAutoDefault(false);
    button->installEventFilter(new EnterPresses(button));
  }
}

void SetCautionMark(QLineEdit* box, const QString& text, const QString& caption) {
  auto* mark = box->findChild<QAction*>(QStringLiteral("caution"), Qt::FindDirectChildrenOnly);
  if (mark == nullptr) {
    mark = new QAction(box->style()->standardIcon(QStyle::SP_MessageBoxWarning), QString(), box);
    mark->setObjectName(QStringLiteral("caution"));
    // The sign sits beside the text, which neither moves nor changes.
    box->addAction(mark, QLineEdit::TrailingPosition);
    QObject::connect(mark, &QAction::triggered, box,
                     [box, mark, caption] { QMessageBox::warning(box->window(), caption, mark->toolTip()); });
  }
  mark->setToolTip(text);
  mark->setVisible(!text.isEmpty());
}

void SetTabOrder(std::initializer_list<QWidget*> widgets) {
  QWidget* previous = nullptr;
  for (QWidget* widget : widgets) {
    if (previous) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }
}

}  // namespace zorvan
