// The texts the application shows around the wizard: the window shown while
// the flasher runs and the message that tells whether each update took. The
// Chinese texts are code page 950 bytes.
#pragma once

#include <string>

#include "framework/Language.h"
#include "update/UpdateVerdict.h"

namespace messages {

struct AppTexts {
  const char* waiting;  // while the flasher runs
  // The verdicts of one update, two lines at most, for the message dialog
  // shows three. %1 the model, %2 the version installed, %3 the revision the
  // drive reports, %4 the drive's address.
  const char* verified;
  const char* notApplied;
  const char* driveMissing;
  // Before the verdict of an update found pending at start-up; %5 its time.
  const char* pendingChecked;
  // The checks before the flasher that hold it back, three lines at most:
  // what is wrong and what to do. %1 the model, %4 the drive's address.
  const char* heldDriveChanged;
  const char* heldOnBattery;
  const char* heldDiscInDrive;
  const char* heldDriveBusy;
  const char* heldAnotherUpdate;
  // After Cancel on a held check: %1 the folder, %2 the name of the
  // downloaded file, which stays where it was saved.
  const char* keptFile;
  // The buttons of a held check; a disc in the drive has openTray for retry.
  const char* retry;
  const char* cancel;
  const char* openTray;
};

const AppTexts& AppTextsFor(framework::Language language);

// The message for one update. With `pending`, it is preceded by the line
// that says when the update was started.
std::string VerdictMessage(const update::CheckedUpdate& update, framework::Language language, bool pending = false);

}  // namespace messages
