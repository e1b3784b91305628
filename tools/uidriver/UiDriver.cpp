#include "tools/uidriver/UiDriver.h"

#include <commctrl.h>

#include <cstring>

namespace uidriver {
namespace {

// A block of memory inside the process that owns a window, for the list-view
// requests whose arguments are pointers.
class RemoteBlock {
 public:
  RemoteBlock(HWND window, SIZE_T size) : size_(size) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                           processId);
    if (process_) {
      address_ = static_cast<char*>(
          VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    }
  }
  ~RemoteBlock() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;

  bool ok() const { return address_ != nullptr; }
  char* at(SIZE_T offset) const { return address_ + offset; }
  bool Write(SIZE_T offset, const void* data, SIZE_T size) {
    return offset + size <= size_ &&
           WriteProcessMemory(process_, address_ + offset, data, size, nullptr);
  }
  bool Read(SIZE_T offset, void* data, SIZE_T size) const {
    return offset + size <= size_ &&
           ReadProcessMemory(process_, address_ + offset, data, size, nullptr);
  }

 private:
  HANDLE process_ = nullptr;
  char* address_ = nullptr;
  SIZE_T size_;
};

constexpr SIZE_T kTextOffset = 256;
constexpr int kTextSize = 512;

struct FindContext {
  DWORD processId;
  std::string className;
  std::string title;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
  FindContext& context = *reinterpret_cast<FindContext*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != context.processId || !IsWindowVisible(window)) return TRUE;
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  if (!context.className.empty() && context.className != name) return TRUE;
  if (!context.title.empty() && context.title != Text(window)) return TRUE;
  context.found.push_back(window);
  return TRUE;
}

bool Contains(const std::vector<HWND>& windows, HWND window) {
  for (HWND each : windows) {
    if (each == window) return true;
  }
  return false;
}

}  // namespace

bool Process::Start(const std::string& commandLine, const std::string& folder) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info_) != 0;
}

bool Process::WaitForExit(int timeoutMs) {
  return info_.hProcess && WaitForSingleObject(info_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

DWORD Process::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (info_.hProcess) GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

void Process::Terminate() {
  if (info_.hProcess && ExitCode() == STILL_ACTIVE) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, 5000);
  }
}

Process::~Process() {
  Terminate();
  if (info_.hProcess) CloseHandle(info_.hProcess);
  if (info_.hThread) CloseHandle(info_.hThread);
}

std::vector<HWND> TopWindows(DWORD processId, const std::string& className,
                             const std::string& title) {
  FindContext context{processId, className, title, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&context));
  return context.found;
}

HWND WaitForWindow(DWORD processId, const std::string& className, const std::string& title,
                   int timeoutMs, const std::vector<HWND>& exclude) {
  HWND result = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : TopWindows(processId, className, title)) {
          if (!Contains(exclude, window)) {
            result = window;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  return result;
}

bool WaitForClose(HWND window, int timeoutMs) {
  return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

HWND Control(HWND dialog, int id) { return GetDlgItem(dialog, id); }

std::string Text(HWND window) {
  char text[kTextSize] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

bool IsEnabled(HWND window) { return window && IsWindowEnabled(window); }
bool IsShown(HWND window) { return window && IsWindowVisible(window); }

RECT PlaceInParent(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  HWND parent = GetParent(window);
  if (parent && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) {
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  }
  return rect;
}

bool Click(HWND button) {
  if (!IsShown(button) || !IsEnabled(button)) return false;
  // Posted, so that a handler that opens a modal window does not hold us.
  return PostMessageA(button, BM_CLICK, 0, 0) != 0;
}

bool ClickId(HWND dialog, int id) { return Click(Control(dialog, id)); }

void PressKey(HWND window, UINT virtualKey) {
  const UINT scan = MapVirtualKeyA(virtualKey, 0);
  PostMessageA(window, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
  PostMessageA(window, WM_KEYUP, virtualKey, 1 | (scan << 16) | 0xC0000000u);
}

int ListRowCount(HWND list) {
  return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

int ListColumnCount(HWND list) {
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  return header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

int ListColumnWidth(HWND list, int column) {
  return static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0));
}

std::string ListColumnTitle(HWND list, int column) {
  RemoteBlock block(list, kTextOffset + kTextSize);
  if (!block.ok()) return {};
  LVCOLUMNA request{};
  request.mask = LVCF_TEXT;
  request.pszText = block.at(kTextOffset);
  request.cchTextMax = kTextSize;
  block.Write(0, &request, sizeof request);
  if (!SendMessageA(list, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(block.at(0)))) return {};
  char text[kTextSize] = {};
  block.Read(kTextOffset, text, kTextSize - 1);
  return text;
}

std::string ListText(HWND list, int row, int column) {
  RemoteBlock block(list, kTextOffset + kTextSize);
  if (!block.ok()) return {};
  LVITEMA request{};
  request.iSubItem = column;
  request.pszText = block.at(kTextOffset);
  request.cchTextMax = kTextSize;
  block.Write(0, &request, sizeof request);
  SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(block.at(0)));
  char text[kTextSize] = {};
  block.Read(kTextOffset, text, kTextSize - 1);
  return text;
}

std::vector<int> ListSelectedRows(HWND list) {
  std::vector<int> rows;
  for (int row = -1;;) {
    row = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, row, LVNI_SELECTED));
    if (row < 0) return rows;
    rows.push_back(row);
  }
}

bool ClickListRow(HWND list, int row) {
  if (!IsShown(list)) return false;
  RECT client{};
  GetClientRect(list, &client);
  POINT at{};
  const int rows = ListRowCount(list);
  if (row >= 0 || rows > 0) {
    const int probe = row >= 0 ? row : rows - 1;
    if (probe >= rows) return false;
    RemoteBlock block(list, sizeof(RECT));
    RECT rect{};
    rect.left = LVIR_LABEL;
    if (!block.ok() || !block.Write(0, &rect, sizeof rect) ||
        !SendMessageA(list, LVM_GETITEMRECT, probe, reinterpret_cast<LPARAM>(block.at(0))) ||
        !block.Read(0, &rect, sizeof rect)) {
      return false;
    }
    at = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    if (row < 0) at.y = rect.bottom + (rect.bottom - rect.top);
  } else {
    at = {client.right / 2, client.bottom / 2};
  }
  if (at.y >= client.bottom) return false;  // no empty area to click on
  const LPARAM where = MAKELPARAM(at.x, at.y);
  PostMessageA(list, WM_MOUSEMOVE, 0, where);
  PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, where);
  PostMessageA(list, WM_LBUTTONUP, 0, where);
  return true;
}

bool FillSaveDialog(HWND dialog, const std::string& path, int timeoutMs) {
  // The explorer-style dialog keeps the name in a combo box (0x47C), the old
  // style in an edit control (0x480).
  HWND name = Control(dialog, 0x47C);
  if (!name) name = Control(dialog, 0x480);
  if (!name) return false;
  SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  DWORD processId = 0;
  GetWindowThreadProcessId(dialog, &processId);
  const std::vector<HWND> before = TopWindows(processId);
  if (!ClickId(dialog, IDOK)) return false;
  bool answered = false;
  return WaitUntil(
      [&] {
        if (!IsWindow(dialog) || !IsWindowVisible(dialog)) return true;
        if (!answered) {
          // The question whether to replace an existing file.
          for (HWND window : TopWindows(processId, "#32770")) {
            if (window != dialog && !Contains(before, window) && Control(window, IDYES)) {
              answered = ClickId(window, IDYES);
            }
          }
        }
        return false;
      },
      timeoutMs);
}

std::vector<DWORD> ScreenPixels(HWND window) {
  RECT client{};
  if (!GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0) return {};
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  const int width = client.right, height = client.bottom;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::vector<DWORD> pixels;
  if (bitmap != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    if (BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY)) {
      GdiFlush();
      const DWORD* first = static_cast<const DWORD*>(bits);
      pixels.assign(first, first + static_cast<std::size_t>(width) * height);
      for (DWORD& pixel : pixels) pixel &= 0x00FFFFFF;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

namespace {

// The screen's picture of `window` once two readings some time apart agree.
std::vector<DWORD> SettledPixels(HWND window, int timeoutMs) {
  std::vector<DWORD> shown = ScreenPixels(window);
  for (int waited = 0; waited < timeoutMs; waited += 300) {
    Sleep(300);
    std::vector<DWORD> again = ScreenPixels(window);
    if (again == shown) break;
    shown.swap(again);
  }
  return shown;
}

}  // namespace

bool ShowsWhatItPaints(HWND window, int timeoutMs) {
  const std::vector<DWORD> shown = SettledPixels(window, timeoutMs);
  if (shown.empty()) return false;
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  DWORD_PTR ignored;
  SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored);
  return SettledPixels(window, timeoutMs) == shown;
}

}  // namespace uidriver
