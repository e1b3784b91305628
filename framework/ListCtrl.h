// CListCtrl: a list view of a dialog template, one message per method.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "framework/Wnd.h"

namespace framework {

class CListCtrl : public CWnd {
 public:
  // Columns.
  int InsertColumn(int column, const LVCOLUMNA& format);
  bool DeleteColumn(int column);
  // The number of columns, as the list's header control counts them.
  int GetHeaderItemCount() const;
  int GetColumnWidth(int column) const;
  bool SetColumnWidth(int column, int width);
  // Sets the extended list styles `styles` (LVS_EX_*), leaving the others.
  void SetExtendedStyle(DWORD styles);
  // The width in pixels of `text` in the list's font.
  int GetStringWidth(const std::string& text) const;

  // Rows.
  int GetItemCount() const;
  int InsertItem(const LVITEMA& item);
  bool SetItemText(int row, int column, const std::string& text);
  // The text of a cell, cut to `capacity` - 1 bytes as the list does.
  std::string GetItemText(int row, int column, int capacity = 260) const;
  bool DeleteAllItems();

  // Selection: the next row after `start` (-1: from the first) with the
  // state `flags` (LVNI_SELECTED), or -1.
  int GetNextItem(int start, int flags) const;
  // Sets the states of `mask` (LVIS_SELECTED, LVIS_FOCUSED) of `row` to
  // those of `state`.
  bool SetItemState(int row, UINT state, UINT mask);
  int SetSelectionMark(int row);
  int GetSelectionMark() const;
};

}  // namespace framework

using framework::CListCtrl;
