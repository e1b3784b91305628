// Start-up of the program. The wizard window comes with its own issue; until
// then the program shows that it runs.
#include <windows.h>

#include "framework/MessageBox.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  AfxMessageBox("VornUpdate");
  return 0;
}
