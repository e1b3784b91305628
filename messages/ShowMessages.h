// Shows the user what the layers below returned, at the moment the caller
// chooses: each call turns an outcome into its messages (UserMessages.h) and
// shows them one after the other, each modal.
#pragma once

#include "catalogue/FetchFailure.h"
#include "framework/Language.h"
#include "install/Installer.h"
#include "messages/UserMessages.h"

namespace scsi {
class DriveIdentification;
}  // namespace scsi

namespace messages {

// Each message in its window, in order; the message dialog speaks `language`.
void Show(const UserMessages& messages, framework::Language language);

// The Windows side of SystemTexts: FormatMessageA and GetLastError.
SystemTexts& WindowsSystemTexts();

// The problems the drive side met since it was last asked.
void ReportDriveProblems(scsi::DriveIdentification& drives);
// The causes of the catalogue fetch attempts that stopped early.
void ReportFetchFailures(const catalogue::FetchFailures& failures);
// What went wrong with an install, in `language`.
void ReportInstall(const install::InstallOutcome& outcome, framework::Language language);

}  // namespace messages
