// The wizard window: a welcome page, the list of the maker's drives, the
// firmware files offered for the chosen drive, and full-page notices for the
// failure cases. It owns the catalogue and the FTP fetcher for the whole run
// and hands a chosen file to the download window and the installer.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "catalogue/CatalogueFetcher.h"
#include "catalogue/FirmwareCatalogue.h"
#include "controls/LinkLabel.h"
#include "framework/Button.h"
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "framework/ListCtrl.h"
#include "install/ProgramStart.h"
#include "install/UpdateHistory.h"
#include "wizard/PageRules.h"

class DriveIdentification;
class CatalogueFetchJob;

class WizardDialog : public CDialog {
 public:
  // `drives` answers which drives are the maker's; null: the program's one
  // SCSI transport.
  explicit WizardDialog(CWnd* parent = nullptr, DriveIdentification* drives = nullptr);
  ~WizardDialog() override;

  // Ends the wizard with IDOK; see OkDestroysAtOnce for when the window goes.
  void OnOK() override;
  // Releases the catalogue and the FTP connection, then the window. A second
  // call finds nothing to release and returns false.
  bool DestroyWindow() override;
  // Enter while no push button holds the focus is the OK command.
  bool PreTranslateMessage(MSG* msg) override;

  // Called once the flasher of an update has started, with the drive's
  // model and revision and the entry's version, file name and SHA-256 in
  // `record` (time and address are the caller's to fill in) and the started
  // flasher, which the callee then owns. Unset: the flasher is let go.
  std::function<void(install::UpdateRecord& record, install::StartedProgram& flasher)> onUpdateStarted;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  bool OnInitDialog() override;
  void OnPaint() override;
  void OnShowWindow(bool show, UINT status) override;
  HCURSOR OnQueryDragIcon() override;
  void OnTimer(UINT_PTR id) override;
  bool OnButtonClicked(int id) override;
  bool OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  // Pages and their stages.
  void OnNext();
  void OnBack();
  void StartChecks();
  bool LoadAndShowDevices();
  void PlaceLinkLabel(int code);
  void ShowDeviceList();
  void PlaceDeviceList();
  void DeleteColumns();
  // A click on the list: a drive on the device page, a file on the firmware page.
  void OnListClick(NMHDR* notification, LRESULT* result);
  int ShowFirmwareList(int row);
  void OnDeviceChosen();
  void OnFirmwareChosen();
  // Hands a started update to onUpdateStarted.
  void ReportStartedUpdate(const FirmwareItem& item, install::StartedProgram& flasher);

  // The catalogue is fetched on a worker thread while the welcome page is
  // shown; Next is enabled once the fetch has ended or has been given up.
  void StartFetch();
  void CheckFetch();
  void EndFetch(bool reachable);

  // Shows a full page (no list, the page image over the lower area).
  void ShowFullPage(wizard::Page page);
  void SetPageImage(int bitmapId);
  void InsertColumns(const std::vector<wizard::Column>& columns);
  // The first selected row with the selection mark set on it, or -1.
  int TakeClickedRow();
  // Says in the one-button message dialog that the catalogue arrived without
  // the maker's signature and was not used.
  void TellUnverifiedCatalogue();
  // Asks `question` in the message dialog; true for Yes.
  bool Ask(const std::string& question);

  std::int32_t controlHeight;
  BOOL catalogueReachable = FALSE;
  bool fullPageImage = false;
  CBitmap pageImage;
  CBitmap backgroundImage;
  CBitmap welcomeImage;
  CBitmap bannerImage;
  CBitmap sideImage;
  BOOL columnsPending = FALSE;
  std::uint16_t languageId = 0;
  std::string savedFilePath;
  ModelEntry* selectedModel = nullptr;
  std::int32_t pageState = wizard::kWelcome;
  FirmwareCatalogue catalogue;
  CatalogueFetcher fetcher;
  controls::LinkLabel linkLabel;
  CListCtrl deviceList;
  CButton nextButton;
  CButton backButton;
  CButton cancelButton;
  HICON icon;

  DriveIdentification* drives_;
  CatalogueFetchJob* fetchJob_ = nullptr;  // while the fetch runs
  bool fetchStarted_ = false;
  DWORD fetchStart_ = 0;                   // tick count when it started
};
