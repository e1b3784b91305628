// The installer's default messages: a failure appears in the skinned message
// dialog in its single-button form.
#include <windows.h>

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

#include "install/Installer.h"
#include "resources/resource.h"

namespace {

// Finds a visible dialog of this process, notes its buttons and closes it.
struct DialogCloser {
  std::atomic<bool> found{false};
  std::atomic<bool> yesVisible{true};
  std::atomic<bool> exitVisible{false};
  std::thread thread;

  static BOOL CALLBACK Visit(HWND window, LPARAM self) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof(cls));
    if (process != GetCurrentProcessId() || !IsWindowVisible(window) || lstrcmpA(cls, "#32770") != 0) return TRUE;
    auto* closer = reinterpret_cast<DialogCloser*>(self);
    closer->yesVisible = IsWindowVisible(GetDlgItem(window, IDOK)) != 0;
    closer->exitVisible = IsWindowVisible(GetDlgItem(window, IDCANCEL)) != 0;
    closer->found = true;
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    return FALSE;
  }

  void Start() {
    thread = std::thread([this] {
      for (int i = 0; i < 200 && !found; ++i) {
        Sleep(50);
        EnumWindows(&DialogCloser::Visit, reinterpret_cast<LPARAM>(this));
      }
    });
  }
};

TEST(InstallDialog, AFailureIsShownInTheSingleButtonMessageDialog) {
  install::SetInstallMessages(nullptr);
  DialogCloser closer;
  closer.Start();
  install::RunInstall("", "Z:\\no\\such\\folder\\newfw.zip", "newfw", 1033);  // 501
  closer.thread.join();
  EXPECT_TRUE(closer.found) << "no message dialog appeared";
  EXPECT_FALSE(closer.yesVisible);
  EXPECT_TRUE(closer.exitVisible);
}

}  // namespace
