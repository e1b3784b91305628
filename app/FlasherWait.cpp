#include "app/FlasherWait.h"

#include <windows.h>

#include "app/AppTexts.h"
#include "controls/BitmapPanel.h"
#include "framework/Button.h"
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "resources/resource.h"

namespace app {
namespace {

constexpr UINT_PTR kCheckTimer = 1;
constexpr UINT kCheckMs = 200;
constexpr int kBackgroundWidth = 500;
constexpr int kBackgroundHeight = 300;

bool AllEnded(const std::vector<void*>& processes) {
  for (void* process : processes) {
    if (WaitForSingleObject(static_cast<HANDLE>(process), 0) == WAIT_TIMEOUT) return false;
  }
  return true;
}

// The message dialog's template and skin with neither button: nothing for
// the user to do but wait. Escape and the close box are ignored, for ending
// the wait early would check the drive while it is still being written.
class FlasherWaitWindow : public CDialog {
 public:
  FlasherWaitWindow(const std::vector<void*>& processes, Language language)
      : CDialog(IDD_MESSAGE), processes_(processes), language_(language) {}

 protected:
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Control(dx, IDC_PANEL, panel_);
    DDX_Control(dx, IDOK, yesButton_);
    DDX_Control(dx, IDCANCEL, noButton_);
  }

  bool OnInitDialog() override {
    CDialog::OnInitDialog();
    panel_.showBackground = true;
    panel_.text = AppTextsFor(language_).waiting;
    background_.LoadBitmap(IDB_BACKGROUND);
    yesButton_.ShowWindow(SW_HIDE);
    noButton_.ShowWindow(SW_HIDE);
    PlaceAtScreenCentre();
    SetTimer(kCheckTimer, kCheckMs);
    return true;
  }

  void OnTimer(UINT_PTR id) override {
    if (id != kCheckTimer || !AllEnded(processes_)) return;
    KillTimer(kCheckTimer);
    EndDialog(IDOK);
  }

  void OnPaint() override {
    CPaintDC dc(*this);
    if (background_.m_hObject == nullptr) return;
    CMemoryDC memory(dc);
    memory.SelectObject(background_);
    dc.BitBlt(0, 0, kBackgroundWidth, kBackgroundHeight, memory, 0, 0, SRCCOPY);
  }

  // In the middle of the screen, apart from the flasher's own window, which
  // the system places at the top left when the flasher does not choose.
  void PlaceAtScreenCentre() {
    RECT rect{};
    GetWindowRect(&rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    MoveWindow((GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width,
               height);
  }

  void OnOK() override {}
  void OnCancel() override {}

 private:
  std::vector<void*> processes_;
  Language language_;
  CBitmap background_;
  controls::BitmapPanel panel_;
  CButton yesButton_;
  CButton noButton_;
};

}  // namespace

void WaitForFlashers(const std::vector<void*>& processes, Language language) {
  if (processes.empty() || AllEnded(processes)) return;
  FlasherWaitWindow window(processes, language);
  window.DoModal();
}

}  // namespace app
