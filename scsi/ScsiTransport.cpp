// The transport's two back ends: SCSI pass-through and ASPI.
#include "scsi/ScsiTransport.h"

#include <cstdlib>
#include <cstring>

namespace scsi {

GetAspiSupportInfoFunction aspiGetSupportInfo = nullptr;
SendAspiCommandFunction aspiSendCommand = nullptr;

ScsiTransport::ScsiTransport(ScsiSystem& system) : ScsiTransport(system, true) {}

ScsiTransport::ScsiTransport(ScsiSystem& system, bool findDrives) : os(system) {
  IsNtPlatform();
  if (findDrives) FindDrives();
}

void ScsiTransport::FindDrives() {
  if (!isNt && !LoadAspi()) {
    // Without the library there is nothing to scan; the program goes on
    // with an empty drive list.
    return;
  }
  EnumerateDrives();
  SelectDrive(0);
}

ScsiTransport::~ScsiTransport() {
  EndLookAgain();
  std::free(execRequest);
  execRequest = nullptr;
  if (aspiLibrary != nullptr) {
    os.UnloadModule(aspiLibrary);
    aspiLibrary = nullptr;
    aspiGetSupportInfo = nullptr;
    aspiSendCommand = nullptr;
  }
  // With the library gone nothing writes into what it was given any more.
  for (void* memory : givenUpMemory_) std::free(memory);
  for (EventHandle event : givenUpEvents_) os.CloseEvent(event);
  if (lastOpenedHandle != nullptr && lastOpenedHandle != InvalidDeviceHandle()) {
    os.CloseDevice(lastOpenedHandle);
  }
}

bool ScsiTransport::IsNtPlatform() {
  isNt = os.PlatformId() == kPlatformWin32Nt;
  return isNt;
}

bool ScsiTransport::LoadAspi() {
  // Without the system folder the path would lead to the root of the current
  // drive, where anyone may have put a library of that name: count it missing.
  const std::string folder = os.SystemDirectory();
  if (!folder.empty()) aspiLibrary = os.LoadModule(folder + "\\WNASPI32.DLL");
  if (aspiLibrary != nullptr) {
    aspiGetSupportInfo = reinterpret_cast<GetAspiSupportInfoFunction>(
        os.FindEntryPoint(aspiLibrary, "GetASPI32SupportInfo"));
    aspiSendCommand = reinterpret_cast<SendAspiCommandFunction>(
        os.FindEntryPoint(aspiLibrary, "SendASPI32Command"));
    if (aspiGetSupportInfo != nullptr && aspiSendCommand != nullptr) {
      // Cleared once, so that the fields no command writes hold zeros.
      execRequest = static_cast<SRB_ExecSCSICmd*>(std::calloc(1, sizeof(SRB_ExecSCSICmd)));
      if (execRequest != nullptr) return true;
    }
    // A library without both entry points cannot be called: treat it as
    // missing rather than call through a null address later.
    os.UnloadModule(aspiLibrary);
    aspiLibrary = nullptr;
    aspiGetSupportInfo = nullptr;
    aspiSendCommand = nullptr;
  }
  problems_.push_back({ProblemCause::AspiLibraryMissing});
  return false;
}

std::uint8_t ScsiTransport::ExecuteCommand(const std::uint8_t* cdb, std::uint8_t* buffer,
                                           std::uint32_t length, std::uint8_t direction) {
  const std::uint8_t senseLength = isNt ? kPassThroughSenseLength : kAspiSenseLength;
  return Send({cdb, kCdbLength, buffer, length, direction, senseLength, nullptr});
}

std::uint8_t ScsiTransport::Send(const Request& command) {
  if (isNt) {
    std::uint8_t dataIn = SCSI_IOCTL_DATA_UNSPECIFIED;
    if (command.direction == SRB_DIR_IN) dataIn = SCSI_IOCTL_DATA_IN;
    if (command.direction == SRB_DIR_OUT) dataIn = SCSI_IOCTL_DATA_OUT;
    return SendPassThrough(command, dataIn);
  }
  return SendAspi(command);
}

void ScsiTransport::PrepareAspiRequest(SRB_ExecSCSICmd& request, const Request& command, std::uint8_t* data,
                                       EventHandle event) {
  request.SRB_Cmd = SC_EXEC_SCSI_CMD;
  request.SRB_Status = SS_PENDING;
  request.SRB_HaId = currentAdapter;
  request.SRB_Flags = static_cast<std::uint8_t>(command.direction | SRB_EVENT_NOTIFY);
  request.SRB_Target = currentTarget;
  request.SRB_Lun = currentLun;
  request.SRB_BufLen = command.length;
  request.SRB_BufPointer = data;
  request.SRB_SenseLen = command.senseLength;
  request.SRB_CDBLen = command.cdbLength;
  request.SRB_PostProc = event;
  // Read after the command: a CHECK CONDITION shows here.
  request.SRB_TargStat = 0;
  // A short CDB leaves the sense data where a longer one had its last bytes:
  // cleared, so that stale bytes are never read as sense.
  if (command.cdbLength < kCdbLength) {
    std::memset(request.CDBByte, 0, sizeof request.CDBByte + sizeof request.SenseArea);
  }
  std::memcpy(request.CDBByte, command.cdb, command.cdbLength);
}

std::uint8_t ScsiTransport::SendAspi(const Request& command) {
  lastTargetStatus_ = 0;
  // The library has not been loaded, so no command can be sent.
  if (execRequest == nullptr) return SS_ERR;

  EventHandle event = os.NewEvent();
  if (event == nullptr) return SS_ERR;
  // The library writes into a buffer of the transport's own, not into the
  // caller's: a request it never ends must not write into memory that the
  // caller has since reused.
  const std::uint32_t length = command.length;
  auto* data = static_cast<std::uint8_t*>(std::calloc(length != 0 ? length : 1, 1));
  if (data == nullptr) {
    os.CloseEvent(event);
    return SS_ERR;
  }
  if (command.direction == SRB_DIR_OUT && length != 0) std::memcpy(data, command.buffer, length);

  SRB_ExecSCSICmd& request = *execRequest;
  PrepareAspiRequest(request, command, data, event);
  aspiSendCommand(&request);

  // The library may finish the request on another thread.
  const volatile std::uint8_t& status = request.SRB_Status;
  if (status != SS_PENDING) return FinishAspiCommand(command, data, event);

  const std::uint32_t waited = os.WaitEvent(event, kAspiWaitMilliseconds);
  if (waited == kWaitSignalled) return FinishAspiCommand(command, data, event);
  const bool timedOut = waited == kWaitTimedOut || waited == kWaitFailed;
  if (timedOut) AbortRequest(&request);
  if (status == SS_PENDING) {
    // Still the library's: the request, its buffer and its event are given
    // up, and the next command gets a request of its own.
    SRB_ExecSCSICmd* next = static_cast<SRB_ExecSCSICmd*>(std::calloc(1, sizeof(SRB_ExecSCSICmd)));
    GiveUp(data, event);
    GiveUp(execRequest);
    execRequest = next;
  } else {
    FinishAspiCommand(command, data, event);
  }
  return timedOut ? SS_ERR : 0;
}

std::uint8_t ScsiTransport::FinishAspiCommand(const Request& command, std::uint8_t* data, EventHandle event) {
  if (command.direction != SRB_DIR_OUT && command.length != 0) std::memcpy(command.buffer, data, command.length);
  std::free(data);
  os.CloseEvent(event);
  const SRB_ExecSCSICmd& request = *execRequest;
  lastTargetStatus_ = request.SRB_TargStat;
  if (command.sense != nullptr) {
    // The library writes the sense data right after the CDB it was given.
    const auto* record = reinterpret_cast<const std::uint8_t*>(&request);
    std::memcpy(command.sense, record + offsetof(SRB_ExecSCSICmd, CDBByte) + command.cdbLength,
                command.senseLength);
  }
  return request.SRB_Status;
}

void ScsiTransport::GiveUp(void* memory, EventHandle event) {
  if (memory != nullptr) givenUpMemory_.push_back(memory);
  if (event != nullptr) givenUpEvents_.push_back(event);
}

std::uint8_t ScsiTransport::ExecutePassThrough(const std::uint8_t* cdb, std::uint8_t* buffer,
                                               std::uint32_t length, std::uint8_t dataIn) {
  return SendPassThrough({cdb, kCdbLength, buffer, length, 0, kPassThroughSenseLength, nullptr}, dataIn);
}

std::uint8_t ScsiTransport::SendPassThrough(const Request& command, std::uint8_t dataIn) {
  lastTimedOut_ = false;
  std::memset(&passThrough, 0, sizeof passThrough);
  SCSI_PASS_THROUGH_DIRECT& spt = passThrough.spt;
  spt.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
  spt.CdbLength = command.cdbLength;
  spt.SenseInfoLength = command.senseLength;
  spt.DataIn = dataIn;
  spt.DataTransferLength = command.length;
  spt.TimeOutValue = kPassThroughTimeOutSeconds;
  spt.DataBuffer = command.buffer;
  spt.SenseInfoOffset = offsetof(PassThroughRecord, senseBuffer);
  std::memcpy(spt.Cdb, command.cdb, command.cdbLength);

  std::uint32_t returned = 0;
  const std::uint32_t started = os.TickCount();
  bool timedOut = false;
  if (!os.IoControl(currentHandle, IOCTL_SCSI_PASS_THROUGH_DIRECT, &passThrough,
                    sizeof passThrough, &passThrough, sizeof passThrough, &returned)) {
    const std::uint32_t error = os.LastError();
    // A semaphore time-out or an I/O device error still leaves the device's
    // SCSI status in the record.
    if (error != kErrorSemaphoreTimeout && error != kErrorIoDevice) {
      ReportSystemError(error);
      return 0;
    }
    timedOut = error == kErrorSemaphoreTimeout;
  } else {
    // Some systems (Wine among them) end a request the device never
    // answered as a completed one with status 0, after the whole time-out,
    // which the system may count in whole seconds.
    timedOut = os.TickCount() - started >= (kPassThroughTimeOutSeconds - 1) * 1000;
  }
  lastTimedOut_ = timedOut && spt.ScsiStatus == 0;
  if (lastTimedOut_) return 0;
  if (command.sense != nullptr) std::memcpy(command.sense, passThrough.senseBuffer, command.senseLength);
  return spt.ScsiStatus != 0 ? spt.ScsiStatus : SS_COMP;
}

UnitAnswer ScsiTransport::SendUnitCommand(const std::uint8_t* cdb) {
  UnitAnswer answer;
  // No data phase: direction 0 (neither in nor out) and no buffer.
  const std::uint8_t status = Send({cdb, kShortCdbLength, nullptr, 0, 0, kFixedSenseLength, answer.sense});
  const bool checkCondition = isNt ? status == SCSISTAT_CHECK_CONDITION
                                   : status == SS_ERR && lastTargetStatus_ == SCSISTAT_CHECK_CONDITION;
  if (status == SS_COMP) {
    answer.ending = UnitAnswer::Ending::Good;
  } else if (checkCondition) {
    answer.ending = UnitAnswer::Ending::CheckCondition;
  }
  if (answer.ending != UnitAnswer::Ending::CheckCondition) std::memset(answer.sense, 0, sizeof answer.sense);
  return answer;
}

UnitAnswer ScsiTransport::TestUnitReady() {
  const std::uint8_t cdb[kShortCdbLength] = {SCSIOP_TEST_UNIT_READY, 0, 0, 0, 0, 0};
  return SendUnitCommand(cdb);
}

UnitAnswer ScsiTransport::StartStopUnit(std::uint8_t action) {
  const std::uint8_t cdb[kShortCdbLength] = {SCSIOP_START_STOP_UNIT, 0, 0, 0, action, 0};
  return SendUnitCommand(cdb);
}

void ScsiTransport::AbortRequest(SRB_ExecSCSICmd* request) {
  if (aspiSendCommand == nullptr) return;
  SRB_Abort abort = {};
  abort.SRB_Cmd = SC_ABORT_SRB;
  abort.SRB_HaId = currentAdapter;
  abort.SRB_ToAbort = request;
  aspiSendCommand(&abort);
}

void ScsiTransport::PumpMessages() { os.DispatchOneMessage(); }

void ScsiTransport::ReportSystemError(std::uint32_t code) {
  problems_.push_back({ProblemCause::PassThroughFailed, code});
}

DriveProblems ScsiTransport::TakeProblems() {
  DriveProblems taken;
  taken.swap(problems_);
  return taken;
}

}  // namespace scsi
