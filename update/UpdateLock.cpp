#include "update/UpdateLock.h"

#include "framework/Platform.h"

namespace update {
namespace {

// The process id a record names, in decimal digits up to the end of its
// line; 0 when it names none (a process id is positive on every system).
std::uint32_t RecordedProcessId(const std::string& text) {
  std::uint64_t id = 0;
  std::size_t at = 0;
  for (; at < text.size() && at < 10 && text[at] >= '0' && text[at] <= '9'; ++at) id = id * 10 + (text[at] - '0');
  const bool whole = at > 0 && (at == text.size() || text[at] == '\r' || text[at] == '\n');
  return whole && id <= 0x7FFFFFFF ? static_cast<std::uint32_t>(id) : 0;
}

}  // namespace

MachineUpdateLock::MachineUpdateLock(const std::string& folder)
    : flasherRecord_(folder.empty() ? folder : folder + "FlasherRunning.txt") {}

bool MachineUpdateLock::Take() {
  if (held_) return true;
  held_ = TakeSystemLock();
  // Free or abandoned, the lock still counts as held while the flasher of
  // the copy that held it runs: another flasher, or a verdict on a drive
  // in mid-flash, could ruin the drive.
  if (held_ && RecordedFlasherRuns()) Release();
  return held_;
}

void MachineUpdateLock::Release() {
  if (!held_) return;
  ReleaseSystemLock();
  held_ = false;
}

void MachineUpdateLock::RecordFlasher(std::uint32_t processId) {
  if (!flasherRecord_.empty()) platform::WriteWholeFile(flasherRecord_, std::to_string(processId) + "\r\n");
}

void MachineUpdateLock::ForgetFlasher() {
  if (!flasherRecord_.empty()) platform::RemoveFile(flasherRecord_);
}

// A process id is used again once its process has ended: a record naming
// an unrelated process that now has it keeps the lock held until that one
// ends too. That errs on the safe side, and flashers run minutes, not days.
bool MachineUpdateLock::RecordedFlasherRuns() {
  std::string text;
  if (flasherRecord_.empty() || !platform::ReadWholeFile(flasherRecord_, text, 32)) return false;
  const std::uint32_t processId = RecordedProcessId(text);
  if (processId != 0 && ProcessRuns(processId)) return true;
  platform::RemoveFile(flasherRecord_);
  return false;
}

}  // namespace update
