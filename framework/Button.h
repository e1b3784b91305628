// CButton: a push button of a dialog template.
#pragma once

#include "framework/Wnd.h"

namespace framework {

class CButton : public CWnd {
 public:
  // Sends a real click (BM_CLICK): the parent receives BN_CLICKED.
  void Click() { SendMessage(BM_CLICK); }
  UINT GetButtonStyle() const { return static_cast<UINT>(GetStyle()) & 0xFFFF; }
  void SetButtonStyle(UINT style, bool redraw = true) {
    SendMessage(BM_SETSTYLE, style, redraw ? TRUE : FALSE);
  }
};

// Whether `window` is a push button (the dialog manager's own test).
inline bool IsPushButton(HWND window) {
  if (window == nullptr) return false;
  const LRESULT code = ::SendMessageA(window, WM_GETDLGCODE, 0, 0);
  return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

}  // namespace framework

using framework::CButton;
using framework::IsPushButton;
