#include "app/WizardApp.h"

#include <windows.h>

#include <memory>

#include "app/CommandLine.h"
#include "app/ReportCommand.h"
#include "app/SupportReport.h"
#include "app/UpdateFollowUp.h"
#include "catalogue/CatalogueIssue.h"
#include "framework/Language.h"
#include "framework/Platform.h"
#include "messages/ShowMessages.h"
#include "scsi/ScsiTransport.h"
#include "wizard/WizardDialog.h"

namespace {

// The program's own path, for the folder beside it.
std::string ProgramPath() {
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, length < MAX_PATH ? length : 0);
}

}  // namespace

bool WizardApp::InitInstance() {
  const std::string localFolder = app::LocalSourceFolder(GetCommandLineA(), ProgramPath());
  std::string reportFile;
  if (app::ParseReportRequest(GetCommandLineA(), reportFile)) {
    m_nExitCode = app::WriteSupportReport(reportFile, theTransport, localFolder);
    return false;
  }

  // What the drive scan met during static initialisation is said before the
  // wizard appears.
  messages::ReportDriveProblems(theTransport);
  // The language is decided once, here, and handed to whoever speaks.
  const Language language = LanguageOf(platform::UserLanguageId());
  app::UpdateFollowUp followUp(theTransport, language);
  followUp.CheckPending();

  auto wizard = std::make_unique<WizardDialog>(language);
  wizard->acceptedSerialFile = SerialFileBeside(app::HistoryFilePath(theTransport.isNt));
  wizard->SetLocalSource(localFolder);
  wizard->onBeforeFlash = [&followUp](install::UpdateRecord& record, const std::string& savedPath) {
    return followUp.ReadyToFlash(record, savedPath);
  };
  wizard->onUpdateStarted = [&followUp](install::UpdateRecord& record, install::StartedProgram& flasher) {
    followUp.Started(record, flasher);
  };
  m_pMainWnd = wizard.get();
  // The wizard's result is not acted on; it becomes the process's exit code so
  // that whoever started the program can tell how it ended.
  m_nExitCode = static_cast<int>(wizard->DoModal());
  m_pMainWnd = nullptr;
  wizard.reset();

  followUp.CheckStarted();
  return false;
}
