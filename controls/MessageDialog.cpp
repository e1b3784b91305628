#include "controls/MessageDialog.h"

#include "messages/ControlTexts.h"
#include "resources/resource.h"

namespace controls {

MessageDialog::MessageDialog(framework::Language language) : CDialog(IDD_MESSAGE), language(language) {}

void MessageDialog::DoDataExchange(CDataExchange* dx) {
  DDX_Control(dx, IDC_PANEL, panel);
  DDX_Control(dx, IDOK, yesButton);
  DDX_Control(dx, IDCANCEL, noButton);
}

bool MessageDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  panel.showBackground = true;
  background.LoadBitmap(IDB_BACKGROUND);
  const bool chinese = framework::IsChinese(language);
  if (singleButton) {
    yesButton.ShowWindow(SW_HIDE);
    noButton.SetWindowText(chinese ? messages::control_text::kConfirmChinese : messages::control_text::kExitEnglish);
    // Enter presses the default button, and without one the dialog manager
    // sends IDOK: an error report would answer Yes. Its one button is the
    // default instead.
    SendMessage(DM_SETDEFID, IDCANCEL);
  } else {
    yesButton.SetWindowText(yesText != nullptr ? yesText : chinese ? messages::control_text::kYesChinese : messages::control_text::kYesEnglish);
    noButton.SetWindowText(noText != nullptr ? noText : chinese ? messages::control_text::kNoChinese : messages::control_text::kNoEnglish);
  }
  StandWhereTheEyeIs();
  return true;  // the dialog manager focuses the first visible button
}

void MessageDialog::StandWhereTheEyeIs() {
  // Over a shown window of the program the template's place holds. With none
  // behind it (a verdict once the wizard has closed, a message at start-up)
  // that place is the screen's top-left corner, far from where the user
  // looks.
  HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
  if (owner == nullptr || !::IsWindowVisible(owner)) PlaceAtScreenCentre();
}

void MessageDialog::PlaceAtScreenCentre() {
  RECT rect{};
  GetWindowRect(&rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  MoveWindow((GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width,
             height);
}

void MessageDialog::OnPaint() {
  CPaintDC dc(*this);
  PaintDialogBackground(*this, dc, background, kBackgroundWidth, kBackgroundHeight);
}

void PaintDialogBackground(CWnd& dialog, CDC& dc, HBITMAP background, int width, int height) {
  if (HighContrastOn()) {
    RECT client{};
    dialog.GetClientRect(&client);
    dc.FillSystemColour(client, COLOR_BTNFACE);
    return;
  }
  if (background == nullptr) return;
  CMemoryDC memory(dc);
  memory.SelectObject(background);
  dc.BitBlt(0, 0, width, height, memory, 0, 0, SRCCOPY);
}

}  // namespace controls
