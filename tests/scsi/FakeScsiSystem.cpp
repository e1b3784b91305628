#include "tests/scsi/FakeScsiSystem.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

using namespace scsi;

namespace {

constexpr std::size_t kAnswerSize = 96;

ModuleHandle FakeModule() { return reinterpret_cast<ModuleHandle>(std::intptr_t{0x4000}); }

void Put(std::vector<std::uint8_t>& answer, std::size_t offset, const std::string& text) {
  std::copy(text.begin(), text.end(), answer.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace

std::vector<std::uint8_t> InquiryAnswer(const InquiryFields& fields) {
  std::vector<std::uint8_t> answer(kAnswerSize, 0);
  answer[0] = DTYPE_CDROM;
  answer[4] = kAnswerSize - 5;  // additional length
  if (fields.vendor.size() > 8 || fields.product.size() > 16 || fields.revision.size() > 8 ||
      fields.dateCode.size() > 16) {
    throw std::invalid_argument("INQUIRY field too long");
  }
  Put(answer, 8, fields.vendor);
  Put(answer, 16, fields.product);
  Put(answer, 32, fields.revision);
  Put(answer, 40, fields.dateCode);
  return answer;
}

FakeScsiSystem* FakeScsiSystem::active = nullptr;

FakeScsiSystem::FakeScsiSystem() { active = this; }

FakeScsiSystem::~FakeScsiSystem() {
  if (active == this) active = nullptr;
}

DeviceHandle FakeScsiSystem::LetterHandle(char letter) {
  return reinterpret_cast<DeviceHandle>(static_cast<std::intptr_t>(0x1000 + letter));
}

int FakeScsiSystem::CountAspiRequests(std::uint8_t command) const {
  return static_cast<int>(std::count_if(aspiRequests.begin(), aspiRequests.end(),
                                        [&](const SentAspiRequest& r) { return r.command == command; }));
}

ModuleHandle FakeScsiSystem::LoadModule(const std::string& path) {
  loadedPaths.push_back(path);
  return aspiLoads ? FakeModule() : nullptr;
}

void* FakeScsiSystem::FindEntryPoint(ModuleHandle module, const char* name) {
  if (module != FakeModule()) return nullptr;
  if (std::strcmp(name, "GetASPI32SupportInfo") == 0 && hasSupportInfo) {
    return reinterpret_cast<void*>(&SupportInfoEntry);
  }
  if (std::strcmp(name, "SendASPI32Command") == 0 && hasSendCommand) {
    return reinterpret_cast<void*>(&SendCommandEntry);
  }
  return nullptr;
}

void FakeScsiSystem::UnloadModule(ModuleHandle module) {
  if (module == FakeModule()) ++unloadedModules;
}

unsigned FakeScsiSystem::DriveType(const std::string& rootPath) {
  // Letters not scripted have no root directory (DRIVE_NO_ROOT_DIR).
  if (rootPath.size() != 3 || rootPath.substr(1) != ":\\") return 1;
  const auto found = letters.find(rootPath[0]);
  return found == letters.end() ? 1 : found->second.driveType;
}

DeviceHandle FakeScsiSystem::OpenDevice(const std::string& devicePath) {
  openedPaths.push_back(devicePath);
  if (devicePath.size() != 6 || devicePath.compare(0, 4, "\\\\.\\") != 0 || devicePath[5] != ':') {
    return InvalidDeviceHandle();
  }
  const auto found = letters.find(devicePath[4]);
  if (found == letters.end() || !found->second.opens) {
    lastError = found == letters.end() ? 2 : found->second.openError;
    return InvalidDeviceHandle();
  }
  return LetterHandle(devicePath[4]);
}

bool FakeScsiSystem::IoControl(DeviceHandle device, std::uint32_t code, void* in,
                               std::uint32_t inSize, void* out, std::uint32_t outSize,
                               std::uint32_t* bytesReturned) {
  if (code != IOCTL_SCSI_PASS_THROUGH_DIRECT || in != out || inSize != sizeof(PassThroughRecord) ||
      outSize != sizeof(PassThroughRecord)) {
    throw std::logic_error("unexpected DeviceIoControl request");
  }
  auto& record = *static_cast<PassThroughRecord*>(in);
  passThroughRequests.push_back(record);
  passThroughDevices.push_back(device);

  FakeLetterDrive* drive = nullptr;
  for (auto& [letter, scripted] : letters) {
    if (LetterHandle(letter) == device) drive = &scripted;
  }
  if (drive == nullptr) {
    lastError = 6;  // ERROR_INVALID_HANDLE
    return false;
  }
  // A device slower than the request's time-out ends as Wine ends it: a
  // completed request with status 0, once the whole time-out has passed.
  const std::uint32_t timeoutMs = record.spt.TimeOutValue * 1000u;
  milliseconds += std::min(drive->unit.delayMs, timeoutMs);
  if (drive->unit.delayMs > timeoutMs) {
    *bytesReturned = sizeof(PassThroughRecord);
    return true;
  }
  if (record.spt.Cdb[0] != 0x12) {
    const aspisim::CommandAnswer answer = aspisim::AnswerCommand(drive->unit, record.spt.Cdb);
    record.spt.ScsiStatus = answer.status;
    const std::size_t senseLength = std::min<std::size_t>(record.spt.SenseInfoLength, answer.sense.size());
    if (answer.status != aspisim::kGood) {
      std::memcpy(reinterpret_cast<std::uint8_t*>(&record) + record.spt.SenseInfoOffset, answer.sense.data(),
                  senseLength);
    }
    *bytesReturned = sizeof(PassThroughRecord);
    return true;
  }
  const std::size_t length = std::min<std::size_t>(drive->answer.size(),
                                                   record.spt.DataTransferLength);
  if (length > 0 && record.spt.DataIn == SCSI_IOCTL_DATA_IN) {
    std::memcpy(record.spt.DataBuffer, drive->answer.data(), length);
  }
  record.spt.ScsiStatus = drive->scsiStatus;
  *bytesReturned = sizeof(PassThroughRecord);
  if (drive->ioError != 0) {
    lastError = drive->ioError;
    return false;
  }
  return true;
}

EventHandle FakeScsiSystem::NewEvent() {
  if (eventCreationFails) return nullptr;
  ++eventsCreated;
  return reinterpret_cast<EventHandle>(static_cast<std::intptr_t>(0x5000 + eventsCreated));
}

std::uint32_t FakeScsiSystem::WaitEvent(EventHandle, std::uint32_t milliseconds) {
  waits.push_back(milliseconds);
  if (pendingExec == nullptr) return kWaitTimedOut;
  if (pendingExecDevice->completion == AspiCompletion::kNever) return pendingExecDevice->waitResult;
  Complete(*pendingExec, *pendingExecDevice);
  pendingExec = nullptr;
  return kWaitSignalled;
}

bool FakeScsiSystem::DispatchOneMessage() {
  ++messagePumps;
  if (pendingType != nullptr && --pendingTypePolls <= 0) {
    pendingType->SRB_DeviceType = pendingTypeDevice->deviceType;
    pendingType->SRB_Status = pendingTypeDevice->typeStatus;
    pendingType = nullptr;
  }
  return false;
}

std::uint32_t FakeScsiSystem::SupportInfoEntry() { return active->supportInfo; }

std::uint32_t FakeScsiSystem::SendCommandEntry(void* request) { return active->SendCommand(request); }

FakeAspiDevice* FakeScsiSystem::FindAspiDevice(std::uint8_t adapter, std::uint8_t target,
                                               std::uint8_t lun) {
  for (auto& device : aspiDevices) {
    if (device.adapter == adapter && device.target == target && device.lun == lun) return &device;
  }
  return nullptr;
}

void FakeScsiSystem::Complete(SRB_ExecSCSICmd& request, FakeAspiDevice& device) {
  if (request.CDBByte[0] != 0x12) {
    const aspisim::CommandAnswer answer = aspisim::AnswerCommand(device.unit, request.CDBByte);
    request.SRB_TargStat = answer.status;
    if (answer.status != aspisim::kGood) {
      // ASPI puts the sense data right after the CDB.
      auto* record = reinterpret_cast<std::uint8_t*>(&request);
      const std::size_t at = offsetof(SRB_ExecSCSICmd, CDBByte) + request.SRB_CDBLen;
      std::memcpy(record + at, answer.sense.data(),
                  std::min<std::size_t>({request.SRB_SenseLen, answer.sense.size(), sizeof request - at}));
    }
    request.SRB_Status = answer.status == aspisim::kGood ? SS_COMP : SS_ERR;
    return;
  }
  const std::size_t length = std::min<std::size_t>(device.answer.size(), request.SRB_BufLen);
  if (length > 0) std::memcpy(request.SRB_BufPointer, device.answer.data(), length);
  request.SRB_Status = device.execStatus;
}

std::uint32_t FakeScsiSystem::SendCommand(void* request) {
  auto& header = *static_cast<SRB_Header*>(request);
  SentAspiRequest sent = {header.SRB_Cmd, header.SRB_HaId, 0, 0, header.SRB_Flags, nullptr};
  switch (header.SRB_Cmd) {
    case SC_GET_DEV_TYPE: {
      auto& type = *static_cast<SRB_GDEVBlock*>(request);
      sent.target = type.SRB_Target;
      sent.lun = type.SRB_Lun;
      aspiRequests.push_back(sent);
      const FakeAspiDevice* device = FindAspiDevice(type.SRB_HaId, type.SRB_Target, type.SRB_Lun);
      if (device == nullptr) {
        type.SRB_Status = SS_NO_DEVICE;
      } else if (device->pendingPolls > 0) {
        type.SRB_Status = SS_PENDING;
        pendingType = &type;
        pendingTypePolls = device->pendingPolls;
        pendingTypeDevice = device;
      } else {
        type.SRB_DeviceType = device->deviceType;
        type.SRB_Status = device->typeStatus;
      }
      return type.SRB_Status;
    }
    case SC_EXEC_SCSI_CMD: {
      auto& exec = *static_cast<SRB_ExecSCSICmd*>(request);
      sent.target = exec.SRB_Target;
      sent.lun = exec.SRB_Lun;
      aspiRequests.push_back(sent);
      execRequests.push_back(exec);
      FakeAspiDevice* device = FindAspiDevice(exec.SRB_HaId, exec.SRB_Target, exec.SRB_Lun);
      if (device == nullptr) {
        exec.SRB_Status = SS_ERR;
      } else if (device->completion == AspiCompletion::kAtOnce) {
        Complete(exec, *device);
      } else {
        exec.SRB_Status = SS_PENDING;
        pendingExec = &exec;
        pendingExecDevice = device;
      }
      return exec.SRB_Status;
    }
    case SC_ABORT_SRB: {
      auto& abort = *static_cast<SRB_Abort*>(request);
      sent.toAbort = abort.SRB_ToAbort;
      aspiRequests.push_back(sent);
      if (pendingExec == abort.SRB_ToAbort) {
        if (pendingExecDevice->endsOnAbort) pendingExec->SRB_Status = SS_ABORTED;
        pendingExec = nullptr;
      }
      abort.SRB_Status = SS_COMP;
      return SS_COMP;
    }
    default:
      throw std::logic_error("unexpected ASPI command");
  }
}
