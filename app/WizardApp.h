// The application: one static instance (app/Statics.cpp), constructed before
// the SCSI transport, whose InitInstance runs the wizard.
#pragma once

#include "framework/WinApp.h"

class WizardApp : public CWinApp {
 public:
  WizardApp() : CWinApp(nullptr) {}

  // Runs the wizard modally as the main window and returns false, so that the
  // application ends without a message loop of its own.
  bool InitInstance() override;
};

extern WizardApp theApp;
