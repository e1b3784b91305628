#include "framework/Gdi.h"

#include "Deployment.h"
#include "framework/Wnd.h"

namespace framework {

CDC::~CDC() { RestoreObjects(); }

HGDIOBJ CDC::SelectObject(HGDIOBJ object) {
  if (m_hDC == nullptr || object == nullptr) return nullptr;
  HGDIOBJ previous = ::SelectObject(m_hDC, object);
  HGDIOBJ* slot = nullptr;
  switch (GetObjectType(object)) {
    case OBJ_BITMAP: slot = &oldBitmap_; break;
    case OBJ_FONT: slot = &oldFont_; break;
    case OBJ_BRUSH: slot = &oldBrush_; break;
    case OBJ_PEN: slot = &oldPen_; break;
    default: break;
  }
  if (slot != nullptr && *slot == nullptr) *slot = previous;
  return previous;
}

void CDC::FillSystemColour(const RECT& rect, int colourIndex) {
  ::FillRect(m_hDC, &rect, GetSysColorBrush(colourIndex));
}

bool HighContrastOn() {
  HIGHCONTRASTA setting{};
  setting.cbSize = sizeof setting;
  if (SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof setting, &setting, 0) &&
      (setting.dwFlags & HCF_HIGHCONTRASTON) != 0) {
    return true;
  }
  if (!deployment::testSwitches) return false;
  char value[8];
  const DWORD length = GetEnvironmentVariableA("VORN_TEST_HIGH_CONTRAST", value, sizeof value);
  return length == 2 && value[0] == 'o' && value[1] == 'n';
}

void CDC::RestoreObjects() {
  if (m_hDC == nullptr) return;
  for (HGDIOBJ* slot : {&oldBitmap_, &oldFont_, &oldBrush_, &oldPen_}) {
    if (*slot != nullptr) ::SelectObject(m_hDC, *slot);
    *slot = nullptr;
  }
}

bool CDC::BitBlt(int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                 DWORD rop) {
  return ::BitBlt(m_hDC, x, y, width, height, source, sourceX, sourceY, rop) != FALSE;
}

int CDC::DrawText(const std::string& text, RECT* rect, UINT format) {
  return ::DrawTextA(m_hDC, text.c_str(), static_cast<int>(text.size()), rect, format);
}

CPaintDC::CPaintDC(CWnd& window) : hwnd_(window.m_hWnd) { m_hDC = BeginPaint(hwnd_, &m_ps); }

CPaintDC::~CPaintDC() {
  RestoreObjects();
  EndPaint(hwnd_, &m_ps);
  m_hDC = nullptr;
}

CClientDC::CClientDC(HWND window) : hwnd_(window) { m_hDC = GetDC(hwnd_); }

CClientDC::~CClientDC() {
  RestoreObjects();
  ReleaseDC(hwnd_, m_hDC);
  m_hDC = nullptr;
}

CMemoryDC::CMemoryDC(HDC compatible) { m_hDC = CreateCompatibleDC(compatible); }

CMemoryDC::~CMemoryDC() {
  RestoreObjects();
  if (m_hDC != nullptr) DeleteDC(m_hDC);
  m_hDC = nullptr;
}

bool CBitmap::LoadBitmap(UINT id) {
  Attach(::LoadBitmapA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id)));
  return m_hObject != nullptr;
}

SIZE CBitmap::GetSize() const {
  BITMAP info{};
  if (m_hObject == nullptr || GetObjectA(m_hObject, sizeof info, &info) == 0) return SIZE{0, 0};
  return SIZE{info.bmWidth, info.bmHeight};
}

bool CFont::CreateFontIndirect(const LOGFONTA& description) {
  Attach(::CreateFontIndirectA(&description));
  return m_hObject != nullptr;
}

bool CBrush::CreateBrushIndirect(const LOGBRUSH& description) {
  Attach(::CreateBrushIndirect(&description));
  return m_hObject != nullptr;
}

bool CBrush::CreateSolidBrush(COLORREF colour) {
  Attach(::CreateSolidBrush(colour));
  return m_hObject != nullptr;
}

}  // namespace framework
