// The native tree's lock, for the window-free tests: an exclusive lock on a
// file, which the system drops when the process ends.
#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include "update/UpdateLock.h"

namespace update {

MachineUpdateLock::~MachineUpdateLock() {
  Release();
  if (handle_ != nullptr) close(static_cast<int>(reinterpret_cast<long>(handle_)) - 1);
}

bool MachineUpdateLock::TakeSystemLock() {
  if (handle_ == nullptr) {
    const int file = open("/tmp/VornFirmwareUpdate.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (file < 0) return false;
    handle_ = reinterpret_cast<void*>(static_cast<long>(file) + 1);
  }
  return flock(static_cast<int>(reinterpret_cast<long>(handle_)) - 1, LOCK_EX | LOCK_NB) == 0;
}

void MachineUpdateLock::ReleaseSystemLock() {
  flock(static_cast<int>(reinterpret_cast<long>(handle_)) - 1, LOCK_UN);
}

bool ProcessRuns(std::uint32_t processId) {
  // EPERM: it runs, as another user's.
  return kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM;
}

}  // namespace update
