// Helpers for tests in real windows: pumping messages the way the modal loop
// does, real mouse input through SendInput, and reading painted pixels.
#pragma once

#include <windows.h>

#include "framework/Wnd.h"

namespace testing_windows {

// Dispatches messages for `milliseconds`, each first offered to
// PreTranslateMessage of its window and that window's parents, as the
// framework's modal loop does.
inline void Pump(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      bool consumed = false;
      for (HWND w = msg.hwnd; w != nullptr && !consumed; w = GetParent(w)) {
        if (CWnd* object = CWnd::FromHandlePermanent(w)) consumed = object->PreTranslateMessage(&msg);
      }
      if (!consumed) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    Sleep(5);
  } while (GetTickCount() - start < milliseconds);
}

// Dispatches messages until `done()` holds or `limit` milliseconds passed;
// returns whether it holds. Waits on timers stay robust on a loaded machine.
template <typename Condition>
bool PumpUntil(Condition done, DWORD limit = 2000) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > limit) return false;
    Pump(10);
  }
  return true;
}

// Mouse input as the hardware gives it: the system sends WM_SETCURSOR,
// WM_MOUSEMOVE and the button messages to the window under the pointer (or
// to the one holding the capture).
inline void SendMouse(DWORD flags, POINT screen = {0, 0}) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  if (flags & MOUSEEVENTF_MOVE) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    input.mi.dx = static_cast<LONG>((screen.x * 65536LL + width - 1) / width);
    input.mi.dy = static_cast<LONG>((screen.y * 65536LL + height - 1) / height);
    flags |= MOUSEEVENTF_ABSOLUTE;
  }
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
}

inline void MoveMouse(POINT screen) {
  SendMouse(MOUSEEVENTF_MOVE, screen);
  PumpUntil([&] {
    POINT at;
    GetCursorPos(&at);
    return at.x == screen.x && at.y == screen.y;
  });
  Pump(60);
}
inline void PressLeft() {
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  Pump(60);
}
inline void ReleaseLeft() {
  SendMouse(MOUSEEVENTF_LEFTUP);
  Pump(60);
}

// The centre of a window, in screen coordinates.
inline POINT CentreOf(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// A pixel as painted in `hwnd`'s client area.
inline COLORREF PixelOf(HWND hwnd, int x, int y) {
  HDC dc = GetDC(hwnd);
  const COLORREF colour = GetPixel(dc, x, y);
  ReleaseDC(hwnd, dc);
  return colour;
}

// Paints `hwnd` and its children now.
inline void RepaintNow(HWND hwnd) {
  RedrawWindow(hwnd, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump(30);
}

}  // namespace testing_windows
