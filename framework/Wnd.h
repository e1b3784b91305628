// CWnd: one object bound to one window handle.
//
// A window reaches its object through exactly one binding point: the window
// procedure of this file, installed by SubclassWindow (controls made by a
// dialog template) or by CDialog when its dialog is created. The procedure
// looks the object up, hands the message to the virtual WindowProc, which
// dispatches to the OnX handlers below, and catches every exception so that
// none crosses into the system. A handler that does not override runs
// Default(), the window's original procedure, on the current message.
#pragma once

#include <windows.h>

#include <string>

namespace framework {

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  // The bound window, or null. Kept under the usual name so that code reads
  // as it would with the platform's own framework.
  HWND m_hWnd = nullptr;

  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  // The object bound to `hwnd` through this layer, or null.
  static CWnd* FromHandlePermanent(HWND hwnd);

  // Binds this object to an existing window and routes its messages here.
  // Runs PreSubclassWindow first. Fails when either side is already bound.
  bool SubclassWindow(HWND hwnd);
  // SubclassWindow on the child `id` of `parent`.
  bool SubclassDlgItem(int id, const CWnd* parent);
  // Gives the window its original procedure back and unbinds it.
  HWND UnsubclassWindow();

  // Hook run while binding, before messages are routed here.
  virtual void PreSubclassWindow() {}
  // Called by the modal loop of CDialog for every message meant for this
  // window or one of its children before it is dispatched; true means the
  // message was consumed.
  virtual bool PreTranslateMessage(MSG* msg);
  virtual bool DestroyWindow();

  // Thin wrappers, one message or call each.
  LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;
  bool PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;
  void SetWindowText(const std::string& text);
  std::string GetWindowText() const;
  bool EnableWindow(bool enable = true);
  bool IsWindowEnabled() const;
  bool ShowWindow(int command);
  bool IsWindowVisible() const;
  bool IsIconic() const;
  void Invalidate(bool erase = true);
  void UpdateWindow();
  void GetClientRect(RECT* rect) const;
  void GetWindowRect(RECT* rect) const;
  void ScreenToClient(POINT* point) const;
  void ClientToScreen(POINT* point) const;
  bool GetWindowPlacement(WINDOWPLACEMENT* placement) const;
  bool SetWindowPlacement(const WINDOWPLACEMENT* placement);
  void MoveWindow(int x, int y, int width, int height, bool repaint = true);
  HWND GetDlgItem(int id) const;
  HWND GetParent() const;
  DWORD GetStyle() const;
  DWORD GetExStyle() const;
  bool ModifyStyle(DWORD remove, DWORD add);
  HFONT GetFont() const;
  void SetFont(HFONT font, bool redraw = true);
  HICON SetIcon(HICON icon, bool big);
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse);
  bool KillTimer(UINT_PTR id);
  HWND SetCapture();
  // A message box owned by this window (through the test seam of MessageBox.h).
  int MessageBox(const std::string& text, const std::string& caption = "", UINT type = MB_OK);

 protected:
  // Dispatches one message to the handlers below; override for messages
  // without a handler of their own.
  virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // Runs the window's original procedure on the message being handled.
  LRESULT Default();

  // Handlers. Unless overridden each runs Default().
  virtual void OnPaint();
  virtual void OnTimer(UINT_PTR id);
  virtual void OnLButtonDown(UINT flags, POINT point);
  virtual void OnLButtonUp(UINT flags, POINT point);
  virtual void OnMouseMove(UINT flags, POINT point);
  virtual bool OnSetCursor(HWND window, UINT hitTest, UINT message);
  virtual void OnShowWindow(bool show, UINT status);
  virtual void OnDestroy();
  virtual HCURSOR OnQueryDragIcon();
  // WM_COMMAND and WM_NOTIFY: return true when handled (no default then).
  virtual bool OnCommand(WPARAM wParam, LPARAM lParam);
  virtual bool OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
  // A child's colour request (WM_CTLCOLOR*). The default reflects it to the
  // child's own CtlColor when the child is bound to an object and that
  // returns a brush; otherwise it runs Default().
  virtual HBRUSH OnCtlColor(HDC dc, HWND child, UINT ctlType);
  // The reflected colour request, seen from the child: return the brush for
  // the text background, or null to leave the request to the parent.
  virtual HBRUSH CtlColor(HDC dc, UINT ctlType);
  // A top-level window after a change of the system colours or settings
  // (High Contrast among them): passes a colour change on to the children
  // and repaints the whole window.
  void FollowSystemLook(UINT msg, WPARAM wParam, LPARAM lParam);

  // Called after the window is gone and the object unbound.
  virtual void PostNcDestroy() {}

  // Binds without touching the window procedure (CDialog binds its own
  // window inside the dialog procedure).
  void Attach(HWND hwnd);
  void Detach();
  // Routes the bound window's messages through this layer.
  void HookProcedure();

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  WNDPROC original_ = nullptr;
  struct Message {
    UINT msg = WM_NULL;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
  } current_;
};

// The application's main window (the application object's m_pMainWnd), or null.
CWnd* AfxGetMainWnd();
// The module that holds the program's resources (dialogs, bitmaps, cursors).
HINSTANCE AfxGetResourceHandle();

}  // namespace framework

using framework::CWnd;
using framework::AfxGetMainWnd;
using framework::AfxGetResourceHandle;
