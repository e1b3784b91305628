// Drives the system's own save-file dialog, as a user would, from a second
// thread: types a name into the file-name box, presses Save and answers the
// overwrite question.
#include "framework/FileDialog.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "SystemDialogs.h"

namespace {

using namespace systemdialogs;

struct Answer {
  std::string typed;       // empty: press Cancel
  bool confirmOverwrite = false;
};

struct Seen {
  std::string types;     // the file-type box's entries
  std::string question;  // the overwrite question's texts
};

// Runs the save-file dialog on this thread while another thread answers it.
INT_PTR RunAnswered(CFileDialog& dialog, const Answer& answer, Seen* seen) {
  const DWORD ui = GetCurrentThreadId();
  std::thread user([&] {
    HWND files = WaitForDialog(ui);
    if (files == nullptr) return;
    seen->types = FileTypes(files);
    if (answer.typed.empty()) {
      Press(files, IDCANCEL);
      return;
    }
    ChooseFile(files, answer.typed);
    if (!answer.confirmOverwrite) return;
    HWND question = WaitForDialog(ui, {files});
    if (question == nullptr) return;
    seen->question = ChildTexts(question);
    Press(question, IDYES);
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
    Seen seen;
    ASSERT_EQ(RunAnswered(dialog, Answer{row.typed}, &seen), IDOK);
    EXPECT_EQ(seen.types, "Zipped Files (*.zip)\n Executable Files (*.exe)\n");
    EXPECT_EQ(dialog.GetPathName(), row.path);
    EXPECT_EQ(dialog.GetFileExt(), row.ext);
    EXPECT_EQ(dialog.GetFileTitle(), row.title);
  }
}

TEST(SystemFileDialog, CancelAndOverwriteQuestion) {
  CFileDialog cancelled(false, "zip", "fw.zip");
  Seen seen;
  EXPECT_EQ(RunAnswered(cancelled, Answer{}, &seen), IDCANCEL);

  const std::string existing = Folder() + "\\existing.zip";
  HANDLE file = CreateFileA(existing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  CFileDialog overwrite(false, "zip", "fw.zip", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
  EXPECT_EQ(RunAnswered(overwrite, Answer{existing, true}, &seen), IDOK);
  EXPECT_EQ(overwrite.GetPathName(), existing);
  EXPECT_NE(seen.question.find("replace"), std::string::npos) << seen.question;
  DeleteFileA(existing.c_str());
}

}  // namespace
