// The one SCSI command transport of the program. It picks its back end once,
// when it is built: pass-through requests on each drive's device handle on
// the NT line, the ASPI library WNASPI32.DLL on the old consumer line.
// FindDrives (run by the construction on a given platform; the program runs
// it itself, off the window's thread) finds the optical drives, reads each
// one's INQUIRY identification into the drive table and selects drive 0.
//
// Outcomes: commands return one status byte in the ASPI scale: SS_COMP (1)
// completed, SS_ERR (4) error, 0 failed without status; on the pass-through
// side a non-zero SCSI status of the device is returned unchanged. What the
// user is to hear of (the library missing, a pass-through call failing with a
// Windows error) is recorded as a DriveProblem, in order, and shown by the
// caller that takes it (TakeProblems); the transport shows nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scsi/DriveIdentification.h"
#include "scsi/DriveRecheck.h"
#include "scsi/ScsiRecords.h"
#include "scsi/ScsiSystem.h"

namespace scsi {

// One listed optical drive.
struct DriveInfo {
  scsi::DeviceHandle deviceHandle;  // pass-through side only
  std::uint8_t hostAdapter;         // ASPI side only
  std::uint8_t targetId;            // ASPI side only
  std::uint8_t lun;                 // ASPI side only
  char identification[50];          // INQUIRY vendor (8) and product (16)
  char revision[10];                // INQUIRY product revision and the byte after it
  char driveLetter;                 // pass-through side only: the drive's letter
  bool timedOut;                    // pass-through side: its INQUIRY in the scan ran out of time
};

class ScsiTransport final : public DriveIdentification {
 public:
  static constexpr int kMaxDrives = 30;
  static constexpr int kMaxLetterDrives = 4;
  static constexpr std::uint32_t kInquiryLength = 50;

  // The program's transport, on the real Win32 calls (Windows builds only);
  // it has not looked for drives yet (FindDrives).
  ScsiTransport();
  // A transport on the given platform, its drives found; `system` must
  // outlive it.
  explicit ScsiTransport(scsi::ScsiSystem& system);
  ~ScsiTransport();
  ScsiTransport(const ScsiTransport&) = delete;
  ScsiTransport& operator=(const ScsiTransport&) = delete;

  bool IsNtPlatform();
  std::uint8_t ExecuteCommand(const std::uint8_t* cdb, std::uint8_t* buffer, std::uint32_t length,
                              std::uint8_t direction);
  std::uint8_t ExecutePassThrough(const std::uint8_t* cdb, std::uint8_t* buffer,
                                  std::uint32_t length, std::uint8_t dataIn);
  void AbortRequest(SRB_ExecSCSICmd* request);
  // TEST UNIT READY and START STOP UNIT (`action`: kStartStopLoadEject,
  // kStartStopStart, both or neither) to the current drive: 6-byte CDBs with
  // no data phase, and 18 bytes of fixed-format sense data on CHECK
  // CONDITION. As bounded in time as every command.
  UnitAnswer TestUnitReady();
  UnitAnswer StartStopUnit(std::uint8_t action);
  void PumpMessages();
  // Records that a pass-through call failed with Windows error `code`.
  void ReportSystemError(std::uint32_t code);

  // Drive scan and identification.
  // The first scan: loads the ASPI library on the 9x line, lists the drives
  // and selects drive 0. A drive that does not answer within the time-out
  // is listed with empty texts and recorded as a problem.
  void FindDrives();
  std::uint8_t Inquiry(std::uint8_t* buffer);
  int EnumerateDrives();
  // Scans the drives again with the same back end, into a fresh drive table,
  // and selects drive 0: after a flasher has run, a drive may answer with a
  // new revision, or not at all. Returns the new drive count.
  int Rescan();
  int ScanDriveLetters();
  int ScanAspiAdapters();
  // Whether the back end could be used for a scan: always on the NT line;
  // on the 9x line when the ASPI library loaded.
  bool ScanWorked() const { return isNt || aspiLibrary != nullptr; }
  // The back end in words: "SCSI pass-through" or "ASPI, WNASPI32.DLL".
  const char* TransportName() const { return isNt ? "SCSI pass-through" : "ASPI, WNASPI32.DLL"; }

  // DriveIdentification.
  int DriveCount() const override { return driveCount; }
  void SelectDrive(int index) override;
  bool IdentifyDrive(int index, std::string& model, std::string& revision,
                     std::string& dateCode) override;
  // Whether listed drive `index` is one of the maker's (its vendor text).
  bool IsMakerDrive(int index) const;
  // The model, revision and date code of listed drive `index`, whoever made
  // it, read as IdentifyDrive reads them (the date code with a fresh
  // INQUIRY, which selects the drive, unless the drive did not answer the
  // scan's); false for an index not listed.
  bool ReadDriveTexts(int index, std::string& model, std::string& revision, std::string& dateCode);
  // The second look before a flash, at listed drive `index`: its INQUIRY
  // again, at the same address, compared with what the scan read. On the
  // NT line through a handle opened anew for it (and closed by EndLookAgain
  // or the next LookAgain), for the scan's handle may belong to a drive
  // unplugged since. The later commands go to that drive.
  scsi::DriveLook LookAgain(int index);
  // TEST UNIT READY to the current drive, asked again after unit attentions.
  scsi::MediumState ReadMedium();
  // START STOP UNIT with LoEj: opens the tray. True when the drive did it.
  bool OpenTray();
  void EndLookAgain();

  // The problems recorded since the last call (from the construction on).
  scsi::DriveProblems TakeProblems() override;

  // The state, readable by callers: the current drive, the back end and the
  // drive table. Only the first `driveCount` records of `drives` are listed.
  scsi::DeviceHandle currentHandle = nullptr;
  std::uint8_t currentAdapter = 0;
  std::uint8_t currentTarget = 0;
  std::uint8_t currentLun = 0;
  scsi::ModuleHandle aspiLibrary = nullptr;
  int driveCount = 0;
  bool isNt = false;
  scsi::DeviceHandle lastOpenedHandle = nullptr;
  DriveInfo drives[kMaxDrives] = {};
  // The ASPI execute request, reused from command to command; replaced by a
  // new one when the library never ended a request (see GiveUp).
  SRB_ExecSCSICmd* execRequest = nullptr;
  PassThroughRecord passThrough = {};

 private:
  // One command as either back end sends it.
  struct Request {
    const std::uint8_t* cdb;
    std::uint8_t cdbLength;
    std::uint8_t* buffer;
    std::uint32_t length;
    std::uint8_t direction;    // SRB_DIR_IN, SRB_DIR_OUT, or 0 for no data
    std::uint8_t senseLength;  // how many sense bytes the device may return
    std::uint8_t* sense;       // receives them; null: not read
  };
  std::uint8_t Send(const Request& command);
  std::uint8_t SendAspi(const Request& command);
  std::uint8_t SendPassThrough(const Request& command, std::uint8_t dataIn);
  UnitAnswer SendUnitCommand(const std::uint8_t* cdb);
  ScsiTransport(scsi::ScsiSystem& system, bool findDrives);

  bool LoadAspi();
  void ListAnswer(DriveInfo& drive, const std::uint8_t* answer);
  // Ends an ASPI command that has ended in the library: its answer and sense
  // go to the caller, its data buffer and event are released.
  // Fills the library's request for `command`, its data in `data` (the
  // transport's own buffer) and its end signalled on `event`.
  void PrepareAspiRequest(SRB_ExecSCSICmd& request, const Request& command, std::uint8_t* data,
                          scsi::EventHandle event);
  std::uint8_t FinishAspiCommand(const Request& command, std::uint8_t* data, scsi::EventHandle event);
  // Gives up memory and an event that the library may still write into or
  // signal: they are kept, untouched, until the library is unloaded.
  void GiveUp(void* memory, scsi::EventHandle event = nullptr);

  scsi::DriveProblems problems_;
  std::uint8_t lastTargetStatus_ = 0;           // SRB_TargStat of the last ended ASPI command
  bool lastTimedOut_ = false;                   // the last pass-through request ran out of time
  scsi::DeviceHandle recheckHandle_ = nullptr;  // opened by LookAgain
  std::vector<void*> givenUpMemory_;
  std::vector<scsi::EventHandle> givenUpEvents_;

  scsi::ScsiSystem& os;
};

// The library's entry points, once loaded; null otherwise.
extern scsi::GetAspiSupportInfoFunction aspiGetSupportInfo;
extern scsi::SendAspiCommandFunction aspiSendCommand;

// The program's one transport, built during static initialisation after the
// application object (app/Statics.cpp).
extern ScsiTransport theTransport;

}  // namespace scsi
