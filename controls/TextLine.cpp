#include "controls/TextLine.h"

#include "framework/Gdi.h"

namespace controls {

void TextLine::SetText(const std::string& text) {
  if (m_hWnd == nullptr || GetWindowText() == text) return;
  SetWindowText(text);
  // The parent paints its background under the line, then the line draws
  // its text over it.
  RECT rect{};
  GetWindowRect(&rect);
  const HWND parent = GetParent();
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  RedrawWindow(parent, &rect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

HBRUSH TextLine::CtlColor(HDC dc, UINT) {
  // With High Contrast the parent draws the system's dialog colour, not its
  // blue bitmap.
  ::SetTextColor(dc, HighContrastOn() ? GetSysColor(COLOR_BTNTEXT) : kTextColour);
  ::SetBkMode(dc, TRANSPARENT);
  return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

}  // namespace controls
