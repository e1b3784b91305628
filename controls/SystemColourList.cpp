#include "controls/SystemColourList.h"

#include "framework/Gdi.h"

namespace controls {

namespace {

// A line at the right and at the foot of `rect`, where the header draws its
// edges.
void DrawEdges(HDC dc, const RECT& rect) {
  const HBRUSH line = GetSysColorBrush(COLOR_BTNTEXT);
  const RECT right{rect.right - 1, rect.top, rect.right, rect.bottom};
  const RECT foot{rect.left, rect.bottom - 1, rect.right, rect.bottom};
  FillRect(dc, &right, line);
  FillRect(dc, &foot, line);
}

}  // namespace

HWND SystemColourList::Header() const { return reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER)); }

bool SystemColourList::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const auto* notification = reinterpret_cast<const NMHDR*>(lParam);
  if (notification == nullptr || notification->code != static_cast<UINT>(NM_CUSTOMDRAW) ||
      notification->hwndFrom != Header() || !HighContrastOn()) {
    return CListCtrl::OnNotify(wParam, lParam, result);
  }
  const auto& draw = *reinterpret_cast<const NMCUSTOMDRAW*>(lParam);
  switch (draw.dwDrawStage) {
    case CDDS_PREPAINT:
      *result = CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
      return true;
    case CDDS_ITEMPREPAINT:
      DrawTitle(draw);
      *result = CDRF_SKIPDEFAULT;
      return true;
    case CDDS_POSTPAINT:
      FillPastTitles(draw);
      *result = CDRF_DODEFAULT;
      return true;
    default:
      return CListCtrl::OnNotify(wParam, lParam, result);
  }
}

void SystemColourList::DrawTitle(const NMCUSTOMDRAW& draw) {
  char title[64] = {};
  HDITEMA item{};
  item.mask = HDI_TEXT;
  item.pszText = title;
  item.cchTextMax = sizeof title;
  ::SendMessageA(draw.hdr.hwndFrom, HDM_GETITEMA, draw.dwItemSpec, reinterpret_cast<LPARAM>(&item));
  RECT cell = draw.rc;
  FillRect(draw.hdc, &cell, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdges(draw.hdc, cell);
  // The header has chosen its font into the context.
  ::SetTextColor(draw.hdc, GetSysColor(COLOR_BTNTEXT));
  ::SetBkMode(draw.hdc, TRANSPARENT);
  DrawTextA(draw.hdc, title, -1, &cell, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void SystemColourList::FillPastTitles(const NMCUSTOMDRAW& draw) {
  const int titles = static_cast<int>(::SendMessageA(draw.hdr.hwndFrom, HDM_GETITEMCOUNT, 0, 0));
  RECT last{};
  if (titles <= 0 ||
      !::SendMessageA(draw.hdr.hwndFrom, HDM_GETITEMRECT, titles - 1, reinterpret_cast<LPARAM>(&last))) {
    return;
  }
  const RECT rest{last.right, draw.rc.top, draw.rc.right, draw.rc.bottom};
  if (rest.left < rest.right) FillRect(draw.hdc, &rest, GetSysColorBrush(COLOR_BTNFACE));
}

}  // namespace controls
