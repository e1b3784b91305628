#include "controls/BitmapPanel.h"

#include "resources/resource.h"

namespace controls {

BitmapPanel::BitmapPanel() { background.LoadBitmap(IDB_PANEL_BACKGROUND); }

void BitmapPanel::PreSubclassWindow() {
  if (!text.empty()) SetWindowText(text);
  // First among its dialog's controls, so that a screen reader reads the
  // message before the buttons; it overlaps none of them, so nothing else
  // changes.
  ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void BitmapPanel::OnPaint() {
  CPaintDC dc(*this);
  CMemoryDC memory(dc);
  RECT rect;
  GetClientRect(&rect);
  dc.SetBkMode(TRANSPARENT);
  const bool highContrast = HighContrastOn();
  if (highContrast) dc.FillSystemColour(rect, COLOR_WINDOW);
  // The bitmap is copied unscaled from its top-left corner; without a loaded
  // bitmap there is nothing to copy (the empty memory context would paint black).
  if (showBackground && background.m_hObject != nullptr && !highContrast) {
    memory.SelectObject(background);
    dc.BitBlt(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, memory, 0, 0,
              SRCCOPY);
  }
  rect.left += kSideInset;
  rect.right -= kSideInset;
  rect.top += kTopInset;
  dc.SetTextColor(highContrast ? GetSysColor(COLOR_WINDOWTEXT) : kTextColour);
  // No format flags: left and top aligned, no word wrap, clipped.
  dc.DrawText(text, &rect, 0);
}

}  // namespace controls
