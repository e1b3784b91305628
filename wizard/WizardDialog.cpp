#include "wizard/WizardDialog.h"

#include <commctrl.h>

#include <iterator>

#include "Deployment.h"
#include "controls/MessageDialog.h"
#include "framework/Platform.h"
#include "framework/Thread.h"
#include "install/DownloadDialog.h"
#include "install/Installer.h"
#include "resources/resource.h"
#include "scsi/ScsiTransport.h"
#include "wizard/Skin.h"

using wizard::Page;

namespace {

constexpr int kListWindowColumnTextSize = 25;
// How often the wizard looks at the catalogue fetch, and how long it waits
// for it at most before it shows the no-connection page's way on.
constexpr UINT_PTR kFetchTimer = 1;
constexpr UINT kFetchCheckMs = 100;
constexpr DWORD kFetchDeadlineMs = 20000;
constexpr int kDeviceTextCapacity = 20;  // the model text read back from a row

// Moves a child window to `rect` (client pixels of its parent) through its
// placement record, keeping its show command.
void Place(CWnd& window, const RECT& rect) {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  window.GetWindowPlacement(&placement);
  placement.rcNormalPosition = rect;
  window.SetWindowPlacement(&placement);
}

}  // namespace

// The catalogue fetch on its worker thread, with a fetcher of its own; the
// wizard takes the connection over once the fetch has ended.
class CatalogueFetchJob : public CWorkerJob {
 public:
  CatalogueFetcher fetcher;
  bool reachable = false;

 protected:
  void Run() override { reachable = fetcher.FetchCatalogue(); }
};

WizardDialog::WizardDialog(CWnd* parent, DriveIdentification* drives)
    : CDialog(IDD_WIZARD, parent),
      controlHeight(27),
      icon(LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_APPLICATION_ICON))),
      drives_(drives ? drives : &theTransport) {}

WizardDialog::~WizardDialog() {
  if (fetchJob_ != nullptr) fetchJob_->Release();
}

void WizardDialog::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Control(dx, IDC_LINK, linkLabel);
  DDX_Control(dx, IDC_DEVICE_LIST, deviceList);
  DDX_Control(dx, IDC_NEXT, nextButton);
  DDX_Control(dx, IDC_BACK, backButton);
  DDX_Control(dx, IDCANCEL, cancelButton);
}

bool WizardDialog::OnInitDialog() {
  CDialog::OnInitDialog();

  linkLabel.SetTarget(deployment::webHost);
  linkLabel.SetToolTipText(std::string("Vornhal Global Site ") + deployment::webAddress);
  linkLabel.cursor = LoadCursorA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDC_POINTING_HAND));

  pageState = wizard::kWelcome;
  SetIcon(icon, true);
  SetIcon(icon, false);
  columnsPending = TRUE;

  bannerImage.LoadBitmap(IDB_BANNER);
  sideImage.LoadBitmap(IDB_SIDE_PICTURE);
  welcomeImage.LoadBitmap(IDB_WELCOME);
  backgroundImage.LoadBitmap(IDB_BACKGROUND);

  PlaceLinkLabel(wizard::kLinkNormal);

  // The window is as large as the background bitmap (530 x 370) plus the row
  // of buttons; the show command read here is written back unchanged.
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  GetWindowPlacement(&placement);
  placement.rcNormalPosition = {150, 150, 680, 493 + controlHeight};
  SetWindowPlacement(&placement);

  Place(cancelButton, {426, 304, 510, 304 + controlHeight});
  Place(nextButton, {342, 304, 424, 304 + controlHeight});
  Place(backButton, {258, 304, 340, 304 + controlHeight});

  backButton.EnableWindow(false);
  // Writing the placement may already have shown the window and started the
  // catalogue fetch; Next waits for that.
  nextButton.EnableWindow(fetchJob_ == nullptr);
  return true;
}

void WizardDialog::OnShowWindow(bool show, UINT status) {
  CDialog::OnShowWindow(show, status);
  languageId = platform::UserLanguageId();
  StartFetch();
  SetWindowText("VORN Firmware Update");
  if (!wizard::IsChinese(languageId)) {
    backButton.SetWindowText(wizard::BackText(languageId));
    nextButton.SetWindowText(wizard::NextText(languageId));
    cancelButton.SetWindowText(wizard::CancelText(languageId));
  }
}

void WizardDialog::StartFetch() {
  // One fetch per run: a later show notification finds it running or done.
  if (fetchStarted_ || pageState != wizard::kWelcome) return;
  fetchStarted_ = true;
  nextButton.EnableWindow(false);
  fetchJob_ = new CatalogueFetchJob;
  fetchJob_->fetcher.CopySettings(fetcher);
  fetchStart_ = GetTickCount();
  if (!fetchJob_->Start()) {
    EndFetch(false);
    return;
  }
  SetTimer(kFetchTimer, kFetchCheckMs);
}

void WizardDialog::OnTimer(UINT_PTR id) {
  if (id == kFetchTimer) {
    CheckFetch();
  } else {
    CDialog::OnTimer(id);
  }
}

void WizardDialog::CheckFetch() {
  if (fetchJob_ == nullptr) return;
  if (fetchJob_->IsDone()) {
    fetcher.TakeOver(fetchJob_->fetcher);
    EndFetch(fetchJob_->reachable);
  } else if (GetTickCount() - fetchStart_ >= kFetchDeadlineMs) {
    // The server accepts but does not answer, or the network swallows the
    // attempts: as unreachable as no server at all. The worker ends on its
    // own time and cleans up after itself.
    EndFetch(false);
  }
}

void WizardDialog::EndFetch(bool reachable) {
  KillTimer(kFetchTimer);
  if (fetchJob_ != nullptr) fetchJob_->Release();
  fetchJob_ = nullptr;
  catalogueReachable = reachable ? TRUE : FALSE;
  if (pageState == wizard::kWelcome) nextButton.EnableWindow(true);
}

void WizardDialog::OnPaint() {
  CPaintDC dc(*this);
  RECT client{};
  GetClientRect(&client);
  if (IsIconic()) {
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC));
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    dc.DrawIcon((client.right - client.left - iconWidth + 1) / 2,
                (client.bottom - client.top - iconHeight + 1) / 2, icon);
  }
  wizard::SkinImages images;
  images.backgroundImage = backgroundImage;
  images.bannerImage = bannerImage;
  images.welcomeImage = welcomeImage;
  images.sideImage = sideImage;
  images.pageImage = pageImage;
  wizard::PaintSkin(dc, client, images, pageState == wizard::kWelcome, fullPageImage);
}

HCURSOR WizardDialog::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(icon); }

bool WizardDialog::OnButtonClicked(int id) {
  switch (id) {
    case IDC_NEXT:
      OnNext();
      return true;
    case IDC_BACK:
      OnBack();
      return true;
    default:
      return CDialog::OnButtonClicked(id);
  }
}

bool WizardDialog::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  NMHDR* notification = reinterpret_cast<NMHDR*>(lParam);
  if (notification && notification->idFrom == IDC_DEVICE_LIST && notification->code == NM_CLICK) {
    OnListClick(notification, result);
    return true;
  }
  return CDialog::OnNotify(wParam, lParam, result);
}

void WizardDialog::OnOK() {
  const std::int32_t state = pageState;
  CDialog::OnOK();
  if (wizard::OkDestroysAtOnce(state)) DestroyWindow();
}

bool WizardDialog::DestroyWindow() {
  // A fetch still running is given up: the program ends without waiting for
  // the server.
  if (fetchJob_ != nullptr) {
    if (m_hWnd != nullptr) KillTimer(kFetchTimer);
    fetchJob_->Release();
    fetchJob_ = nullptr;
  }
  catalogue.ReleaseCatalogue(fetcher.localCopyPath, [this] { fetcher.CloseConnection(); });
  if (m_hWnd == nullptr) return false;
  return CDialog::DestroyWindow();
}

bool WizardDialog::PreTranslateMessage(MSG* msg) {
  // Enter is the OK command of the hidden, disabled control 1 when no push
  // button holds the focus. Some dialog managers send nothing for a disabled
  // default button, so the wizard turns the key into the command itself.
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN && m_hWnd != nullptr &&
      (msg->hwnd == m_hWnd || IsChild(m_hWnd, msg->hwnd))) {
    if (!IsPushButton(::GetFocus())) {
      OnOK();
      return true;
    }
  }
  return CDialog::PreTranslateMessage(msg);
}

void WizardDialog::OnNext() {
  switch (wizard::NextActionFor(pageState)) {
    case wizard::NextAction::StartChecks:
      Invalidate(true);
      StartChecks();
      break;
    case wizard::NextAction::ShowRemainingDrives:
      pageState = wizard::kDeviceList;
      DeleteColumns();
      ShowDeviceList();
      deviceList.ShowWindow(SW_SHOW);
      Invalidate(true);
      break;
    case wizard::NextAction::None:
      break;
  }
}

void WizardDialog::OnBack() {
  if (!wizard::BackReturnsToDrives(pageState)) return;
  ShowDeviceList();
  Invalidate(true);
}

void WizardDialog::StartChecks() {
  pageState = wizard::kChecking;
  nextButton.EnableWindow(false);
  cancelButton.EnableWindow(false);
  const int makerDrives = catalogue.BuildModelList(*drives_);
  const Page page = wizard::PageAfterChecks(makerDrives, catalogueReachable != FALSE, [this] {
    fullPageImage = true;
    PlaceLinkLabel(wizard::kLinkHidden);
    return LoadAndShowDevices();
  });
  if (page == Page::NoDrive || page == Page::NoConnection) ShowFullPage(page);
  cancelButton.EnableWindow(true);
}

bool WizardDialog::LoadAndShowDevices() {
  if (!catalogue.LoadCatalogue(fetcher.localCataloguePath)) {
    if (catalogue.signatureRefused) TellUnverifiedCatalogue();
    ShowFullPage(Page::CatalogueMissing);
    UpdateData(false);
    return false;
  }
  backButton.EnableWindow(false);
  nextButton.EnableWindow(false);
  pageState = wizard::kDeviceList;
  UpdateData(false);
  ShowDeviceList();
  if (!wizard::IsChinese(languageId)) {
    backButton.SetWindowText(wizard::BackText(languageId));
    nextButton.SetWindowText(wizard::NextText(languageId));
    cancelButton.SetWindowText(wizard::LookOf(Page::FirstDeviceList, languageId).cancelText);
  }
  return true;
}

void WizardDialog::PlaceLinkLabel(int code) {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  linkLabel.GetWindowPlacement(&placement);
  if (code == wizard::kLinkHidden) {
    // Hidden, and out of the client area as well, so that it can take no
    // click; writing the placement back must not show it again.
    RECT client{};
    GetClientRect(&client);
    linkLabel.ShowWindow(SW_HIDE);
    placement.rcNormalPosition = {client.left - 20, client.bottom - 10, client.left - 10,
                                  client.bottom - 20};
    placement.showCmd = SW_HIDE;
    linkLabel.SetWindowPlacement(&placement);
    return;
  }
  // The show command read above is written back: a hidden label returns.
  placement.rcNormalPosition = {15, 314, 259, 314 + controlHeight};
  if (placement.showCmd == SW_HIDE) placement.showCmd = SW_SHOWNORMAL;
  linkLabel.SetWindowPlacement(&placement);
}

void WizardDialog::ShowDeviceList() {
  const wizard::PageLook look = wizard::LookOf(Page::DeviceList, languageId);
  pageState = wizard::kDeviceList;
  fullPageImage = false;
  PlaceLinkLabel(look.linkPlacement);
  SetPageImage(look.pageImageId);
  if (columnsPending) {
    columnsPending = FALSE;
  } else {
    DeleteColumns();
  }
  PlaceDeviceList();
  deviceList.DeleteAllItems();
  RECT listRect{};
  deviceList.GetWindowRect(&listRect);
  InsertColumns(wizard::DeviceColumns(languageId, listRect.right - listRect.left));
  int row = 0;
  for (const ModelEntry& entry : catalogue.models) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(entry.model.c_str());
    deviceList.InsertItem(item);
    deviceList.SetItemText(row, 1, entry.revision);
    ++row;
  }
  backButton.EnableWindow(look.backEnabled);
  nextButton.EnableWindow(look.nextEnabled);
  cancelButton.EnableWindow(look.cancelEnabled);
  cancelButton.SetWindowText(look.cancelText);
  deviceList.ShowWindow(SW_SHOWNORMAL);
  UpdateData(false);
}

void WizardDialog::PlaceDeviceList() {
  RECT client{};
  GetClientRect(&client);
  Place(deviceList, {10, client.top + 48, 255, client.top + 48 + 130});
}

void WizardDialog::DeleteColumns() {
  const int columns = deviceList.GetHeaderItemCount();
  for (int i = 0; i < columns; ++i) deviceList.DeleteColumn(0);
}

void WizardDialog::InsertColumns(const std::vector<wizard::Column>& columns) {
  int index = 0;
  for (const wizard::Column& column : columns) {
    LVCOLUMNA format{};
    format.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    format.fmt = LVCFMT_CENTER;
    format.cx = column.width;
    format.pszText = const_cast<char*>(column.title);
    format.cchTextMax = kListWindowColumnTextSize;
    deviceList.InsertColumn(index++, format);
  }
}

void WizardDialog::ShowFullPage(Page page) {
  const wizard::PageLook look = wizard::LookOf(page, languageId);
  pageState = look.pageState;
  SetPageImage(look.pageImageId);
  fullPageImage = true;
  PlaceLinkLabel(look.linkPlacement);
  deviceList.ShowWindow(SW_HIDE);
  backButton.EnableWindow(look.backEnabled);
  nextButton.EnableWindow(look.nextEnabled);
  cancelButton.SetWindowText(look.cancelText);
}

void WizardDialog::SetPageImage(int bitmapId) {
  pageImage.DeleteObject();
  pageImage.LoadBitmap(bitmapId);
}

void WizardDialog::OnListClick(NMHDR*, LRESULT* result) {
  switch (wizard::ClickActionFor(pageState)) {
    case wizard::ClickAction::DeviceChosen:
      OnDeviceChosen();
      Invalidate(true);
      break;
    case wizard::ClickAction::FirmwareChosen:
      OnFirmwareChosen();
      break;
    case wizard::ClickAction::None:
      break;
  }
  *result = 0;
}

int WizardDialog::TakeClickedRow() {
  const int row = deviceList.GetNextItem(-1, LVNI_SELECTED);
  if (row >= 0) deviceList.SetSelectionMark(row);
  return row;
}

void WizardDialog::TellUnverifiedCatalogue() {
  controls::MessageDialog message;
  message.singleButton = true;
  message.panel.text = wizard::UnverifiedCatalogueMessage(languageId);
  message.DoModal();
}

bool WizardDialog::Ask(const std::string& question) {
  controls::MessageDialog dialog;
  dialog.panel.text = question;
  return dialog.DoModal() == IDOK;
}

int WizardDialog::ShowFirmwareList(int) {
  pageState = wizard::kFirmwareList;
  if (selectedModel == nullptr || selectedModel->items.empty()) return 0;
  DeleteColumns();
  deviceList.DeleteAllItems();
  RECT listRect{};
  deviceList.GetWindowRect(&listRect);
  InsertColumns(wizard::FirmwareColumns(languageId, listRect.right - listRect.left));
  int row = 0;
  for (const FirmwareItem& firmware : selectedModel->items) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(firmware.fileName.c_str());
    deviceList.InsertItem(item);
    deviceList.SetItemText(row, 1, firmware.version);
    deviceList.SetItemText(row, 2, firmware.dateCode);
    ++row;
  }
  return row;
}

void WizardDialog::OnDeviceChosen() {
  const int row = TakeClickedRow();
  if (row < 0) return;
  const std::string model = deviceList.GetItemText(row, 0, kDeviceTextCapacity);
  UpdateData(true);
  selectedModel = catalogue.FindModel(model);
  if (selectedModel == nullptr) return;
  const std::string driveName = deviceList.GetItemText(row, 0);
  if (!Ask(wizard::DeviceQuestion(languageId, driveName))) return;

  const int offered = ShowFirmwareList(row);
  const wizard::DeviceChoice choice = wizard::ChoiceAfterDeviceYes(
      static_cast<std::size_t>(offered), catalogue.models.size());
  if (!choice.removeEntry) {
    const wizard::PageLook look = wizard::LookOf(choice.page, languageId);
    fullPageImage = false;
    SetPageImage(look.pageImageId);
    cancelButton.SetWindowText(look.cancelText);
    backButton.EnableWindow(look.backEnabled);
    return;
  }
  // Nothing newer for this drive: say so, and take it off the list at once.
  pageState = wizard::kNoNewFirmware;
  ShowFullPage(choice.page);
  Invalidate(true);
  catalogue.RemoveModel(selectedModel);
  selectedModel = nullptr;
  nextButton.EnableWindow(!catalogue.models.empty());
  pageState = wizard::kDeviceDone;
}

void WizardDialog::ReportStartedUpdate(const FirmwareItem& item, install::StartedProgram& flasher) {
  if (!onUpdateStarted) {
    install::CloseStartedProgram(flasher);
    return;
  }
  install::UpdateRecord record;
  record.model = selectedModel->model;
  record.revisionBefore = selectedModel->revision;
  // An entry compared by date code alone may list no version.
  record.versionInstalled = item.version.empty() ? item.dateCode : item.version;
  record.fileName = item.fileName;
  record.sha256 = item.sha256;
  onUpdateStarted(record, flasher);
}

void WizardDialog::OnFirmwareChosen() {
  const int row = TakeClickedRow();
  if (row < 0 || selectedModel == nullptr) return;
  const std::string listedName = deviceList.GetItemText(row, 0);
  // The row's position chooses the item: two rows may show the same name.
  if (static_cast<std::size_t>(row) >= selectedModel->items.size()) return;
  const FirmwareItem& item = *std::next(selectedModel->items.begin(), row);

  std::string savedTitle;
  DownloadDialog download;
  download.panel.text = item.ConfirmationText();
  download.defaultExtension =
      item.fileName.size() > 3 ? item.fileName.substr(item.fileName.size() - 3) : item.fileName;
  download.defaultFileName = item.fileName;
  download.fetcher = &fetcher;
  download.remotePath = item.path;
  download.listedSha256 = item.sha256;
  download.titleOut = &savedTitle;
  download.pathOut = &savedFilePath;
  if (download.DoModal() != IDOK) return;

  if (Ask(wizard::UpdateNowQuestion(languageId))) {
    install::StartedProgram flasher;
    if (install::RunInstall(listedName, savedFilePath, savedTitle, languageId, &flasher) == install::kInstallStarted)
      ReportStartedUpdate(item, flasher);
    pageState = wizard::kDeviceDone;
  }
  catalogue.RemoveModel(selectedModel);
  selectedModel = nullptr;
  if (wizard::AfterFirmwareSaved(catalogue.models.size()) == wizard::AfterSave::EndWizard) {
    OnOK();
    return;
  }
  pageState = wizard::kDeviceDone;
  cancelButton.EnableWindow(true);
  backButton.EnableWindow(false);
  OnNext();
  UpdateData(false);
}
