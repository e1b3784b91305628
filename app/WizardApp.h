// The application: one static instance (app/Statics.cpp), constructed before
// the SCSI transport, whose InitInstance runs the wizard.
#pragma once

#include <string>

#include "framework/WinApp.h"

namespace app {

class WizardApp : public CWinApp {
 public:
  WizardApp() : CWinApp(nullptr) {}

  // Runs the wizard modally as the main window and returns false, so that the
  // application ends without a message loop of its own. Before the wizard it
  // looks for the drives (wizard/DriveSearch.h) and settles the updates a
  // previous run left pending; after it, it waits for
  // the flashers the wizard started and tells whether each update took.
  // With "/report FILE" it writes the support report instead, and with
  // "/check" or "/update" runs the script modes (script/ScriptCommand.h), without a
  // window.
  bool InitInstance() override;

 private:
  // The wizard, with the catalogue from `source` ("/source PATH"; empty:
  // the program's own sources); returns its result.
  int RunWizard(const std::string& source);
};

extern WizardApp theApp;

}  // namespace app
