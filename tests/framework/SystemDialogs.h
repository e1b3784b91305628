// Test helpers that answer the system's own dialogs from a second thread, as
// a user would.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

namespace systemdialogs {

constexpr int kFileNameBox = 0x47C;  // the file dialog's file-name combo box
constexpr int kFileTypeBox = 0x470;  // the file dialog's file-type combo box

// The first visible dialog window of `thread` that is none of `exclude`,
// waiting up to ten seconds for one to appear; null if none does.
HWND WaitForDialog(DWORD thread, std::initializer_list<HWND> exclude = {});

// Every child window's text, one a line.
std::string ChildTexts(HWND dialog);

// The entries of a file dialog's file-type box, one a line.
std::string FileTypes(HWND fileDialog);

// Types `path` into a file dialog's name box and presses its OK button.
void ChooseFile(HWND fileDialog, const std::string& path);

// Presses a button of `dialog` by its id.
void Press(HWND dialog, int id);

}  // namespace systemdialogs
