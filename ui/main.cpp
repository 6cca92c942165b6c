// The composition root: the application object, fonts, the platform layers
// and the main window.
#include <QApplication>
#include <filesystem>
#include <memory>

#include "ui/launcher.h"
#include "ui/main_window.h"
#include "ui/registry.h"
#include "ui/startup.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  zorvan::SetUpApplication();

  std::unique_ptr<zorvan::Registry> registry = zorvan::SystemRegistry();
  zorvan::ProcessLauncher launcher;
  // The data files are read from the working directory.
  zorvan::Zorvan window(std::filesystem::current_path(), *registry, launcher);
  if (int status = zorvan::StartZorvan(window)) return status;
  return app.exec();
}
