#include "ui/registry.h"

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

bool EmptyRegistry::OpenKey(RegistryRoot, const QString&, quint32, RegistryHandle& handle) {
  handle = 0;
  return false;
}

bool EmptyRegistry::QueryValue(RegistryHandle, const QString&, qsizetype, QByteArray&, quint32&) {
  return false;
}

void EmptyRegistry::CloseKey(RegistryHandle) {}

#ifdef _WIN32
namespace {

// The registry of advapi32, reached through its ANSI functions; names are
// converted to the system ANSI code page.
class Advapi32Registry : public Registry {
 public:
  bool OpenKey(RegistryRoot root, const QString& keyName, quint32 access,
               RegistryHandle& handle) override {
    // The predefined roots are 32-bit values that the Windows headers sign-extend
    // into a handle.
    const auto rootKey = reinterpret_cast<HKEY>(
        static_cast<ULONG_PTR>(static_cast<LONG>(static_cast<quint32>(root))));
    const QByteArray name = keyName.toLocal8Bit();
    HKEY key = nullptr;
    if (RegOpenKeyExA(rootKey, name.constData(), 0, static_cast<REGSAM>(access), &key) !=
        ERROR_SUCCESS) {
      handle = 0;
      return false;
    }
    handle = reinterpret_cast<RegistryHandle>(key);
    return true;
  }

  bool QueryValue(RegistryHandle handle, const QString& valueName, qsizetype capacity,
                  QByteArray& data, quint32& type) override {
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

std::unique_ptr<Registry> SystemRegistry() {
#ifdef _WIN32
  return std::make_unique<Advapi32Registry>();
#else
  return std::make_unique<EmptyRegistry>();
#endif
}

}  // namespace zorvan
