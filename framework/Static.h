// CStatic: a static control of a dialog template. Skinned statics derive from
// it and are bound with DDX_Control (subclassing), which routes their paint,
// mouse and reflected colour messages to their handlers.
#pragma once

#include "framework/Wnd.h"

namespace framework {

class CStatic : public CWnd {
 public:
  HBITMAP SetBitmap(HBITMAP bitmap) {
    return reinterpret_cast<HBITMAP>(
        SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  }
};

}  // namespace framework

using framework::CStatic;
