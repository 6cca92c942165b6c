// The composition root: the application object, fonts, the platform layers
// and the main window.
#include <QApplication>
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
  const zorvan::DataFolderChoice data = zorvan::ChooseWindowDataFolder(app);
  zorvan::Zorvan window(data.Path, *registry, launcher);
  if (int status = zorvan::StartZorvan(window, &data)) return status;
  return app.exec();
}
