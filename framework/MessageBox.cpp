#include "framework/MessageBox.h"

#include <windows.h>

namespace framework {
namespace {
MessageBoxHook& Hook() {
  static MessageBoxHook hook;
  return hook;
}
}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) { Hook() = std::move(hook); }

int ShowMessageBox(void* owner, const std::string& text, const std::string& caption,
                   unsigned int type) {
  if (Hook()) return Hook()(MessageBoxCall{owner, text, caption, type});
  return MessageBoxA(static_cast<HWND>(owner), text.c_str(), caption.c_str(), type);
}

int AfxMessageBox(const std::string& text, unsigned int type) {
  return ShowMessageBox(GetActiveWindow(), text, kApplicationName, type | MB_OK);
}

}  // namespace framework
