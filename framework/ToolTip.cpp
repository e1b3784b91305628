#include "framework/ToolTip.h"

#include <commctrl.h>

#include <vector>

namespace framework {
namespace {
TOOLINFOA ToolOf(CWnd* window, UINT_PTR id) {
  TOOLINFOA tool{};
  // The first version of the record: understood by every comctl32.
  tool.cbSize = TTTOOLINFOA_V1_SIZE;
  tool.hwnd = window->m_hWnd;
  tool.uId = id;
  return tool;
}
}  // namespace

CToolTipCtrl::~CToolTipCtrl() {
  if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

bool CToolTipCtrl::Create(CWnd* owner) {
  if (m_hWnd != nullptr) return false;
  HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                              owner != nullptr ? owner->m_hWnd : nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  if (hwnd == nullptr) return false;
  m_hWnd = hwnd;
  return true;
}

bool CToolTipCtrl::AddTool(CWnd* window, const std::string& text, const RECT& rect, UINT_PTR id) {
  TOOLINFOA tool = ToolOf(window, id);
  tool.uFlags = 0;  // a rectangle tool; the owner relays its mouse messages
  tool.rect = rect;
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  tool.lpszText = buffer.data();
  return SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
}

void CToolTipCtrl::UpdateTipText(const std::string& text, CWnd* window, UINT_PTR id) {
  TOOLINFOA tool = ToolOf(window, id);
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  tool.lpszText = buffer.data();
  SendMessage(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

std::string CToolTipCtrl::GetText(CWnd* window, UINT_PTR id) const {
  TOOLINFOA tool = ToolOf(window, id);
  std::vector<char> buffer(1024, '\0');
  tool.lpszText = buffer.data();
  SendMessage(TTM_GETTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
  return std::string(buffer.data());
}

void CToolTipCtrl::RelayEvent(MSG* msg) {
  if (m_hWnd != nullptr) SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
}

}  // namespace framework
