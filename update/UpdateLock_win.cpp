#include <windows.h>

#include "update/UpdateLock.h"

namespace update {
namespace {

// Windows 2000 and later keep a name per session unless it says Global\;
// NT 4.0 and the 9x line have one namespace and refuse the backslash.
const char* LockName() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  const bool sessions =
      GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 5;
  return sessions ? "Global\\VornFirmwareUpdate" : "VornFirmwareUpdate";
}

}  // namespace

MachineUpdateLock::~MachineUpdateLock() {
  Release();
  if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
}

bool MachineUpdateLock::TakeSystemLock() {
  if (handle_ == nullptr) handle_ = CreateMutexA(nullptr, FALSE, LockName());
  if (handle_ == nullptr) return false;
  // An abandoned mutex is owned by the waiter that sees it: the copy that
  // held it ended without giving it back (Take then asks after its flasher).
  const DWORD wait = WaitForSingleObject(static_cast<HANDLE>(handle_), 0);
  return wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

void MachineUpdateLock::ReleaseSystemLock() { ReleaseMutex(static_cast<HANDLE>(handle_)); }

bool ProcessRuns(std::uint32_t processId) {
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
  // Refused: it runs, as another user's (a start-up script runs as SYSTEM).
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  const bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return runs;
}

}  // namespace update
