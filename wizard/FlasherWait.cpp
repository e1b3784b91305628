#include "wizard/FlasherWait.h"

#include <windows.h>

#include "messages/AppTexts.h"
#include "controls/MessageDialog.h"

namespace wizard {
namespace {

constexpr UINT_PTR kCheckTimer = 1;
constexpr UINT kCheckMs = 200;

bool AllEnded(const std::vector<void*>& processes) {
  for (void* process : processes) {
    if (WaitForSingleObject(static_cast<HANDLE>(process), 0) == WAIT_TIMEOUT) return false;
  }
  return true;
}

// The message dialog with neither button: nothing for the user to do but
// wait. Escape and the close box are ignored, for ending the wait early would
// check the drive while it is still being written.
class FlasherWaitWindow : public controls::MessageDialog {
 public:
  FlasherWaitWindow(const std::vector<void*>& processes, framework::Language language)
      : MessageDialog(language), processes_(processes) {
    panel.text = messages::AppTextsFor(language).waiting;
  }

 protected:
  bool OnInitDialog() override {
    MessageDialog::OnInitDialog();
    yesButton.ShowWindow(SW_HIDE);
    noButton.ShowWindow(SW_HIDE);
    // In the middle of the screen even over the wizard, apart from the
    // flasher's own window, which the system places at the top left when the
    // flasher does not choose.
    PlaceAtScreenCentre();
    SetTimer(kCheckTimer, kCheckMs);
    return true;
  }

  void OnTimer(UINT_PTR id) override {
    if (id != kCheckTimer || !AllEnded(processes_)) return;
    KillTimer(kCheckTimer);
    EndDialog(IDOK);
  }

  void OnOK() override {}
  void OnCancel() override {}

 private:
  std::vector<void*> processes_;
};

}  // namespace

void WaitForFlashers(const std::vector<void*>& processes, framework::Language language) {
  if (processes.empty() || AllEnded(processes)) return;
  FlasherWaitWindow window(processes, language);
  window.DoModal();
}

}  // namespace wizard
