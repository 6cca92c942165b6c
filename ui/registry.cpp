#include "ui/registry.h"

#include <QSettings>
#include <QStandardPaths>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>  // RegOpenKeyExA, RegQueryValueExA, RegCloseKey
#endif

namespace zorvan {

namespace {

// The system-information programs of the common desktops, in the order they
// are looked for: KDE's and HardInfo describe the system itself, GNOME's and
// MATE's system monitors at least its processors, memory and disks.
constexpr const char* SysInfoPrograms[] = {"kinfocenter", "hardinfo", "gnome-system-monitor", "mate-system-monitor"};
// The handle of the one key there is.
constexpr RegistryHandle SysInfoKey = 1;

}  // namespace

bool DesktopRegistry::OpenKey(RegistryRoot root, const QString& keyName, quint32, RegistryHandle& handle) {
  const bool exists = root == RegistryRoot::LocalMachine && keyName == QLatin1String(SysInfoPathKey);
  handle = exists ? SysInfoKey : 0;
  return exists;
}

bool DesktopRegistry::QueryValue(RegistryHandle handle, const QString& valueName, qsizetype capacity, QByteArray& data,
                                 quint32& type) {
  if (handle != SysInfoKey || valueName != QLatin1String(SysInfoPathValue)) return false;
  // Looked up at each reading, so that a program installed while the
  // program runs is found.
  for (const char* program : SysInfoPrograms) {
    const QString path = QStandardPaths::findExecutable(QLatin1String(program));
    if (path.isEmpty()) continue;
    const QByteArray value = path.toLocal8Bit() + '\0';
    if (value.size() > capacity) return false;
    data = value;
    type = RegSz;
    return true;
  }
  return false;
}

void DesktopRegistry::CloseKey(RegistryHandle) {}

#ifdef _WIN32
namespace {

// The registry of advapi32, reached through its ANSI functions; names are
// converted to the system ANSI code page.
class Advapi32Registry : public Registry {
 public:
  bool OpenKey(RegistryRoot root, const QString& keyName, quint32 access, RegistryHandle& handle) override {
    // The predefined roots are 32-bit values that the Windows headers sign-extend
    // into a handle.
    const auto rootKey = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(static_cast<quint32>(root))));
    const QByteArray name = keyName.toLocal8Bit();
    HKEY key = nullptr;
    if (RegOpenKeyExA(rootKey, name.constData(), 0, static_cast<REGSAM>(access), &key) != ERROR_SUCCESS) {
      handle = 0;
      return false;
    }
    handle = reinterpret_cast<RegistryHandle>(key);
    return true;
  }

  bool QueryValue(RegistryHandle handle, const QString& valueName, qsizetype capacity, QByteArray& data,
                  quint32& type) override {
    if (handle == 0 || capacity < 0) return false;
    const QByteArray name = valueName.toLocal8Bit();
    QByteArray buffer(capacity, '\0');
    DWORD size = static_cast<DWORD>(capacity);
    DWORD valueType = 0;
    // A value longer than the buffer gives ERROR_MORE_DATA and counts as a failure.
    if (RegQueryValueExA(reinterpret_cast<HKEY>(handle), name.constData(), nullptr, &valueType,
                         reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS) {
      return false;
    }
    buffer.truncate(static_cast<qsizetype>(size));
    data = buffer;
    type = static_cast<quint32>(valueType);
    return true;
  }

  void CloseKey(RegistryHandle handle) override {
    if (handle != 0) RegCloseKey(reinterpret_cast<HKEY>(handle));
  }
};

}  // namespace
#endif

namespace {

QString PlaceKey(const QString& window) { return QStringLiteral("windows/") + window; }

// The program's settings; written when the object goes (QSettings writes a
// file under a temporary name, then renames it).
std::unique_ptr<QSettings> Settings() {
  return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("zorvan"),
                                     QStringLiteral("zorvan"));
}

}  // namespace

QByteArray RememberedPlace(const QString& window) { return Settings()->value(PlaceKey(window)).toByteArray(); }

void RememberPlace(const QString& window, const QByteArray& geometry) {
  Settings()->setValue(PlaceKey(window), geometry);
}

std::unique_ptr<Registry> SystemRegistry() {
#ifdef _WIN32
  return std::make_unique<Advapi32Registry>();
#else
  return std::make_unique<DesktopRegistry>();
#endif
}

}  // namespace zorvan
