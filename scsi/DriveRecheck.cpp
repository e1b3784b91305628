// The second look at a chosen drive before a flash.
#include "scsi/DriveRecheck.h"

#include <cstring>

#include "scsi/ScsiTransport.h"

namespace scsi {
namespace {

constexpr std::uint8_t kSenseNotReady = 0x02;
constexpr std::uint8_t kSenseUnitAttention = 0x06;
constexpr std::uint8_t kAscNotReady = 0x04;
constexpr std::uint8_t kAscqOperationInProgress = 0x07;
constexpr std::uint8_t kAscqLongWriteInProgress = 0x08;
constexpr std::uint8_t kAscMediumNotPresent = 0x3A;

// A drive answers with a unit attention once for each event it reports (a
// disc put in or taken out, a reset); a few in a row are normal.
constexpr int kUnitAttentionsTolerated = 4;

// The answer's text as the scan copied it into the drive record: at most
// `length` bytes, ending at the first NUL.
std::string AnswerText(const std::uint8_t* answer, std::size_t length) {
  std::size_t end = 0;
  while (end < length && answer[end] != 0) ++end;
  return std::string(reinterpret_cast<const char*>(answer), end);
}

}  // namespace

bool IsUnitAttention(const UnitAnswer& answer) {
  return answer.ending == UnitAnswer::Ending::CheckCondition && answer.SenseKey() == kSenseUnitAttention;
}

MediumState MediumOf(const UnitAnswer& answer) {
  if (answer.ending == UnitAnswer::Ending::Good) return MediumState::Disc;
  if (answer.ending != UnitAnswer::Ending::CheckCondition || answer.SenseKey() != kSenseNotReady) {
    return MediumState::Unknown;
  }
  if (answer.Asc() == kAscMediumNotPresent) return MediumState::Empty;
  if (answer.Asc() == kAscNotReady) {
    const bool working = answer.Ascq() == kAscqOperationInProgress || answer.Ascq() == kAscqLongWriteInProgress;
    // Any other "not ready" reason (becoming ready, stopped) still has a
    // disc in it: an empty drive says "medium not present".
    return working ? MediumState::Busy : MediumState::Disc;
  }
  return MediumState::Unknown;
}

}  // namespace scsi

namespace scsi {
using namespace inquiry;

DriveLook ScsiTransport::LookAgain(int index) {
  EndLookAgain();
  if (index < 0 || index >= driveCount) return DriveLook::Gone;
  const DriveInfo& chosen = drives[index];
  SelectDrive(index);
  if (isNt) {
    // The scan's handle may belong to a drive unplugged since; a handle
    // opened now reaches whatever has the letter today.
    const std::string devicePath = std::string("\\\\.\\") + chosen.driveLetter + ":";
    recheckHandle_ = os.OpenDevice(devicePath);
    if (recheckHandle_ == InvalidDeviceHandle()) {
      recheckHandle_ = nullptr;
      return os.LastError() == kErrorSharingViolation ? DriveLook::HeldOpen : DriveLook::Gone;
    }
    currentHandle = recheckHandle_;
  }
  std::uint8_t answer[kAnswerLength] = {};
  if (Inquiry(answer) != SS_COMP) return DriveLook::Gone;
  const bool same = AnswerText(answer + kIdentificationOffset, kIdentificationLength) == chosen.identification &&
                    AnswerText(answer + kRevisionOffset, kRevisionLength) == chosen.revision;
  return same ? DriveLook::Same : DriveLook::Changed;
}

MediumState ScsiTransport::ReadMedium() {
  UnitAnswer answer = TestUnitReady();
  for (int i = 0; i < kUnitAttentionsTolerated && IsUnitAttention(answer); ++i) answer = TestUnitReady();
  return MediumOf(answer);
}

bool ScsiTransport::OpenTray() {
  return StartStopUnit(kStartStopLoadEject).ending == UnitAnswer::Ending::Good;
}

void ScsiTransport::EndLookAgain() {
  if (recheckHandle_ == nullptr) return;
  if (currentHandle == recheckHandle_) currentHandle = nullptr;
  os.CloseDevice(recheckHandle_);
  recheckHandle_ = nullptr;
}

}  // namespace scsi
