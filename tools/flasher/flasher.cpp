// The test and demo flasher: stands in for the drive maker's flashing
// program inside firmware archives. It flashes nothing. It records that it
// ran, appending one line to a log file:
//
//   started<TAB><its command line><TAB><its current folder><CR><LF>
//
// The log is the file named by the environment variable VORN_FLASHER_LOG,
// or flasher.log beside the program when that is not set. Then it shows a
// small window that a person closes; with VORN_FLASHER_QUIET set to anything
// but "" or "0" it ends at once instead (for tests).
#include <windows.h>

#include <string>

namespace {

constexpr int kCloseButton = 100;

std::string Environment(const char* name) {
  char value[MAX_PATH * 2];
  const DWORD n = GetEnvironmentVariableA(name, value, sizeof(value));
  return (n > 0 && n < sizeof(value)) ? std::string(value, n) : std::string();
}

std::string LogPath() {
  std::string path = Environment("VORN_FLASHER_LOG");
  if (!path.empty()) return path;
  char exe[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, exe, MAX_PATH);
  path.assign(exe, n);
  const std::size_t slash = path.find_last_of("\\/");
  path = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "flasher.log";
  return path;
}

void RecordStart() {
  char folder[MAX_PATH];
  const DWORD n = GetCurrentDirectoryA(MAX_PATH, folder);
  const std::string line = std::string("started\t") + GetCommandLineA() + "\t" + std::string(folder, n) + "\r\n";
  const HANDLE log = CreateFileA(LogPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (log == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(log);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
      HWND text = CreateWindowA("STATIC", "Test flasher: no firmware is written.\nClose this window to finish.",
                                WS_CHILD | WS_VISIBLE, 12, 12, 300, 40, window, nullptr, nullptr, nullptr);
      HWND button = CreateWindowA("BUTTON", "Close", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 232, 60, 80, 26,
                                  window, reinterpret_cast<HMENU>(kCloseButton), nullptr, nullptr);
      SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
      SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == kCloseButton) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  RecordStart();
  const std::string quiet = Environment("VORN_FLASHER_QUIET");
  if (!quiet.empty() && quiet != "0") return 0;

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = "VornTestFlasher";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA("VornTestFlasher", "Firmware flasher (test)",
                              WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, 340, 130,
                              nullptr, nullptr, instance, nullptr);
  ShowWindow(window, show);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageA(window, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return 0;
}
