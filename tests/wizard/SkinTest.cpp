// The wizard's skin painted into a real window as the welcome page, a list
// page and a full page, checked pixel by pixel against the bitmaps: the
// frame, the banner present or absent, the side picture at (10, 180) only on
// list pages, the page image at (258, 49) or (10, 49). Run once per language;
// the page images follow it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "framework/Platform.h"
#include "resources/resource.h"
#include "tests/controls/WindowDriver.h"
#include "wizard/Skin.h"

namespace {

using namespace testing_windows;

bool Chinese() { return platform::UserLanguageId() == 1028; }

// The wizard's template with its controls hidden, painted by PaintSkin only,
// at the wizard's own window size.
class SkinHost : public CDialog {
 public:
  SkinHost() : CDialog(IDD_WIZARD) {}
  wizard::SkinImages images;
  bool welcomePage = true;
  bool fullPageImage = false;

 protected:
  bool OnInitDialog() override {
    CDialog::OnInitDialog();
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
      ::ShowWindow(child, SW_HIDE);
    WINDOWPLACEMENT placement;
    GetWindowPlacement(&placement);
    placement.rcNormalPosition = RECT{150, 150, 680, 520};
    SetWindowPlacement(&placement);
    return true;
  }
  void OnPaint() override {
    CPaintDC dc(*this);
    RECT client;
    GetClientRect(&client);
    wizard::PaintSkin(dc, client, images, welcomePage, fullPageImage);
  }
};

// Reads pixels of a loaded bitmap.
class BitmapPixels {
 public:
  explicit BitmapPixels(HBITMAP bitmap) : screen_(GetDC(nullptr)), memory_(screen_) {
    memory_.SelectObject(bitmap);
  }
  ~BitmapPixels() { ReleaseDC(nullptr, screen_); }
  COLORREF at(int x, int y) const { return GetPixel(memory_, x, y); }
  // The first pixel of the text colour, scanning rows from the top.
  POINT FirstTextPixel(int width, int height) const {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (at(x, y) == RGB(0, 64, 128)) return POINT{x, y};
    return POINT{-1, -1};
  }

 private:
  HDC screen_;
  CMemoryDC memory_;
};

struct Layers {
  CBitmap background, banner, welcome, side, listPage, fullPage;
  Layers() {
    background.LoadBitmap(IDB_BACKGROUND);
    banner.LoadBitmap(IDB_BANNER);
    welcome.LoadBitmap(IDB_WELCOME);
    side.LoadBitmap(IDB_SIDE_PICTURE);
    listPage.LoadBitmap(Chinese() ? IDB_SELECT_DRIVE_ZH : IDB_SELECT_DRIVE_EN);
    fullPage.LoadBitmap(Chinese() ? IDB_NO_CONNECTION_ZH : IDB_NO_CONNECTION_EN);
  }
};

// Paints the host as asked and hands back a reader of its client pixels.
template <typename Check>
void PaintAndCheck(bool welcomePage, bool fullPageImage, HBITMAP page, Check check) {
  Layers layers;
  SkinHost host;
  host.images = wizard::SkinImages{layers.background, layers.banner, layers.welcome, layers.side,
                                   page};
  host.welcomePage = welcomePage;
  host.fullPageImage = fullPageImage;
  CDialog::SetModalHook([&](CDialog&) {
    RepaintNow(host.m_hWnd);
    RECT client;
    host.GetClientRect(&client);
    ASSERT_GE(client.right, 510);
    ASSERT_GE(client.bottom, 300);
    check(host.m_hWnd);
    host.EndDialog(IDCANCEL);
  });
  host.DoModal();
  CDialog::SetModalHook(nullptr);
}

struct Probe {
  POINT window;
  POINT source;
};

void ExpectLayer(HWND hwnd, HBITMAP bitmap, const std::vector<Probe>& probes, const char* what) {
  BitmapPixels layer(bitmap);
  for (const Probe& p : probes) {
    EXPECT_EQ(PixelOf(hwnd, p.window.x, p.window.y), layer.at(p.source.x, p.source.y))
        << what << " at " << p.window.x << "," << p.window.y;
  }
}

TEST(Skin, RunsInTheLanguageThisTestWasStartedFor) {
  const char* expected = std::getenv("VORN_TEST_LANGUAGE");
  ASSERT_NE(expected, nullptr);
  EXPECT_EQ(platform::UserLanguageId(), std::atoi(expected));
}

TEST(Skin, WelcomePageShowsFrameAndArtworkWithoutBanner) {
  Layers layers;
  PaintAndCheck(true, false, nullptr, [&](HWND hwnd) {
    EXPECT_EQ(PixelOf(hwnd, 0, 100), RGB(28, 38, 84));
    EXPECT_EQ(PixelOf(hwnd, 1, 100), RGB(255, 255, 255));
    // No banner: the top-left corner is the frame and gradient.
    ExpectLayer(hwnd, layers.background, {{{0, 0}, {0, 0}}, {{5, 5}, {5, 5}}, {{300, 5}, {300, 5}}},
                "background");
    ExpectLayer(hwnd, layers.welcome,
                {{{10, 10}, {0, 0}}, {{260, 160}, {250, 150}}, {{509, 299}, {499, 289}},
                 {{20, 200}, {10, 190}}},
                "welcome artwork");
  });
}

TEST(Skin, ListPageShowsBannerSidePictureAndHalfPageImage) {
  Layers layers;
  PaintAndCheck(false, false, layers.listPage, [&](HWND hwnd) {
    ExpectLayer(hwnd, layers.banner, {{{0, 0}, {0, 0}}, {{5, 5}, {5, 5}}, {{300, 20}, {300, 20}},
                                      {{519, 38}, {519, 38}}},
                "banner");
    EXPECT_EQ(PixelOf(hwnd, 0, 100), RGB(28, 38, 84));
    ExpectLayer(hwnd, layers.side,
                {{{10, 180}, {0, 0}}, {{130, 240}, {120, 60}}, {{253, 299}, {243, 119}}},
                "side picture");
    const POINT text = BitmapPixels(layers.listPage).FirstTextPixel(250, 250);
    ASSERT_GE(text.x, 0);
    ExpectLayer(hwnd, layers.listPage,
                {{{258, 49}, {0, 0}}, {{507, 298}, {249, 249}},
                 {{258 + text.x, 49 + text.y}, text}},
                "page image");
    EXPECT_EQ(PixelOf(hwnd, 258 + text.x, 49 + text.y), RGB(0, 64, 128));
    // Between the side picture and the page image the gradient shows.
    ExpectLayer(hwnd, layers.background, {{{256, 100}, {256, 100}}}, "background");
  });
}

TEST(Skin, FullPageShowsBannerAndPageImageButNoSidePicture) {
  Layers layers;
  PaintAndCheck(false, true, layers.fullPage, [&](HWND hwnd) {
    ExpectLayer(hwnd, layers.banner, {{{5, 5}, {5, 5}}, {{300, 20}, {300, 20}}}, "banner");
    const POINT text = BitmapPixels(layers.fullPage).FirstTextPixel(500, 250);
    ASSERT_GE(text.x, 0);
    ExpectLayer(hwnd, layers.fullPage,
                {{{10, 49}, {0, 0}}, {{509, 298}, {499, 249}}, {{20, 200}, {10, 151}},
                 {{10 + text.x, 49 + text.y}, text}},
                "page image");
    EXPECT_EQ(PixelOf(hwnd, 10 + text.x, 49 + text.y), RGB(0, 64, 128));
  });
}

}  // namespace
