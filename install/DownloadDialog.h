// The download window: shows the question about the chosen firmware file,
// asks where to save it, fetches it from the source the catalogue came from
// (the lent connection, or the local folder) on a worker thread while the
// bar and the line under it show the bytes that have arrived, and closes.
// A file already at the chosen place with the catalogue's SHA-256 is not
// fetched again: the user is told so, and it is handed on as if it had just
// arrived.
//
// The caller builds it in the user's language, fills the public fields, puts the question into `panel.text` and
// runs DoModal:
//   IDOK      the file has arrived whole, or was there already, and is in place: `*titleOut` holds
//             its title (name without extension), `*pathOut` its full path,
//             `*archiveOut` the file, open with writers denied since its
//             hash was checked in place (for the installer to read);
//   IDCANCEL  the user cancelled before saving, or the transfer failed or
//             brought a file whose SHA-256 is not `listedSha256` (the window
//             and a message dialog have said so); the caller's strings are
//             untouched and a file that existed at the chosen place is
//             unchanged.
//
// The window keeps handling its messages while the file is fetched; the
// transfer cannot be cancelled, but it is given up when it shows no progress
// for a while (see Transfer.h).
//
// The place to save is asked with CFileDialog; tests and walk-throughs choose
// it with CFileDialog::SetModalHook (framework/FileDialog.h), which sees the
// default extension, the firmware's file name, the flags and the filter
// below.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "catalogue/CatalogueFetcher.h"
#include "catalogue/Transfer.h"
#include "controls/BitmapPanel.h"
#include "controls/TextLine.h"
#include "framework/Button.h"
#include "framework/Dialog.h"
#include "framework/File.h"
#include "framework/Gdi.h"
#include "framework/Language.h"
#include "framework/ProgressCtrl.h"
#include "messages/DownloadTexts.h"

namespace install {

// How long the download window shows the end of a transfer (the full bar,
// the end text) before it closes.
inline constexpr std::uint32_t kEndShownMs = 100;

// The clock of the download window: pauses and idle waits during which the
// thread's windows keep handling their messages; an idle wait ends early
// when the transfer's current worker has ended.
class PumpingClock : public catalogue::ProgressClock {
 public:
  explicit PumpingClock(const catalogue::Transfer& transfer) : transfer_(transfer) {}
  void Pause(std::uint32_t ms) override;
  void Idle(const std::atomic<std::int32_t>& done) override;

  // Longest idle wait.
  static constexpr DWORD kIdleMs = 100;

 private:
  const catalogue::Transfer& transfer_;
};

// The save-file dialog's filter (the second description begins with a space).
inline constexpr const char kDownloadFilter[] =
    "Zipped Files (*.zip)|*.zip| Executable Files (*.exe)|*.exe||";

class DownloadDialog : public CDialog {
 public:
  // The window and the messages it shows speak `language`.
  explicit DownloadDialog(framework::Language language);

  CBitmap background;
  std::string* titleOut = nullptr;          // not owned
  std::string* pathOut = nullptr;           // not owned
  std::unique_ptr<CFile>* archiveOut = nullptr;  // not owned
  std::string remotePath;                   // the firmware's path on the server
  // The wizard's fetcher, not owned: its connection is lent to the
  // transfer, which connects again through it when the server closed it.
  catalogue::CatalogueFetcher* fetcher = nullptr;
  std::string defaultFileName;              // the firmware's file name
  std::string defaultExtension;             // forced onto the saved file
  std::string listedSha256;                 // the file's hash in the catalogue; empty: none
  std::uint64_t listedBytes = 0;            // the file's size in the catalogue; 0: unknown
  // The work folder, where a file listed with its hash arrives and what a
  // failed or cancelled run fetched of it is kept for the next (see
  // Transfer.h); empty: none.
  std::string partialFolder;
  CProgressCtrl progressBar;
  controls::TextLine progressLine;          // the bytes, the rate and the time left
  CButton cancelButton;
  CButton saveButton;
  controls::BitmapPanel panel;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  bool OnInitDialog() override;
  void OnPaint() override;
  // "Save File": asks where to save, fetches, ends the dialog.
  void OnOK() override;
  // Cancel, Escape or the close box; nothing while the file is fetched.
  void OnCancel() override;

 private:
  // Fetches `remote` into `partial`, then puts it at `local`, while the bar
  // shows the estimate; true when the file is in place, whole and as listed.
  // The buttons stay disabled afterwards. `notAsListed` tells a file refused
  // for its hash; `archive` receives the arrived file, held open.
  bool RunTransfer(std::string remote, std::string local, std::string partial, bool& notAsListed,
                   std::unique_ptr<CFile>& archive);
  void SetStatus(const char* text);
  // Gives the caller the title, the path and the arrived file (`archive`
  // not null: the file is in place), then lets go of the caller's fields.
  void HandOver(const std::string& title, const std::string& path, std::unique_ptr<CFile>* archive);
  // Asks before replacing `path`, a file the save-file dialog did not ask
  // about; true for Yes.
  bool ConfirmReplace(const std::string& path);
  void ShowMessage(const char* text);
  // Whether `path` already holds the listed file: then it is held open in
  // `archive` and the user is told.
  bool AlreadyThere(const std::string& path, std::unique_ptr<CFile>& archive);
  const messages::DownloadTexts& Texts() const { return messages::DownloadTextsFor(language_); }

  const framework::Language language_;
  bool transferring_ = false;
};

}  // namespace install
