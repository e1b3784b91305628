// BitmapPanel: the text area of the message dialog and the download window.
// Bound to a static control of a template (DDX_Control); paints, when asked,
// the top-left part of its own background bitmap and then the owner's `text`
// in navy, 20 pixels in from the sides and 10 from the top, broken only at
// the text's line feeds. Its window caption is not used by its painting: a
// caption set through SetWindowText shows at once through the static
// control's own drawing, until the next paint draws `text` again. With High
// Contrast on, the panel draws `text` in the system's colours on the
// system's window colour instead of the bitmap.
#pragma once

#include <string>

#include "framework/Gdi.h"
#include "framework/Static.h"

namespace controls {

class BitmapPanel : public CStatic {
 public:
  // Loads the panel background (resource IDB_PANEL_BACKGROUND, 500 x 300).
  BitmapPanel();

  static constexpr COLORREF kTextColour = 0x800000;  // navy: red 0, green 0, blue 128
  static constexpr int kSideInset = 20;
  static constexpr int kTopInset = 10;

  // Paint the bitmap under the text; set by the owner.
  bool showBackground = false;
  // What the panel draws; set by the owner.
  std::string text;
  CBitmap background;

 protected:
  // Makes the owner's `text` the caption too, so that a screen reader reads
  // the message, and the panel the first of its dialog's controls; the
  // dialog is not shown yet, so nothing draws the caption.
  void PreSubclassWindow() override;
  void OnPaint() override;
};

}  // namespace controls
