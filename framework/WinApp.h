// CWinApp: the application object. The program defines one static instance
// of a class derived from it; the framework's WinMain (WinApp.cpp) runs its
// InitInstance, then its message loop when InitInstance returns true, then
// ExitInstance, whose result is the process's exit code.
#pragma once

#include <windows.h>

#include <string>

namespace framework {

class CWnd;

class CWinApp {
 public:
  // `appName` null: the program file's name without its extension.
  explicit CWinApp(const char* appName = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual bool InitInstance() { return false; }
  // The message loop of an application that keeps running after
  // InitInstance; returns ExitInstance's result.
  virtual int Run();
  virtual int ExitInstance() { return m_nExitCode; }

  // The application's command table has one entry: the standard Help command
  // (ID_HELP) goes to this default handler, which has no help file to open.
  virtual bool OnCmdMsg(UINT id);
  virtual void OnHelp() {}

  std::string m_pszAppName;
  CWnd* m_pMainWnd = nullptr;
  HINSTANCE m_hInstance = nullptr;
  // What the process returns when it ends.
  int m_nExitCode = 0;
};

// The one application object, or null before it is constructed.
CWinApp* AfxGetApp();

// The framework's start: called by WinMain with the program's instance.
int AfxWinMain(HINSTANCE instance);

}  // namespace framework

using framework::AfxGetApp;
using framework::CWinApp;
