#include "app/WizardApp.h"

#include <windows.h>

#include <memory>

#include "app/CommandLine.h"
#include "app/FetchedCatalogue.h"
#include "app/ReportCommand.h"
#include "app/ScriptCommand.h"
#include "app/SupportReport.h"
#include "app/UpdateFollowUp.h"
#include "catalogue/CatalogueIssue.h"
#include "framework/Language.h"
#include "framework/Platform.h"
#include "messages/ShowMessages.h"
#include "scsi/ScsiTransport.h"
#include "wizard/DriveSearch.h"
#include "wizard/WizardDialog.h"

bool WizardApp::InitInstance() {
  const app::ScriptRequest script = app::ParseScriptRequest(GetCommandLineA());
  // Without a window the drives are looked for here, at once.
  if (script.mode != app::ScriptMode::None) theTransport.FindDrives();
  if (script.mode == app::ScriptMode::Report) {
    m_nExitCode = app::WriteSupportReport(script.reportFile, theTransport, script.source);
    return false;
  }
  if (script.mode != app::ScriptMode::None) {
    m_nExitCode = app::RunScript(script, theTransport);
    return false;
  }

  // The language is decided once, here, and handed to whoever speaks.
  const Language language = LanguageOf(platform::UserLanguageId());
  wizard::LookForDrives([] { theTransport.FindDrives(); }, language);
  // What the look for drives met is said before the wizard appears.
  messages::ReportDriveProblems(theTransport);
  app::WindowVoice voice(language);
  app::UpdateFollowUp followUp(theTransport, voice);
  followUp.CheckPending();

  auto wizard = std::make_unique<WizardDialog>(language);
  const std::string historyFile = app::HistoryFilePath(theTransport.isNt);
  wizard->acceptedSerialFile = SerialFileBeside(historyFile);
  wizard->partialFolder = app::WorkRoot(historyFile);
  app::UseSource(wizard->SourceSettings(), script.source, historyFile);
  wizard->onBeforeFlash = [&followUp](update::UpdateRecord& record, const std::string& savedPath) {
    return followUp.ReadyToFlash(record, savedPath);
  };
  wizard->onUpdateStarted = [&followUp](update::UpdateRecord& record, install::StartedProgram& flasher) {
    followUp.Started(record, flasher);
  };
  wizard->onUpdateNotStarted = [&followUp] { followUp.NotStarted(); };
  m_pMainWnd = wizard.get();
  // The wizard's result is not acted on; it becomes the process's exit code so
  // that whoever started the program can tell how it ended.
  m_nExitCode = static_cast<int>(wizard->DoModal());
  m_pMainWnd = nullptr;
  wizard.reset();

  followUp.CheckStarted();
  return false;
}
