#include "ui/launcher.h"

#include <QFileInfo>
#include <QProcess>
#include <QStringList>

namespace zorvan {

bool ProcessLauncher::StartDetached(const QString& commandLine) {
  // A path that names an existing file is one program even when it holds
  // unquoted blanks, as the paths that the registry gives often do.
  const QFileInfo whole(commandLine);
  if (!commandLine.isEmpty() && whole.isFile()) {
    return QProcess::startDetached(whole.filePath(), {});
  }
  QStringList words = QProcess::splitCommand(commandLine);
  if (words.isEmpty()) return false;
  const QString program = words.takeFirst();
  return QProcess::startDetached(program, words);
}

bool ProcessLauncher::FileExists(const QString& path) {
  // A folder of that name is no program to start.
  const QFileInfo info(path);
  return !path.isEmpty() && info.exists() && !info.isDir();
}

}  // namespace zorvan
