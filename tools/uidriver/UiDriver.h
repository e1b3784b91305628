// A small driver for the windows of another process, as a person would use
// them: it finds windows by class, title and control id, clicks buttons,
// clicks list rows, presses keys and fills the save-file dialog. Reading a
// list view of another process needs memory in that process; the driver
// allocates it there for each request.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace uidriver {

// A program started for driving; its exit code once it has ended.
class Process {
 public:
  // Starts `commandLine` in `folder` (empty: the current folder).
  bool Start(const std::string& commandLine, const std::string& folder = "");
  DWORD id() const { return info_.dwProcessId; }
  // Waits for the end; false when it is still running after `timeoutMs`.
  bool WaitForExit(int timeoutMs);
  DWORD ExitCode() const;
  // Ends the process if it still runs (only the process this object started).
  void Terminate();
  ~Process();

 private:
  PROCESS_INFORMATION info_{};
};

// Top-level windows of a process that are visible, newest first as the
// system lists them. `className` and `title` filter when not empty.
std::vector<HWND> TopWindows(DWORD processId, const std::string& className = "",
                             const std::string& title = "");

// Waits until a visible top-level window of the process matches and is not
// in `exclude`; 0 after `timeoutMs`.
HWND WaitForWindow(DWORD processId, const std::string& className, const std::string& title,
                   int timeoutMs, const std::vector<HWND>& exclude = {});

// Waits until `window` is gone; false after `timeoutMs`.
bool WaitForClose(HWND window, int timeoutMs);

// Waits until the predicate holds; false after `timeoutMs`.
template <typename Predicate>
bool WaitUntil(Predicate predicate, int timeoutMs) {
  for (int waited = 0;; waited += 20) {
    if (predicate()) return true;
    if (waited >= timeoutMs) return false;
    Sleep(20);
  }
}

HWND Control(HWND dialog, int id);
std::string Text(HWND window);
bool IsEnabled(HWND window);
bool IsShown(HWND window);
// The window's rectangle in its parent's client coordinates (screen
// coordinates for a top-level window).
RECT PlaceInParent(HWND window);

// Clicks a push button as the mouse does; false when it is hidden or disabled
// (a person cannot click it then).
bool Click(HWND button);
bool ClickId(HWND dialog, int id);

// A key pressed while `window` has the input (the dialog manager sees it).
void PressKey(HWND window, UINT virtualKey);

// Report-mode list views of another process.
int ListRowCount(HWND list);
int ListColumnCount(HWND list);
int ListColumnWidth(HWND list, int column);
std::string ListColumnTitle(HWND list, int column);
std::string ListText(HWND list, int row, int column);
std::vector<int> ListSelectedRows(HWND list);
// Clicks row `row` (its first column) with the left mouse button; -1 clicks
// the empty area below the last row.
bool ClickListRow(HWND list, int row);

// Fills the file name of the platform's save-file dialog and confirms it;
// answers Yes when the dialog asks whether to replace an existing file.
bool FillSaveDialog(HWND dialog, const std::string& path, int timeoutMs);

// The client area of `window` as the screen shows it, row by row, as
// 0x00RRGGBB values; empty when it cannot be read.
std::vector<DWORD> ScreenPixels(HWND window);

// Whether the screen shows `window`'s client area as the window paints it
// when asked to paint all of it again: false for a stale picture, such as a
// page whose new image was never painted.
bool ShowsWhatItPaints(HWND window, int timeoutMs);

}  // namespace uidriver
