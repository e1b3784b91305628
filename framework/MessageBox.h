// Plain message boxes, and the one seam through which every message box of
// the program passes (so that tests can answer them without a screen).
#pragma once

#include <functional>
#include <string>

namespace framework {

inline constexpr const char* kApplicationName = "VornUpdate";

// Shows `text` in the platform's plain message box (MB_OK) and returns its
// result. The box's owner is the active window, if any; its caption is the
// application's name.
int AfxMessageBox(const std::string& text, unsigned int type = 0);

// A message box owned by `owner` (a window handle; null for none).
int ShowMessageBox(void* owner, const std::string& text, const std::string& caption,
                   unsigned int type);

// What a message box was asked to show.
struct MessageBoxCall {
  void* owner = nullptr;
  std::string text;
  std::string caption;
  unsigned int type = 0;
};

// While a hook is set, message boxes are not shown: the hook receives each
// call and its return value is the box's result. An empty hook restores the
// real boxes.
using MessageBoxHook = std::function<int(const MessageBoxCall&)>;
void SetMessageBoxHook(MessageBoxHook hook);

}  // namespace framework

using framework::AfxMessageBox;
