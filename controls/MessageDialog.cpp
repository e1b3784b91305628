#include "controls/MessageDialog.h"

#include "controls/ControlTexts.h"
#include "resources/resource.h"

namespace controls {

MessageDialog::MessageDialog(Language language) : CDialog(IDD_MESSAGE), language(language) {}

void MessageDialog::DoDataExchange(CDataExchange* dx) {
  DDX_Control(dx, IDC_PANEL, panel);
  DDX_Control(dx, IDOK, yesButton);
  DDX_Control(dx, IDCANCEL, noButton);
}

bool MessageDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  panel.showBackground = true;
  background.LoadBitmap(IDB_BACKGROUND);
  const bool chinese = IsChinese(language);
  if (singleButton) {
    yesButton.ShowWindow(SW_HIDE);
    noButton.SetWindowText(chinese ? text::kConfirmChinese : text::kExitEnglish);
    // Enter presses the default button, and without one the dialog manager
    // sends IDOK: an error report would answer Yes. Its one button is the
    // default instead.
    SendMessage(DM_SETDEFID, IDCANCEL);
  } else {
    yesButton.SetWindowText(yesText != nullptr ? yesText : chinese ? text::kYesChinese : text::kYesEnglish);
    noButton.SetWindowText(noText != nullptr ? noText : chinese ? text::kNoChinese : text::kNoEnglish);
  }
  return true;  // the dialog manager focuses the first visible button
}

void MessageDialog::OnPaint() {
  CPaintDC dc(*this);
  if (background.m_hObject == nullptr) return;
  CMemoryDC memory(dc);
  memory.SelectObject(background);
  dc.BitBlt(0, 0, kBackgroundWidth, kBackgroundHeight, memory, 0, 0, SRCCOPY);
}

}  // namespace controls
