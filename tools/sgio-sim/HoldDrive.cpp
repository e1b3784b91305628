// hold_drive.exe X: READY RELEASE: another program that holds the drive X:
// open without sharing it (as a burning program does), so that the updater's
// own open of \\.\X: fails with a sharing violation. It writes "held" (or
// "error N") to the file READY once it holds the drive, and lets go when the
// file RELEASE exists, or after ten minutes.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: hold_drive.exe X: READY RELEASE\n");
    return 2;
  }
  const std::string device = std::string("\\\\.\\") + argv[1];
  HANDLE drive = CreateFileA(device.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  const std::string state = drive != INVALID_HANDLE_VALUE ? "held" : "error " + std::to_string(GetLastError());
  if (FILE* ready = std::fopen(argv[2], "wb")) {
    std::fputs(state.c_str(), ready);
    std::fclose(ready);
  }
  if (drive == INVALID_HANDLE_VALUE) return 1;
  for (int i = 0; i < 6000 && GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
  CloseHandle(drive);
  return 0;
}
