#include "framework/MessageBox.h"

#include <windows.h>

namespace framework {

int AfxMessageBox(const std::string& text, unsigned int type) {
  return MessageBoxA(GetActiveWindow(), text.c_str(), kApplicationName, type | MB_OK);
}

}  // namespace framework
