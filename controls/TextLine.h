// TextLine: one line of text over its parent's own painting (the download
// window's background bitmap, blue there), in white on no background of its
// own. Bound to
// a static control of a template (DDX_Control). A new text first has the
// parent paint again under the line, so that the old text leaves nothing
// behind.
#pragma once

#include <string>

#include "framework/Static.h"

namespace controls {

class TextLine : public CStatic {
 public:
  static constexpr COLORREF kTextColour = 0xFFFFFF;  // white

  // Shows `text` in place of the line's text; nothing when it is the same.
  void SetText(const std::string& text);

 protected:
  HBRUSH CtlColor(HDC dc, UINT ctlType) override;
};

}  // namespace controls
