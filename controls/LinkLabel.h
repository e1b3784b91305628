// LinkLabel: a static control that behaves like a web link. It shows the
// maker's web site address underlined, yellow while the mouse is over it, red
// while pressed, magenta after a successful activation and white otherwise;
// a click opens `target` with the shell, or a new mail message through
// Simple MAPI when the target starts with "mailto:" (any case).
//
// Bind it with DDX_Control; the parent reflects the static's colour request
// to it (the framework does so for every bound child).
#pragma once

#include <string>

#include "framework/Gdi.h"
#include "framework/Static.h"
#include "framework/ToolTip.h"

namespace controls {

class LinkLabel : public CStatic {
 public:
  LinkLabel();
  ~LinkLabel() override;

  static constexpr UINT_PTR kHoverTimer = 1;
  static constexpr UINT kHoverPeriodMs = 100;
  static constexpr UINT_PTR kToolId = 1;

  COLORREF linkColour = 0xFFFFFF;     // white
  COLORREF hoverColour = 0x00FFFF;    // yellow
  COLORREF activeColour = 0x0000FF;   // red
  COLORREF visitedColour = 0xFF00FF;  // magenta
  COLORREF textColour = 0xFFFFFF;     // the one in use now
  COLORREF backgroundColour = 0xFFFFFF;
  int backgroundMode = OPAQUE;  // transparent once attached
  CFont font;                   // the control's font, underlined, for each colour request
  CBrush backgroundBrush;       // hollow
  bool hovering = false;
  bool visited = false;
  HCURSOR cursor = nullptr;  // the owner may replace it after attaching
  std::string target;
  CToolTipCtrl toolTip;

  // Stores `text` without its leading and trailing white space as the target.
  // Fails (storing nothing) only when both that and the caption are empty.
  bool SetTarget(const std::string& text);
  void SetToolTipText(const std::string& text);

  // True when a click on `target` sends mail rather than opening it: longer
  // than six characters, "mailto" in any case, then a colon.
  static bool IsMailTarget(const std::string& target);

  // Opens `link` with the shell's "open" verb; reports a failure in a box.
  virtual bool OpenLink(const std::string& link);
  // Opens a new mail message to `address` in the user's mail client through
  // Simple MAPI; reports a failure in a box.
  virtual bool SendMailTo(const std::string& address, const std::string& name);

  // Enter or Space while the label holds the focus opens the target as a
  // click does.
  bool PreTranslateMessage(MSG* msg) override;
  // Opens the target (mail or link) and remembers a success as visited.
  void Activate();

 protected:
  // Redraws the label when it gains or loses the focus, which it marks with
  // a dotted frame.
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void PreSubclassWindow() override;
  HBRUSH CtlColor(HDC dc, UINT ctlType) override;
  bool OnSetCursor(HWND window, UINT hitTest, UINT message) override;
  void OnTimer(UINT_PTR id) override;
  void OnLButtonDown(UINT flags, POINT point) override;
  void OnLButtonUp(UINT flags, POINT point) override;
  void OnPaint() override;

 private:
  // Redraws the label over a freshly painted parent, so that a transparent
  // label in a new colour does not draw over its old text.
  void Redraw();
  COLORREF IdleColour() const { return visited ? visitedColour : linkColour; }

  // The underlined font given to the control itself: the static control
  // selects its own font after the colour request, so the one selected there
  // alone would not show.
  CFont controlFont_;
};

}  // namespace controls
