// MessageDialog: the program's question (Yes / No) and its one-button error
// report (Exit), over the window background with the message in a
// BitmapPanel. DoModal returns IDOK for Yes only; No, Exit, Escape and the
// close box give IDCANCEL.
//
//   MessageDialog box(language);          // the caller's language
//   box.singleButton = true;               // an error report
//   box.panel.text = "line one\n\nline three";
//   box.DoModal();
#pragma once

#include "controls/BitmapPanel.h"
#include "framework/Button.h"
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "framework/Language.h"

namespace controls {

class MessageDialog : public CDialog {
 public:
  // From template IDD_MESSAGE, without a parent; its buttons speak `language`.
  explicit MessageDialog(framework::Language language);

  bool singleButton = false;
  // The two buttons' texts in place of Yes and No, when set (code page 950
  // bytes for Chinese); the answers stay IDOK and IDCANCEL.
  const char* yesText = nullptr;
  const char* noText = nullptr;
  CBitmap background;  // the window background, loaded at initialisation
  framework::Language language;
  BitmapPanel panel;
  CButton yesButton;
  CButton noButton;

  static constexpr int kBackgroundWidth = 500;
  static constexpr int kBackgroundHeight = 300;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  bool OnInitDialog() override;
  void OnPaint() override;
  // Centres the dialog on the screen when no shown window of the program is
  // behind it.
  void StandWhereTheEyeIs();
  void PlaceAtScreenCentre();
};

// Paints a skinned dialog's background: `background` from its top-left
// corner, width x height pixels, or with High Contrast on the system's dialog
// colour.
void PaintDialogBackground(CWnd& dialog, CDC& dc, HBITMAP background, int width, int height);

}  // namespace controls
