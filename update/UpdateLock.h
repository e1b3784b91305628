// One update on the machine at a time, across every copy of the program: a
// start-up script, a person's wizard and a deployment tool may each run
// one. A copy takes the lock before the checks of a flash and keeps it
// until its flasher has ended and the drive has been read back; the lock of
// a copy that dies is free again.
#pragma once

namespace update {

class MachineUpdateLock {
 public:
  MachineUpdateLock() = default;
  ~MachineUpdateLock();
  MachineUpdateLock(const MachineUpdateLock&) = delete;
  MachineUpdateLock& operator=(const MachineUpdateLock&) = delete;

  // True when this copy holds the lock: already, newly, or taken over from
  // a copy that ended without giving it back. False while another copy
  // holds it, or when the lock cannot be reached (another user's copy made
  // it): the safe answer is that an update runs.
  bool Take();
  // Gives the lock back; harmless when not held.
  void Release();
  bool Held() const { return held_; }

 private:
  void* handle_ = nullptr;
  bool held_ = false;
};

}  // namespace update
