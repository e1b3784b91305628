// The download window: shows the question about the chosen firmware file,
// asks where to save it, fetches it over the lent FTP connection on a worker
// thread with an estimated progress bar, and closes.
//
// The caller fills the public fields, puts the question into `panel.text` and
// runs DoModal:
//   IDOK      the file has arrived whole and is in place: `*titleOut` holds
//             its title (name without extension), `*pathOut` its full path;
//   IDCANCEL  the user cancelled before saving, or the transfer failed or
//             brought a file whose SHA-256 is not `listedSha256` (the window
//             and a message dialog have said so); the caller's strings are
//             untouched and a file that existed at the chosen place is
//             unchanged.
//
// The place to save is asked with CFileDialog; tests and walk-throughs choose
// it with CFileDialog::SetModalHook (framework/FileDialog.h), which sees the
// default extension, the firmware's file name, the flags and the filter
// below.
#pragma once

#include <string>

#include "controls/BitmapPanel.h"
#include "framework/Button.h"
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "framework/ProgressCtrl.h"
#include "framework/Thread.h"  // before Internet.h, which undoes a <windows.h> macro
#include "framework/Internet.h"

// The save-file dialog's filter (the second description begins with a space).
inline constexpr const char kDownloadFilter[] =
    "Zipped Files (*.zip)|*.zip| Executable Files (*.exe)|*.exe||";

class DownloadDialog : public CDialog {
 public:
  DownloadDialog();

  CBitmap background;
  std::string* titleOut = nullptr;          // not owned
  std::string* pathOut = nullptr;           // not owned
  std::string remotePath;                   // the firmware's path on the server
  CFtpConnection* connection = nullptr;     // lent, not owned
  std::string defaultFileName;              // the firmware's file name
  std::string defaultExtension;             // forced onto the saved file
  std::string listedSha256;                 // the file's hash in the catalogue; empty: none
  CProgressCtrl progressBar;
  CButton cancelButton;
  CButton saveButton;
  controls::BitmapPanel panel;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  bool OnInitDialog() override;
  void OnPaint() override;
  // "Save File": asks where to save, fetches, ends the dialog.
  void OnOK() override;

 private:
  // Fetches `remote` into `local` while the bar shows the estimate; true when
  // the file is in place, whole and as listed. The buttons stay disabled
  // afterwards. `notAsListed` tells a file refused for its hash.
  bool RunTransfer(std::string remote, std::string local, bool& notAsListed);
  void SetStatus(const char* text);
  // Asks before replacing `path`, a file the save-file dialog did not ask
  // about; true for Yes.
  bool ConfirmReplace(const std::string& path);
};
