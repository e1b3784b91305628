#include "install/DownloadDialog.h"

#include "catalogue/ArrivalCheck.h"
#include "catalogue/PartialPath.h"
#include "controls/MessageDialog.h"
#include "framework/FileDialog.h"
#include "framework/Platform.h"
#include "install/SavePath.h"
#include "resources/resource.h"

namespace install {

namespace {

// The progress's view of the dialog: the bar, the line under it, then the
// controls' refresh.
class DialogBar : public catalogue::ProgressSink {
 public:
  DialogBar(CDialog& dialog, CProgressCtrl& bar, controls::TextLine& line, const messages::DownloadTexts& texts)
      : dialog_(dialog), bar_(bar), line_(line), texts_(texts) {}
  void SetPosition(int position) override { bar_.SetPos(position); }
  void ShowFigures(const catalogue::TransferFigures& figures) override {
    if (!line_.IsWindowVisible()) line_.ShowWindow(SW_SHOW);
    line_.SetText(messages::ProgressLine(texts_, figures));
  }
  void Refresh() override { dialog_.UpdateData(false); }

 private:
  CDialog& dialog_;
  CProgressCtrl& bar_;
  controls::TextLine& line_;
  const messages::DownloadTexts& texts_;
};

}  // namespace

DownloadDialog::DownloadDialog(framework::Language language) : CDialog(IDD_DOWNLOAD), language_(language) {}

void DownloadDialog::DoDataExchange(CDataExchange* dx) {
  DDX_Control(dx, IDC_PROGRESS, progressBar);
  DDX_Control(dx, IDCANCEL, cancelButton);
  DDX_Control(dx, IDOK, saveButton);
  DDX_Control(dx, IDC_PANEL, panel);
  DDX_Control(dx, IDC_PROGRESS_LINE, progressLine);
}

bool DownloadDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  background.LoadBitmap(IDB_BACKGROUND);
  // The template's texts are the English ones.
  if (framework::IsChinese(language_)) {
    const messages::DownloadTexts& texts = Texts();
    saveButton.SetWindowText(texts.saveButton);
    cancelButton.SetWindowText(texts.cancelButton);
    SetWindowText(texts.windowTitle);
  }
  return true;
}

void DownloadDialog::OnPaint() {
  CPaintDC dc(*this);
  controls::PaintDialogBackground(*this, dc, background, 500, 300);
}

void DownloadDialog::OnOK() {
  // Enter reaches here even while the buttons are disabled.
  if (transferring_) return;
  CFileDialog fileDialog(false, defaultExtension.c_str(), defaultFileName.c_str(),
                         OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kDownloadFilter, m_hWnd);
  if (fileDialog.DoModal() != IDOK) return;  // stays open, buttons usable

  const std::string title = fileDialog.GetFileTitle();
  std::string path;
  AdjustSavePath(defaultExtension, fileDialog.GetFileExt(), fileDialog.GetPathName(), &path);
  std::unique_ptr<CFile> archive;
  if (AlreadyThere(path, archive)) {
    HandOver(title, path, &archive);
    CDialog::OnOK();
    return;
  }
  // The save-file dialog asked about the name as typed; when the firmware's
  // extension made it another file, that one is replaced only if the user
  // says so. No keeps the window open for another choice.
  if (path != fileDialog.GetPathName() && platform::FileExists(path) && !ConfirmReplace(path)) {
    return;
  }
  const std::string partial = catalogue::ReservePartialFile(path);
  if (partial.empty()) {
    // No new file can be made there (a folder without write access, or a
    // path at the length limit): the user chooses another place.
    ShowMessage(Texts().folderRefusedMessage);
    return;
  }
  bool notAsListed = false;
  transferring_ = true;
  const bool arrived = RunTransfer(remotePath, path, partial, notAsListed, archive);
  transferring_ = false;
  HandOver(title, path, arrived ? &archive : nullptr);

  if (!arrived) {
    // Said in the window and in a message box; then the dialog ends as if
    // cancelled, so that nothing is installed and the user can try again.
    ShowMessage(notAsListed ? Texts().notAsPublishedMessage : Texts().failedMessage);
    EndDialog(IDCANCEL);
    return;
  }
  CDialog::OnOK();
}

void DownloadDialog::HandOver(const std::string& title, const std::string& path, std::unique_ptr<CFile>* archive) {
  if (archive != nullptr) {
    if (titleOut != nullptr) *titleOut = title;
    if (pathOut != nullptr) *pathOut = path;
    if (archiveOut != nullptr) *archiveOut = std::move(*archive);
  }
  titleOut = nullptr;
  fetcher = nullptr;
  pathOut = nullptr;
  archiveOut = nullptr;
}

void DownloadDialog::OnCancel() {
  if (transferring_) return;
  CDialog::OnCancel();
}

void DownloadDialog::ShowMessage(const char* text) {
  controls::MessageDialog message(language_);
  message.singleButton = true;
  message.panel.text = text;
  message.DoModal();
}

bool DownloadDialog::RunTransfer(std::string remote, std::string local, std::string partial,
                                 bool& notAsListed, std::unique_ptr<CFile>& archive) {
  saveButton.EnableWindow(false);
  cancelButton.EnableWindow(false);

  // A transfer not started, with no fetcher and so no source to read from,
  // or whose worker could not start, is failed and over: the progress below
  // then ends at once.
  catalogue::Transfer transfer;
  transfer.partialFolder = partialFolder;
  if (fetcher != nullptr) {
    transfer.Start(*fetcher, remote, local, partial, listedSha256, listedBytes);
  } else {
    platform::RemoveFile(partial);  // as a failed transfer leaves none
  }

  SetStatus(Texts().startStatus);
  progressBar.ShowWindow(SW_SHOW);
  progressBar.SetRange(0, catalogue::kProgressRangeTop);
  progressBar.SetPos(0);

  DialogBar bar(*this, progressBar, progressLine, Texts());
  PumpingClock clock(transfer);
  transfer.RunProgress(bar, clock);

  // The progress has shown the end: the full bar and the whole amount, or
  // the bytes a failed transfer had brought.
  const bool arrived = transfer.Succeeded();
  notAsListed = transfer.NotAsListed();
  archive = transfer.TakeArchive();
  SetStatus(arrived ? Texts().endStatus : Texts().failedStatus);
  UpdateData(false);
  // Painted now, the window and its controls, then left on screen for
  // kEndShownMs, however busy the machine.
  RedrawWindow(m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  WaitPumpingMessages(nullptr, kEndShownMs);
  return arrived;
}

bool DownloadDialog::AlreadyThere(const std::string& path, std::unique_ptr<CFile>& archive) {
  // Without a listed hash nothing tells the file there from another.
  if (listedSha256.empty() || !platform::FileExists(path)) return false;
  auto held = std::make_unique<CFile>();
  if (!catalogue::OpenAsListed(path, listedSha256, *held)) return false;
  ShowMessage(Texts().alreadyThereMessage);
  archive = std::move(held);
  return true;
}

bool DownloadDialog::ConfirmReplace(const std::string& path) {
  controls::MessageDialog question(language_);
  question.panel.text = platform::NamePart(path) + Texts().replaceQuestionTail;
  return question.DoModal() == IDOK;
}

void DownloadDialog::SetStatus(const char* text) {
  // The panel's caption, not its `text`: the static control draws it at once,
  // centred, over the question.
  panel.SetWindowText(text);
}

void PumpingClock::Pause(std::uint32_t ms) { WaitPumpingMessages(nullptr, ms); }

void PumpingClock::Idle(const std::atomic<std::int32_t>& done) {
  if (done.load(std::memory_order_acquire) == 1) WaitPumpingMessages(transfer_.DoneEvent(), kIdleMs);
}

}  // namespace install
