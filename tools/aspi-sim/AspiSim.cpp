// A stand-in WNASPI32.DLL serving simulated optical drives. It answers
// GetASPI32SupportInfo and SendASPI32Command with SC_GET_DEV_TYPE,
// SC_EXEC_SCSI_CMD and SC_ABORT_SRB for the devices listed in a text file
// (SimDriveList.h). INQUIRY returns the device's data; TEST UNIT READY and
// START STOP UNIT answer from the device's medium and busy count, and change
// them in the list this library holds (AnswerCommand); any other command ends
// in CHECK CONDITION, invalid command. With CHECK CONDITION the request ends
// SS_ERR, target status 2, and the sense data lies where ASPI puts it: right
// after the CDB, at CDBByte[SRB_CDBLen], at most SRB_SenseLen bytes and none
// past the end of the request. The file is named by the environment variable
// VORN_ASPI_DRIVES (a Windows path, or an absolute Unix path, read through
// Wine's Z: drive); without it the DLL reads wnaspi32.txt beside itself.
// VORN_ASPI_LOG, when set, names a file that gets one line per request.
// The file is read anew at each GetASPI32SupportInfo, where every scan
// starts, so that a scan after the demo flasher sees the drives it changed;
// what commands changed (medium, busy count) is then as the file says again.
//
// A device with a delay leaves its requests pending: a worker thread
// completes them after the delay and signals the request's event, unless
// the request was aborted first. The answer, and the change to the device,
// are made when the request arrives, so requests take effect in the order
// they were sent, also one that is aborted later. A device whose delay is
// "never" leaves them pending for good, aborted or not.
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "scsi/ScsiRecords.h"
#include "tools/aspi-sim/SimDriveList.h"

using aspisim::SimDrive;

namespace {

HMODULE thisModule = nullptr;
CRITICAL_SECTION lock;
bool loaded = false;
aspisim::SimDriveList driveList;
std::string logPath;

// Requests a worker still has to complete.
struct Job {
  void* request;
  SimDrive drive;
  aspisim::CommandAnswer answer;
  bool aborted;
};
std::vector<Job*> jobs;

std::string Environment(const char* name) {
  char value[1024];
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

void Log(const std::string& line) { aspisim::AppendLogLine(logPath, line); }

// Reads the drive list once; called with `lock` held.
void LoadDrives() {
  if (loaded) return;
  loaded = true;
  logPath = aspisim::WinePath(Environment("VORN_ASPI_LOG"));
  std::string path = aspisim::WinePath(Environment("VORN_ASPI_DRIVES"));
  if (path.empty()) {
    char module[MAX_PATH];
    const DWORD length = GetModuleFileNameA(thisModule, module, MAX_PATH);
    path.assign(module, length);
    const std::size_t slash = path.find_last_of("\\/");
    path = path.substr(0, slash + 1) + "wnaspi32.txt";
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    Log("drives file not found: " + path);
    return;
  }
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  driveList = aspisim::ParseSimDrives(text);
  Log("drives file " + path + ": " + std::to_string(driveList.drives.size()) + " devices, " +
      std::to_string(driveList.adapterCount) + " adapters");
  for (const std::string& error : driveList.errors) Log("drives file " + error);
}

SimDrive* FindDrive(int adapter, int target, int lun) {
  for (SimDrive& drive : driveList.drives) {
    if (drive.adapter == adapter && drive.target == target && drive.lun == lun) return &drive;
  }
  return nullptr;
}

// Writes the sense data of a CHECK CONDITION after the request's CDB.
void PutSense(SRB_ExecSCSICmd* exec, const aspisim::CommandAnswer& answer) {
  const std::size_t offset = offsetof(SRB_ExecSCSICmd, CDBByte) + exec->SRB_CDBLen;
  if (offset >= sizeof(SRB_ExecSCSICmd)) return;
  const std::size_t length =
      std::min({answer.sense.size(), static_cast<std::size_t>(exec->SRB_SenseLen), sizeof(SRB_ExecSCSICmd) - offset});
  std::memcpy(reinterpret_cast<std::uint8_t*>(exec) + offset, answer.sense.data(), length);
}

// Fills in the answer of a finished request; called with `lock` held.
void Finish(void* request, const SimDrive& drive, const aspisim::CommandAnswer& answer) {
  auto* header = static_cast<SRB_Header*>(request);
  if (header->SRB_Cmd == SC_GET_DEV_TYPE) {
    auto* type = static_cast<SRB_GDEVBlock*>(request);
    type->SRB_DeviceType = static_cast<std::uint8_t>(drive.deviceType);
    MemoryBarrier();
    type->SRB_Status = SS_COMP;
    return;
  }
  auto* exec = static_cast<SRB_ExecSCSICmd*>(request);
  exec->SRB_TargStat = answer.status;
  if (exec->CDBByte[0] == 0x12) {
    // INQUIRY: the data goes into the buffer; without one it fails, no sense.
    if ((exec->SRB_Flags & SRB_DIR_IN) != 0) {
      const std::vector<std::uint8_t> data = aspisim::InquiryData(drive);
      const std::size_t length = std::min<std::size_t>(
          {data.size(), exec->SRB_BufLen, static_cast<std::size_t>(exec->CDBByte[4])});
      std::memcpy(exec->SRB_BufPointer, data.data(), length);
    } else {
      exec->SRB_TargStat = aspisim::kCheckCondition;
    }
  } else if (answer.status == aspisim::kCheckCondition) {
    PutSense(exec, answer);
  }
  exec->SRB_HaStat = 0;
  MemoryBarrier();
  exec->SRB_Status = exec->SRB_TargStat == aspisim::kGood ? SS_COMP : SS_ERR;
  if ((exec->SRB_Flags & SRB_EVENT_NOTIFY) != 0 && exec->SRB_PostProc != nullptr) {
    SetEvent(static_cast<HANDLE>(exec->SRB_PostProc));
  }
}

DWORD WINAPI CompleteLater(void* parameter) {
  Job* job = static_cast<Job*>(parameter);
  Sleep(job->drive.delayMs);
  EnterCriticalSection(&lock);
  if (!job->aborted) {
    Finish(job->request, job->drive, job->answer);
    Log("done " + aspisim::LogAddress(job->drive.adapter, job->drive.target, job->drive.lun));
  }
  for (auto it = jobs.begin(); it != jobs.end(); ++it) {
    if (*it == job) {
      jobs.erase(it);
      break;
    }
  }
  LeaveCriticalSection(&lock);
  delete job;
  // Drops the reference Serve took, so the library stays mapped while a
  // worker still sleeps, even if the caller unloads it meanwhile.
  FreeLibraryAndExitThread(thisModule, 0);
  return 0;
}

// Answers now, or leaves the request pending for a worker.
std::uint8_t Serve(void* request, const SimDrive& drive, const aspisim::CommandAnswer& answer = {}) {
  auto* header = static_cast<SRB_Header*>(request);
  if (drive.delayMs == 0) {
    Finish(request, drive, answer);
    return header->SRB_Status;
  }
  header->SRB_Status = SS_PENDING;
  Job* job = new Job{request, drive, answer, false};
  jobs.push_back(job);
  // Pending for good: no worker, the job stays listed.
  if (drive.delayMs == aspisim::kNeverEnds) return SS_PENDING;
  HMODULE reference = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                     reinterpret_cast<LPCSTR>(&CompleteLater), &reference);
  HANDLE thread = CreateThread(nullptr, 0, CompleteLater, job, 0, nullptr);
  if (thread == nullptr) {
    if (reference != nullptr) FreeLibrary(reference);
    jobs.pop_back();
    delete job;
    Finish(request, drive, answer);
    return header->SRB_Status;
  }
  CloseHandle(thread);
  return SS_PENDING;
}

std::uint8_t Abort(SRB_Abort* abort) {
  abort->SRB_Status = SS_COMP;
  for (Job* job : jobs) {
    if (job->request != abort->SRB_ToAbort || job->aborted) continue;
    if (job->drive.delayMs == aspisim::kNeverEnds) {
      Log("abort " + aspisim::LogAddress(job->drive.adapter, job->drive.target, job->drive.lun) + " ignored");
      return SS_COMP;
    }
    job->aborted = true;
    auto* header = static_cast<SRB_Header*>(job->request);
    header->SRB_Status = SS_ABORTED;
    if (header->SRB_Cmd == SC_EXEC_SCSI_CMD) {
      auto* exec = static_cast<SRB_ExecSCSICmd*>(job->request);
      if ((exec->SRB_Flags & SRB_EVENT_NOTIFY) != 0 && exec->SRB_PostProc != nullptr) {
        SetEvent(static_cast<HANDLE>(exec->SRB_PostProc));
      }
    }
    Log("abort " + aspisim::LogAddress(job->drive.adapter, job->drive.target, job->drive.lun));
    return SS_COMP;
  }
  Log("abort of an unknown request");
  abort->SRB_Status = SS_ERR;
  return SS_ERR;
}

}  // namespace

extern "C" {

__declspec(dllexport) DWORD __cdecl GetASPI32SupportInfo(void) {
  EnterCriticalSection(&lock);
  // Requests still pending keep copies of their drives, so the list may go.
  loaded = false;
  driveList = aspisim::SimDriveList{};
  LoadDrives();
  const int adapters = driveList.adapterCount;
  LeaveCriticalSection(&lock);
  Log("support info: " + std::to_string(adapters) + " adapters");
  if (adapters == 0) return 0xE8u << 8;  // SS_NO_ADAPTERS
  return (static_cast<DWORD>(SS_COMP) << 8) | static_cast<DWORD>(adapters & 0xFF);
}

__declspec(dllexport) DWORD __cdecl SendASPI32Command(void* request) {
  if (request == nullptr) return SS_ERR;
  EnterCriticalSection(&lock);
  LoadDrives();
  auto* header = static_cast<SRB_Header*>(request);
  std::uint8_t result = SS_ERR;
  switch (header->SRB_Cmd) {
    case SC_GET_DEV_TYPE: {
      auto* type = static_cast<SRB_GDEVBlock*>(request);
      const std::string address = aspisim::LogAddress(type->SRB_HaId, type->SRB_Target, type->SRB_Lun);
      if (type->SRB_HaId >= driveList.adapterCount) {
        result = type->SRB_Status = SS_INVALID_HA;
      } else if (const SimDrive* drive = FindDrive(type->SRB_HaId, type->SRB_Target, type->SRB_Lun)) {
        result = Serve(request, *drive);
        Log("type " + address + " -> " + (result == SS_PENDING ? "pending" : aspisim::LogHex(result)));
      } else {
        result = type->SRB_Status = SS_NO_DEVICE;
      }
      break;
    }
    case SC_EXEC_SCSI_CMD: {
      auto* exec = static_cast<SRB_ExecSCSICmd*>(request);
      const std::string address = aspisim::LogAddress(exec->SRB_HaId, exec->SRB_Target, exec->SRB_Lun);
      if (exec->SRB_HaId >= driveList.adapterCount) {
        result = exec->SRB_Status = SS_INVALID_HA;
      } else if (SimDrive* drive = FindDrive(exec->SRB_HaId, exec->SRB_Target, exec->SRB_Lun)) {
        // The list's own entry: a later command sees what this one changed.
        const aspisim::CommandAnswer answer = aspisim::AnswerCommand(*drive, exec->CDBByte);
        result = Serve(request, *drive, answer);
      } else {
        result = exec->SRB_Status = SS_NO_DEVICE;
      }
      Log("exec " + address + " cdb " + aspisim::LogHex(exec->CDBByte[0]) + " -> " +
          (result == SS_PENDING ? "pending" : aspisim::LogHex(result)));
      break;
    }
    case SC_ABORT_SRB:
      result = Abort(static_cast<SRB_Abort*>(request));
      break;
    default:
      Log("unsupported command " + aspisim::LogHex(header->SRB_Cmd));
      result = header->SRB_Status = 0x80;  // SS_INVALID_CMD
      break;
  }
  LeaveCriticalSection(&lock);
  return result;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    thisModule = instance;
    InitializeCriticalSection(&lock);
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

}  // extern "C"
