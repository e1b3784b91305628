// Finding the optical drives, reading their INQUIRY identification into the
// drive table, and telling the maker's drives apart.
#include "scsi/ScsiTransport.h"

#include <cstdlib>
#include <cstring>

namespace scsi {
using namespace inquiry;

namespace {

constexpr std::size_t kModelOffset = 8;
constexpr std::size_t kModelLength = 16;

constexpr int kAspiTargets = 8;
constexpr int kAspiLuns = 8;

// The maker's vendor identification as its drives report it.
constexpr char kMakerVendor[] = "VORN";

// Copies at most `length` characters of `source`, stopping at a NUL, and
// terminates the copy.
void CopyText(char* target, const std::uint8_t* source, std::size_t length) {
  std::size_t i = 0;
  for (; i < length && source[i] != 0; ++i) target[i] = static_cast<char>(source[i]);
  target[i] = '\0';
}

// The first character whatever it is, then every following one up to a
// space or the end of the text, at most `limit` characters. A text that
// starts with a space gives that one space.
std::string FirstWord(const char* text, std::size_t limit) {
  std::string word;
  for (std::size_t i = 0; i < limit && text[i] != '\0'; ++i) {
    if (i > 0 && text[i] == ' ') break;
    word += text[i];
    if (text[i] == ' ') break;
  }
  return word;
}

}  // namespace

std::uint8_t ScsiTransport::Inquiry(std::uint8_t* buffer) {
  const std::uint8_t cdb[kCdbLength] = {0x12, 0, 0, 0, kInquiryLength, 0, 0, 0, 0, 0, 0, 0};
  return ExecuteCommand(cdb, buffer, kInquiryLength, SRB_DIR_IN);
}

int ScsiTransport::EnumerateDrives() { return isNt ? ScanDriveLetters() : ScanAspiAdapters(); }

void ScsiTransport::ListAnswer(DriveInfo& drive, const std::uint8_t* answer) {
  CopyText(drive.identification, answer + kIdentificationOffset, kIdentificationLength);
  CopyText(drive.revision, answer + kRevisionOffset, kRevisionLength);
}

int ScsiTransport::Rescan() {
  EndLookAgain();
  // The device handles of the table are this scan's; the new scan opens its
  // own. A record past the listed ones may hold the handle of a fifth letter.
  for (DriveInfo& drive : drives) {
    const DeviceHandle handle = drive.deviceHandle;
    if (handle != nullptr && handle != InvalidDeviceHandle()) os.CloseDevice(handle);
    if (handle == lastOpenedHandle) lastOpenedHandle = nullptr;
    drive = DriveInfo{};
  }
  if (lastOpenedHandle != nullptr && lastOpenedHandle != InvalidDeviceHandle()) os.CloseDevice(lastOpenedHandle);
  lastOpenedHandle = nullptr;
  driveCount = 0;
  // Without the ASPI library (it was not found at start-up) there is nothing
  // to scan.
  if (!isNt && aspiLibrary == nullptr) return 0;
  EnumerateDrives();
  SelectDrive(0);
  return driveCount;
}

int ScsiTransport::ScanDriveLetters() {
  driveCount = 0;
  std::uint8_t answer[kAnswerLength];
  for (char letter = 'A'; letter <= 'Y'; ++letter) {
    const std::string root = std::string(1, letter) + ":\\";
    if (os.DriveType(root) != kDriveCdrom) continue;
    const std::string devicePath = "\\\\.\\" + root.substr(0, 2);
    lastOpenedHandle = os.OpenDevice(devicePath);
    if (lastOpenedHandle == InvalidDeviceHandle()) {
      // Not listed, as before; but a drive nobody could look at is not a
      // drive known to be another maker's, and whoever reports the scan
      // must say so.
      problems_.push_back({ProblemCause::DriveNotOpened, os.LastError(), letter});
      continue;
    }

    currentHandle = lastOpenedHandle;
    // Cleared for every drive, so that a drive whose INQUIRY fails lists
    // empty texts rather than those of the drive read before it.
    std::memset(answer, 0, sizeof answer);
    const bool timedOut = Inquiry(answer) == 0 && lastTimedOut_;
    if (timedOut) problems_.push_back({ProblemCause::DriveNotAnswering, kErrorSemaphoreTimeout, letter});
    DriveInfo& drive = drives[driveCount];
    drive.timedOut = timedOut;
    // At most four drives are listed; later letters only refill the record
    // after the last listed one, and the handle it held is closed.
    if (driveCount == kMaxLetterDrives && drive.deviceHandle != nullptr) os.CloseDevice(drive.deviceHandle);
    drive.deviceHandle = lastOpenedHandle;
    drive.driveLetter = letter;
    ListAnswer(drive, answer);
    if (driveCount < kMaxLetterDrives) ++driveCount;
  }
  return driveCount;
}

int ScsiTransport::ScanAspiAdapters() {
  const int adapters = static_cast<int>(aspiGetSupportInfo() & 0xFF);
  driveCount = 0;
  std::uint8_t answer[kAnswerLength];
  // The table holds 30 drives; devices beyond that are not listed.
  for (int adapter = 0; adapter < adapters && driveCount < kMaxDrives; ++adapter) {
    for (int target = 0; target < kAspiTargets && driveCount < kMaxDrives; ++target) {
      for (int lun = 0; lun < kAspiLuns && driveCount < kMaxDrives; ++lun) {
        // One request per address: one that the library never ends is given
        // up, not reused for the next address.
        auto* request = static_cast<SRB_GDEVBlock*>(std::calloc(1, sizeof(SRB_GDEVBlock)));
        if (request == nullptr) return driveCount;
        request->SRB_Cmd = SC_GET_DEV_TYPE;
        request->SRB_HaId = static_cast<std::uint8_t>(adapter);
        request->SRB_Target = static_cast<std::uint8_t>(target);
        request->SRB_Lun = static_cast<std::uint8_t>(lun);
        aspiSendCommand(request);
        // The library may answer on another thread; keep the window
        // messages of this thread flowing meanwhile, for a bounded time.
        const volatile std::uint8_t& status = request->SRB_Status;
        const std::uint32_t start = os.TickCount();
        while (status == SS_PENDING && os.TickCount() - start < kDeviceTypeWaitMilliseconds) {
          PumpMessages();
        }
        if (status == SS_PENDING) {
          GiveUp(request);
          continue;
        }
        const bool isCdrom = status == SS_COMP && request->SRB_DeviceType == DTYPE_CDROM;
        std::free(request);
        if (!isCdrom) continue;

        DriveInfo& drive = drives[driveCount];
        drive.hostAdapter = currentAdapter = static_cast<std::uint8_t>(adapter);
        drive.targetId = currentTarget = static_cast<std::uint8_t>(target);
        drive.lun = currentLun = static_cast<std::uint8_t>(lun);
        // Cleared for every drive (see ScanDriveLetters).
        std::memset(answer, 0, sizeof answer);
        Inquiry(answer);
        ListAnswer(drive, answer);
        ++driveCount;
      }
    }
  }
  return driveCount;
}

void ScsiTransport::SelectDrive(int index) {
  if (index < 0 || index >= kMaxDrives) return;
  const DriveInfo& drive = drives[index];
  currentHandle = drive.deviceHandle;
  currentAdapter = drive.hostAdapter;
  currentTarget = drive.targetId;
  currentLun = drive.lun;
}

bool ScsiTransport::IsMakerDrive(int index) const {
  return index >= 0 && index < driveCount && std::strncmp(drives[index].identification, kMakerVendor, 4) == 0;
}

bool ScsiTransport::ReadDriveTexts(int index, std::string& model, std::string& revision, std::string& dateCode) {
  if (index < 0 || index >= driveCount) return false;
  const DriveInfo& drive = drives[index];
  const std::size_t length = std::strlen(drive.identification);
  model = length > kModelOffset ? FirstWord(drive.identification + kModelOffset, kModelLength)
                                : std::string();
  revision = FirstWord(drive.revision, kRevisionLength);

  SelectDrive(index);
  dateCode.clear();
  // A drive that let the scan wait out the time-out is not waited for again.
  if (drive.timedOut) return true;
  std::uint8_t answer[kAnswerLength] = {};
  Inquiry(answer);
  for (std::size_t i = kDateCodeOffset; i < kDateCodeOffset + kDateCodeLength; ++i) {
    if (answer[i] == 0) break;
    if (answer[i] != '/') dateCode += static_cast<char>(answer[i]);
  }
  return true;
}

bool ScsiTransport::IdentifyDrive(int index, std::string& model, std::string& revision,
                                  std::string& dateCode) {
  return IsMakerDrive(index) && ReadDriveTexts(index, model, revision, dateCode);
}

}  // namespace scsi
