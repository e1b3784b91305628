// The text panel painted in a real dialog: its bitmap only when asked, the
// text in navy inside the inset margins, line feeds honoured, no word wrap.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/BitmapPanel.h"
#include "framework/Dialog.h"
#include "resources/resource.h"
#include "tests/controls/WindowDriver.h"

namespace {

using controls::BitmapPanel;
using namespace testing_windows;

constexpr COLORREF kHostColour = RGB(200, 40, 160);
constexpr COLORREF kNavy = RGB(0, 0, 128);

// The message dialog's template with only the panel bound, made large, over
// a plain colour so that what the panel paints itself can be told apart.
class Host : public CDialog {
 public:
  Host() : CDialog(IDD_MESSAGE) {}
  BitmapPanel panel;

 protected:
  void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, IDC_PANEL, panel); }
  bool OnInitDialog() override {
    CDialog::OnInitDialog();
    MoveWindow(50, 50, 560, 360);
    ::MoveWindow(panel.m_hWnd, 10, 10, 420, 220, TRUE);
    // The template's buttons would lie over the enlarged panel.
    ::ShowWindow(GetDlgItem(IDOK), SW_HIDE);
    ::ShowWindow(GetDlgItem(IDCANCEL), SW_HIDE);
    ShowWindow(SW_SHOW);
    return true;
  }
  void OnPaint() override {
    CPaintDC dc(*this);
    RECT r;
    GetClientRect(&r);
    HBRUSH brush = CreateSolidBrush(kHostColour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
  }
};

struct Snapshot {
  int width = 0, height = 0;
  std::vector<COLORREF> pixels;
  COLORREF at(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

// Paints the panel with `text` and returns its client area as painted.
Snapshot PaintPanel(const std::string& text, bool showBackground) {
  Host host;
  Snapshot shot;
  CDialog::SetModalHook([&](CDialog&) {
    host.panel.text = text;
    host.panel.showBackground = showBackground;
    RepaintNow(host.m_hWnd);
    RECT r;
    host.panel.GetClientRect(&r);
    shot.width = r.right;
    shot.height = r.bottom;
    HDC dc = GetDC(host.panel.m_hWnd);
    for (int y = 0; y < r.bottom; ++y)
      for (int x = 0; x < r.right; ++x) shot.pixels.push_back(GetPixel(dc, x, y));
    ReleaseDC(host.panel.m_hWnd, dc);
    host.EndDialog(IDCANCEL);
  });
  host.DoModal();
  CDialog::SetModalHook(nullptr);
  return shot;
}

// The text lines (counted from the panel's top inset, in the height of the
// paint context's default font) that hold at least one navy pixel.
std::vector<int> LinesWithText(const Snapshot& shot) {
  HDC dc = GetDC(nullptr);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);  // the default font, which the panel keeps
  ReleaseDC(nullptr, dc);
  std::vector<int> lines;
  for (int y = 0; y < shot.height; ++y) {
    bool navy = false;
    for (int x = 0; x < shot.width && !navy; ++x) navy = shot.at(x, y) == kNavy;
    if (!navy) continue;
    const int line = (y - BitmapPanel::kTopInset) / metrics.tmHeight;
    if (lines.empty() || lines.back() != line) lines.push_back(line);
  }
  return lines;
}

TEST(BitmapPanel, PaintsItsBitmapOnlyWhenAsked) {
  const Snapshot plain = PaintPanel("", false);
  ASSERT_GT(plain.width, 400);

  for (int y = 0; y < plain.height; y += 7)
    for (int x = 0; x < plain.width; x += 7) ASSERT_EQ(plain.at(x, y), kHostColour) << x << "," << y;

  const Snapshot skinned = PaintPanel("", true);
  CBitmap bitmap;
  ASSERT_TRUE(bitmap.LoadBitmap(IDB_PANEL_BACKGROUND));
  HDC screen = GetDC(nullptr);
  CMemoryDC memory(screen);
  memory.SelectObject(bitmap);
  for (int y = 0; y < skinned.height; y += 13)
    for (int x = 0; x < skinned.width; x += 13)
      ASSERT_EQ(skinned.at(x, y), GetPixel(memory, x, y)) << x << "," << y;
  ReleaseDC(nullptr, screen);
}

TEST(BitmapPanel, DrawsTheTextInNavyInsideTheMargins) {
  for (bool background : {false, true}) {
    const Snapshot shot = PaintPanel("Firmware update", background);
    int navy = 0;
    for (int y = 0; y < shot.height; ++y) {
      for (int x = 0; x < shot.width; ++x) {
        if (shot.at(x, y) != kNavy) continue;
        ++navy;
        ASSERT_GE(x, BitmapPanel::kSideInset);
        ASSERT_GE(y, BitmapPanel::kTopInset);
        ASSERT_LT(x, shot.width - BitmapPanel::kSideInset);
      }
    }
    EXPECT_GT(navy, 20) << "background " << background;
  }
}

TEST(BitmapPanel, BreaksLinesOnlyAtLineFeeds) {
  // The empty line lies between the two paragraphs.
  const Snapshot paragraphs = PaintPanel("Question\n\nDo you agree?", true);
  EXPECT_EQ(LinesWithText(paragraphs), (std::vector<int>{0, 2}));

  // A long line is cut at the right margin, not wrapped.
  const Snapshot longLine = PaintPanel(std::string(120, 'W'), true);
  EXPECT_EQ(LinesWithText(longLine), std::vector<int>{0});
  int rightmost = 0;
  for (int y = 0; y < longLine.height; ++y)
    for (int x = 0; x < longLine.width; ++x)
      if (longLine.at(x, y) == kNavy) rightmost = std::max(rightmost, x);
  EXPECT_LT(rightmost, longLine.width - BitmapPanel::kSideInset);
  EXPECT_GE(rightmost, longLine.width - BitmapPanel::kSideInset - 12);
}

}  // namespace
