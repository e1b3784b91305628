// The transport's platform calls on Win32.
#include <windows.h>

#include <vector>

#include "scsi/ScsiSystem.h"
#include "scsi/ScsiTransport.h"

namespace scsi {
namespace {

// GetSystemDirectoryA is first offered a buffer of this many characters.
constexpr UINT kSystemDirectoryLength = 50;

class Win32ScsiSystem final : public ScsiSystem {
 public:
  std::uint32_t PlatformId() override {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    return version.dwPlatformId;
  }

  std::string SystemDirectory() override {
    std::vector<char> buffer(kSystemDirectoryLength);
    UINT length = GetSystemDirectoryA(buffer.data(), kSystemDirectoryLength);
    if (length >= kSystemDirectoryLength) {
      // A longer path than the first buffer holds: ask again with the size
      // the call asked for, instead of using a cut-off path.
      buffer.resize(length + 1);
      length = GetSystemDirectoryA(buffer.data(), length + 1);
      if (length >= buffer.size()) return std::string();
    }
    return std::string(buffer.data(), length);
  }

  ModuleHandle LoadModule(const std::string& path) override { return LoadLibraryA(path.c_str()); }

  void* FindEntryPoint(ModuleHandle module, const char* name) override {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
  }

  void UnloadModule(ModuleHandle module) override { FreeLibrary(static_cast<HMODULE>(module)); }

  unsigned DriveType(const std::string& rootPath) override {
    return GetDriveTypeA(rootPath.c_str());
  }

  DeviceHandle OpenDevice(const std::string& devicePath) override {
    return CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  }

  void CloseDevice(DeviceHandle device) override { CloseHandle(device); }

  bool IoControl(DeviceHandle device, std::uint32_t code, void* in, std::uint32_t inSize,
                 void* out, std::uint32_t outSize, std::uint32_t* bytesReturned) override {
    DWORD returned = 0;
    const BOOL ok = DeviceIoControl(device, code, in, inSize, out, outSize, &returned, nullptr);
    *bytesReturned = returned;
    return ok != FALSE;
  }

  std::uint32_t LastError() override { return GetLastError(); }

  EventHandle NewEvent() override { return CreateEventA(nullptr, TRUE, FALSE, nullptr); }

  std::uint32_t WaitEvent(EventHandle event, std::uint32_t milliseconds) override {
    return WaitForSingleObject(event, milliseconds);
  }

  void CloseEvent(EventHandle event) override { CloseHandle(event); }

  bool DispatchOneMessage() override {
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return false;
    TranslateMessage(&message);
    DispatchMessageA(&message);
    return true;
  }

  std::uint32_t TickCount() override { return GetTickCount(); }
};

}  // namespace

ScsiSystem& WindowsScsiSystem() {
  // Made during the first call, inside the construction of the program's
  // transport, so it is destroyed after that transport.
  static Win32ScsiSystem system;
  return system;
}

}  // namespace scsi

scsi::ScsiTransport::ScsiTransport() : ScsiTransport(scsi::WindowsScsiSystem(), false) {}
