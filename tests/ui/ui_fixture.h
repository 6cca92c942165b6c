// Shared set-up of the window tests: a main window over the example data
// (or a folder of the test's own), fake platform layers, and a watchdog that
// fails a test instead of hanging when an unexpected modal box opens.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "ui/fonts.h"
#include "ui/launcher.h"
#include "ui/main_window.h"
#include "ui/registry.h"

namespace zorvan::testing {

// Records what would be started; starting fails unless told otherwise.
class RecordingLauncher : public Launcher {
 public:
  bool StartDetached(const QString& commandLine) override {
    started << commandLine;
    return succeed;
  }
  bool FileExists(const QString& path) override {
    tested << path;
    return false;
  }
  QStringList started, tested;
  bool succeed = false;
};

// Closes any modal box that opens and remembers its text, so that a test can
// assert on it; a test that expects none checks that the list stays empty.
class ModalWatchdog : public QObject {
 public:
  ModalWatchdog() {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) texts << box->text();
        else texts << modal->windowTitle();
        modal->close();
      }
    });
    timer_.start();
  }
  QStringList texts;

 private:
  QTimer timer_;
};

struct MainWindowHarness {
  explicit MainWindowHarness(const std::filesystem::path& folder = ZORVAN_DATA_DIR)
      : window(folder, registry, launcher) {}
  EmptyRegistry registry;
  RecordingLauncher launcher;
  Zorvan window;
};

inline void InitApplication() {
  RegisterFontSubstitutes();
  QApplication::setFont(NamedFont(MsPGothic(), 9));
}

// Returns the text of the percentage list, one item a line.
inline QStringList ListItems(const QListWidget* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
  return items;
}

}  // namespace zorvan::testing
