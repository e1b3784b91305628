// The program's resources as the system loads them: the three dialog
// templates with their controls (ids, kinds, styles, texts, and places in
// dialog units converted through each dialog's own font), the bitmaps with
// their sizes, depth and colours, the icon and the cursor.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "Deployment.h"
#include "resources/resource.h"

namespace {

INT_PTR CALLBACK QuietProcedure(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

struct Control {
  int id;
  const char* className;
  const wchar_t* text;
  RECT units;  // x, y, width, height in dialog units
  DWORD styleSet;    // bits that must be set
  DWORD styleClear;  // bits that must be clear
  DWORD exStyleSet;
  bool bordered = false;
};

struct Template {
  int id;
  const wchar_t* caption;
  int width, height;  // dialog units
  DWORD style;        // exact window style
  int pointSize;
  std::wstring typeface;
  std::vector<Control> controls;
};

std::wstring TextOf(HWND hwnd) {
  wchar_t buffer[256] = {};
  GetWindowTextW(hwnd, buffer, 256);
  return buffer;
}

std::wstring Widen(const char* text) {
  std::wstring result;
  for (; *text; ++text) result += static_cast<wchar_t>(static_cast<unsigned char>(*text));
  return result;
}

const DWORD kChildVisible = WS_CHILD | WS_VISIBLE;

// What the extended dialog template itself says: font and control styles.
struct RawTemplate {
  int pointSize = 0;
  std::wstring typeface;
  std::map<int, DWORD> itemStyles;
};

RawTemplate ReadTemplate(int id) {
  RawTemplate raw;
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
  if (found == nullptr) return raw;
  const auto* base = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, found)));
  const unsigned char* p = base;
  auto word = [&p] { WORD v; memcpy(&v, p, 2); p += 2; return v; };
  auto dword = [&p] { DWORD v; memcpy(&v, p, 4); p += 4; return v; };
  auto text = [&p, &word] {
    std::wstring result;
    for (WORD c = word(); c != 0; c = word()) result += static_cast<wchar_t>(c);
    return result;
  };
  auto textOrOrdinal = [&] {
    WORD first;
    memcpy(&first, p, 2);
    if (first == 0xFFFF) { p += 4; return; }
    text();
  };
  if (word() != 1 || word() != 0xFFFF) return raw;  // not an extended template
  dword();                                         // help id
  dword();                                         // extended style
  const DWORD style = dword();
  const WORD items = word();
  p += 8;           // x, y, cx, cy
  textOrOrdinal();  // menu
  textOrOrdinal();  // class
  text();           // title
  if (style & DS_SETFONT) {
    raw.pointSize = word();
    word();  // weight
    p += 2;  // italic, charset
    raw.typeface = text();
  }
  for (WORD i = 0; i < items; ++i) {
    p = base + ((p - base + 3) & ~3);
    dword();  // help id
    dword();  // extended style
    const DWORD itemStyle = dword();
    p += 8;  // x, y, cx, cy
    const int itemId = static_cast<int>(dword());
    textOrOrdinal();  // class
    textOrOrdinal();  // title
    p += word();      // creation data
    raw.itemStyles[itemId] = itemStyle;
  }
  return raw;
}

std::vector<Template> Templates() {
  const std::wstring link = L"Connect to Vornhal " + Widen(deployment::webAddress);
  static std::wstring linkText;
  linkText = link;
  return {
      {IDD_WIZARD, L"VORN Firmware Update", 313, 173,
       WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME |
           DS_SETFONT, 12, L"細明體",
       {
           {IDC_NEXT, "Button", L"下一步>>", {179, 152, 50, 14}, kChildVisible | WS_TABSTOP,
            BS_DEFPUSHBUTTON, 0},
           {IDCANCEL, "Button", L"取消", {220, 152, 50, 14}, kChildVisible | WS_TABSTOP, 0, 0},
           {IDC_DEVICE_LIST, "SysListView32", L"List2", {7, 33, 114, 58},
            WS_CHILD | LVS_REPORT | WS_TABSTOP, WS_VISIBLE | LVS_SINGLESEL, 0, true},
           {IDOK, "Button", L"OK", {256, 152, 50, 14}, WS_CHILD | WS_DISABLED, WS_VISIBLE, 0},
           {IDC_BACK, "Button", L"<<上一步", {142, 152, 50, 14}, kChildVisible | WS_TABSTOP, 0, 0},
           {IDC_LINK, "Static", linkText.c_str(), {31, 12, 190, 8}, kChildVisible, 0, 0},
       }},
      {IDD_MESSAGE, L"VORN Firmware Update", 214, 60, 0x80C800C0, 12, L"Arial",
       {
           {IDOK, "Button", L"OK", {65, 45, 41, 12}, 0x50010F00, BS_DEFPUSHBUTTON, 0},
           {IDCANCEL, "Button", L"CANCEL", {110, 45, 38, 12}, 0x50010F00, BS_DEFPUSHBUTTON, 0},
           {IDC_PANEL, "Static", L"test", {10, 10, 190, 33}, 0x50000201, 0, 0x220},
       }},
      {IDD_DOWNLOAD, L"Download File", 244, 130,
       WS_POPUP | DS_MODALFRAME | WS_CAPTION | WS_SYSMENU | DS_SETFONT, 10, L"System",
       {
           {IDOK, "Button", L"Save File", {70, 109, 50, 14},
            kChildVisible | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0},
           {IDCANCEL, "Button", L"Cancel", {120, 109, 50, 14}, kChildVisible | WS_TABSTOP,
            BS_DEFPUSHBUTTON, 0},
           {IDC_PANEL, "Static", L"Static", {15, 10, 215, 65},
            kChildVisible | WS_GROUP | SS_CENTER | SS_CENTERIMAGE, 0, 0},
           {IDC_PROGRESS, "msctls_progress32", L"Progress1", {15, 87, 215, 10},
            WS_CHILD, WS_VISIBLE, 0, true},
           {IDC_PROGRESS_LINE, "Static", L"", {15, 97, 215, 8}, WS_CHILD | SS_CENTER, WS_VISIBLE, 0},
       }},
  };
}

TEST(Resources, DialogTemplatesHoldTheStatedControls) {
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&classes);
  for (const Template& t : Templates()) {
    SCOPED_TRACE(t.id);
    HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(t.id), nullptr,
                                     QuietProcedure, 0);
    ASSERT_NE(dialog, nullptr);
    const RawTemplate raw = ReadTemplate(t.id);
    EXPECT_EQ(raw.pointSize, t.pointSize);
    EXPECT_EQ(raw.typeface, t.typeface);
    // The dialog manager adds the clip and 3D-look styles to every dialog.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE)) &
                  ~static_cast<DWORD>(WS_CLIPSIBLINGS | DS_3DLOOK),
              t.style);
    EXPECT_EQ(TextOf(dialog), t.caption);
    RECT size{0, 0, t.width, t.height};
    MapDialogRect(dialog, &size);
    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);

    int count = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
      ++count;
    EXPECT_EQ(count, static_cast<int>(t.controls.size()));

    HWND previous = nullptr;
    for (const Control& c : t.controls) {
      SCOPED_TRACE(c.id);
      HWND control = GetDlgItem(dialog, c.id);
      ASSERT_NE(control, nullptr);
      // Controls come in the template's order.
      EXPECT_EQ(GetWindow(control, GW_HWNDPREV), previous);
      previous = control;
      char className[64] = {};
      GetClassNameA(control, className, sizeof className);
      EXPECT_STRCASEEQ(className, c.className);
      EXPECT_EQ(TextOf(control), c.text);
      const DWORD style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
      EXPECT_EQ(style & c.styleSet, c.styleSet);
      EXPECT_EQ(style & c.styleClear, 0u);
      const DWORD exStyle = static_cast<DWORD>(GetWindowLongW(control, GWL_EXSTYLE));
      EXPECT_EQ(exStyle & c.exStyleSet, c.exStyleSet);
      if (c.bordered) {
        // The loaded controls turn a border into an edge of their own; the
        // template says border.
        EXPECT_TRUE(raw.itemStyles.at(c.id) & WS_BORDER);
      }
      // The dialog manager converts position and size separately.
      RECT converted = c.units;
      MapDialogRect(dialog, &converted);
      RECT expected{converted.left, converted.top, converted.left + converted.right,
                    converted.top + converted.bottom};
      RECT actual;
      GetWindowRect(control, &actual);
      MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
      EXPECT_EQ(actual.left, expected.left);
      EXPECT_EQ(actual.top, expected.top);
      EXPECT_EQ(actual.right, expected.right);
      EXPECT_EQ(actual.bottom, expected.bottom);
    }
    DestroyWindow(dialog);
  }
}

struct BitmapRow {
  int id;
  int width, height;
};

HBITMAP LoadDib(int id) {
  return static_cast<HBITMAP>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                 LR_CREATEDIBSECTION));
}

// The pixels of an 8-bit section, through its own colour table.
struct Pixels {
  explicit Pixels(HBITMAP bitmap) {
    DIBSECTION section{};
    GetObjectA(bitmap, sizeof section, &section);
    width = section.dsBm.bmWidth;
    height = section.dsBm.bmHeight;
    stride = section.dsBm.bmWidthBytes;
    bits = static_cast<const unsigned char*>(section.dsBm.bmBits);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    GetDIBColorTable(dc, 0, 256, table);
    SelectObject(dc, old);
    DeleteDC(dc);
  }
  COLORREF at(int x, int y) const {
    // Bottom-up rows.
    const RGBQUAD q = table[bits[static_cast<size_t>((height - 1 - y) * stride + x)]];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
  }
  int width = 0, height = 0, stride = 0;
  const unsigned char* bits = nullptr;
  RGBQUAD table[256] = {};
};

COLORREF PixelAt(HBITMAP bitmap, int x, int y) { return Pixels(bitmap).at(x, y); }

bool Near(COLORREF a, COLORREF b, int tolerance) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
         std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

TEST(Resources, BitmapsHaveTheirSizesAndEightBitsPerPixel) {
  std::vector<BitmapRow> rows = {
      {IDB_BACKGROUND, 530, 370}, {IDB_BANNER, 520, 39},       {IDB_WELCOME, 500, 290},
      {IDB_SIDE_PICTURE, 250, 120}, {IDB_PANEL_BACKGROUND, 500, 300},
  };
  for (int id : {164, 165, 168, 169}) rows.push_back({id, 250, 250});
  for (int id = 172; id <= 181; ++id) rows.push_back({id, 500, 250});
  for (const BitmapRow& row : rows) {
    SCOPED_TRACE(row.id);
    HBITMAP bitmap = LoadDib(row.id);
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, row.width);
    EXPECT_EQ(info.bmHeight, row.height);
    EXPECT_EQ(info.bmBitsPixel, 8);
    DeleteObject(bitmap);
  }
}

TEST(Resources, BackgroundHasItsFrameAndGradient) {
  HBITMAP bitmap = LoadDib(IDB_BACKGROUND);
  ASSERT_NE(bitmap, nullptr);
  for (POINT p : {POINT{0, 0}, POINT{529, 369}, POINT{0, 200}, POINT{300, 369}})
    EXPECT_EQ(PixelAt(bitmap, p.x, p.y), RGB(28, 38, 84)) << p.x << "," << p.y;
  for (POINT p : {POINT{1, 1}, POINT{528, 368}, POINT{1, 200}})
    EXPECT_EQ(PixelAt(bitmap, p.x, p.y), RGB(255, 255, 255)) << p.x << "," << p.y;
  EXPECT_TRUE(Near(PixelAt(bitmap, 100, 3), RGB(132, 142, 188), 6));
  EXPECT_TRUE(Near(PixelAt(bitmap, 100, 366), RGB(44, 54, 100), 6));
  DeleteObject(bitmap);
}

TEST(Resources, PageImagesAreWhiteWithDarkBlueText) {
  for (int id : {164, 165, 168, 169, 172, 173, 174, 175, 176, 177, 178, 179, 180, 181}) {
    SCOPED_TRACE(id);
    HBITMAP bitmap = LoadDib(id);
    ASSERT_NE(bitmap, nullptr);
    const Pixels page(bitmap);
    EXPECT_EQ(page.at(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(page.at(page.width - 1, page.height - 1), RGB(255, 255, 255));
    // Text: solid dark blue strokes with softened edges, and nothing else.
    int solid = 0, other = 0;
    for (int y = 0; y < page.height; ++y) {
      for (int x = 0; x < page.width; ++x) {
        const COLORREF c = page.at(x, y);
        if (c == RGB(0, 64, 128)) ++solid;
        // Every shade lies between white and the text colour.
        const int t = 255 - GetRValue(c);
        if (!Near(c, RGB(255 - t, 255 - t * 191 / 255, 255 - t * 127 / 255), 2)) ++other;
      }
    }
    EXPECT_GT(solid, 5);
    EXPECT_EQ(other, 0);
    DeleteObject(bitmap);
  }
}

TEST(Resources, IconAndPointingHandCursorLoad) {
  HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr),
                                              MAKEINTRESOURCEA(IDI_APPLICATION_ICON), IMAGE_ICON,
                                              32, 32, 0));
  EXPECT_NE(icon, nullptr);
  HCURSOR cursor = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_POINTING_HAND));
  ASSERT_NE(cursor, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(cursor, &info));
  EXPECT_FALSE(info.fIcon);
  // The hot spot is the tip of the index finger, at the top.
  EXPECT_EQ(info.xHotspot, 8u);
  EXPECT_EQ(info.yHotspot, 0u);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
}

}  // namespace
