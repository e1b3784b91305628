#include "wizard/Skin.h"

#include "framework/Gdi.h"

namespace wizard {
namespace {

// One layer: `bitmap` from its top-left corner to (x, y), width x height.
void CopyLayer(CDC& target, CMemoryDC& memory, HBITMAP bitmap, int x, int y, int width,
               int height) {
  if (bitmap == nullptr) return;
  memory.SelectObject(bitmap);
  target.BitBlt(x, y, width, height, memory, 0, 0, SRCCOPY);
}

}  // namespace

void PaintSkin(HDC dc, const RECT& client, const SkinImages& images, bool welcomePage,
               bool fullPageImage) {
  using namespace skin;
  CDC target(dc);
  CMemoryDC memory(dc);
  CopyLayer(target, memory, images.backgroundImage, 0, 0, kBackgroundWidth, kBackgroundHeight);
  if (welcomePage) {
    CopyLayer(target, memory, images.welcomeImage, kWelcomeLeft, kWelcomeTop, kWelcomeWidth,
              kWelcomeHeight);
    return;
  }
  CopyLayer(target, memory, images.bannerImage, 0, 0, kBannerWidth, kBannerHeight);
  if (!fullPageImage) {
    CopyLayer(target, memory, images.sideImage, kSideLeft, kSideTop, kSideWidth, kSideHeight);
    CopyLayer(target, memory, images.pageImage, kListPageLeft, kPageTop, kListPageSize,
              kListPageSize);
  } else {
    CopyLayer(target, memory, images.pageImage, kFullPageLeft, kPageTop,
              client.right - client.left, client.bottom - client.top);
  }
}

}  // namespace wizard
