// Shared set-up of the window tests: a main window over the example data
// (or a folder of the test's own), fake platform layers, and a watchdog that
// fails a test instead of hanging when an unexpected modal box opens.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <fstream>
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

// Returns the watchdog every window test runs under; a test that expects a
// box takes its text from here, and each test's clean-up fails on any other.
inline ModalWatchdog& Watchdog() {
  static ModalWatchdog watchdog;
  return watchdog;
}

// Returns a fresh, empty folder of this process for a test's own data files.
inline std::filesystem::path FreshFolder(const std::string& name) {
  auto folder = std::filesystem::temp_directory_path() /
                (name + "-" + std::to_string(QCoreApplication::applicationPid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

// Returns a fresh folder with the example element and group tables and a
// name.csv of the given bytes.
inline std::filesystem::path DataFolder(const std::string& name, const std::string& nameCsv) {
  auto folder = FreshFolder(name);
  for (const char* file : {"atom.csv", "group.csv"})
    std::filesystem::copy_file(std::filesystem::path(ZORVAN_DATA_DIR) / file, folder / file);
  std::ofstream(folder / "name.csv", std::ios::binary) << nameCsv;
  return folder;
}

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
  Watchdog();
}

// Fails when a modal box opened that the test did not take.
inline void ExpectNoUnexpectedBox() {
  QStringList texts = Watchdog().texts;
  Watchdog().texts.clear();
  QVERIFY2(texts.isEmpty(), qPrintable("unexpected box: " + texts.join(" | ")));
}

// Returns the text of the percentage list, one item a line.
inline QStringList ListItems(const QListWidget* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
  return items;
}

}  // namespace zorvan::testing
