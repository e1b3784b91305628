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

namespace {

// The value Windows keeps the setting in: "Flags" of
// HKCU\Control Panel\Accessibility\HighContrast, a decimal text whose bit
// HCF_HIGHCONTRASTON says on. ADVAPI32 is loaded for this only, so the
// program imports nothing of it.
bool HighContrastFlagInRegistry() {
  using OpenKey = LONG(WINAPI*)(HKEY, LPCSTR, DWORD, REGSAM, PHKEY);
  using QueryValue = LONG(WINAPI*)(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
  using CloseKey = LONG(WINAPI*)(HKEY);
  HMODULE advapi = LoadLibraryA("ADVAPI32.DLL");
  if (advapi == nullptr) return false;
  const auto open = reinterpret_cast<OpenKey>(reinterpret_cast<void*>(GetProcAddress(advapi, "RegOpenKeyExA")));
  const auto query = reinterpret_cast<QueryValue>(reinterpret_cast<void*>(GetProcAddress(advapi, "RegQueryValueExA")));
  const auto close = reinterpret_cast<CloseKey>(reinterpret_cast<void*>(GetProcAddress(advapi, "RegCloseKey")));
  bool on = false;
  HKEY key = nullptr;
  if (open && query && close &&
      open(HKEY_CURRENT_USER, "Control Panel\\Accessibility\\HighContrast", 0, KEY_READ, &key) == ERROR_SUCCESS) {
    char flags[16] = {};
    DWORD size = sizeof flags - 1;
    if (query(key, "Flags", nullptr, nullptr, reinterpret_cast<LPBYTE>(flags), &size) == ERROR_SUCCESS) {
      DWORD value = 0;
      for (const char* digit = flags; *digit >= '0' && *digit <= '9'; ++digit) value = value * 10 + (*digit - '0');
      on = (value & HCF_HIGHCONTRASTON) != 0;
    }
    close(key);
  }
  FreeLibrary(advapi);
  return on;
}

}  // namespace

bool HighContrastOn() {
  HIGHCONTRASTA setting{};
  setting.cbSize = sizeof setting;
  if (SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof setting, &setting, 0) &&
      (setting.dwFlags & HCF_HIGHCONTRASTON) != 0) {
    return true;
  }
  // Wine answers "off" whatever its registry holds; the test and demo builds
  // read the setting where Windows keeps it.
  return deployment::testSwitches && HighContrastFlagInRegistry();
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
