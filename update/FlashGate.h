// The checks between the user's Yes to "update now" and the start of the
// flasher, for every flash. In this order: no other copy of the program
// is updating a drive on this computer (the machine's update lock, which
// the caller then holds); the drive is still the one the user chose; the computer is not running on battery; there is no disc in
// the drive; the drive is not busy. A check that fails holds the flash back
// until the user has put it right (Retry) or gives up (Cancel).
//
// Outcomes: the gate shows nothing. It asks its caller about each hold and
// returns how it ended; the caller tells the user.
#pragma once

#include <functional>

#include "update/UpdateHistory.h"
#include "update/UpdateLock.h"
#include "scsi/DriveRecheck.h"

namespace scsi {
class ScsiTransport;
}  // namespace scsi

namespace update {

enum class HoldReason {
  None,           // every check passed
  AnotherUpdate,  // another copy of the program is updating a drive on this computer
  DriveChanged,  // the drive changed or is gone since the user chose it
  OnBattery,     // the computer runs on battery
  DiscInDrive,   // a disc is in the drive
  DriveBusy,     // the drive is busy: writing, held open by another program, or not answering
};

enum class PowerSource {
  Mains,
  Battery,  // the AC line is offline
  Unknown,  // no battery, or the system cannot tell
};

// What the system says of its power (GetSystemPowerStatus on Windows;
// Unknown elsewhere). A test or demo build takes "battery", "mains" or
// "unknown" from the environment variable VORN_TEST_POWER when it is set;
// the release build reads only the system.
PowerSource SystemPowerSource();

// The history's verdict of an attempt that ended held for `reason`.
Verdict HeldVerdict(HoldReason reason);

// What the checks read of the machine, for one chosen drive.
class FlashConditions {
 public:
  // Takes the machine's update lock (MachineUpdateLock::Take).
  virtual bool TakeUpdateLock() = 0;
  virtual scsi::DriveLook LookAtDrive() = 0;
  virtual PowerSource Power() = 0;
  virtual scsi::MediumState Medium() = 0;
  virtual void OpenTray() = 0;

 protected:
  ~FlashConditions() = default;
};

// The first check that holds the flash back, or None. Only a machine on
// battery holds for power; only a drive that says it has no medium passes
// the disc check; a drive that cannot tell is held as busy.
HoldReason CheckBeforeFlash(FlashConditions& conditions);

enum class HoldAnswer { Retry, Cancel };

// Runs the checks until they pass or the user gives up: `ask` tells the user
// of each hold and returns the answer. Retry on a disc in the drive opens
// the tray before it checks again. None when the flash may start, else the
// hold the user cancelled on.
HoldReason RunFlashGate(FlashConditions& conditions, const std::function<HoldAnswer(HoldReason)>& ask);

// The conditions of listed drive `driveIndex` of `transport`, on either back
// end, with the power source from `power` and the machine's lock `lock`. The drive is released (the
// handle the checks opened closed) when the object goes.
class TransportConditions : public FlashConditions {
 public:
  TransportConditions(scsi::ScsiTransport& transport, int driveIndex, std::function<PowerSource()> power,
                      MachineUpdateLock& lock);
  ~TransportConditions();
  TransportConditions(const TransportConditions&) = delete;
  TransportConditions& operator=(const TransportConditions&) = delete;

  bool TakeUpdateLock() override { return lock_.Take(); }
  scsi::DriveLook LookAtDrive() override;
  PowerSource Power() override { return power_(); }
  scsi::MediumState Medium() override;
  void OpenTray() override;

 private:
  scsi::ScsiTransport& transport_;
  int driveIndex_;
  std::function<PowerSource()> power_;
  MachineUpdateLock& lock_;
};

}  // namespace update
