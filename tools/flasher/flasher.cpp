// The test and demo flasher: stands in for the drive maker's flashing
// program inside firmware archives. It records that it ran, appending a
// line to a log file when it starts and one just before it ends:
//
//   started<TAB><its command line><TAB><its current folder><TAB><time><CR><LF>
//   ended<TAB><time><CR><LF>
//
// The times are milliseconds of the system clock (GetSystemTimeAsFileTime
// / 10000, decimal), which every process shares, so that a test can tell
// whether two flashers ran at the same time. The log is the file named by
// the environment variable VORN_FLASHER_LOG, or flasher.log beside the
// program when that is not set.
//
// It "flashes" a simulated drive: when the file flash.txt beside it names a
// model and the version the archive was built for ("QX-1234A 1.30"), it
// rewrites that drive's revision in the stand-in ASPI library's drive list
// (VORN_ASPI_DRIVES, else wnaspi32.txt in the system folder). The switch
// VORN_FLASHER_OUTCOME changes what it does: "leave" leaves the revision
// alone (a flash that did not take), "remove" takes the drive out of the list
// (a drive that does not come back); anything else flashes.
//
// It shows a small window: after a short pause it makes the change and says
// so, and a person closes it. With VORN_FLASHER_QUIET set to anything but ""
// or "0" it makes the change and ends without a window (for tests); before
// the change it waits VORN_FLASHER_HOLD_MS milliseconds (decimal, default 0),
// and, when VORN_FLASHER_HOLD_UNTIL names a file, until that file exists
// (at most two minutes), so that a test can act while a flasher runs.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "tools/aspi-sim/SimDriveList.h"

namespace {

constexpr int kCloseButton = 100;
constexpr UINT_PTR kFlashTimer = 1;
constexpr UINT kFlashPauseMs = 2500;

HWND statusText = nullptr;

std::string Environment(const char* name) {
  char value[MAX_PATH * 2];
  const DWORD n = GetEnvironmentVariableA(name, value, sizeof(value));
  return (n > 0 && n < sizeof(value)) ? std::string(value, n) : std::string();
}

std::string ProgramFolder() {
  char exe[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, exe, MAX_PATH);
  const std::string path(exe, n);
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string LogPath() {
  const std::string path = Environment("VORN_FLASHER_LOG");
  return path.empty() ? ProgramFolder() + "flasher.log" : path;
}

std::string DriveListPath() {
  const std::string named = aspisim::WinePath(Environment("VORN_ASPI_DRIVES"));
  if (!named.empty()) return named;
  char system[MAX_PATH];
  const UINT n = GetSystemDirectoryA(system, MAX_PATH);
  return std::string(system, n) + "\\wnaspi32.txt";
}

bool ReadText(const std::string& path, std::string& text) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char chunk[4096];
  DWORD got = 0;
  text.clear();
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) text.append(chunk, got);
  CloseHandle(file);
  return true;
}

bool WriteText(const std::string& path, const std::string& text, DWORD disposition, DWORD access) {
  const HANDLE file = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                  written == text.size();
  CloseHandle(file);
  return ok;
}

void Log(const std::string& line) { WriteText(LogPath(), line + "\r\n", OPEN_ALWAYS, FILE_APPEND_DATA); }

// The system clock in milliseconds, as the log writes it.
std::string Now() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const unsigned long long ticks = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return std::to_string(ticks / 10000);
}

void RecordStart() {
  char folder[MAX_PATH];
  const DWORD n = GetCurrentDirectoryA(MAX_PATH, folder);
  Log(std::string("started\t") + GetCommandLineA() + "\t" + std::string(folder, n) + "\t" + Now());
}

void RecordEnd() { Log("ended\t" + Now()); }

void WaitForFile(const std::string& path) {
  if (path.empty()) return;
  for (int waited = 0; waited < 120000 && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES; waited += 50)
    Sleep(50);
}

// Makes the change flash.txt and VORN_FLASHER_OUTCOME ask for; returns what
// was done, in words for the window.
std::string Flash() {
  std::string target;
  if (!ReadText(ProgramFolder() + "flash.txt", target)) return "No flash.txt: nothing was changed.";
  const std::size_t space = target.find(' ');
  const std::string model = target.substr(0, space);
  std::string version = space == std::string::npos ? std::string() : target.substr(space + 1);
  version = version.substr(0, version.find_first_of("\r\n"));
  const std::string outcome = Environment("VORN_FLASHER_OUTCOME");
  if (outcome == "leave") return model + " was left at its old firmware.";
  const std::string listPath = DriveListPath();
  std::string list;
  if (!ReadText(listPath, list)) return "The drive list " + listPath + " cannot be read.";
  const bool remove = outcome == "remove";
  if (!WriteText(listPath, aspisim::ChangeSimDrives(list, model, version, remove), CREATE_ALWAYS, GENERIC_WRITE))
    return "The drive list " + listPath + " cannot be written.";
  return remove ? model + " no longer answers." : model + " now runs firmware " + version + ".";
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
      statusText = CreateWindowA("STATIC", "Test flasher: writing the firmware...\nDo not turn off the computer.",
                                 WS_CHILD | WS_VISIBLE, 12, 12, 300, 40, window, nullptr, nullptr, nullptr);
      HWND button = CreateWindowA("BUTTON", "Close", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 232, 60, 80, 26,
                                  window, reinterpret_cast<HMENU>(kCloseButton), nullptr, nullptr);
      SendMessageA(statusText, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
      SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
      SetTimer(window, kFlashTimer, kFlashPauseMs, nullptr);
      return 0;
    }
    case WM_TIMER:
      if (wParam == kFlashTimer) {
        KillTimer(window, kFlashTimer);
        SetWindowTextA(statusText, ("Test flasher: " + Flash() + "\nClose this window to finish.").c_str());
      }
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kCloseButton) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      // Closed before the pause ended: the firmware was not written.
      KillTimer(window, kFlashTimer);
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
  if (!quiet.empty() && quiet != "0") {
    Sleep(std::strtoul(Environment("VORN_FLASHER_HOLD_MS").c_str(), nullptr, 10));
    WaitForFile(Environment("VORN_FLASHER_HOLD_UNTIL"));
    Flash();
    RecordEnd();
    return 0;
  }

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
  RecordEnd();
  return 0;
}
