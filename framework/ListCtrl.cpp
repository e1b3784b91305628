#include "framework/ListCtrl.h"

#include <vector>

namespace framework {

int CListCtrl::InsertColumn(int column, const LVCOLUMNA& format) {
  return static_cast<int>(
      SendMessage(LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&format)));
}

bool CListCtrl::DeleteColumn(int column) { return SendMessage(LVM_DELETECOLUMN, column) != 0; }

int CListCtrl::GetHeaderItemCount() const {
  HWND header = reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER));
  return header ? static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

int CListCtrl::GetColumnWidth(int column) const {
  return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, column));
}

bool CListCtrl::SetColumnWidth(int column, int width) {
  return SendMessage(LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0)) != 0;
}

void CListCtrl::SetExtendedStyle(DWORD styles) { SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, styles, styles); }

int CListCtrl::GetStringWidth(const std::string& text) const {
  return static_cast<int>(SendMessage(LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

int CListCtrl::GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }

int CListCtrl::InsertItem(const LVITEMA& item) {
  return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CListCtrl::SetItemText(int row, int column, const std::string& text) {
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  return SendMessage(LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item)) != 0;
}

std::string CListCtrl::GetItemText(int row, int column, int capacity) const {
  if (capacity <= 0) return {};
  std::vector<char> buffer(capacity, '\0');
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = buffer.data();
  item.cchTextMax = capacity;
  const LRESULT length = SendMessage(LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  return std::string(buffer.data(), length > 0 ? static_cast<size_t>(length) : 0);
}

bool CListCtrl::DeleteAllItems() { return SendMessage(LVM_DELETEALLITEMS) != 0; }

int CListCtrl::GetNextItem(int start, int flags) const {
  return static_cast<int>(SendMessage(LVM_GETNEXTITEM, start, MAKELPARAM(flags, 0)));
}

bool CListCtrl::SetItemState(int row, UINT state, UINT mask) {
  LVITEMA item{};
  item.stateMask = mask;
  item.state = state;
  return SendMessage(LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item)) != 0;
}

int CListCtrl::SetSelectionMark(int row) {
  return static_cast<int>(SendMessage(LVM_SETSELECTIONMARK, 0, row));
}

int CListCtrl::GetSelectionMark() const {
  return static_cast<int>(SendMessage(LVM_GETSELECTIONMARK));
}

}  // namespace framework
