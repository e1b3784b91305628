#include "script/ScriptLog.h"

#include "framework/Platform.h"
#include "scsi/ScsiRecords.h"
#include "scsi/ScsiSystem.h"

namespace script {
namespace {

std::string OrDash(const std::string& text) { return text.empty() ? "-" : text; }

}  // namespace

const char* ExitCodeMeaning(int code) {
  switch (code) {
    case kExitNothingToDo: return "nothing to do";
    case kExitUpdateAvailable: return "update available";
    case kExitNoMakerDrive: return "no drive of the maker";
    case kExitNoCatalogue: return "no catalogue";
    case kExitCatalogueNotVerified: return "catalogue not verified";
    case kExitHeld: return "held by a check before the flash";
    case kExitNotApplied: return "not applied";
    case kExitDriveMissing: return "drive missing after the flash";
    case kExitFailed: return "failed";
    case kExitNotConfirmed: return "refused: /update needs /yes";
    case kExitBadCommandLine: return "wrong command line";
    case kExitLogNotWritten: return "log not written";
    default: return "unknown";
  }
}

std::string ExitLine(int code) { return "exit code " + std::to_string(code) + ": " + ExitCodeMeaning(code); }

std::string LogFileBeside(const std::string& historyFile) {
  if (historyFile.empty()) return std::string();
  return platform::FolderPart(historyFile) + "UpdateLog.txt";
}

int CheckExitCode(CatalogueState catalogue, const std::vector<update::DrivePlan>& plans) {
  if (catalogue == CatalogueState::NotVerified) return kExitCatalogueNotVerified;
  if (catalogue == CatalogueState::NotArrived) return kExitNoCatalogue;
  if (plans.empty()) return kExitNoMakerDrive;
  for (const update::DrivePlan& plan : plans) {
    if (plan.Newest() != nullptr) return kExitUpdateAvailable;
  }
  return kExitNothingToDo;
}

DriveEnd EndOfVerdict(update::Verdict verdict) {
  switch (verdict) {
    case update::Verdict::Verified: return DriveEnd::Verified;
    case update::Verdict::NotApplied: return DriveEnd::NotApplied;
    case update::Verdict::DriveMissing: return DriveEnd::DriveMissing;
    case update::Verdict::HeldDriveChanged:
    case update::Verdict::HeldOnBattery:
    case update::Verdict::HeldDiscInDrive:
    case update::Verdict::HeldDriveBusy:
    case update::Verdict::HeldAnotherUpdate: return DriveEnd::Held;
    case update::Verdict::Pending: break;
  }
  return DriveEnd::Failed;
}

int UpdateExitCode(const std::vector<DriveEnd>& ends) {
  const struct {
    DriveEnd end;
    int code;
  } order[] = {{DriveEnd::DriveMissing, kExitDriveMissing},
               {DriveEnd::Failed, kExitFailed},
               {DriveEnd::NotApplied, kExitNotApplied},
               {DriveEnd::Held, kExitHeld}};
  for (const auto& worst : order) {
    for (DriveEnd end : ends) {
      if (end == worst.end) return worst.code;
    }
  }
  return kExitNothingToDo;
}

int ExitCodeWith(const std::vector<DriveEnd>& ends, int code) {
  const int worst = UpdateExitCode(ends);
  return worst != kExitNothingToDo ? worst : code;
}

std::string EarlierUpdateText(const update::UpdateRecord& record, update::Verdict verdict) {
  return "the earlier update of " + OrDash(record.model) + " at " + OrDash(record.address) + " from " +
         OrDash(record.revisionBefore) + " to " + OrDash(record.versionInstalled) + ", started " + OrDash(record.time) +
         ", ended as " + update::VerdictName(verdict) + "; this run ends with its exit code";
}

std::string DriveTableHeader() { return "address\tmodel\trevision\tnewest offered\tfile\tSHA-256"; }

std::string DriveTableLine(const update::DrivePlan& plan) {
  const update::ScannedDrive& drive = plan.drive;
  std::string line = OrDash(drive.address) + "\t" + OrDash(drive.model) + "\t" + OrDash(drive.revision);
  const catalogue::FirmwareItem* newest = plan.Newest();
  if (newest == nullptr) return line + "\t-\t-\t-";
  const update::UpdateRecord record = update::RecordOfUpdate(drive, *newest);
  return line + "\t" + OrDash(record.versionInstalled) + "\t" + OrDash(newest->path) + "\t" + OrDash(newest->sha256);
}

std::string DriveProblemText(const scsi::DriveProblem& problem) {
  if (problem.cause == scsi::ProblemCause::AspiLibraryMissing) return "WNASPI32.DLL not found: the drives cannot be scanned";
  if (problem.cause == scsi::ProblemCause::DriveNotOpened) {
    const bool held = problem.windowsError == scsi::kErrorSharingViolation;
    return std::string("the drive ") + problem.driveLetter + ": could not be opened (Windows error " +
           std::to_string(problem.windowsError) + (held ? ", another program holds it open" : "") +
           "); it was not read";
  }
  if (problem.cause == scsi::ProblemCause::DriveNotAnswering) {
    return std::string("the drive ") + problem.driveLetter + ": did not answer within " +
           std::to_string(kPassThroughTimeOutSeconds) + " s; it was listed without its texts";
  }
  return "a pass-through request failed with Windows error " + std::to_string(problem.windowsError);
}

std::string FetchFailureText(catalogue::FetchFailure failure) {
  if (failure == catalogue::FetchFailure::SessionNotCreated) return "an internet session could not be opened";
  return "the server's address is no FTP address with a host";
}

bool ScriptLog::Open(const std::string& path) {
  path_ = path;
  heldElsewhere_ = false;
  if (path.empty()) return false;
  // Readers only beside this run: a second copy started meanwhile must not
  // cut this log short and write over its start.
  CFileException error;
  if (file_.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite, &error)) return true;
  heldElsewhere_ = error.cause == CFileException::sharingViolation;
  return false;
}

void ScriptLog::Line(const std::string& line) {
  if (!file_.IsOpen()) return;
  const std::string text = line + "\r\n";
  try {
    file_.Write(text.data(), static_cast<unsigned>(text.size()));
  } catch (const CFileException&) {
    // The run goes on without this line.
  }
}

void ScriptLog::Note(const std::string& text) { Line("# " + text); }

int ScriptLog::End(int code) {
  Line(ExitLine(code));
  return code;
}

}  // namespace script
