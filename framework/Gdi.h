// Device contexts and drawing objects, each owning what it creates.
//
//   void MyDialog::OnPaint() {
//     CPaintDC dc(*this);                 // BeginPaint / EndPaint
//     CMemoryDC memory(dc);               // compatible memory context
//     memory.SelectObject(background);    // a CBitmap; old object restored later
//     dc.BitBlt(0, 0, 500, 300, memory, 0, 0, SRCCOPY);
//   }
#pragma once

#include <windows.h>

#include <string>

namespace framework {

class CWnd;

// Non-owning wrapper of a device context with the calls the program makes.
class CDC {
 public:
  explicit CDC(HDC dc = nullptr) : m_hDC(dc) {}
  virtual ~CDC();
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  HDC m_hDC;
  operator HDC() const { return m_hDC; }

  // Selects `object`; the first object displaced of each kind is put back
  // when this wrapper ends, so a context is never deleted with ours inside.
  HGDIOBJ SelectObject(HGDIOBJ object);
  bool BitBlt(int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
              DWORD rop = SRCCOPY);
  int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
  COLORREF SetTextColor(COLORREF colour) { return ::SetTextColor(m_hDC, colour); }
  COLORREF SetBkColor(COLORREF colour) { return ::SetBkColor(m_hDC, colour); }
  int DrawText(const std::string& text, RECT* rect, UINT format);
  // Fills `rect` with the system colour `colourIndex` (COLOR_WINDOW, ...).
  void FillSystemColour(const RECT& rect, int colourIndex);
  bool DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon) != FALSE; }

 protected:
  void RestoreObjects();

 private:
  HGDIOBJ oldBitmap_ = nullptr;
  HGDIOBJ oldFont_ = nullptr;
  HGDIOBJ oldBrush_ = nullptr;
  HGDIOBJ oldPen_ = nullptr;
};

// The context of one WM_PAINT: BeginPaint at construction, EndPaint at the end.
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd& window);
  ~CPaintDC() override;
  PAINTSTRUCT m_ps{};

 private:
  HWND hwnd_;
};

// A window's client-area context (GetDC / ReleaseDC).
class CClientDC : public CDC {
 public:
  explicit CClientDC(HWND window);
  ~CClientDC() override;

 private:
  HWND hwnd_;
};

// A memory context compatible with `compatible`, deleted at the end.
class CMemoryDC : public CDC {
 public:
  explicit CMemoryDC(HDC compatible);
  ~CMemoryDC() override;
};

// Owner of one GDI object handle (bitmap, font, brush).
template <typename Handle>
class CGdiObject {
 public:
  CGdiObject() = default;
  ~CGdiObject() { DeleteObject(); }
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  Handle m_hObject = nullptr;
  operator Handle() const { return m_hObject; }
  Handle GetSafeHandle() const { return m_hObject; }
  bool DeleteObject() {
    if (m_hObject == nullptr) return false;
    ::DeleteObject(m_hObject);
    m_hObject = nullptr;
    return true;
  }
  // Takes ownership of `handle`, deleting what was held before.
  void Attach(Handle handle) {
    DeleteObject();
    m_hObject = handle;
  }
};

class CBitmap : public CGdiObject<HBITMAP> {
 public:
  // Loads bitmap resource `id` of the program, replacing what was held;
  // false when there is no such resource.
  bool LoadBitmap(UINT id);
  // Width and height in pixels; 0 x 0 when nothing is loaded.
  SIZE GetSize() const;
};

class CFont : public CGdiObject<HFONT> {
 public:
  bool CreateFontIndirect(const LOGFONTA& description);
};

class CBrush : public CGdiObject<HBRUSH> {
 public:
  bool CreateBrushIndirect(const LOGBRUSH& description);
  bool CreateSolidBrush(COLORREF colour);
};

// True while the user has High Contrast on: the skin's bitmaps and colours
// then give way to the system's colours. Wine always reports it off, so the
// test and demo builds also read the setting from the registry value where
// Windows keeps it.
bool HighContrastOn();

}  // namespace framework

using framework::CBitmap;
using framework::CBrush;
using framework::CClientDC;
using framework::CDC;
using framework::CFont;
using framework::HighContrastOn;
using framework::CMemoryDC;
using framework::CPaintDC;
