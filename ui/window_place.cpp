#include "ui/window_place.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "ui/registry.h"

namespace zorvan {
namespace {

// The frame a window manager puts around a window, as it put it around
// `shown`: a window not yet shown has none to measure.
QMargins FrameOf(const QWidget* shown) {
  const QRect frame = shown->frameGeometry(), inner = shown->geometry();
  return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
          frame.bottom() - inner.bottom()};
}

// Moves `window`, frame and all, onto the free area of the screen nearest
// to it, cutting it to that area when it is larger (not below its minimum).
void FitOnScreen(QWidget* window, const QMargins& frame) {
  const QRect outer = window->geometry().marginsAdded(frame);
  const QScreen* screen = QGuiApplication::screenAt(outer.center());
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  const QRect free = screen->availableGeometry().marginsRemoved(frame);
  const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize());
  const int width = std::max(least.width(), std::min(window->width(), free.width()));
  const int height = std::max(least.height(), std::min(window->height(), free.height()));
  const int x = std::clamp(window->x(), free.left(), std::max(free.left(), free.right() - width + 1));
  const int y = std::clamp(window->y(), free.top(), std::max(free.top(), free.bottom() - height + 1));
  window->setGeometry(x, y, width, height);
}

// Restores the window's place at its first showing and stores it at each
// closing.
class PlaceKeeper : public QObject {
 public:
  PlaceKeeper(QWidget* window, QString name, const QWidget* beside)
      : QObject(window), window_(window), name_(std::move(name)), beside_(beside) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != window_) return false;
    if (event->type() == QEvent::Show && !shown_) {
      shown_ = true;
      const QMargins frame = beside_ ? FrameOf(beside_) : QMargins();
      // Qt refuses a place kept on a screen of a quite different size.
      if (window_->restoreGeometry(RememberedPlace(name_)))
        FitOnScreen(window_, frame);
      else if (beside_)
        PlaceBeside(window_, beside_);
    } else if (event->type() == QEvent::Close) {
      RememberPlace(name_, window_->saveGeometry());
    }
    return false;
  }

 private:
  QWidget* window_;
  QString name_;
  QPointer<const QWidget> beside_;
  bool shown_ = false;
};

}  // namespace

void KeepWindowPlace(QWidget* window, const QString& name, const QWidget* beside) {
  window->installEventFilter(new PlaceKeeper(window, name, beside));
}

void PlaceBeside(QWidget* window, const QWidget* beside) {
  const QScreen* screen = beside->screen() ? beside->screen() : QGuiApplication::primaryScreen();
  const QRect free = screen->availableGeometry();
  const QRect next = beside->frameGeometry();
  const QMargins frame = FrameOf(beside);
  const int frameWidth = frame.left() + frame.right(), frameHeight = frame.top() + frame.bottom();
  const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize());
  const int right = free.right() - next.right() - frameWidth, left = next.left() - free.left() - frameWidth;
  const int room = right >= least.width() || right >= left ? right : left;
  const int width = std::clamp(window->width(), least.width(), std::max(least.width(), room));
  const int height =
      std::clamp(window->height(), least.height(), std::max(least.height(), free.height() - frameHeight));
  int x = room == right ? next.right() + 1 + frame.left() : next.left() - frame.right() - width;
  x = std::clamp(x, free.left() + frame.left(),
                 std::max(free.left() + frame.left(), free.right() - frame.right() - width + 1));
  const int y = std::clamp(next.top() + frame.top(), free.top() + frame.top(),
                           std::max(free.top() + frame.top(), free.bottom() - frame.bottom() - height + 1));
  window->setGeometry(x, y, width, height);
}

}  // namespace zorvan
