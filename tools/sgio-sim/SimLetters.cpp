#include "tools/sgio-sim/SimLetters.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "tools/aspi-sim/SimDriveList.h"

namespace simletters {
namespace {

// Wine's mount manager extension (include/ddk/mountmgr.h of Wine 8).
constexpr DWORD kDefineUnixDrive = CTL_CODE(0x0000006D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

struct UnixDrive {
  ULONG size;
  ULONG type;
  ULONG fsType;
  DWORD serial;
  ULONGLONG unixDev;
  WCHAR letter;
  USHORT mountPointOffset;
  USHORT deviceOffset;
  USHORT labelOffset;
};

constexpr char kFirstLetter = 'D', kLastLetter = 'Y';

// "Z:\a\b" -> "/a/b"; a Unix path stays.
std::string UnixPath(const std::string& path) {
  if (path.size() < 3 || (path[0] != 'Z' && path[0] != 'z') || path[1] != ':') return path;
  std::string unix = path.substr(2);
  for (char& c : unix) c = c == '\\' ? '/' : c;
  return unix;
}

// Defines `letter` as a CD-ROM drive on `device` with its root at `root`
// (Unix paths), or takes it away when `device` is empty.
bool Define(HANDLE manager, char letter, const std::string& device, const std::string& root) {
  std::vector<char> request(sizeof(UnixDrive) + device.size() + root.size() + 2, 0);
  auto* drive = reinterpret_cast<UnixDrive*>(request.data());
  drive->size = static_cast<ULONG>(request.size());
  drive->type = device.empty() ? DRIVE_NO_ROOT_DIR : DRIVE_CDROM;
  drive->letter = static_cast<WCHAR>(letter - 'A' + 'a');
  if (!device.empty()) {
    drive->deviceOffset = sizeof(UnixDrive);
    drive->mountPointOffset = static_cast<USHORT>(sizeof(UnixDrive) + device.size() + 1);
    device.copy(request.data() + drive->deviceOffset, device.size());
    root.copy(request.data() + drive->mountPointOffset, root.size());
  }
  DWORD returned = 0;
  return DeviceIoControl(manager, kDefineUnixDrive, request.data(), static_cast<DWORD>(request.size()), nullptr, 0,
                         &returned, nullptr) != FALSE;
}

}  // namespace

std::string GiveLetters(const std::string& drivesFile) {
  const std::string unixFile = UnixPath(drivesFile);
  std::ifstream file(aspisim::WinePath(unixFile), std::ios::binary);
  if (!file) return "error: cannot read " + drivesFile;
  const aspisim::SimDriveList list =
      aspisim::ParseSimDrives(std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
  const std::string folder = unixFile.substr(0, unixFile.rfind('/')) + "/sim-letters";
  CreateDirectoryA(aspisim::WinePath(folder).c_str(), nullptr);
  HANDLE manager = CreateFileA("\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (manager == INVALID_HANDLE_VALUE) return "error: no mount manager (not under Wine?)";
  std::string given;
  char letter = kFirstLetter;
  for (const aspisim::SimDrive& drive : list.drives) {
    if (letter > kLastLetter) break;
    const std::string marker = folder + "/" + letter + ".drive", root = folder + "/" + letter;
    std::ofstream(aspisim::WinePath(marker), std::ios::binary)
        << "vorn-sim-drive " << aspisim::LogAddress(drive.adapter, drive.target, drive.lun) << " " << unixFile
        << "\n";
    CreateDirectoryA(aspisim::WinePath(root).c_str(), nullptr);
    if (!Define(manager, letter, marker, root)) {
      CloseHandle(manager);
      return std::string("error: letter ") + letter + ": error " + std::to_string(GetLastError());
    }
    given += letter++;
  }
  for (; letter <= kLastLetter; ++letter) {
    if (GetDriveTypeA((std::string(1, letter) + ":\\").c_str()) == DRIVE_CDROM) Define(manager, letter, "", "");
  }
  CloseHandle(manager);
  return given;
}

}  // namespace simletters
