// The wizard window: a welcome page, the list of the maker's drives, the
// firmware files offered for the chosen drive, and full-page notices for the
// failure cases. It owns the catalogue and the FTP fetcher for the whole run
// and hands a chosen file to the download window and the installer.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "catalogue/CatalogueFetcher.h"
#include "catalogue/FirmwareCatalogue.h"
#include "controls/ImageText.h"
#include "controls/LinkLabel.h"
#include "controls/SystemColourList.h"
#include "framework/Button.h"
#include "framework/Dialog.h"
#include "framework/File.h"
#include "framework/Gdi.h"
#include "framework/Language.h"
#include "framework/ListCtrl.h"
#include "update/UpdateEngine.h"
#include "wizard/PageRules.h"
#include "wizard/WizardFlow.h"

namespace scsi {
class DriveIdentification;
}  // namespace scsi

namespace wizard {

class CatalogueFetchJob;

class WizardDialog : public CDialog {
 public:
  // Speaks `language`, decided at start-up. `drives` answers which drives are
  // the maker's; null: the program's one SCSI transport.
  explicit WizardDialog(framework::Language language, CWnd* parent = nullptr,
                        scsi::DriveIdentification* drives = nullptr);
  ~WizardDialog() override;

  // Ends the wizard with IDOK; see WizardFlow::OkDestroysAtOnce for when the
  // window goes.
  void OnOK() override;
  // Releases the catalogue and the FTP connection, then the window. A second
  // call finds nothing to release and returns false.
  bool DestroyWindow() override;
  // Enter while no push button holds the focus is the OK command; Enter or
  // Space on the list with a row selected chooses that row.
  bool PreTranslateMessage(MSG* msg) override;

  // The engine that updates the drive the user takes, not owned; its voice
  // shows the download window and asks whether to update now. Set before
  // the window shows.
  update::UpdateEngine* engine = nullptr;

  // The file that keeps the highest catalogue serial accepted
  // (SerialFileBeside the history); empty: none is kept, and no catalogue is
  // refused for its serial.
  std::string acceptedSerialFile;

  // The fetcher whose settings (where it looks: the servers, the local
  // folder) the catalogue fetch takes; for the program to set before the
  // window shows.
  catalogue::CatalogueFetcher& SourceSettings() { return fetcher; }

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  bool OnInitDialog() override;
  void PutInReadingOrder();
  void OnPaint() override;
  void OnShowWindow(bool show, UINT status) override;
  HCURSOR OnQueryDragIcon() override;
  void OnTimer(UINT_PTR id) override;
  bool OnButtonClicked(int id) override;
  bool OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  // Pages and their stages. Each event goes to `flow`; the window applies
  // the step it returns.
  void OnNext();
  void OnBack();
  void StartChecks();
  // Reads the fetched catalogue, held to the serial kept in
  // acceptedSerialFile, and keeps its serial there when it is higher; tells
  // the user when it was refused for its signature or as older than one
  // accepted before. True when it was loaded.
  bool LoadFetchedCatalogue();
  void ShowFirstDeviceList();
  void PlaceLinkLabel(LinkPlacement placement);
  void ShowDeviceList();
  void ShowRemainingDrives();
  void PlaceDeviceList();
  void DeleteColumns();
  // A click on the list: a drive on the device page, a file on the firmware page.
  void OnListClick(NMHDR* notification, LRESULT* result);
  int ShowFirmwareList(int row);
  void ShowFirmwarePage();
  void OnDeviceChosen();
  void OnFirmwareChosen();
  // The chosen drive as the engine takes it: its address in the scan, and
  // its model and revision as the list showed them.
  update::ScannedDrive ChosenDrive() const;

  // The catalogue is fetched on a worker thread while the welcome page is
  // shown; Next is enabled once the fetch has ended or has been given up.
  void StartFetch();
  void CheckFetch();
  void EndFetch(bool reachable);

  // Shows a full page (no list, the page image over the lower area).
  void ShowFullPage(Page page);
  // Loads the picture of `page` and shows it with its words.
  void SetPageImage(Page page);
  // The words of the skin's pictures where the pictures are: the banner's on
  // every page but the welcome page, whose artwork holds its own banner, and
  // the picture's of `page`.
  void ShowPictureWords(Page page, bool fullPage);
  void InsertColumns(const std::vector<Column>& columns);
  // Widens each firmware column to show its title and its cells whole, as
  // far as the list's width allows (FirmwareWidths).
  void FitFirmwareColumns(const std::vector<const char*>& titles);
  // The first selected row with the selection mark set on it, or -1.
  int TakeClickedRow();
  // Enter or Space on the list: the selected row, or for Space the row that
  // holds the focus mark, is chosen as a click chooses it. False when there
  // is no such row.
  bool ChooseRowByKey(bool space);
  // Gives the keyboard focus to `control` as Tab would.
  void FocusControl(CWnd& control);
  // Says `text` in the one-button message dialog: why the catalogue that
  // arrived was not used.
  void TellUnverifiedCatalogue(const std::string& text);
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
  const framework::Language language;
  catalogue::FirmwareCatalogue catalogue;
  // The page shown, its state code (flow.pageState()), the chosen drive's
  // entry (flow.selectedModel()) and the drives left in `catalogue`.
  WizardFlow flow{catalogue};
  catalogue::CatalogueFetcher fetcher;
  controls::LinkLabel linkLabel;
  controls::ImageText bannerWords;
  controls::ImageText pageWords;
  controls::SystemColourList deviceList;
  CButton nextButton;
  CButton backButton;
  CButton cancelButton;
  HICON icon;

  scsi::DriveIdentification* drives_;
  CatalogueFetchJob* fetchJob_ = nullptr;  // while the fetch runs
  bool fetchStarted_ = false;
  DWORD fetchStart_ = 0;                   // tick count when it started
};

}  // namespace wizard
