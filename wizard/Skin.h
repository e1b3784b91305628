// The wizard window's skin: background frame, banner, welcome artwork, side
// picture and page image, painted in layers by PaintSkin. The child controls
// draw themselves over it.
#pragma once

#include <windows.h>

namespace wizard {

// The five bitmaps of the skin (owned by the window; any may be null, and a
// null one is left out).
struct SkinImages {
  HBITMAP backgroundImage = nullptr;  // 530 x 370 frame and gradient
  HBITMAP bannerImage = nullptr;      // 520 x 39
  HBITMAP welcomeImage = nullptr;     // 500 x 290
  HBITMAP sideImage = nullptr;        // 250 x 120
  HBITMAP pageImage = nullptr;        // 250 x 250 on list pages, 500 x 250 on full pages
};

// Where the layers go, in client pixels.
namespace skin {
inline constexpr int kBackgroundWidth = 520, kBackgroundHeight = 370;
inline constexpr int kWelcomeLeft = 10, kWelcomeTop = 10;
inline constexpr int kWelcomeWidth = 500, kWelcomeHeight = 290;
inline constexpr int kBannerWidth = 520, kBannerHeight = 39;
inline constexpr int kSideLeft = 10, kSideTop = 180, kSideWidth = 244, kSideHeight = 150;
inline constexpr int kListPageLeft = 258, kPageTop = 49, kListPageSize = 250;
inline constexpr int kFullPageLeft = 10, kFullPageWidth = 500, kFullPageHeight = 250;
// The size in pixels of the pictures' words drawn as text (High Contrast).
inline constexpr int kBannerWordsHeight = 16, kWelcomeWordsHeight = 28;
inline constexpr int kListPageWordsHeight = 16, kFullPageWordsHeight = 20;
}  // namespace skin

// Paints the skin into `dc` (the window's paint context):
// the background (520 x 370 at 0, 0); then either the welcome artwork
// (welcome page) or the banner, the side picture (list pages only, when
// `fullPageImage` is false) and the page image (right half on list pages, the
// lower area on full pages). `client` is the window's client rectangle; a
// full page image is copied over an area of its size.
void PaintSkin(HDC dc, const RECT& client, const SkinImages& images, bool welcomePage,
               bool fullPageImage);

}  // namespace wizard
