#include "app/WizardApp.h"

#include <windows.h>

#include <memory>

#include "catalogue/CatalogueIssue.h"
#include "framework/Language.h"
#include "framework/Platform.h"
#include "messages/ShowMessages.h"
#include "report/WriteReport.h"
#include "scsi/ScsiTransport.h"
#include "script/CommandLine.h"
#include "script/ScriptCommand.h"
#include "update/FetchedCatalogue.h"
#include "update/UpdateEngine.h"
#include "wizard/DriveSearch.h"
#include "wizard/WindowVoice.h"
#include "wizard/WizardDialog.h"

namespace app {

bool WizardApp::InitInstance() {
  const script::ScriptRequest request = script::ParseScriptRequest(GetCommandLineA());
  // Without a window the drives are looked for here, at once.
  if (request.mode != script::ScriptMode::None) scsi::theTransport.FindDrives();
  if (request.mode == script::ScriptMode::Report) {
    m_nExitCode = report::WriteSupportReport(request.reportFile, scsi::theTransport, request.source);
    return false;
  }
  if (request.mode != script::ScriptMode::None) {
    m_nExitCode = script::RunScript(request, scsi::theTransport);
    return false;
  }
  m_nExitCode = RunWizard(request.source);
  return false;
}

int WizardApp::RunWizard(const std::string& source) {
  // The language is decided once, here, and handed to whoever speaks.
  const framework::Language language = framework::LanguageOf(platform::UserLanguageId());
  wizard::LookForDrives([] { scsi::theTransport.FindDrives(); }, language);
  // What the look for drives met is said before the wizard appears.
  messages::ReportDriveProblems(scsi::theTransport);
  wizard::WindowVoice voice(language);
  update::UpdateEngine engine(scsi::theTransport, voice);
  engine.CheckPending();

  auto wizard = std::make_unique<wizard::WizardDialog>(language);
  const std::string& historyFile = engine.HistoryFile();
  wizard->acceptedSerialFile = catalogue::SerialFileBeside(historyFile);
  wizard->engine = &engine;
  update::UseSource(wizard->SourceSettings(), source, historyFile);
  voice.fetcher = &wizard->SourceSettings();
  voice.partialFolder = update::WorkRoot(historyFile);
  m_pMainWnd = wizard.get();
  // The wizard's result is not acted on; it becomes the process's exit code so
  // that whoever started the program can tell how it ended.
  const int result = static_cast<int>(wizard->DoModal());
  m_pMainWnd = nullptr;
  wizard.reset();

  // The flashers started from the wizard are waited for, and their drives
  // read back, once it has closed.
  engine.ReadBack();
  return result;
}

}  // namespace app
