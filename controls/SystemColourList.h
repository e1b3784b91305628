// SystemColourList: the wizard's list of drives and files. With High
// Contrast on, its column titles are drawn here in the system's button
// colours: a header that a visual style draws keeps the style's light
// background while it takes its text colour from the system, which a High
// Contrast scheme makes light as well (yellow on white). Otherwise the header
// draws itself. Bound to a list view of a dialog template (DDX_Control).
#pragma once

#include "framework/ListCtrl.h"

namespace controls {

class SystemColourList : public CListCtrl {
 protected:
  // The header's drawing stages (NM_CUSTOMDRAW), which reach the list as the
  // header's parent.
  bool OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  HWND Header() const;
  static void DrawTitle(const NMCUSTOMDRAW& draw);
  // The header's strip right of its last title.
  static void FillPastTitles(const NMCUSTOMDRAW& draw);
};

}  // namespace controls
