// Drives the system's own save-file dialog, as a user would, from a second
// thread: types a name into the file-name box, presses Save and answers the
// overwrite question.
#include "framework/FileDialog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kFileNameBox = 0x47C;  // the dialog's file-name combo box
constexpr int kFileTypeBox = 0x470;  // the dialog's file-type combo box

struct Search {
  HWND exclude;
  HWND found;
};

BOOL CALLBACK FindDialogWindow(HWND window, LPARAM parameter) {
  Search* search = reinterpret_cast<Search*>(parameter);
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (window != search->exclude && std::strcmp(name, "#32770") == 0 && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The first visible dialog window of `thread` other than `exclude`, waiting
// up to ten seconds for one to appear.
HWND WaitForDialog(DWORD thread, HWND exclude = nullptr) {
  for (int i = 0; i < 200; ++i) {
    Search search{exclude, nullptr};
    EnumThreadWindows(thread, FindDialogWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    Sleep(50);
  }
  return nullptr;
}

BOOL CALLBACK CollectText(HWND window, LPARAM parameter) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof text);
  reinterpret_cast<std::string*>(parameter)->append(text).append("\n");
  return TRUE;
}

struct Answer {
  std::string typed;       // empty: press Cancel
  bool confirmOverwrite = false;
};

// The entries of the dialog's file-type box, one a line.
std::string FileTypes(HWND files) {
  HWND box = GetDlgItem(files, kFileTypeBox);
  std::string types;
  const int count = static_cast<int>(SendMessageA(box, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[256] = {};
    SendMessageA(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    types.append(text).append("\n");
  }
  return types;
}

// Runs the save-file dialog on this thread while another thread answers it.
INT_PTR RunAnswered(CFileDialog& dialog, const Answer& answer, std::string* questionSeen,
                    std::string* typesSeen = nullptr) {
  const DWORD ui = GetCurrentThreadId();
  std::thread user([&] {
    HWND files = WaitForDialog(ui);
    if (files == nullptr) return;
    if (typesSeen != nullptr) *typesSeen = FileTypes(files);
    if (answer.typed.empty()) {
      PostMessageA(files, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      return;
    }
    SendMessageA(GetDlgItem(files, kFileNameBox), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(answer.typed.c_str()));
    PostMessageA(files, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    if (!answer.confirmOverwrite) return;
    HWND question = WaitForDialog(ui, files);
    if (question == nullptr) return;
    EnumChildWindows(question, CollectText, reinterpret_cast<LPARAM>(questionSeen));
    PostMessageA(question, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
  });
  const INT_PTR result = dialog.DoModal();
  user.join();
  return result;
}

std::string Folder() {
  char buffer[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof buffer, buffer);
  return buffer;
}

TEST(SystemFileDialog, ReportsTheTypedPathAndAddsTheDefaultExtension) {
  const std::string folder = Folder();
  struct Row {
    std::string typed, path, ext, title;
  };
  const std::vector<Row> rows = {
      {folder + "\\new.jpeg", folder + "\\new.jpeg", "jpeg", "new"},
      {folder + "\\plain", folder + "\\plain.zip", "zip", "plain"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.typed);
    CFileDialog dialog(false, "zip", "fw.zip", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       "Zipped Files (*.zip)|*.zip| Executable Files (*.exe)|*.exe||");
    std::string question, types;
    ASSERT_EQ(RunAnswered(dialog, Answer{row.typed}, &question, &types), IDOK);
    EXPECT_EQ(types, "Zipped Files (*.zip)\n Executable Files (*.exe)\n");
    EXPECT_EQ(dialog.GetPathName(), row.path);
    EXPECT_EQ(dialog.GetFileExt(), row.ext);
    EXPECT_EQ(dialog.GetFileTitle(), row.title);
  }
}

TEST(SystemFileDialog, CancelAndOverwriteQuestion) {
  CFileDialog cancelled(false, "zip", "fw.zip");
  std::string question;
  EXPECT_EQ(RunAnswered(cancelled, Answer{}, &question), IDCANCEL);

  const std::string existing = Folder() + "\\existing.zip";
  HANDLE file = CreateFileA(existing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  CFileDialog overwrite(false, "zip", "fw.zip", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
  EXPECT_EQ(RunAnswered(overwrite, Answer{existing, true}, &question), IDOK);
  EXPECT_EQ(overwrite.GetPathName(), existing);
  EXPECT_NE(question.find("replace"), std::string::npos) << question;
  DeleteFileA(existing.c_str());
}

}  // namespace
