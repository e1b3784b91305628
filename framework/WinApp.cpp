#include "framework/WinApp.h"

#include "framework/Platform.h"

namespace framework {
namespace {

CWinApp* theApplication = nullptr;

constexpr UINT kIdHelp = 0xE146;  // the standard Help command

std::string ProgramName() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name = platform::NamePart(path);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

}  // namespace

CWinApp::CWinApp(const char* appName) : m_pszAppName(appName ? appName : ProgramName()) {
  theApplication = this;
}

CWinApp::~CWinApp() {
  if (theApplication == this) theApplication = nullptr;
}

int CWinApp::Run() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return ExitInstance();
}

bool CWinApp::OnCmdMsg(UINT id) {
  if (id != kIdHelp) return false;
  OnHelp();
  return true;
}

CWinApp* AfxGetApp() { return theApplication; }

int AfxWinMain(HINSTANCE instance) {
  CWinApp* application = AfxGetApp();
  if (application == nullptr) return -1;
  application->m_hInstance = instance;
  // The common controls' classes are registered, and the call's result
  // checked, in one place: CDialog::DoModal, before it creates any dialog.
  if (!application->InitInstance()) return application->ExitInstance();
  return application->Run();
}

}  // namespace framework

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return framework::AfxWinMain(instance);
}
