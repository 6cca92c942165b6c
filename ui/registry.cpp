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
// The handle of the system-information key; the user's keys follow it.
constexpr RegistryHandle SysInfoKey = 1;
// Room for the longest value the program stores: a reagent table.
constexpr qsizetype UserTextCapacity = qsizetype{1} << 24;

// The key as a QSettings path: the registry's backslashes become slashes.
QString SettingsPath(const QString& keyName) { return QString(keyName).replace(u'\\', u'/'); }

}  // namespace

bool Registry::CreateKey(RegistryRoot, const QString&, RegistryHandle& handle) {
  handle = 0;
  return false;
}

bool Registry::SetValue(RegistryHandle, const QString&, quint32, const QByteArray&) { return false; }

QString ReadUserText(Registry& registry, const char* keyName, const char* valueName) {
  RegistryHandle key = 0;
  QByteArray data;
  quint32 type = 0;
  QString text;
  if (registry.OpenKey(RegistryRoot::CurrentUser, QString::fromLatin1(keyName), RegKeyAllAccess, key) &&
      registry.QueryValue(key, QString::fromLatin1(valueName), UserTextCapacity, data, type) && type == RegBinary)
    text = QString::fromUtf8(data);
  registry.CloseKey(key);
  return text;
}

bool WriteUserText(Registry& registry, const char* keyName, const char* valueName, const QString& text) {
  RegistryHandle key = 0;
  const bool written = registry.CreateKey(RegistryRoot::CurrentUser, QString::fromLatin1(keyName), key) &&
                       registry.SetValue(key, QString::fromLatin1(valueName), RegBinary, text.toUtf8());
  registry.CloseKey(key);
  return written;
}

DesktopRegistry::DesktopRegistry() = default;
DesktopRegistry::~DesktopRegistry() = default;

QSettings& DesktopRegistry::Settings() {
  if (!settings_)
    settings_ = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("zorvan"),
                                            QStringLiteral("zorvan"));
  return *settings_;
}

bool DesktopRegistry::CreateKey(RegistryRoot root, const QString& keyName, RegistryHandle& handle) {
  handle = 0;
  if (root != RegistryRoot::CurrentUser || keyName.isEmpty()) return false;
  qsizetype index = userKeys_.indexOf(SettingsPath(keyName));
  if (index < 0) {
    userKeys_ << SettingsPath(keyName);
    index = userKeys_.size() - 1;
  }
  handle = SysInfoKey + 1 + RegistryHandle(index);
  return true;
}

bool DesktopRegistry::SetValue(RegistryHandle handle, const QString& valueName, quint32 type, const QByteArray& data) {
  if (handle <= SysInfoKey || handle - SysInfoKey - 1 >= RegistryHandle(userKeys_.size())) return false;
  Settings().setValue(userKeys_[qsizetype(handle - SysInfoKey - 1)] + u'/' + valueName, QVariantList{type, data});
  Settings().sync();
  return Settings().status() == QSettings::NoError;
}

bool DesktopRegistry::OpenKey(RegistryRoot root, const QString& keyName, quint32, RegistryHandle& handle) {
  if (root == RegistryRoot::CurrentUser) {
    Settings().beginGroup(SettingsPath(keyName));
    const bool exists = !keyName.isEmpty() && !Settings().childKeys().isEmpty();
    Settings().endGroup();
    return exists ? CreateKey(root, keyName, handle) : (handle = 0, false);
  }
  const bool exists = root == RegistryRoot::LocalMachine && keyName == QLatin1String(SysInfoPathKey);
  handle = exists ? SysInfoKey : 0;
  return exists;
}

bool DesktopRegistry::QueryValue(RegistryHandle handle, const QString& valueName, qsizetype capacity, QByteArray& data,
                                 quint32& type) {
  if (handle > SysInfoKey && handle - SysInfoKey - 1 < RegistryHandle(userKeys_.size())) {
    const QVariantList value =
        Settings().value(userKeys_[qsizetype(handle - SysInfoKey - 1)] + u'/' + valueName).toList();
    if (value.size() != 2 || value[1].toByteArray().size() > capacity) return false;
    type = value[0].toUInt();
    data = value[1].toByteArray();
    return true;
  }
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

// The predefined roots are 32-bit values that the Windows headers sign-extend
// into a handle.
HKEY RootKey(RegistryRoot root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(static_cast<quint32>(root))));
}

// The registry of advapi32, reached through its ANSI functions; names are
// converted to the system ANSI code page.
class Advapi32Registry : public Registry {
 public:
  bool OpenKey(RegistryRoot root, const QString& keyName, quint32 access, RegistryHandle& handle) override {
    const QByteArray name = keyName.toLocal8Bit();
    HKEY key = nullptr;
    if (RegOpenKeyExA(RootKey(root), name.constData(), 0, static_cast<REGSAM>(access), &key) != ERROR_SUCCESS) {
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

  bool CreateKey(RegistryRoot root, const QString& keyName, RegistryHandle& handle) override {
    const QByteArray name = keyName.toLocal8Bit();
    HKEY key = nullptr;
    const LONG status = RegCreateKeyExA(RootKey(root), name.constData(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_ALL_ACCESS, nullptr, &key, nullptr);
    handle = status == ERROR_SUCCESS ? reinterpret_cast<RegistryHandle>(key) : 0;
    return status == ERROR_SUCCESS;
  }

  bool SetValue(RegistryHandle handle, const QString& valueName, quint32 type, const QByteArray& data) override {
    if (handle == 0) return false;
    const QByteArray name = valueName.toLocal8Bit();
    return RegSetValueExA(reinterpret_cast<HKEY>(handle), name.constData(), 0, static_cast<DWORD>(type),
                          reinterpret_cast<const BYTE*>(data.constData()),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
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
