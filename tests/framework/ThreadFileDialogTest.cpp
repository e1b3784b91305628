#include "framework/FileDialog.h"
#include "framework/Thread.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

struct Work {
  std::atomic<DWORD> threadId{0};
  std::atomic<int> ran{0};
  HANDLE finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
};

UINT RecordThread(LPVOID parameter) {
  Work* work = static_cast<Work*>(parameter);
  work->threadId = GetCurrentThreadId();
  ++work->ran;
  SetEvent(work->finished);
  return 0;
}

TEST(AfxBeginThread, RunsTheProcedureOnceOnAnotherThread) {
  Work work;
  ASSERT_NE(AfxBeginThread(&RecordThread, &work), nullptr);
  ASSERT_EQ(WaitForSingleObject(work.finished, 5000), WAIT_OBJECT_0);
  EXPECT_NE(work.threadId.load(), GetCurrentThreadId());
  Sleep(20);
  EXPECT_EQ(work.ran.load(), 1);
  CloseHandle(work.finished);
}

TEST(AfxBeginThread, ReportsAThreadThatCannotStart) {
  Work work;
  // A security descriptor of no known revision: the system refuses to make
  // the thread, in a 32-bit and a 64-bit process alike (a huge stack would
  // not do: a 64-bit process has room for any size the call can name).
  alignas(void*) BYTE unknownRevision[64] = {};
  SECURITY_ATTRIBUTES security{sizeof(security), unknownRevision, FALSE};
  EXPECT_EQ(AfxBeginThread(&RecordThread, &work, THREAD_PRIORITY_NORMAL, 0, 0, &security), nullptr);
  EXPECT_EQ(AfxBeginThread(nullptr, &work), nullptr);
  Sleep(20);
  EXPECT_EQ(work.ran.load(), 0);
  CloseHandle(work.finished);
}

// Chooses `path` in place of the user, recording what the dialog was asked.
struct Chooser {
  std::string path;
  INT_PTR answer = IDOK;
  std::string askedExt, askedName, askedFilter;
  DWORD askedFlags = 0;
  bool askedOpen = true;

  void Install() {
    CFileDialog::SetModalHook([this](const CFileDialog& dialog, std::string* chosen) {
      askedExt = dialog.DefaultExt();
      askedName = dialog.InitialFileName();
      askedFilter = dialog.Filter();
      askedFlags = dialog.Flags();
      askedOpen = dialog.IsOpenDialog();
      *chosen = path;
      return answer;
    });
  }
  ~Chooser() { CFileDialog::SetModalHook(nullptr); }
};

TEST(CFileDialog, SplitsTheChosenPathAsTheSystemReportsIt) {
  struct Row {
    const char* path;
    const char* name;
    const char* ext;
    const char* title;
  };
  const Row rows[] = {
      {"C:\\fw\\new.zip", "new.zip", "zip", "new"},
      {"C:\\fw\\new.tar.gz", "new.tar.gz", "gz", "new.tar"},
      {"C:\\v1.2\\new", "new", "", "new"},
      {"C:\\fw\\new.", "new.", "", "new"},
      {"D:new.bin", "new.bin", "bin", "new"},
      {"new.jpeg", "new.jpeg", "jpeg", "new"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    Chooser chooser;
    chooser.path = row.path;
    chooser.Install();
    CFileDialog dialog(false, "zip", "fw.zip", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, "Zip|*.zip||");
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetPathName(), row.path);
    EXPECT_EQ(dialog.GetFileName(), row.name);
    EXPECT_EQ(dialog.GetFileExt(), row.ext);
    EXPECT_EQ(dialog.GetFileTitle(), row.title);
  }
}

TEST(CFileDialog, HookSeesTheSetUpAndCanCancel) {
  Chooser chooser;
  chooser.path = "C:\\ignored.zip";
  chooser.answer = IDCANCEL;
  chooser.Install();
  CFileDialog dialog(false, "zip", "fw.zip", 6, "A|*.a||");
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(dialog.GetPathName(), "");
  EXPECT_FALSE(chooser.askedOpen);
  EXPECT_EQ(chooser.askedExt, "zip");
  EXPECT_EQ(chooser.askedName, "fw.zip");
  EXPECT_EQ(chooser.askedFilter, "A|*.a||");
  EXPECT_EQ(chooser.askedFlags, 6u);
}

TEST(CFileDialog, DoubleByteNamesSplitByCharacter) {
  // In code page 950 the second byte of 許 (B3 5C) is the byte of '\\'. The
  // test runs with LC_ALL=zh_TW.UTF-8, which makes 950 the ANSI code page.
  ASSERT_EQ(GetACP(), 950u);
  Chooser chooser;
  chooser.path = "C:\\fw\\\xB3\x5C.bin";
  chooser.Install();
  CFileDialog dialog(false, "zip");
  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.GetFileName(), "\xB3\x5C.bin");
  EXPECT_EQ(dialog.GetFileTitle(), "\xB3\x5C");
  EXPECT_EQ(dialog.GetFileExt(), "bin");
}

}  // namespace
