#include "controls/TextLine.h"

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
  ::SetTextColor(dc, kTextColour);
  ::SetBkMode(dc, TRANSPARENT);
  return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

}  // namespace controls
