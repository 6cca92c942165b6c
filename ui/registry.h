// Read access to the system registry, shaped after the ANSI functions
// RegOpenKeyExA, RegQueryValueExA and RegCloseKey, behind an interface so that
// tests can supply their own keys and a desktop without a registry can still
// name its system-information program.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <memory>

namespace zorvan {

// A predefined root key, with the 32-bit value that the Windows headers give it.
enum class RegistryRoot : quint32 {
  LocalMachine = 0x80000002u,  // HKEY_LOCAL_MACHINE, the only root the program reads
};

// An open key; 0 stands for no key.
using RegistryHandle = quintptr;

inline constexpr quint32 RegKeyAllAccess = 0x2003F;  // KEY_ALL_ACCESS
inline constexpr quint32 RegSz = 1;                  // REG_SZ
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

  // Closes a key that OpenKey opened; does nothing for 0.
  virtual void CloseKey(RegistryHandle handle) = 0;
};

// Where the registry keeps the full path of the system-information tool:
// the value SysInfoPathValue of the key SysInfoPathKey under HKEY_LOCAL_MACHINE.
inline constexpr char SysInfoPathKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr char SysInfoPathValue[] = "PATH";

// The registry of a desktop that has none (Linux and the like): it holds
// only the system-information tool's path, the first of the desktops'
// system-information programs found on PATH, as a string with its NUL. With
// none installed the value is missing; every other key is missing.
class DesktopRegistry : public Registry {
 public:
  bool OpenKey(RegistryRoot root, const QString& keyName, quint32 access, RegistryHandle& handle) override;
  bool QueryValue(RegistryHandle handle, const QString& valueName, qsizetype capacity, QByteArray& data,
                  quint32& type) override;
  void CloseKey(RegistryHandle handle) override;
};

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
