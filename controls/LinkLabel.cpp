#include "controls/LinkLabel.h"

#include <mapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "Deployment.h"
#include "messages/ControlTexts.h"

namespace controls {
namespace {

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::string Trimmed(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

std::vector<char> Buffer(const std::string& text) {
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  return buffer;
}

}  // namespace

LinkLabel::LinkLabel() = default;

LinkLabel::~LinkLabel() {
  if (m_hWnd != nullptr) KillTimer(kHoverTimer);
}

bool LinkLabel::SetTarget(const std::string& text) {
  const std::string trimmed = Trimmed(text);
  if (trimmed.empty() && (m_hWnd == nullptr || GetWindowText().empty())) return false;
  target = trimmed;
  return true;
}

void LinkLabel::SetToolTipText(const std::string& text) {
  toolTip.UpdateTipText(text, this, kToolId);
}

bool LinkLabel::IsMailTarget(const std::string& target) {
  static const char kMailto[] = "mailto";
  if (target.size() <= 6 || target[6] != ':') return false;
  for (int i = 0; i < 6; ++i) {
    if (std::tolower(static_cast<unsigned char>(target[i])) != kMailto[i]) return false;
  }
  return true;
}

void LinkLabel::PreSubclassWindow() {
  // A static control gets mouse input only with the notify style.
  ModifyStyle(0, SS_NOTIFY);
  cursor = LoadCursor(nullptr, IDC_ARROW);
  toolTip.Create(this);
  RECT client;
  GetClientRect(&client);
  toolTip.AddTool(this, target, client, kToolId);
  if (HFONT current = GetFont()) {
    LOGFONTA description{};
    if (GetObjectA(current, sizeof description, &description) != 0) {
      description.lfUnderline = TRUE;
      if (controlFont_.CreateFontIndirect(description)) SetFont(controlFont_, false);
    }
  }
  backgroundMode = TRANSPARENT;
  LOGBRUSH hollow{};
  GetObjectA(GetStockObject(HOLLOW_BRUSH), sizeof hollow, &hollow);
  backgroundBrush.CreateBrushIndirect(hollow);
  Invalidate();
  CStatic::PreSubclassWindow();
}

bool LinkLabel::PreTranslateMessage(MSG* msg) {
  toolTip.RelayEvent(msg);
  if (msg->message == WM_KEYDOWN && msg->hwnd == m_hWnd && (msg->wParam == VK_RETURN || msg->wParam == VK_SPACE)) {
    Activate();
    return true;
  }
  return CStatic::PreTranslateMessage(msg);
}

void LinkLabel::Activate() {
  visited = IsMailTarget(target) ? SendMailTo(target, "") : OpenLink(target);
  textColour = IdleColour();
  Redraw();
}

LRESULT LinkLabel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SETFOCUS || msg == WM_KILLFOCUS) {
    const LRESULT result = CStatic::WindowProc(msg, wParam, lParam);
    Redraw();
    return result;
  }
  return CStatic::WindowProc(msg, wParam, lParam);
}

HBRUSH LinkLabel::CtlColor(HDC dc, UINT) {
  // With High Contrast the link takes the system's colour for links, the
  // underline still marking it; the skin's colours could vanish there.
  ::SetTextColor(dc, HighContrastOn() ? GetSysColor(COLOR_HOTLIGHT) : textColour);
  ::SetBkColor(dc, backgroundColour);
  ::SetBkMode(dc, backgroundMode);
  if (HFONT current = GetFont()) {
    LOGFONTA description{};
    if (GetObjectA(current, sizeof description, &description) != 0) {
      description.lfUnderline = TRUE;
      font.CreateFontIndirect(description);
      ::SelectObject(dc, font.m_hObject);
    }
  }
  return backgroundBrush;
}

bool LinkLabel::OnSetCursor(HWND, UINT, UINT) {
  ::SetCursor(cursor);
  if (hovering) return true;
  SetTimer(kHoverTimer, kHoverPeriodMs);
  hovering = true;
  textColour = hoverColour;
  Redraw();
  return true;
}

void LinkLabel::OnTimer(UINT_PTR id) {
  if (id != kHoverTimer) {
    CStatic::OnTimer(id);
    return;
  }
  RECT rect;
  GetWindowRect(&rect);
  POINT cursorAt;
  GetCursorPos(&cursorAt);
  if (PtInRect(&rect, cursorAt)) return;
  hovering = false;
  textColour = IdleColour();
  KillTimer(kHoverTimer);
  Redraw();
}

void LinkLabel::OnLButtonDown(UINT, POINT) {
  SetCapture();
  textColour = activeColour;
  Redraw();
}

void LinkLabel::OnLButtonUp(UINT, POINT point) {
  if (GetCapture() != m_hWnd) return;
  ReleaseCapture();
  ClientToScreen(&point);
  RECT rect;
  GetWindowRect(&rect);
  if (PtInRect(&rect, point)) {
    Activate();
    return;
  }
  textColour = IdleColour();
  Redraw();
}

void LinkLabel::OnPaint() {
  // The label always shows the site address, whatever the template said or
  // `target` holds; the static control itself draws it, in the colours and
  // font of the reflected colour request.
  if (GetWindowText() != deployment::webAddress) SetWindowText(deployment::webAddress);
  Default();
  // The focus frame hugs the address: the label is wider than its text.
  if (::GetFocus() != m_hWnd) return;
  HDC dc = ::GetDC(m_hWnd);
  if (dc == nullptr) return;
  const HGDIOBJ before = ::SelectObject(dc, controlFont_.m_hObject ? controlFont_.m_hObject : GetFont());
  SIZE extent{};
  ::GetTextExtentPoint32A(dc, deployment::webAddress, static_cast<int>(std::strlen(deployment::webAddress)), &extent);
  ::SelectObject(dc, before);
  RECT client{};
  GetClientRect(&client);
  RECT frame{0, 0, std::min<LONG>(extent.cx + 2, client.right), std::min<LONG>(extent.cy + 1, client.bottom)};
  ::DrawFocusRect(dc, &frame);
  ::ReleaseDC(m_hWnd, dc);
}

void LinkLabel::Redraw() {
  HWND parent = GetParent();
  if (parent == nullptr) {
    Invalidate(true);
    return;
  }
  RECT rect;
  GetWindowRect(&rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  RedrawWindow(parent, &rect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool LinkLabel::OpenLink(const std::string& link) {
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteA(nullptr, "open", link.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result > 32) return true;
  MessageBox(messages::control_text::kOpenFailed, messages::control_text::kErrorCaption, MB_ICONERROR);
  return false;
}

bool LinkLabel::SendMailTo(const std::string& address, const std::string& name) {
  std::vector<char> addressBuffer = Buffer(address);
  std::vector<char> nameBuffer = Buffer(name);
  ULONG result = MAPI_E_FAILURE;
  if (HMODULE library = LoadLibraryA("MAPI32.DLL")) {
    auto send = reinterpret_cast<LPMAPISENDMAIL>(
        reinterpret_cast<void*>(GetProcAddress(library, "MAPISendMail")));
    if (send != nullptr) {
      MapiRecipDesc recipient{};
      recipient.ulReserved = 0;
      recipient.ulRecipClass = MAPI_TO;
      recipient.lpszName = nameBuffer.data();
      recipient.lpszAddress = addressBuffer.data();
      recipient.ulEIDSize = 0;
      recipient.lpEntryID = nullptr;
      MapiMessage message{};
      message.nRecipCount = 1;
      message.lpRecips = &recipient;
      message.nFileCount = 0;
      message.lpFiles = nullptr;
      CWnd* main = AfxGetMainWnd();
      const ULONG_PTR parent = reinterpret_cast<ULONG_PTR>(main != nullptr ? main->m_hWnd : nullptr);
      result = send(0, parent, &message, MAPI_LOGON_UI | MAPI_DIALOG, 0);
    }
    FreeLibrary(library);
  }
  if (result == SUCCESS_SUCCESS) return true;
  MessageBox(messages::control_text::kMailFailed, messages::control_text::kErrorCaption, MB_ICONERROR);
  return false;
}

}  // namespace controls
