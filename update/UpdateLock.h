// One update on the machine at a time, across every copy of the program: a
// start-up script, a person's wizard and a deployment tool may each run
// one. A copy takes the lock before the checks of a flash and keeps it
// until its flasher has ended and the drive has been read back; the lock of
// a copy that dies is free again, unless the flasher it started still runs.
#pragma once

#include <cstdint>
#include <string>

namespace update {

class MachineUpdateLock {
 public:
  // A lock that keeps no record of flashers: for a copy that starts none.
  MachineUpdateLock() = default;
  // A lock whose copy records the flasher it starts in `folder` (with its
  // separator at the end, as the history's folder), beside the history,
  // where every copy of the program looks. An empty folder keeps no record.
  explicit MachineUpdateLock(const std::string& folder);
  ~MachineUpdateLock();
  MachineUpdateLock(const MachineUpdateLock&) = delete;
  MachineUpdateLock& operator=(const MachineUpdateLock&) = delete;

  // True when this copy holds the lock: already, newly, or taken over from
  // a copy that ended without giving it back. False while another copy
  // holds it, while the flasher a copy that ended had started still runs,
  // or when the lock cannot be reached (another user's copy made it): the
  // safe answer is that an update runs.
  bool Take();
  // Gives the lock back; harmless when not held.
  void Release();
  bool Held() const { return held_; }

  // The flasher is a process of its own and outlives a copy that is ended
  // while it runs (a deployment tool's time-out, the Task Manager), whose
  // lock is then free: the record of its process id tells the next copy.
  // Written when this copy starts a flasher, removed once its flashers have
  // ended.
  void RecordFlasher(std::uint32_t processId);
  void ForgetFlasher();
  // The file of the record; empty when none is kept.
  const std::string& FlasherRecord() const { return flasherRecord_; }

 private:
  // The lock of the system alone, without the record (UpdateLock_win.cpp,
  // UpdateLock_posix.cpp).
  bool TakeSystemLock();
  void ReleaseSystemLock();
  // Whether the recorded flasher still runs; a record of one that has ended
  // is removed.
  bool RecordedFlasherRuns();

  std::string flasherRecord_;
  void* handle_ = nullptr;
  bool held_ = false;
};

// Whether the process `processId` exists and has not ended.
bool ProcessRuns(std::uint32_t processId);

}  // namespace update
