// CToolTipCtrl: a tooltip window with rectangle tools on one window.
#pragma once

#include <string>

#include "framework/Wnd.h"

namespace framework {

class CToolTipCtrl : public CWnd {
 public:
  ~CToolTipCtrl() override;
  // Creates the tooltip window for `owner`.
  bool Create(CWnd* owner);
  // Adds tool `id` covering `rect` (client coordinates of `window`).
  bool AddTool(CWnd* window, const std::string& text, const RECT& rect, UINT_PTR id);
  void UpdateTipText(const std::string& text, CWnd* window, UINT_PTR id);
  std::string GetText(CWnd* window, UINT_PTR id) const;
  // Lets the tooltip see a mouse message meant for a tool's window.
  void RelayEvent(MSG* msg);
};

}  // namespace framework

using framework::CToolTipCtrl;
