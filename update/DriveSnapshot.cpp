#include "update/DriveSnapshot.h"

#include <string>

#include "scsi/ScsiTransport.h"

namespace update {
namespace {

constexpr std::size_t kVendorLength = 8;

std::string Trimmed(const std::string& text) {
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

std::string Address(const scsi::ScsiTransport& transport, const scsi::DriveInfo& drive) {
  if (transport.isNt) return std::string(1, drive.driveLetter) + ":";
  return std::to_string(drive.hostAdapter) + ":" + std::to_string(drive.targetId) + ":" +
         std::to_string(drive.lun);
}

}  // namespace

std::vector<update::ScannedDrive> SnapshotDrives(scsi::ScsiTransport& transport) {
  std::vector<update::ScannedDrive> drives;
  for (int i = 0; i < transport.driveCount; ++i) {
    const scsi::DriveInfo& info = transport.drives[i];
    update::ScannedDrive drive;
    drive.address = Address(transport, info);
    const std::string identification = info.identification;
    drive.vendor = Trimmed(identification.substr(0, kVendorLength));
    drive.product = identification.size() > kVendorLength ? Trimmed(identification.substr(kVendorLength)) : "";
    drive.maker = transport.IsMakerDrive(i);
    transport.ReadDriveTexts(i, drive.model, drive.revision, drive.dateCode);
    drives.push_back(drive);
  }
  transport.SelectDrive(0);
  return drives;
}

}  // namespace update
