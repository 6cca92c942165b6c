// Starting other programs, behind an interface so tests can see what would start.
#pragma once

#include <QString>

namespace zorvan {

class Launcher {
 public:
  virtual ~Launcher() = default;
  // Starts `commandLine` (program and arguments, split as a shell would for
  // plain words) without waiting for it; returns false when it cannot start.
  virtual bool StartDetached(const QString& commandLine) = 0;
  // Returns true when a file of that name exists.
  virtual bool FileExists(const QString& path) = 0;
};

// Starts programs with QProcess::startDetached.
class ProcessLauncher : public Launcher {
 public:
  bool StartDetached(const QString& commandLine) override;
  bool FileExists(const QString& path) override;
};

}  // namespace zorvan
