// The reports in real windows: plain boxes through the message box seam, the
// install failure in the skinned message dialog.
#include "messages/ShowMessages.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/MessageDialog.h"
#include "framework/Dialog.h"
#include "framework/MessageBox.h"
#include "resources/resource.h"
#include "scsi/DriveIdentification.h"

namespace {

using framework::Language;

// Records every message box and answers OK.
class RecordedBoxes {
 public:
  RecordedBoxes() {
    framework::SetMessageBoxHook([this](const framework::MessageBoxCall& call) {
      calls.push_back(call);
      return IDOK;
    });
  }
  ~RecordedBoxes() { framework::SetMessageBoxHook(nullptr); }
  std::vector<framework::MessageBoxCall> calls;
};

// Drives whose problems are given by the test, handed over once.
class ProblemDrives : public scsi::DriveIdentification {
 public:
  scsi::DriveProblems problems;
  int DriveCount() const override { return 0; }
  void SelectDrive(int) override {}
  bool IdentifyDrive(int, std::string&, std::string&, std::string&) override { return false; }
  scsi::DriveProblems TakeProblems() override {
    scsi::DriveProblems taken;
    taken.swap(problems);
    return taken;
  }
};

TEST(Report, DriveProblemsAppearOnceInPlainBoxesWithTheSystemsText) {
  constexpr DWORD kErrorAccessDenied = 5;
  char systemText[80] = {};
  ASSERT_NE(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, kErrorAccessDenied, 0, systemText,
                           sizeof systemText, nullptr),
            0u);
  RecordedBoxes boxes;
  ProblemDrives drives;
  drives.problems = {{scsi::ProblemCause::AspiLibraryMissing},
                     {scsi::ProblemCause::PassThroughFailed, kErrorAccessDenied}};
  messages::ReportDriveProblems(drives);
  messages::ReportDriveProblems(drives);  // nothing new
  ASSERT_EQ(boxes.calls.size(), 2u);
  EXPECT_EQ(boxes.calls[0].text, "WNASPI32.DLL not found");
  EXPECT_EQ(boxes.calls[1].text, std::string(systemText) + "\n");
  for (const framework::MessageBoxCall& call : boxes.calls) {
    EXPECT_EQ(call.type & MB_ICONMASK, 0u);
    EXPECT_EQ(call.caption, framework::kApplicationName);
  }
}

TEST(Report, FetchFailuresAppearInExclamationBoxes) {
  RecordedBoxes boxes;
  messages::ReportFetchFailures({catalogue::FetchFailure::SessionNotCreated});
  ASSERT_EQ(boxes.calls.size(), 1u);
  EXPECT_EQ(boxes.calls[0].text, "Cannot creat a session");
  EXPECT_EQ(boxes.calls[0].type & MB_ICONMASK, static_cast<unsigned>(MB_ICONEXCLAMATION));
}

// An install failure is shown in the single-button message dialog, in the
// language it is given, after the plain box of an unexpected exception.
TEST(Report, InstallFailureAppearsInTheSingleButtonMessageDialog) {
  struct Seen {
    bool yesVisible = true;
    bool exitVisible = false;
    Language language = Language::English;
    std::string text;
  };
  for (Language language : {Language::English, Language::ChineseTaiwan}) {
    SCOPED_TRACE(framework::IsChinese(language) ? "Chinese" : "English");
    RecordedBoxes boxes;
    std::vector<Seen> dialogs;
    CDialog::SetModalHook([&](CDialog& shown) {
      auto& box = dynamic_cast<controls::MessageDialog&>(shown);
      dialogs.push_back({box.yesButton.IsWindowVisible(), box.noButton.IsWindowVisible(),
                         box.language, box.panel.text});
      PostMessageA(box.GetDlgItem(IDCANCEL), BM_CLICK, 0, 0);
    });
    messages::ReportInstall({install::kInstallUnzipFailed, true}, language);
    messages::ReportInstall({install::kInstallStarted, false}, language);  // nothing to say
    CDialog::SetModalHook(nullptr);

    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].text, "memory exception");
    ASSERT_EQ(dialogs.size(), 1u) << "no message dialog appeared";
    EXPECT_FALSE(dialogs[0].yesVisible);
    EXPECT_TRUE(dialogs[0].exitVisible);
    EXPECT_EQ(dialogs[0].language, language);
    EXPECT_EQ(dialogs[0].text,
              messages::InstallMessages({install::kInstallUnzipFailed, false}, language)[0].text);
  }
}

}  // namespace
