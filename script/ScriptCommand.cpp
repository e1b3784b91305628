#include "script/ScriptCommand.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ProgramInfo.h"
#include "catalogue/CatalogueFetcher.h"
#include "catalogue/CatalogueIssue.h"
#include "framework/File.h"
#include "framework/Platform.h"
#include "scsi/ScsiTransport.h"
#include "script/ScriptLog.h"
#include "script/UpdateDrives.h"
#include "update/DriveSnapshot.h"
#include "update/FetchedCatalogue.h"
#include "update/UpdateEngine.h"
#include "update/UpdatePlan.h"

namespace script {
namespace {

using catalogue::CatalogueFetcher;

std::string CommandText(const ScriptRequest& request) {
  std::string text = request.mode == ScriptMode::Check ? "/check" : "/update";
  if (request.yes) text += " /yes";
  if (!request.model.empty()) text += " /model " + request.model;
  if (!request.source.empty()) text += " /source " + request.source;
  if (!request.log.empty()) text += " /log " + request.log;
  return text;
}

// Opens the log of a run at `logFile`, or, when another run writes that
// one, beside it under a name with this run's process id (noted in it).
// False when neither can be made.
bool OpenLog(ScriptLog& log, const std::string& logFile) {
  if (log.Open(logFile)) return true;
  if (!log.HeldElsewhere()) return false;
  const std::string own =
      platform::FolderPart(logFile) + "UpdateLog-" + std::to_string(platform::ProcessId()) + ".txt";
  if (!log.Open(own)) return false;
  log.Note("the log: " + logFile + " is being written by another run; this run's log is here");
  return true;
}

// Opens the run's log and writes its first lines. A link would take the
// log's writes elsewhere: a run as SYSTEM must not overwrite whatever file a
// user's link points at, so the log then goes beside the history.
bool StartLog(ScriptLog& log, const ScriptRequest& request, const std::string& historyFile) {
  const bool linkRefused = !request.log.empty() && framework::IsLink(request.log);
  if (!OpenLog(log, request.log.empty() || linkRefused ? LogFileBeside(historyFile) : request.log)) return false;
  log.Note(std::string("VORN Firmware Update ") + VORN_VERSION_TEXT + ", " + CommandText(request) + ", " +
           platform::LocalTimeText());
  if (linkRefused) {
    log.Note("the log: " + request.log + " is a link, which this program does not write through; "
             "the log is here instead");
  }
  return true;
}

// The drives the run is about (the maker's, of the model asked for), with
// what the scan met in the log. What ends the run as failed whatever else it
// does goes into `ends`: drives that could not be looked at (one of them may
// be the maker's).
std::vector<update::ScannedDrive> ScannedDrives(const ScriptRequest& request, scsi::ScsiTransport& transport,
                                                const std::vector<update::ScannedDrive>& drives, ScriptLog& log,
                                                std::vector<DriveEnd>& ends) {
  const bool scanWorked = transport.ScanWorked();
  std::vector<update::ScannedDrive> chosen;
  for (const update::ScannedDrive& drive : drives) {
    if (drive.maker && (request.model.empty() || drive.model == request.model)) chosen.push_back(drive);
  }
  log.Note(std::string("drives: ") + transport.TransportName() + (scanWorked ? "" : ", could not scan") + ", " +
           std::to_string(drives.size()) + " found, " + std::to_string(chosen.size()) +
           (request.model.empty() ? " of the maker" : " of model " + request.model));
  if (!scanWorked) ends.push_back(DriveEnd::Failed);
  for (const scsi::DriveProblem& problem : transport.TakeProblems()) {
    log.Note("scan: " + DriveProblemText(problem));
    if (problem.cause == scsi::ProblemCause::DriveNotOpened || problem.cause == scsi::ProblemCause::DriveNotAnswering) {
      ends.push_back(DriveEnd::Failed);
    }
  }
  return chosen;
}

// Settles the updates an earlier run left open and logs them; those that did
// not take end this run as failed too.
void SettleEarlierUpdates(const std::string& historyFile, const std::vector<update::ScannedDrive>& drives,
                          ScriptLog& log, std::vector<DriveEnd>& ends) {
  bool anotherUpdate = false;
  for (const update::CheckedUpdate& update : update::SettleOpenRecordsUnlessUpdating(historyFile, drives, anotherUpdate)) {
    log.Note("an update left open before, settled now: " + update::FormatRecord(update.record));
    const DriveEnd earlier = EndOfVerdict(update.verdict);
    if (earlier != DriveEnd::Verified) log.Note(EarlierUpdateText(update.record, update.verdict));
    ends.push_back(earlier);
  }
  if (anotherUpdate) log.Note("another update is running on this computer: the history's open records are its own");
  log.Note("history: " + (historyFile.empty() ? std::string("none (no folder can take it)") : historyFile));
}

// Fetches and verifies the run's catalogue, logging what happened.
CatalogueState FetchCatalogue(CatalogueFetcher& fetcher, const std::string& historyFile, std::string& text,
                              bool& hashRequired, ScriptLog& log) {
  const update::FetchedCatalogue fetched =
      update::FetchVerifiedCatalogue(fetcher, catalogue::SerialFileBeside(historyFile), true);
  log.Note("catalogue: " + fetched.server + ": " + update::VerificationText(fetched));
  for (catalogue::FetchFailure failure : fetcher.failures) log.Note("catalogue: " + FetchFailureText(failure));
  if (fetched.serialNotKept) {
    log.Note("catalogue: its serial " + std::to_string(fetched.issue.serial) + " could not be kept in " +
             catalogue::SerialFileBeside(historyFile) + "; an older catalogue would not be refused next time");
  }
  text = fetched.text;
  hashRequired = fetched.hashRequired;
  return !fetched.arrived ? CatalogueState::NotArrived
         : !fetched.usable ? CatalogueState::NotVerified
                           : CatalogueState::Usable;
}

// After the scan: the catalogue, the plan, and with /update the drives.
int FetchAndUpdate(const ScriptRequest& request, scsi::ScsiTransport& transport,
                   const std::vector<update::ScannedDrive>& chosen, const std::string& historyFile,
                   ScriptLog& log, std::vector<DriveEnd>& ends) {
  CatalogueFetcher fetcher;
  if (!update::UseSource(fetcher, request.source, historyFile)) {
    log.Note("catalogue: the source " + request.source + " cannot be read by this program; nothing was fetched");
    log.Line(DriveTableHeader());
    return log.End(ExitCodeWith(ends, kExitNoCatalogue));
  }
  std::string text;
  bool hashRequired = false;
  const CatalogueState state = FetchCatalogue(fetcher, historyFile, text, hashRequired, log);
  const std::vector<update::DrivePlan> plans = update::PlanUpdates(
      chosen, state == CatalogueState::Usable ? text : std::string(), hashRequired, update::ReadHistory(historyFile));
  log.Line(DriveTableHeader());
  for (const update::DrivePlan& plan : plans) log.Line(DriveTableLine(plan));
  if (request.mode == ScriptMode::Check || state != CatalogueState::Usable) {
    update::ReleaseFetch(fetcher);
    // Drives that could not be scanned are not "no drive of the maker".
    if (request.mode == ScriptMode::Check) return log.End(ExitCodeWith(ends, CheckExitCode(state, plans)));
    return log.End(
        ExitCodeWith(ends, state == CatalogueState::NotVerified ? kExitCatalogueNotVerified : kExitNoCatalogue));
  }
  UpdatePlannedDrives(plans, transport, fetcher, historyFile, log, ends);
  update::ReleaseFetch(fetcher);
  return log.End(ExitCodeWith(ends, kExitNothingToDo));
}

}  // namespace

int RunScript(const ScriptRequest& request, scsi::ScsiTransport& transport) {
  const std::string historyFile = update::HistoryFilePath(transport.isNt);
  ScriptLog log;
  if (!StartLog(log, request, historyFile)) return kExitLogNotWritten;
  if (!request.error.empty()) {
    log.Note("the command line: " + request.error);
    return log.End(kExitBadCommandLine);
  }
  if (request.mode == ScriptMode::Update && !request.yes) {
    log.Note("nothing was done: an unattended update runs only when the command line says /yes");
    return log.End(kExitNotConfirmed);
  }

  std::vector<DriveEnd> ends;
  const std::vector<update::ScannedDrive> drives = update::SnapshotDrives(transport);
  const std::vector<update::ScannedDrive> chosen = ScannedDrives(request, transport, drives, log, ends);
  SettleEarlierUpdates(historyFile, drives, log, ends);
  if (request.mode == ScriptMode::Update && chosen.empty()) {
    log.Line(DriveTableHeader());
    // Not having looked is not having nothing to do.
    return log.End(ExitCodeWith(ends, kExitNothingToDo));
  }
  return FetchAndUpdate(request, transport, chosen, historyFile, log, ends);
}

}  // namespace script
