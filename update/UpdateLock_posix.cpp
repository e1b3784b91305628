// The native tree's lock, for the window-free tests: an exclusive lock on a
// file, which the system drops when the process ends.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "update/UpdateLock.h"

namespace update {

MachineUpdateLock::~MachineUpdateLock() {
  Release();
  if (handle_ != nullptr) close(static_cast<int>(reinterpret_cast<long>(handle_)) - 1);
}

bool MachineUpdateLock::Take() {
  if (held_) return true;
  if (handle_ == nullptr) {
    const int file = open("/tmp/VornFirmwareUpdate.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (file < 0) return false;
    handle_ = reinterpret_cast<void*>(static_cast<long>(file) + 1);
  }
  held_ = flock(static_cast<int>(reinterpret_cast<long>(handle_)) - 1, LOCK_EX | LOCK_NB) == 0;
  return held_;
}

void MachineUpdateLock::Release() {
  if (!held_) return;
  flock(static_cast<int>(reinterpret_cast<long>(handle_)) - 1, LOCK_UN);
  held_ = false;
}

}  // namespace update
