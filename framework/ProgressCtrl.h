// A progress bar control, bound to an existing window (a dialog template's
// control) with SubclassDlgItem.
#pragma once

#include "framework/Wnd.h"

namespace framework {

class CProgressCtrl : public CWnd {
 public:
  // PBM_SETRANGE: the bar runs from `lower` to `upper`.
  void SetRange(short lower, short upper);
  // PBM_GETRANGE.
  void GetRange(int& lower, int& upper) const;
  // PBM_SETPOS; returns the previous position.
  int SetPos(int position);
  // PBM_GETPOS.
  int GetPos() const;
};

}  // namespace framework

using framework::CProgressCtrl;
