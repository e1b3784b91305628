#include "update/FlashGate.h"

#include "scsi/ScsiTransport.h"

namespace update {

Verdict HeldVerdict(HoldReason reason) {
  switch (reason) {
    case HoldReason::AnotherUpdate: return Verdict::HeldAnotherUpdate;
    case HoldReason::DriveChanged: return Verdict::HeldDriveChanged;
    case HoldReason::OnBattery: return Verdict::HeldOnBattery;
    case HoldReason::DiscInDrive: return Verdict::HeldDiscInDrive;
    case HoldReason::DriveBusy:
    case HoldReason::None: break;
  }
  return Verdict::HeldDriveBusy;
}

HoldReason CheckBeforeFlash(FlashConditions& conditions) {
  if (!conditions.TakeUpdateLock()) return HoldReason::AnotherUpdate;
  switch (conditions.LookAtDrive()) {
    case scsi::DriveLook::Same: break;
    case scsi::DriveLook::HeldOpen: return HoldReason::DriveBusy;
    case scsi::DriveLook::Changed:
    case scsi::DriveLook::Gone: return HoldReason::DriveChanged;
  }
  if (conditions.Power() == PowerSource::Battery) return HoldReason::OnBattery;
  switch (conditions.Medium()) {
    case scsi::MediumState::Empty: return HoldReason::None;
    case scsi::MediumState::Disc: return HoldReason::DiscInDrive;
    case scsi::MediumState::Busy:
    case scsi::MediumState::Unknown: break;
  }
  return HoldReason::DriveBusy;
}

HoldReason RunFlashGate(FlashConditions& conditions, const std::function<HoldAnswer(HoldReason)>& ask) {
  for (;;) {
    const HoldReason hold = CheckBeforeFlash(conditions);
    if (hold == HoldReason::None || ask(hold) == HoldAnswer::Cancel) return hold;
    if (hold == HoldReason::DiscInDrive) conditions.OpenTray();
  }
}

TransportConditions::TransportConditions(scsi::ScsiTransport& transport, int driveIndex,
                                         std::function<PowerSource()> power, MachineUpdateLock& lock)
    : transport_(transport), driveIndex_(driveIndex), power_(std::move(power)), lock_(lock) {}

TransportConditions::~TransportConditions() { transport_.EndLookAgain(); }

scsi::DriveLook TransportConditions::LookAtDrive() { return transport_.LookAgain(driveIndex_); }

scsi::MediumState TransportConditions::Medium() { return transport_.ReadMedium(); }

void TransportConditions::OpenTray() {
  // Whether the tray opened shows in the check that follows.
  transport_.OpenTray();
}

}  // namespace update
