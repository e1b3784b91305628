// A scripted platform for the SCSI transport: drive letters with their
// device answers (pass-through side), ASPI devices with their answers and
// timing (ASPI side), and a record of every call the transport made.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "scsi/ScsiRecords.h"
#include "scsi/ScsiSystem.h"
#include "tools/aspi-sim/SimDriveList.h"

// Standard INQUIRY data, written field by field: each text goes to its
// offset byte for byte (vendor 8, product 16, revision 32, date code 40);
// bytes not given stay zero. Byte 0 is the CD-ROM device type.
struct InquiryFields {
  std::string vendor;
  std::string product;
  std::string revision;
  std::string dateCode;
};
std::vector<std::uint8_t> InquiryAnswer(const InquiryFields& fields);

// How an ASPI execute request ends.
enum class AspiCompletion {
  kAtOnce,           // SRB_Status set before SendASPI32Command returns
  kPendingThenDone,  // pending; done when the transport waits for its event
  kNever,            // pending for ever; the wait reports `waitResult`
};

// Every command but INQUIRY is answered as the stand-in ASPI library
// answers it (aspisim::AnswerCommand), from the drive's `unit`: its medium
// and busy count, which the commands change.
struct FakeLetterDrive {
  unsigned driveType = scsi::kDriveCdrom;
  bool opens = true;
  std::uint32_t openError = 2;       // GetLastError of a refused open (2: not found)
  aspisim::SimDrive unit;
  std::vector<std::uint8_t> answer;  // empty: the device writes nothing
  std::uint8_t scsiStatus = 0;
  std::uint32_t ioError = 0;         // non-zero: DeviceIoControl fails with it
};

struct FakeAspiDevice {
  std::uint8_t adapter = 0;
  std::uint8_t target = 0;
  std::uint8_t lun = 0;
  std::uint8_t deviceType = DTYPE_CDROM;
  std::uint8_t typeStatus = SS_COMP;  // the device-type request's final status
  int pendingPolls = 0;               // message pumps before the type request ends
  std::vector<std::uint8_t> answer;   // written into the buffer of an execute request
  aspisim::SimDrive unit;             // answers every command but INQUIRY
  AspiCompletion completion = AspiCompletion::kAtOnce;
  std::uint8_t execStatus = SS_COMP;
  std::uint32_t waitResult = scsi::kWaitTimedOut;  // for AspiCompletion::kNever
  bool endsOnAbort = false;  // an abort ends a pending request (SS_ABORTED)
};

struct SentAspiRequest {
  std::uint8_t command;
  std::uint8_t adapter;
  std::uint8_t target;  // device type and execute requests
  std::uint8_t lun;
  std::uint8_t flags;
  void* toAbort;        // abort requests
};

class FakeScsiSystem : public scsi::ScsiSystem {
 public:
  FakeScsiSystem();
  ~FakeScsiSystem() override;
  FakeScsiSystem(const FakeScsiSystem&) = delete;
  FakeScsiSystem& operator=(const FakeScsiSystem&) = delete;

  // The platform as scripted.
  std::uint32_t platformId = scsi::kPlatformWin32Nt;
  std::string systemDirectory = "C:\\WINDOWS\\SYSTEM";
  bool aspiLoads = true;
  bool hasSupportInfo = true;
  bool hasSendCommand = true;
  std::uint32_t supportInfo = 0;  // low byte: the adapter count
  std::map<char, FakeLetterDrive> letters;
  std::vector<FakeAspiDevice> aspiDevices;
  bool eventCreationFails = false;

  // What the transport did.
  std::vector<std::string> loadedPaths;
  int unloadedModules = 0;
  std::vector<std::string> openedPaths;
  std::vector<scsi::DeviceHandle> closedDevices;
  std::vector<PassThroughRecord> passThroughRequests;  // as sent
  std::vector<scsi::DeviceHandle> passThroughDevices;
  std::vector<SentAspiRequest> aspiRequests;
  std::vector<SRB_ExecSCSICmd> execRequests;  // as sent
  std::vector<std::uint32_t> waits;           // milliseconds of each wait
  int eventsCreated = 0;
  int eventsClosed = 0;
  int messagePumps = 0;

  static scsi::DeviceHandle LetterHandle(char letter);
  int CountAspiRequests(std::uint8_t command) const;

  // scsi::ScsiSystem
  std::uint32_t PlatformId() override { return platformId; }
  std::string SystemDirectory() override { return systemDirectory; }
  scsi::ModuleHandle LoadModule(const std::string& path) override;
  void* FindEntryPoint(scsi::ModuleHandle module, const char* name) override;
  void UnloadModule(scsi::ModuleHandle module) override;
  unsigned DriveType(const std::string& rootPath) override;
  scsi::DeviceHandle OpenDevice(const std::string& devicePath) override;
  void CloseDevice(scsi::DeviceHandle device) override { closedDevices.push_back(device); }
  bool IoControl(scsi::DeviceHandle device, std::uint32_t code, void* in, std::uint32_t inSize,
                 void* out, std::uint32_t outSize, std::uint32_t* bytesReturned) override;
  std::uint32_t LastError() override { return lastError; }
  scsi::EventHandle NewEvent() override;
  std::uint32_t WaitEvent(scsi::EventHandle event, std::uint32_t milliseconds) override;
  void CloseEvent(scsi::EventHandle) override { ++eventsClosed; }
  bool DispatchOneMessage() override;
  // Every reading moves the clock on by one millisecond.
  std::uint32_t TickCount() override { return ++milliseconds; }
  std::uint32_t milliseconds = 0;

 private:
  static std::uint32_t SupportInfoEntry();
  static std::uint32_t SendCommandEntry(void* request);
  std::uint32_t SendCommand(void* request);
  FakeAspiDevice* FindAspiDevice(std::uint8_t adapter, std::uint8_t target, std::uint8_t lun);
  void Complete(SRB_ExecSCSICmd& request, FakeAspiDevice& device);

  static FakeScsiSystem* active;
  std::uint32_t lastError = 0;
  SRB_GDEVBlock* pendingType = nullptr;
  int pendingTypePolls = 0;
  const FakeAspiDevice* pendingTypeDevice = nullptr;
  SRB_ExecSCSICmd* pendingExec = nullptr;
  FakeAspiDevice* pendingExecDevice = nullptr;
};
