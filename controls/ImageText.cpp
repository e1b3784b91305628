#include "controls/ImageText.h"

namespace controls {

bool ImageText::Create(CWnd& parent, int id) {
  // SS_NOPREFIX: the words are read and drawn as they stand, "&" included.
  HWND window = CreateWindowExA(0, "STATIC", "", WS_CHILD | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, parent.m_hWnd,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
  return window != nullptr && SubclassWindow(window);
}

void ImageText::Show(HBITMAP image, const RECT& rect, const std::string& words, int textHeight) {
  image_ = image;
  if (textHeight != textHeight_) font_.DeleteObject();
  textHeight_ = textHeight;
  // Hidden while the text changes, so that the static's own drawing of it
  // never shows; placed and shown again at once.
  ShowWindow(SW_HIDE);
  SetWindowText(words);
  MoveWindow(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, false);
  ShowWindow(SW_SHOWNA);
  Invalidate(false);
}

void ImageText::Hide() {
  image_ = nullptr;
  ShowWindow(SW_HIDE);
}

void ImageText::OnPaint() {
  CPaintDC dc(*this);
  RECT rect{};
  GetClientRect(&rect);
  if (HighContrastOn()) {
    PaintWords(dc, rect);
    return;
  }
  if (image_ == nullptr) return;
  CMemoryDC memory(dc);
  memory.SelectObject(image_);
  dc.BitBlt(0, 0, rect.right, rect.bottom, memory, 0, 0, SRCCOPY);
}

void ImageText::PaintWords(CDC& dc, RECT rect) {
  dc.FillSystemColour(rect, COLOR_WINDOW);
  if (font_.m_hObject == nullptr) {
    // The parent's font (the dialog's, in the user's language) at the size
    // of the picture's words.
    LOGFONTA description{};
    HFONT parentFont = reinterpret_cast<HFONT>(::SendMessageA(GetParent(), WM_GETFONT, 0, 0));
    if (parentFont == nullptr || GetObjectA(parentFont, sizeof description, &description) == 0) {
      GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof description, &description);
    }
    description.lfHeight = -textHeight_;
    description.lfWidth = 0;
    font_.CreateFontIndirect(description);
  }
  dc.SelectObject(font_);
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(GetSysColor(COLOR_WINDOWTEXT));
  rect.left += kInset;
  rect.right -= kInset;
  rect.top += kInset;
  dc.DrawText(GetWindowText(), &rect, DT_WORDBREAK | DT_NOPREFIX);
}

}  // namespace controls
