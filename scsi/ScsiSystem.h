// Every operating-system call the SCSI transport makes, behind one small
// interface: ScsiSystem_win.cpp answers with the real Win32 calls; tests
// play the platform with a scripted implementation. Handles are opaque
// pointers, as Win32 hands them out.
#pragma once

#include <cstdint>
#include <string>

namespace scsi {

using DeviceHandle = void*;
using EventHandle = void*;
using ModuleHandle = void*;

// CreateFileA's failure value.
inline DeviceHandle InvalidDeviceHandle() {
  return reinterpret_cast<DeviceHandle>(static_cast<std::intptr_t>(-1));
}

inline constexpr std::uint32_t kPlatformWin32Nt = 2;  // VER_PLATFORM_WIN32_NT
inline constexpr unsigned kDriveCdrom = 5;             // DRIVE_CDROM

// WaitForSingleObject results.
inline constexpr std::uint32_t kWaitSignalled = 0x000;
inline constexpr std::uint32_t kWaitAbandoned = 0x080;
inline constexpr std::uint32_t kWaitTimedOut = 0x102;
inline constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;

// Windows error codes the pass-through side tells apart.
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorSharingViolation = 32;
inline constexpr std::uint32_t kErrorSemaphoreTimeout = 121;
inline constexpr std::uint32_t kErrorIoDevice = 1117;

// The two entry points of WNASPI32.DLL (C calling convention).
using GetAspiSupportInfoFunction = std::uint32_t (*)();
using SendAspiCommandFunction = std::uint32_t (*)(void* request);

class ScsiSystem {
 public:
  virtual ~ScsiSystem() = default;

  // dwPlatformId of GetVersionExA.
  virtual std::uint32_t PlatformId() = 0;
  // GetSystemDirectoryA; empty when the call fails.
  virtual std::string SystemDirectory() = 0;
  // LoadLibraryA; null on failure.
  virtual ModuleHandle LoadModule(const std::string& path) = 0;
  // GetProcAddress; null when the module lacks the name.
  virtual void* FindEntryPoint(ModuleHandle module, const char* name) = 0;
  virtual void UnloadModule(ModuleHandle module) = 0;

  // GetDriveTypeA of a root path such as "D:\".
  virtual unsigned DriveType(const std::string& rootPath) = 0;
  // CreateFileA for reading and writing, shared both ways, existing only;
  // InvalidDeviceHandle() on failure (see LastError).
  virtual DeviceHandle OpenDevice(const std::string& devicePath) = 0;
  virtual void CloseDevice(DeviceHandle device) = 0;
  // Synchronous DeviceIoControl; false on failure (see LastError).
  virtual bool IoControl(DeviceHandle device, std::uint32_t code, void* in, std::uint32_t inSize,
                         void* out, std::uint32_t outSize, std::uint32_t* bytesReturned) = 0;
  // GetLastError.
  virtual std::uint32_t LastError() = 0;

  // An unnamed, manual-reset, non-signalled event; null on failure.
  virtual EventHandle NewEvent() = 0;
  // WaitForSingleObject; one of the kWait values.
  virtual std::uint32_t WaitEvent(EventHandle event, std::uint32_t milliseconds) = 0;
  virtual void CloseEvent(EventHandle event) = 0;

  // Removes one pending window message of the calling thread, translates
  // and dispatches it; false when the queue was empty.
  virtual bool DispatchOneMessage() = 0;
  // Milliseconds since an arbitrary start (GetTickCount), for bounded polls.
  virtual std::uint32_t TickCount() = 0;
};

// The real Win32 calls (Windows builds only).
ScsiSystem& WindowsScsiSystem();

}  // namespace scsi
