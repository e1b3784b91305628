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

}  // namespace framework

using framework::CButton;
