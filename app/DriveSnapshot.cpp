#include "app/DriveSnapshot.h"

#include <cstring>
#include <string>

#include "scsi/ScsiTransport.h"

namespace app {
namespace {

constexpr std::size_t kVendorLength = 8;
constexpr std::size_t kDateCodeOffset = 40;
constexpr std::size_t kDateCodeLength = 7;

std::string Trimmed(const std::string& text) {
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

std::string Address(const ScsiTransport& transport, const DriveInfo& drive) {
  if (transport.isNt) return std::string(1, drive.driveLetter) + ":";
  return std::to_string(drive.hostAdapter) + ":" + std::to_string(drive.targetId) + ":" +
         std::to_string(drive.lun);
}

}  // namespace

std::vector<install::ScannedDrive> SnapshotDrives(ScsiTransport& transport) {
  std::vector<install::ScannedDrive> drives;
  for (int i = 0; i < transport.driveCount; ++i) {
    const DriveInfo& info = transport.drives[i];
    install::ScannedDrive drive;
    drive.address = Address(transport, info);
    const std::string identification = info.identification;
    drive.vendor = Trimmed(identification.substr(0, kVendorLength));
    drive.product = identification.size() > kVendorLength ? Trimmed(identification.substr(kVendorLength)) : "";
    drive.maker = transport.IdentifyDrive(i, drive.model, drive.revision, drive.dateCode);
    if (!drive.maker) {
      // Another maker's drive: the same texts, read the same way.
      drive.model = drive.product.substr(0, drive.product.find(' '));
      drive.revision = Trimmed(info.revision);
      transport.SelectDrive(i);
      std::uint8_t answer[256] = {};
      transport.Inquiry(answer);
      for (std::size_t at = kDateCodeOffset; at < kDateCodeOffset + kDateCodeLength && answer[at] != 0; ++at) {
        if (answer[at] != '/') drive.dateCode += static_cast<char>(answer[at]);
      }
    }
    drives.push_back(drive);
  }
  transport.SelectDrive(0);
  return drives;
}

}  // namespace app
