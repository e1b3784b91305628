#include "app/WizardApp.h"

#include <memory>

#include "framework/Language.h"
#include "framework/Platform.h"
#include "messages/ShowMessages.h"
#include "scsi/ScsiTransport.h"
#include "wizard/WizardDialog.h"

bool WizardApp::InitInstance() {
  // What the drive scan met during static initialisation is said before the
  // wizard appears.
  messages::ReportDriveProblems(theTransport);
  // The language is decided once, here, and handed to the wizard.
  auto wizard = std::make_unique<WizardDialog>(LanguageOf(platform::UserLanguageId()));
  m_pMainWnd = wizard.get();
  // The wizard's result is not acted on; it becomes the process's exit code so
  // that whoever started the program can tell how it ended.
  m_nExitCode = static_cast<int>(wizard->DoModal());
  m_pMainWnd = nullptr;
  wizard.reset();
  return false;
}
