#include "framework/Wnd.h"

#include <vector>

#include "framework/EscapedException.h"
#include "framework/MessageBox.h"
#include "framework/WinApp.h"

namespace framework {
namespace {

// The window property that points from a window to its object.
constexpr const char* kObjectProperty = "VornFrameworkObject";

// Signed client coordinates of a mouse message.
POINT PointOf(LPARAM lParam) {
  return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

}  // namespace

CWnd* AfxGetMainWnd() {
  CWinApp* application = AfxGetApp();
  return application != nullptr ? application->m_pMainWnd : nullptr;
}
HINSTANCE AfxGetResourceHandle() { return GetModuleHandleA(nullptr); }

CWnd::~CWnd() {
  if (CWinApp* application = AfxGetApp(); application && application->m_pMainWnd == this) {
    application->m_pMainWnd = nullptr;
  }
  // The window may outlive its object (a control of a dialog that is still
  // open); it must not keep calling into freed memory.
  if (m_hWnd != nullptr && FromHandlePermanent(m_hWnd) == this) {
    if (original_ != nullptr) UnsubclassWindow();
    else Detach();
  }
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  return static_cast<CWnd*>(GetPropA(hwnd, kObjectProperty));
}

void CWnd::Attach(HWND hwnd) {
  m_hWnd = hwnd;
  SetPropA(hwnd, kObjectProperty, this);
}

void CWnd::Detach() {
  if (m_hWnd != nullptr) RemovePropA(m_hWnd, kObjectProperty);
  m_hWnd = nullptr;
  original_ = nullptr;
}

void CWnd::HookProcedure() {
  original_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::Procedure)));
}

bool CWnd::SubclassWindow(HWND hwnd) {
  if (hwnd == nullptr || m_hWnd != nullptr || FromHandlePermanent(hwnd) != nullptr) return false;
  Attach(hwnd);
  PreSubclassWindow();
  HookProcedure();
  return original_ != nullptr;
}

bool CWnd::SubclassDlgItem(int id, const CWnd* parent) {
  if (parent == nullptr) return false;
  return SubclassWindow(::GetDlgItem(parent->m_hWnd, id));
}

HWND CWnd::UnsubclassWindow() {
  HWND hwnd = m_hWnd;
  if (hwnd != nullptr && original_ != nullptr) {
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
  }
  Detach();
  return hwnd;
}

LRESULT CALLBACK CWnd::Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CWnd* self = FromHandlePermanent(hwnd);
  if (self == nullptr) return DefWindowProcA(hwnd, msg, wParam, lParam);
  WNDPROC original = self->original_;
  const Message saved = self->current_;
  self->current_ = Message{msg, wParam, lParam};
  LRESULT result = 0;
  try {
    if (msg == WM_NCDESTROY) {
      // The last message: run the original procedure, then unbind so that
      // the object can live on (or be deleted) without its window.
      result = CallWindowProcA(original, hwnd, msg, wParam, lParam);
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
      self->Detach();
      self->PostNcDestroy();
      return result;
    }
    result = self->WindowProc(msg, wParam, lParam);
  } catch (...) {
    // No exception may unwind through the system's dispatch.
    ReportEscapedException("the window procedure", msg);
    result = 0;
  }
  if (FromHandlePermanent(hwnd) == self) self->current_ = saved;
  return result;
}

LRESULT CWnd::Default() {
  if (m_hWnd == nullptr || original_ == nullptr) return 0;
  return CallWindowProcA(original_, m_hWnd, current_.msg, current_.wParam, current_.lParam);
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  const POINT point = PointOf(lParam);
  switch (msg) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_TIMER:
      OnTimer(wParam);
      return 0;
    case WM_LBUTTONDOWN:
      OnLButtonDown(static_cast<UINT>(wParam), point);
      return 0;
    case WM_LBUTTONUP:
      OnLButtonUp(static_cast<UINT>(wParam), point);
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(static_cast<UINT>(wParam), point);
      return 0;
    case WM_SETCURSOR:
      return OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam)) ? TRUE
                                                                                           : FALSE;
    case WM_SHOWWINDOW:
      OnShowWindow(wParam != 0, static_cast<UINT>(lParam));
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<LRESULT>(OnQueryDragIcon());
    case WM_COMMAND:
      return OnCommand(wParam, lParam) ? 0 : Default();
    case WM_NOTIFY: {
      LRESULT result = 0;
      return OnNotify(wParam, lParam, &result) ? result : Default();
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORDLG:
      return reinterpret_cast<LRESULT>(OnCtlColor(reinterpret_cast<HDC>(wParam),
                                                  reinterpret_cast<HWND>(lParam), msg));
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      Default();
      if ((GetStyle() & WS_CHILD) == 0) FollowSystemLook(msg, wParam, lParam);
      return 0;
    default:
      return Default();
  }
}

void CWnd::FollowSystemLook(UINT msg, WPARAM wParam, LPARAM lParam) {
  // The common controls take new system colours only when told; the skinned
  // ones read the colours and the High Contrast setting as they paint.
  if (msg == WM_SYSCOLORCHANGE) {
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
      ::SendMessageA(child, msg, wParam, lParam);
    }
  }
  ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void CWnd::OnPaint() { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnLButtonDown(UINT, POINT) { Default(); }
void CWnd::OnLButtonUp(UINT, POINT) { Default(); }
void CWnd::OnMouseMove(UINT, POINT) { Default(); }
bool CWnd::OnSetCursor(HWND, UINT, UINT) { return Default() != 0; }
void CWnd::OnShowWindow(bool, UINT) { Default(); }
void CWnd::OnDestroy() { Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
bool CWnd::OnCommand(WPARAM, LPARAM) { return false; }
bool CWnd::OnNotify(WPARAM, LPARAM, LRESULT*) { return false; }

HBRUSH CWnd::OnCtlColor(HDC dc, HWND child, UINT ctlType) {
  if (child != nullptr && child != m_hWnd) {
    if (CWnd* object = FromHandlePermanent(child)) {
      if (HBRUSH brush = object->CtlColor(dc, ctlType)) return brush;
    }
  }
  return reinterpret_cast<HBRUSH>(Default());
}

HBRUSH CWnd::CtlColor(HDC, UINT) { return nullptr; }

bool CWnd::PreTranslateMessage(MSG*) { return false; }

bool CWnd::DestroyWindow() {
  if (m_hWnd == nullptr) return false;
  return ::DestroyWindow(m_hWnd) != FALSE;
}

LRESULT CWnd::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam) const {
  return ::SendMessageA(m_hWnd, msg, wParam, lParam);
}

bool CWnd::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) const {
  return ::PostMessageA(m_hWnd, msg, wParam, lParam) != FALSE;
}

void CWnd::SetWindowText(const std::string& text) { ::SetWindowTextA(m_hWnd, text.c_str()); }

std::string CWnd::GetWindowText() const {
  const int length = ::GetWindowTextLengthA(m_hWnd);
  std::vector<char> buffer(static_cast<size_t>(length) + 2, '\0');
  const int copied = ::GetWindowTextA(m_hWnd, buffer.data(), static_cast<int>(buffer.size()));
  return std::string(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

bool CWnd::EnableWindow(bool enable) { return ::EnableWindow(m_hWnd, enable) != FALSE; }
bool CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd) != FALSE; }
bool CWnd::ShowWindow(int command) { return ::ShowWindow(m_hWnd, command) != FALSE; }
bool CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd) != FALSE; }
bool CWnd::IsIconic() const { return ::IsIconic(m_hWnd) != FALSE; }
void CWnd::Invalidate(bool erase) { ::InvalidateRect(m_hWnd, nullptr, erase); }
void CWnd::UpdateWindow() { ::UpdateWindow(m_hWnd); }
void CWnd::GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
void CWnd::GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
void CWnd::ScreenToClient(POINT* point) const { ::ScreenToClient(m_hWnd, point); }
void CWnd::ClientToScreen(POINT* point) const { ::ClientToScreen(m_hWnd, point); }

bool CWnd::GetWindowPlacement(WINDOWPLACEMENT* placement) const {
  placement->length = sizeof(WINDOWPLACEMENT);
  return ::GetWindowPlacement(m_hWnd, placement) != FALSE;
}

bool CWnd::SetWindowPlacement(const WINDOWPLACEMENT* placement) {
  return ::SetWindowPlacement(m_hWnd, placement) != FALSE;
}

void CWnd::MoveWindow(int x, int y, int width, int height, bool repaint) {
  ::MoveWindow(m_hWnd, x, y, width, height, repaint);
}

HWND CWnd::GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
HWND CWnd::GetParent() const { return ::GetParent(m_hWnd); }
DWORD CWnd::GetStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE)); }
DWORD CWnd::GetExStyle() const {
  return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_EXSTYLE));
}

bool CWnd::ModifyStyle(DWORD remove, DWORD add) {
  const DWORD style = GetStyle();
  const DWORD changed = (style & ~remove) | add;
  if (changed == style) return false;
  ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(changed));
  return true;
}

HFONT CWnd::GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }

void CWnd::SetFont(HFONT font, bool redraw) {
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw ? TRUE : FALSE);
}

HICON CWnd::SetIcon(HICON icon, bool big) {
  return reinterpret_cast<HICON>(
      SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse) {
  return ::SetTimer(m_hWnd, id, elapse, nullptr);
}

bool CWnd::KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id) != FALSE; }
HWND CWnd::SetCapture() { return ::SetCapture(m_hWnd); }

int CWnd::MessageBox(const std::string& text, const std::string& caption, UINT type) {
  return ShowMessageBox(m_hWnd, text, caption, type);
}

}  // namespace framework
