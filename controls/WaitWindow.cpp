#include "controls/WaitWindow.h"

#include "controls/MessageDialog.h"

namespace controls {
namespace {

constexpr UINT_PTR kCheckTimer = 1;
constexpr UINT kCheckMs = 200;

class WaitWindow : public MessageDialog {
 public:
  WaitWindow(const std::vector<HANDLE>& handles, const char* text, framework::Language language)
      : MessageDialog(language), handles_(handles) {
    panel.text = text;
  }

 protected:
  bool OnInitDialog() override {
    MessageDialog::OnInitDialog();
    yesButton.ShowWindow(SW_HIDE);
    noButton.ShowWindow(SW_HIDE);
    // In the middle of the screen even over the wizard, apart from a
    // flasher's own window, which the system places at the top left when the
    // flasher does not choose.
    PlaceAtScreenCentre();
    SetTimer(kCheckTimer, kCheckMs);
    return true;
  }

  void OnTimer(UINT_PTR id) override {
    if (id != kCheckTimer || !AllSignalled(handles_)) return;
    KillTimer(kCheckTimer);
    EndDialog(IDOK);
  }

  void OnOK() override {}
  void OnCancel() override {}

 private:
  std::vector<HANDLE> handles_;
};

}  // namespace

bool AllSignalled(const std::vector<HANDLE>& handles) {
  for (HANDLE handle : handles) {
    if (WaitForSingleObject(handle, 0) == WAIT_TIMEOUT) return false;
  }
  return true;
}

void ShowUntilSignalled(const std::vector<HANDLE>& handles, const char* text, framework::Language language) {
  if (AllSignalled(handles)) return;
  WaitWindow window(handles, text, language);
  window.DoModal();
}

}  // namespace controls
