// Shared set-up of the window tests: a main window over the example data
// (or a folder of the test's own), fake platform layers, and a watchdog that
// fails a test instead of hanging when an unexpected modal box opens.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QListWidget>
#include <QPushButton>
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

// A launcher that starts nothing and records what it was asked.
class RecordingLauncher : public Launcher {
 public:
  bool StartDetached(const QString& commandLine) override {
    started.append(commandLine);
    return startSucceeds;
  }
  bool FileExists(const QString& path) override {
    fileTests.append(path);
    return existingFiles.contains(path);
  }

  bool startSucceeds = true;
  QStringList existingFiles;
  QStringList started;
  QStringList fileTests;
};

// What a modal box showed before it was closed.
struct SeenBox {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
};

// Polls for modal boxes and closes each one, so that no test can hang on an
// exec(); boxes beyond those announced with Expect() are recorded as unexpected.
class ModalWatchdog : public QObject {
 public:
  ModalWatchdog() {
    connect(&timer_, &QTimer::timeout, this, &ModalWatchdog::Poll);
    timer_.start(10);
  }

  void Expect(int boxes) { expected_ += boxes; }
  void Reset() {
    seen.clear();
    unexpected.clear();
    expected_ = 0;
  }

  QList<SeenBox> seen;
  QStringList unexpected;

 private:
  void Poll() {
    QWidget* widget = QApplication::activeModalWidget();
    if (widget == nullptr || !widget->isVisible()) return;
    SeenBox box;
    box.title = widget->windowTitle();
    auto* messageBox = qobject_cast<QMessageBox*>(widget);
    if (messageBox != nullptr) {
      box.text = messageBox->text();
      box.icon = messageBox->icon();
      box.buttons = messageBox->standardButtons();
    }
    if (expected_ > 0) {
      --expected_;
      seen.append(box);
    } else {
      unexpected.append(box.title + QStringLiteral(": ") + box.text);
    }
    if (messageBox != nullptr && messageBox->button(QMessageBox::Ok) != nullptr) {
      messageBox->button(QMessageBox::Ok)->click();
    } else if (auto* dialog = qobject_cast<QDialog*>(widget)) {
      dialog->reject();
    } else {
      widget->close();
    }
  }

  QTimer timer_;
  int expected_ = 0;
};

// Returns the watchdog every window test runs under; a test that expects a
// box announces it and reads it from here, and each test's clean-up fails on
// any other.
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
  SetUpApplicationFonts();
  Watchdog();
}

// Fails when a modal box opened that the test did not announce.
inline void ExpectNoUnexpectedBox() {
  QStringList unexpected = Watchdog().unexpected;
  Watchdog().Reset();
  QVERIFY2(unexpected.isEmpty(), qPrintable("unexpected box: " + unexpected.join(" | ")));
}

// Returns the text of the percentage list, one item a line.
inline QStringList ListItems(const QListWidget* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
  return items;
}

}  // namespace zorvan::testing
