// The download window in a real window under Wine, against the loopback FTP
// server: the save-file dialog is answered through its choice hook, the
// message dialog through the modal hook.
#include "install/DownloadDialog.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <atomic>
#include <cmath>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/Sha256.h"
#include "catalogue/Transfer.h"
#include "controls/MessageDialog.h"
#include "framework/FileDialog.h"
#include "framework/Platform.h"
#include "messages/DownloadTexts.h"
#include "resources/resource.h"
#include "tools/ftp-server/FtpFixtureClient.h"
#include "../framework/SystemDialogs.h"
#include "tests/common/TestFiles.h"

namespace {

using install::DownloadDialog;
using messages::DownloadTexts;
using messages::DownloadTextsFor;

using catalogue::Transfer;

using framework::Language;

using testfiles::ReadFile;
using testfiles::WriteFile;

using ftpfixture::FtpServer;

const char kRemote[] = "pub/VORN/cdrom/fw.zip";
const char kQuestion[] = "New Firmware:\nfw.zip\n\nDownload it?";

std::string Firmware(std::size_t size) { return testfiles::PseudoRandomBytes(size, 7); }

// A folder of this test's own: the transfer test runs beside it in the same
// build folder, and both name their temporary files "~1", "~2", ...
std::string Here() {
  char buffer[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof buffer, buffer);
  const std::string folder = std::string(buffer) + "\\download_dialog_test.files";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

// What the window showed when it appeared and when it went.
struct Seen {
  std::string title, saveText, cancelText, question;
  bool barVisibleAtStart = true;
  std::string finalStatus, finalLine;
  int finalPosition = -1;
  bool saveEnabledAtEnd = true, cancelEnabledAtEnd = true;
};

// The download window, noting its state just before it is destroyed.
class ObservedDownload : public DownloadDialog {
 public:
  explicit ObservedDownload(Language language = Language::English) : DownloadDialog(language) {}
  Seen seen;
  bool DestroyWindow() override {
    if (m_hWnd != nullptr && panel.m_hWnd != nullptr) {
      seen.finalStatus = panel.GetWindowText();
      seen.finalPosition = progressBar.GetPos();
      if (progressLine.IsWindowVisible()) seen.finalLine = progressLine.GetWindowText();
      seen.saveEnabledAtEnd = saveButton.IsWindowEnabled();
      seen.cancelEnabledAtEnd = cancelButton.IsWindowEnabled();
    }
    return DownloadDialog::DestroyWindow();
  }
};

struct Message {
  std::string text;
  Language language = Language::English;
  bool singleButton = false;
  bool yesVisible = true;
};

framework::CWinThread* CannotStart(AFX_THREADPROC, LPVOID) { return nullptr; }

class DownloadDialogTest : public ::testing::Test {
 protected:
  void Serve(const std::string& mode) {
    server_ = std::make_unique<FtpServer>(mode);
    server_->PutFile(std::string("/") + kRemote, firmware_);
    fetcher_.serverHost = "127.0.0.1";
    fetcher_.serverPort = server_->Port();
    ASSERT_TRUE(fetcher_.Connect());
  }

  void TearDown() override {
    CDialog::SetModalHook(nullptr);
    CFileDialog::SetModalHook(nullptr);
    Transfer::SetThreadStarter(nullptr);
    for (const std::string& path : {saved_, chosen_, Here() + "\\~1"}) platform::RemoveFile(path);
  }

  // Runs the window as the wizard does: Save File is pressed once it shows,
  // the save-file dialog answers with `chosen_` (or cancels), a message
  // dialog is noted and closed.
  INT_PTR Run(ObservedDownload& dialog) {
    dialog.remotePath = kRemote;
    dialog.fetcher = &fetcher_;
    dialog.defaultFileName = "fw.zip";
    dialog.defaultExtension = "zip";
    dialog.titleOut = &title_;
    dialog.pathOut = &path_;
    dialog.panel.text = kQuestion;
    CDialog::SetModalHook([this](CDialog& shown) {
      if (auto* box = dynamic_cast<controls::MessageDialog*>(&shown)) {
        messages_.push_back({box->panel.text, box->language, box->singleButton,
                             box->yesButton.IsWindowVisible()});
        const bool yes = !box->singleButton && replaceAnswer_ == IDOK;
        PostMessageA(box->GetDlgItem(yes ? IDOK : IDCANCEL), BM_CLICK, 0, 0);
        // Then the user gives up on the window that stayed open.
        if (!yes && cancelAfterReplaceQuestion_) {
          PostMessageA(GetDlgItem(downloadWindow_, IDCANCEL), BM_CLICK, 0, 0);
        }
        return;
      }
      auto& download = dynamic_cast<ObservedDownload&>(shown);
      downloadWindow_ = download.m_hWnd;
      shownWindow_ = download.m_hWnd;
      Seen& seen = download.seen;
      seen.title = download.GetWindowText();
      seen.saveText = download.saveButton.GetWindowText();
      seen.cancelText = download.cancelButton.GetWindowText();
      seen.question = download.panel.text;
      seen.barVisibleAtStart = download.progressBar.IsWindowVisible();
      if (!typedIntoSystemDialog_.empty()) AnswerSystemDialogs(download.m_hWnd);
      PostMessageA(download.GetDlgItem(IDOK), BM_CLICK, 0, 0);
    });
    if (!typedIntoSystemDialog_.empty()) {
      const INT_PTR result = dialog.DoModal();
      if (user_.joinable()) user_.join();
      return result;
    }
    CFileDialog::SetModalHook([this, &dialog](const CFileDialog& asked, std::string* path) {
      asked_.push_back(asked.Filter());
      askedFlags_ = asked.Flags();
      askedExt_ = asked.DefaultExt();
      askedName_ = asked.InitialFileName();
      askedOpen_ = asked.IsOpenDialog();
      askedParent_ = asked.Parent() == dialog.m_hWnd;
      saveEnabledWhileAsked_ = dialog.saveButton.IsWindowEnabled();
      if (cancelSaveFileDialog_) {
        // The user gives up on the place, then closes the window.
        PostMessageA(dialog.GetDlgItem(IDCANCEL), BM_CLICK, 0, 0);
        return static_cast<INT_PTR>(IDCANCEL);
      }
      *path = chosen_;
      return static_cast<INT_PTR>(IDOK);
    });
    return dialog.DoModal();
  }

  // Answers the system's save-file dialog from a second thread: types
  // `typedIntoSystemDialog_`, presses Save and confirms the overwrite question.
  void AnswerSystemDialogs(HWND download) {
    const DWORD ui = GetCurrentThreadId();
    user_ = std::thread([this, ui, download] {
      using namespace systemdialogs;
      HWND files = WaitForDialog(ui, {download});
      if (files == nullptr) return;
      systemTypes_ = FileTypes(files);
      ChooseFile(files, typedIntoSystemDialog_);
      HWND question = WaitForDialog(ui, {download, files});
      if (question == nullptr) return;
      systemQuestion_ = ChildTexts(question);
      Press(question, IDYES);
    });
  }

  std::string typedIntoSystemDialog_;
  std::thread user_;
  std::string systemTypes_, systemQuestion_;
  std::string firmware_ = Firmware(150000);
  std::unique_ptr<FtpServer> server_;
  catalogue::CatalogueFetcher fetcher_;
  std::string chosen_ = Here() + "\\download_test_fw.bin";
  std::string saved_ = Here() + "\\download_test_fw.zip";
  std::string title_ = "untouched title";
  std::string path_ = "untouched path";
  bool cancelSaveFileDialog_ = false;
  // The answer to a question before a file is replaced: Yes (IDOK) or No.
  int replaceAnswer_ = IDOK;
  bool cancelAfterReplaceQuestion_ = false;
  HWND downloadWindow_ = nullptr;
  std::atomic<HWND> shownWindow_{nullptr};  // for a thread that watches the window
  std::vector<std::string> asked_;
  DWORD askedFlags_ = 0;
  std::string askedExt_, askedName_;
  bool askedOpen_ = true, askedParent_ = false, saveEnabledWhileAsked_ = false;
  std::vector<Message> messages_;
};

TEST_F(DownloadDialogTest, SavesTheWholeFileUnderTheFirmwaresExtensionInEitherLanguage) {
  for (Language language : {Language::English, Language::ChineseTaiwan}) {
    SCOPED_TRACE(framework::IsChinese(language) ? "Chinese" : "English");
    const DownloadTexts& texts = DownloadTextsFor(language);
    Serve("normal");
    WriteFile(saved_, "old firmware the user chose to overwrite");
    ObservedDownload dialog(language);
    ASSERT_EQ(Run(dialog), IDOK);

    EXPECT_EQ(ReadFile(saved_), firmware_);
    EXPECT_FALSE(platform::FileExists(chosen_));
    EXPECT_EQ(path_, saved_);
    EXPECT_EQ(title_, "download_test_fw");
    // The dialog asked about download_test_fw.bin; the file replaced is the
    // .zip beside it, so the window asked about that one first.
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, std::string("download_test_fw.zip") + texts.replaceQuestionTail);
    EXPECT_EQ(messages_[0].language, language);
    EXPECT_FALSE(messages_[0].singleButton);
    EXPECT_TRUE(messages_[0].yesVisible);

    ASSERT_EQ(asked_.size(), 1u);
    EXPECT_EQ(asked_[0], "Zipped Files (*.zip)|*.zip| Executable Files (*.exe)|*.exe||");
    EXPECT_EQ(askedFlags_, static_cast<DWORD>(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
    EXPECT_EQ(askedExt_, "zip");
    EXPECT_EQ(askedName_, "fw.zip");
    EXPECT_FALSE(askedOpen_);
    EXPECT_TRUE(askedParent_);

    const Seen& seen = dialog.seen;
    EXPECT_EQ(seen.title, texts.windowTitle);
    EXPECT_EQ(seen.saveText, texts.saveButton);
    EXPECT_EQ(seen.cancelText, texts.cancelButton);
    EXPECT_EQ(seen.question, kQuestion);
    EXPECT_FALSE(seen.barVisibleAtStart);
    EXPECT_EQ(seen.finalStatus, texts.endStatus);
    EXPECT_EQ(seen.finalPosition, 500);
    // The whole amount, however quick the transfer (then without a rate).
    catalogue::TransferFigures whole;
    whole.bytes = whole.total = firmware_.size();
    EXPECT_EQ(seen.finalLine.rfind(messages::ProgressLine(texts, whole), 0), 0u) << seen.finalLine;
    EXPECT_FALSE(seen.saveEnabledAtEnd);
    EXPECT_FALSE(seen.cancelEnabledAtEnd);

    platform::RemoveFile(saved_);
    asked_.clear();
    messages_.clear();
    title_ = "untouched title";
    path_ = "untouched path";
    fetcher_.CloseConnection();
    server_.reset();
  }
}

// The bar shows the bytes that have arrived: sampled while a slow server
// sends, it is never ahead of the share of the file the server has sent, and
// it climbs through the file in steps (not an estimate, not one jump at the
// end). How far it lags depends on the machine's load: it is printed, not
// held to a bound.
TEST_F(DownloadDialogTest, BarFollowsTheBytesTheServerSent) {
  firmware_ = Firmware(600000);
  Serve("slow-retr=60000");  // ten seconds
  ObservedDownload dialog;
  dialog.listedBytes = firmware_.size();
  double widest = 0, ahead = 0;
  std::set<int> seenBetween;  // positions seen between the ends
  std::atomic<bool> over{false};
  std::thread watch([&] {
    const double size = static_cast<double>(firmware_.size());
    while (!over) {
      HWND bar = shownWindow_ != nullptr ? GetDlgItem(shownWindow_, IDC_PROGRESS) : nullptr;
      DWORD_PTR position = 0;
      const double sentBefore = static_cast<double>(server_->BytesSent());
      if (bar == nullptr || !IsWindowVisible(bar) ||
          !SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 1000, &position)) {
        Sleep(20);
        continue;
      }
      const double sentAfter = static_cast<double>(server_->BytesSent());
      if (sentBefore >= size) break;
      ahead = std::max(ahead, position / 5.0 - sentAfter * 100 / size);
      widest = std::max(widest, std::fabs(sentBefore * 100 / size - position / 5.0));
      if (position > 0 && position < catalogue::kProgressRangeTop) seenBetween.insert(static_cast<int>(position));
      Sleep(100);
    }
  });
  EXPECT_EQ(Run(dialog), IDOK);
  over = true;
  watch.join();
  std::printf("[measure] widest gap between the bar and the bytes sent: %.1f points, %zu positions seen\n", widest,
              seenBetween.size());
  EXPECT_EQ(ReadFile(saved_), firmware_);
  // The server counts a block once it has handed it over: the bar may be
  // one block (4 KB) ahead of the count, no more.
  EXPECT_LE(ahead, 4096 * 100.0 / firmware_.size()) << "the bar showed bytes the server had not sent";
  EXPECT_GE(seenBetween.size(), 10u);
}

// A file at the chosen place that is the one the catalogue lists is not
// fetched again: the user is told, and it is handed on held open. Another
// file there is replaced as before.
TEST_F(DownloadDialogTest, FileAlreadyThereAsListedIsNotFetchedAgain) {
  const struct {
    Language language;
    bool same;
  } rows[] = {{Language::English, true}, {Language::ChineseTaiwan, true}, {Language::English, false}};
  Serve("normal");
  chosen_ = saved_;  // the save-file dialog asked about the file itself
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(framework::IsChinese(row.language) ? "Chinese" : "English") +
                 (row.same ? ", same" : ", other"));
    WriteFile(saved_, row.same ? firmware_ : "old firmware");
    messages_.clear();
    std::unique_ptr<CFile> archive;
    ObservedDownload dialog(row.language);
    dialog.listedSha256 = sha256::ToHex(sha256::Of(firmware_));
    dialog.archiveOut = &archive;
    ASSERT_EQ(Run(dialog), IDOK);
    EXPECT_EQ(ReadFile(saved_), firmware_);
    EXPECT_EQ(path_, saved_);
    EXPECT_NE(archive, nullptr);
    EXPECT_EQ(server_->Count("retr"), row.same ? 0 : 1);
    ASSERT_EQ(messages_.size(), row.same ? 1u : 0u);
    if (row.same) EXPECT_EQ(messages_[0].text, DownloadTextsFor(row.language).alreadyThereMessage);
    archive.reset();
    fetcher_.CloseConnection();
    server_.reset();
    Serve("normal");
  }
}

TEST_F(DownloadDialogTest, SystemSaveFileDialogChoosesThePlaceAndConfirmsTheOverwrite) {
  Serve("normal");
  WriteFile(saved_, "old firmware");
  typedIntoSystemDialog_ = Here() + "\\download_test_fw";  // the dialog adds .zip
  ObservedDownload dialog;
  ASSERT_EQ(Run(dialog), IDOK);
  EXPECT_EQ(systemTypes_, "Zipped Files (*.zip)\n Executable Files (*.exe)\n");
  EXPECT_NE(systemQuestion_.find("replace"), std::string::npos) << systemQuestion_;
  EXPECT_EQ(ReadFile(saved_), firmware_);
  EXPECT_EQ(path_, saved_);
  EXPECT_EQ(title_, "download_test_fw");
  EXPECT_EQ(dialog.seen.finalStatus, "End of downloading the file");
}

TEST_F(DownloadDialogTest, FailedTransferIsReportedAndEndsAsCancelled) {
  struct Row {
    Language language;
    const char* mode;
    bool workerStarts;
  };
  const Row rows[] = {
      {Language::English, "fail-retr=1", true},
      {Language::ChineseTaiwan, "drop-retr=4", true},  // dropped each time it goes on
      {Language::English, "normal", false},  // no worker thread could be started
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mode);
    Transfer::SetThreadStarter(row.workerStarts ? nullptr : &CannotStart);
    const DownloadTexts& texts = DownloadTextsFor(row.language);
    Serve(row.mode);
    WriteFile(saved_, "old firmware");
    messages_.clear();
    ObservedDownload dialog(row.language);
    EXPECT_EQ(Run(dialog), IDCANCEL);

    EXPECT_EQ(ReadFile(saved_), "old firmware");
    EXPECT_FALSE(platform::FileExists(Here() + "\\~1"));
    EXPECT_EQ(title_, "untouched title");
    EXPECT_EQ(path_, "untouched path");
    EXPECT_EQ(dialog.seen.finalStatus, texts.failedStatus);
    // The question before replacing the .zip (answered Yes), then the report.
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_FALSE(messages_[0].singleButton);
    EXPECT_EQ(messages_[1].text, texts.failedMessage);
    EXPECT_EQ(messages_[1].language, row.language);
    EXPECT_TRUE(messages_[1].singleButton);
    EXPECT_FALSE(messages_[1].yesVisible);
    EXPECT_EQ(server_->Count("retr"), !row.workerStarts ? 0 : std::string(row.mode) == "fail-retr=1" ? 1 : 4);

    fetcher_.CloseConnection();
    server_.reset();
  }
}

TEST_F(DownloadDialogTest, CancelledSaveFileDialogKeepsTheWindowThenCancelLeavesAllAsItWas) {
  Serve("normal");
  cancelSaveFileDialog_ = true;
  ObservedDownload dialog;
  EXPECT_EQ(Run(dialog), IDCANCEL);
  EXPECT_EQ(asked_.size(), 1u);
  EXPECT_TRUE(saveEnabledWhileAsked_);
  // Cancel found the window open with both buttons usable.
  EXPECT_TRUE(dialog.seen.saveEnabledAtEnd);
  EXPECT_TRUE(dialog.seen.cancelEnabledAtEnd);
  EXPECT_EQ(dialog.seen.finalStatus, kQuestion);  // the question the reader reads: nothing started
  EXPECT_EQ(title_, "untouched title");
  EXPECT_EQ(path_, "untouched path");
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(server_->Count("retr"), 0);
}

TEST_F(DownloadDialogTest, NoToReplacingTheAdjustedFileKeepsItAndTheWindow) {
  Serve("normal");
  WriteFile(saved_, "old firmware");
  replaceAnswer_ = IDCANCEL;
  cancelAfterReplaceQuestion_ = true;
  ObservedDownload dialog;
  EXPECT_EQ(Run(dialog), IDCANCEL);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_FALSE(messages_[0].singleButton);
  EXPECT_EQ(ReadFile(saved_), "old firmware");
  EXPECT_EQ(server_->Count("retr"), 0);
  // The window stayed open with both buttons usable until Cancel.
  EXPECT_TRUE(dialog.seen.saveEnabledAtEnd);
  EXPECT_TRUE(dialog.seen.cancelEnabledAtEnd);
  EXPECT_EQ(title_, "untouched title");
  EXPECT_EQ(path_, "untouched path");
}

TEST_F(DownloadDialogTest, FolderThatCannotTakeTheFileIsSaidAndKeepsTheWindow) {
  Serve("normal");
  chosen_ = Here() + "\\no-such-folder\\fw.zip";
  cancelAfterReplaceQuestion_ = true;  // then the user gives up on the window
  ObservedDownload dialog;
  EXPECT_EQ(Run(dialog), IDCANCEL);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, DownloadTextsFor(Language::English).folderRefusedMessage);
  EXPECT_TRUE(messages_[0].singleButton);
  EXPECT_EQ(server_->Count("retr"), 0);
  EXPECT_TRUE(dialog.seen.saveEnabledAtEnd);
  EXPECT_TRUE(dialog.seen.cancelEnabledAtEnd);
  EXPECT_EQ(path_, "untouched path");
}

TEST_F(DownloadDialogTest, NoQuestionWhenTheAdjustedFileIsAbsentOrWasTheOneAskedAbout) {
  Serve("normal");
  ObservedDownload fresh;
  ASSERT_EQ(Run(fresh), IDOK);  // fw.bin chosen, no fw.zip there yet
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(ReadFile(saved_), firmware_);

  chosen_ = saved_;  // the save-file dialog itself asked about the .zip
  ObservedDownload again;
  ASSERT_EQ(Run(again), IDOK);
  EXPECT_TRUE(messages_.empty());
}

}  // namespace
