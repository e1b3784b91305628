#include "controls/BitmapPanel.h"

#include "resources/resource.h"

namespace controls {

BitmapPanel::BitmapPanel() { background.LoadBitmap(IDB_PANEL_BACKGROUND); }

void BitmapPanel::OnPaint() {
  CPaintDC dc(*this);
  CMemoryDC memory(dc);
  RECT rect;
  GetClientRect(&rect);
  dc.SetBkMode(TRANSPARENT);
  // The bitmap is copied unscaled from its top-left corner; without a loaded
  // bitmap there is nothing to copy (the empty memory context would paint black).
  if (showBackground && background.m_hObject != nullptr) {
    memory.SelectObject(background);
    dc.BitBlt(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, memory, 0, 0,
              SRCCOPY);
  }
  rect.left += kSideInset;
  rect.right -= kSideInset;
  rect.top += kTopInset;
  dc.SetTextColor(kTextColour);
  // No format flags: left and top aligned, no word wrap, clipped.
  dc.DrawText(text, &rect, 0);
}

}  // namespace controls
