// Plain message boxes with an OK button, titled with the application's name.
#pragma once

#include <string>

namespace framework {

inline constexpr const char* kApplicationName = "VornUpdate";

// Shows `text` in the platform's plain message box (MB_OK) and returns its
// result. The box's owner is the application's main window, if any.
int AfxMessageBox(const std::string& text, unsigned int type = 0);

}  // namespace framework

using framework::AfxMessageBox;
