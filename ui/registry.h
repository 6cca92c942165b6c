// Read access to the system registry, shaped after the ANSI functions
// RegOpenKeyExA, RegQueryValueExA and RegCloseKey, behind an interface so that
// tests can supply their own keys and a desktop without a registry can still
// name its system-information program.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>

class QSettings;

namespace zorvan {

// A predefined root key, with the 32-bit value that the Windows headers give it.
enum class RegistryRoot : quint32 {
  CurrentUser = 0x80000001u,   // HKEY_CURRENT_USER: the program's own settings
  LocalMachine = 0x80000002u,  // HKEY_LOCAL_MACHINE: where the system-information tool is named
};

// An open key; 0 stands for no key.
using RegistryHandle = quintptr;

inline constexpr quint32 RegKeyAllAccess = 0x2003F;  // KEY_ALL_ACCESS
inline constexpr quint32 RegSz = 1;                  // REG_SZ
inline constexpr quint32 RegBinary = 3;              // REG_BINARY
inline constexpr quint32 RegDword = 4;               // REG_DWORD

class Registry {
 public:
  virtual ~Registry() = default;

  // Opens the key `keyName` under `root` with the `access` rights; stores it in
  // `handle` and returns true, or stores 0 and returns false.
  virtual bool OpenKey(RegistryRoot root, const QString& keyName, quint32 access, RegistryHandle& handle) = 0;

  // Reads the value `valueName` of an open key into `data` (its raw bytes, a
  // string's terminating NUL included when it is stored) and its type into
  // `type`; returns false when the value is missing, unreadable or longer than
  // `capacity` bytes, leaving both outputs unchanged.
  virtual bool QueryValue(RegistryHandle handle, const QString& valueName, qsizetype capacity, QByteArray& data,
                          quint32& type) = 0;

  // Closes a key that OpenKey or CreateKey opened; does nothing for 0.
  virtual void CloseKey(RegistryHandle handle) = 0;

  // Opens the key `keyName` under `root` for writing, creating it when it is
  // missing (RegCreateKeyExA); stores it in `handle` and returns true, or
  // stores 0 and returns false. A registry that keeps nothing returns false.
  virtual bool CreateKey(RegistryRoot root, const QString& keyName, RegistryHandle& handle);
  // Stores `data` of `type` as the value `valueName` of a key CreateKey
  // opened (RegSetValueExA); returns false when it cannot.
  virtual bool SetValue(RegistryHandle handle, const QString& valueName, quint32 type, const QByteArray& data);
};

// Where the registry keeps the full path of the system-information tool:
// the value SysInfoPathValue of the key SysInfoPathKey under HKEY_LOCAL_MACHINE.
inline constexpr char SysInfoPathKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr char SysInfoPathValue[] = "PATH";

// Where the reagent window keeps the last table between runs (REG_BINARY,
// UTF-8, no code page in between): the table file's text, the file it was
// last saved to or opened from, and "1" while it differs from that file.
inline constexpr char ReagentsKey[] = "Software\\Zorvan\\Reagents";
inline constexpr char ReagentsTableValue[] = "Table";
inline constexpr char ReagentsFileValue[] = "File";
inline constexpr char ReagentsModifiedValue[] = "Modified";

// The registry of a desktop that has none (Linux and the like). Under
// HKEY_LOCAL_MACHINE it holds only the system-information tool's path, the
// first of the desktops' system-information programs found on PATH, as a
// string with its NUL; with none installed the value is missing. Keys under
// HKEY_CURRENT_USER are kept in the user's configuration folder
// ($XDG_CONFIG_HOME/zorvan/zorvan.ini, through QSettings). Every other key
// is missing.
class DesktopRegistry : public Registry {
 public:
  DesktopRegistry();
  ~DesktopRegistry() override;
  bool OpenKey(RegistryRoot root, const QString& keyName, quint32 access, RegistryHandle& handle) override;
  bool QueryValue(RegistryHandle handle, const QString& valueName, qsizetype capacity, QByteArray& data,
                  quint32& type) override;
  void CloseKey(RegistryHandle handle) override;
  bool CreateKey(RegistryRoot root, const QString& keyName, RegistryHandle& handle) override;
  bool SetValue(RegistryHandle handle, const QString& valueName, quint32 type, const QByteArray& data) override;

 private:
  // The file of the user's keys, opened on first use.
  QSettings& Settings();
  // The user's keys opened so far, as paths in Settings(); a handle is 2
  // more than the index (1 is the system-information key).
  QStringList userKeys_;
  std::unique_ptr<QSettings> settings_;
};

// Reads the value `valueName` of `keyName` under HKEY_CURRENT_USER, stored
// by WriteUserText; empty when it is missing.
QString ReadUserText(Registry& registry, const char* keyName, const char* valueName);
// Stores `text` there as UTF-8 (REG_BINARY); returns false when the
// registry keeps nothing.
bool WriteUserText(Registry& registry, const char* keyName, const char* valueName, const QString& text);

// Returns the registry of this system: advapi32's on Windows, a DesktopRegistry elsewhere.
std::unique_ptr<Registry> SystemRegistry();

// What the program remembers between runs: the size and place of its tool
// windows (QWidget::saveGeometry), by the window's name. Kept where a
// program of the desktop keeps its settings: the user's registry on Windows
// (HKEY_CURRENT_USER\Software\zorvan), a file in the user's configuration
// folder elsewhere ($XDG_CONFIG_HOME/zorvan/zorvan.conf).
QByteArray RememberedPlace(const QString& window);
void RememberPlace(const QString& window, const QByteArray& geometry);

}  // namespace zorvan
