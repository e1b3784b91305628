#include "SystemDialogs.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace systemdialogs {

namespace {

struct Search {
  std::vector<HWND> exclude;
  HWND found = nullptr;
};

BOOL CALLBACK FindDialogWindow(HWND window, LPARAM parameter) {
  Search* search = reinterpret_cast<Search*>(parameter);
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  const bool excluded =
      std::find(search->exclude.begin(), search->exclude.end(), window) != search->exclude.end();
  if (!excluded && std::strcmp(name, "#32770") == 0 && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectText(HWND window, LPARAM parameter) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof text);
  reinterpret_cast<std::string*>(parameter)->append(text).append("\n");
  return TRUE;
}

}  // namespace

HWND WaitForDialog(DWORD thread, std::initializer_list<HWND> exclude) {
  for (int i = 0; i < 200; ++i) {
    Search search;
    search.exclude.assign(exclude.begin(), exclude.end());
    EnumThreadWindows(thread, FindDialogWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    Sleep(50);
  }
  return nullptr;
}

std::string ChildTexts(HWND dialog) {
  std::string texts;
  EnumChildWindows(dialog, CollectText, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

std::string FileTypes(HWND fileDialog) {
  HWND box = GetDlgItem(fileDialog, kFileTypeBox);
  std::string types;
  const int count = static_cast<int>(SendMessageA(box, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[256] = {};
    SendMessageA(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    types.append(text).append("\n");
  }
  return types;
}

void ChooseFile(HWND fileDialog, const std::string& path) {
  SendMessageA(GetDlgItem(fileDialog, kFileNameBox), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(path.c_str()));
  Press(fileDialog, IDOK);
}

void Press(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

}  // namespace systemdialogs
