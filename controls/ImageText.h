// ImageText: a part of a window's skin whose picture carries words (the
// wizard's banner and page images). The control shows the bitmap it is given,
// the same pixels its parent's skin paints there, and holds the picture's
// words as its window text, so that a screen reader reads them where the eye
// sees them. With High Contrast on it draws those words instead, in the
// system's colours on the system's background, wrapped to its width.
#pragma once

#include <string>

#include "framework/Gdi.h"
#include "framework/Static.h"

namespace controls {

class ImageText : public CStatic {
 public:
  // Makes the control, a child of `parent` with `id`, hidden until Show.
  bool Create(CWnd& parent, int id);
  // Shows `image` (not owned; null: nothing of its own) at `rect` in the
  // parent's client pixels, and `words` as its text: paragraphs apart by
  // line feeds. `textHeight` is the height in pixels of the words' font with
  // High Contrast.
  void Show(HBITMAP image, const RECT& rect, const std::string& words, int textHeight);
  void Hide();

  static constexpr int kInset = 12;

 protected:
  void OnPaint() override;

 private:
  void PaintWords(CDC& dc, RECT rect);

  HBITMAP image_ = nullptr;
  int textHeight_ = 0;
  CFont font_;
};

}  // namespace controls
