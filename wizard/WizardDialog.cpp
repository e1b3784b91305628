#include "wizard/WizardDialog.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <memory>

#include "Deployment.h"
#include "catalogue/CatalogueIssue.h"
#include "controls/MessageDialog.h"
#include "framework/Platform.h"
#include "framework/Thread.h"
#include "update/FetchedCatalogue.h"
#include "update/UpdatePlan.h"
#include "messages/ShowMessages.h"
#include "resources/resource.h"
#include "scsi/ScsiTransport.h"
#include "wizard/Skin.h"

namespace wizard {
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
  catalogue::CatalogueFetcher fetcher;
  bool reachable = false;

 protected:
  void Run() override { reachable = fetcher.FetchCatalogue(); }
};

WizardDialog::WizardDialog(framework::Language language, CWnd* parent, scsi::DriveIdentification* drives)
    : CDialog(IDD_WIZARD, parent),
      controlHeight(27),
      language(language),
      icon(LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_APPLICATION_ICON))),
      drives_(drives ? drives : &scsi::theTransport) {}

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

  SetIcon(icon, true);
  SetIcon(icon, false);
  columnsPending = TRUE;

  bannerImage.LoadBitmap(IDB_BANNER);
  sideImage.LoadBitmap(IDB_SIDE_PICTURE);
  welcomeImage.LoadBitmap(IDB_WELCOME);
  backgroundImage.LoadBitmap(IDB_BACKGROUND);

  PlaceLinkLabel(LinkPlacement::Normal);
  // The list's template caption would be read as its name: a list without
  // one is named by the page's words before it.
  deviceList.SetWindowText("");
  // The system's font for controls, not the window's larger one: the
  // firmware page's three titles and its file names fit the list's width
  // only in this size, in either language.
  deviceList.SetFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
  // A file name longer than its column's room unfolds whole under the
  // pointer (common controls 5.80, which 98 SE ships; ignored before).
  deviceList.SetExtendedStyle(LVS_EX_LABELTIP);
  bannerWords.Create(*this, IDC_BANNER_WORDS);
  pageWords.Create(*this, IDC_PAGE_WORDS);
  ShowPictureWords(Page::Welcome, false);

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
  PutInReadingOrder();

  backButton.EnableWindow(false);
  // Writing the placement may already have shown the window and started the
  // catalogue fetch; Next waits for that.
  nextButton.EnableWindow(fetchJob_ == nullptr);
  return true;
}

void WizardDialog::PutInReadingOrder() {
  // Tab visits the controls in their order among the window's children, and
  // a screen reader reads them in that order: the banner's and the page's
  // words, the list, the link label, Back, Next, Cancel, and the hidden OK
  // last.
  const HWND order[] = {bannerWords.m_hWnd, pageWords.m_hWnd,    deviceList.m_hWnd,
                        linkLabel.m_hWnd,   backButton.m_hWnd,   nextButton.m_hWnd,
                        cancelButton.m_hWnd, ::GetDlgItem(m_hWnd, IDOK)};
  HWND previous = HWND_TOP;
  for (HWND control : order) {
    ::SetWindowPos(control, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = control;
  }
  ::SetWindowLongA(linkLabel.m_hWnd, GWL_STYLE, ::GetWindowLongA(linkLabel.m_hWnd, GWL_STYLE) | WS_TABSTOP);
}

void WizardDialog::OnShowWindow(bool show, UINT status) {
  CDialog::OnShowWindow(show, status);
  StartFetch();
  SetWindowText("VORN Firmware Update");
  if (!framework::IsChinese(language)) {
    backButton.SetWindowText(BackText(language));
    nextButton.SetWindowText(NextText(language));
    cancelButton.SetWindowText(CancelText(language));
  }
}

void WizardDialog::StartFetch() {
  // One fetch per run: a later show notification finds it running or done.
  if (fetchStarted_ || flow.pageState() != PageState::Welcome) return;
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
    messages::ReportFetchFailures(fetcher.failures);
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
  if (flow.pageState() == PageState::Welcome) {
    nextButton.EnableWindow(true);
    // Next is the welcome page's way on: Enter presses it from here.
    FocusControl(nextButton);
  }
}

void WizardDialog::FocusControl(CWnd& control) {
  GotoDlgCtrl(control);
  // A list without a focused row shows no mark of its focus: the first row
  // takes it (not the selection, which stays the user's choice).
  if (&control != &deviceList || deviceList.GetItemCount() == 0 ||
      deviceList.GetNextItem(-1, LVNI_FOCUSED) >= 0) {
    return;
  }
  deviceList.SetItemState(0, LVIS_FOCUSED, LVIS_FOCUSED);
}

void WizardDialog::OnPaint() {
  CPaintDC dc(*this);
  RECT client{};
  GetClientRect(&client);
  if (HighContrastOn()) {
    // No bitmap: the pictures' words draw themselves as text.
    dc.FillSystemColour(client, COLOR_WINDOW);
    return;
  }
  if (IsIconic()) {
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC));
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    dc.DrawIcon((client.right - client.left - iconWidth + 1) / 2,
                (client.bottom - client.top - iconHeight + 1) / 2, icon);
  }
  SkinImages images;
  images.backgroundImage = backgroundImage;
  images.bannerImage = bannerImage;
  images.welcomeImage = welcomeImage;
  images.sideImage = sideImage;
  images.pageImage = pageImage;
  PaintSkin(dc, client, images, flow.pageState() == PageState::Welcome, fullPageImage);
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
  const bool destroyAtOnce = flow.OkDestroysAtOnce();
  CDialog::OnOK();
  if (destroyAtOnce) DestroyWindow();
}

bool WizardDialog::DestroyWindow() {
  // A fetch still running is given up: the program ends without waiting for
  // the server.
  if (fetchJob_ != nullptr) {
    if (m_hWnd != nullptr) KillTimer(kFetchTimer);
    fetchJob_->Release();
    fetchJob_ = nullptr;
  }
  catalogue::ReleaseCatalogue(catalogue, fetcher);
  if (m_hWnd == nullptr) return false;
  return CDialog::DestroyWindow();
}

bool WizardDialog::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN && msg->hwnd == deviceList.m_hWnd &&
      (msg->wParam == VK_RETURN || msg->wParam == VK_SPACE) && ChooseRowByKey(msg->wParam == VK_SPACE)) {
    return true;
  }
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
  switch (flow.Next()) {
    case Step::StartChecks:
      // The welcome artwork's words go with it; the page after the checks
      // brings its own.
      pageWords.Hide();
      Invalidate(true);
      StartChecks();
      break;
    case Step::ShowRemainingDrives:
      ShowRemainingDrives();
      break;
    default:
      break;
  }
}

void WizardDialog::OnBack() {
  if (flow.Back() != Step::ShowPage) return;
  ShowDeviceList();
}

void WizardDialog::StartChecks() {
  nextButton.EnableWindow(false);
  cancelButton.EnableWindow(false);
  const int makerDrives = catalogue.BuildModelList(*drives_);
  messages::ReportDriveProblems(*drives_);
  flow.EndChecks(makerDrives, catalogueReachable != FALSE, [this] {
    fullPageImage = true;
    PlaceLinkLabel(LinkPlacement::Hidden);
    return LoadFetchedCatalogue();
  });
  switch (flow.page()) {
    case Page::FirstDeviceList:
      ShowFirstDeviceList();
      break;
    case Page::CatalogueMissing:
      ShowFullPage(Page::CatalogueMissing);
      UpdateData(false);
      break;
    default:
      ShowFullPage(flow.page());
      break;
  }
  cancelButton.EnableWindow(true);
}

bool WizardDialog::LoadFetchedCatalogue() {
  const update::FetchedCatalogue fetched = update::VerifyFetchedCatalogue(fetcher, catalogue, acceptedSerialFile, true);
  if (fetched.usable) {
    // What each drive is offered, decided as the report and the script
    // modes decide it.
    update::OfferFirmware(catalogue, fetched.text);
    return true;
  }
  if (fetched.signatureRefused) {
    TellUnverifiedCatalogue(UnverifiedCatalogueMessage(language));
  } else if (fetched.replayRefused) {
    TellUnverifiedCatalogue(ReplayedCatalogueMessage(language));
  }
  return false;
}

void WizardDialog::ShowFirstDeviceList() {
  backButton.EnableWindow(false);
  nextButton.EnableWindow(false);
  UpdateData(false);
  ShowDeviceList();
  if (!framework::IsChinese(language)) {
    backButton.SetWindowText(BackText(language));
    nextButton.SetWindowText(NextText(language));
    cancelButton.SetWindowText(LookOf(Page::FirstDeviceList, language).cancelText);
  }
}

void WizardDialog::PlaceLinkLabel(LinkPlacement placementCode) {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  linkLabel.GetWindowPlacement(&placement);
  if (placementCode == LinkPlacement::Hidden) {
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
  const PageLook look = LookOf(Page::DeviceList, language);
  fullPageImage = false;
  PlaceLinkLabel(look.linkPlacement);
  SetPageImage(Page::DeviceList);
  if (columnsPending) {
    columnsPending = FALSE;
  } else {
    DeleteColumns();
  }
  PlaceDeviceList();
  deviceList.DeleteAllItems();
  RECT listRect{};
  deviceList.GetWindowRect(&listRect);
  InsertColumns(DeviceColumns(language, listRect.right - listRect.left));
  int row = 0;
  for (const catalogue::ModelEntry& entry : catalogue.models) {
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
  // The arrow keys move through the drives from here.
  FocusControl(deviceList);
}

void WizardDialog::ShowRemainingDrives() {
  DeleteColumns();
  ShowDeviceList();
  deviceList.ShowWindow(SW_SHOW);
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

void WizardDialog::InsertColumns(const std::vector<Column>& columns) {
  int index = 0;
  for (const Column& column : columns) {
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
  const PageLook look = LookOf(page, language);
  fullPageImage = true;
  SetPageImage(page);
  PlaceLinkLabel(look.linkPlacement);
  deviceList.ShowWindow(SW_HIDE);
  backButton.EnableWindow(look.backEnabled);
  nextButton.EnableWindow(look.nextEnabled);
  cancelButton.SetWindowText(look.cancelText);
}

void WizardDialog::SetPageImage(Page page) {
  const PageLook look = LookOf(page, language);
  pageImage.DeleteObject();
  pageImage.LoadBitmap(look.pageImageId);
  ShowPictureWords(page, look.fullPageImage);
  // A page shown after a message dialog: the dialog's own message loop has
  // already painted the window with the page before, so nothing else would
  // paint the new image.
  Invalidate(true);
}

void WizardDialog::ShowPictureWords(Page page, bool fullPage) {
  using namespace skin;
  const std::string words = PageWords(page, language);
  if (page == Page::Welcome) {
    bannerWords.Hide();
    pageWords.Show(welcomeImage, {kWelcomeLeft, kWelcomeTop, kWelcomeLeft + kWelcomeWidth, kWelcomeTop + kWelcomeHeight},
                   words, kWelcomeWordsHeight);
    return;
  }
  bannerWords.Show(bannerImage, {0, 0, kBannerWidth, kBannerHeight}, BannerWords(), kBannerWordsHeight);
  const int left = fullPage ? kFullPageLeft : kListPageLeft;
  const int width = fullPage ? kFullPageWidth : kListPageSize;
  const int height = fullPage ? kFullPageHeight : kListPageSize;
  pageWords.Show(pageImage, {left, kPageTop, left + width, kPageTop + height}, words,
                 fullPage ? kFullPageWordsHeight : kListPageWordsHeight);
}

void WizardDialog::OnListClick(NMHDR*, LRESULT* result) {
  switch (flow.Click()) {
    case Step::TakeDriveRow:
      OnDeviceChosen();
      Invalidate(true);
      break;
    case Step::OfferDownload:
      OnFirmwareChosen();
      break;
    default:
      break;
  }
  *result = 0;
}

int WizardDialog::TakeClickedRow() {
  const int row = deviceList.GetNextItem(-1, LVNI_SELECTED);
  if (row >= 0) deviceList.SetSelectionMark(row);
  return row;
}

bool WizardDialog::ChooseRowByKey(bool space) {
  if (!deviceList.IsWindowVisible() || deviceList.GetNextItem(-1, LVNI_SELECTED) < 0) {
    // Space marks the row under the focus mark first, as the list itself
    // would; Enter with nothing selected stays the OK command.
    const int focused = space ? deviceList.GetNextItem(-1, LVNI_FOCUSED) : -1;
    if (focused < 0 || !deviceList.IsWindowVisible()) return false;
    deviceList.SetItemState(focused, LVIS_SELECTED, LVIS_SELECTED);
  }
  LRESULT result = 0;
  OnListClick(nullptr, &result);
  return true;
}

void WizardDialog::TellUnverifiedCatalogue(const std::string& text) {
  controls::MessageDialog message(language);
  message.singleButton = true;
  message.panel.text = text;
  message.DoModal();
}

bool WizardDialog::Ask(const std::string& question) {
  controls::MessageDialog dialog(language);
  dialog.panel.text = question;
  return dialog.DoModal() == IDOK;
}

int WizardDialog::ShowFirmwareList(int) {
  const catalogue::ModelEntry* chosen = flow.selectedModel();
  if (chosen == nullptr || chosen->items.empty()) return 0;
  DeleteColumns();
  deviceList.DeleteAllItems();
  const std::vector<const char*> titles = FirmwareTitles(language);
  std::vector<Column> columns;
  for (const char* title : titles) columns.push_back({title, 0});
  InsertColumns(columns);
  int row = 0;
  for (const catalogue::FirmwareItem& firmware : chosen->items) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(firmware.fileName.c_str());
    deviceList.InsertItem(item);
    deviceList.SetItemText(row, 1, firmware.version);
    deviceList.SetItemText(row, 2, firmware.dateCode);
    ++row;
  }
  FitFirmwareColumns(titles);
  return row;
}

void WizardDialog::FitFirmwareColumns(const std::vector<const char*>& titles) {
  // Room for the margins the header and the list leave around a text.
  constexpr int kMargins = 16;
  std::vector<int> needs;
  for (int column = 0; column < static_cast<int>(titles.size()); ++column) {
    int widest = deviceList.GetStringWidth(titles[column]);
    for (int row = 0; row < deviceList.GetItemCount(); ++row) {
      widest = std::max(widest, deviceList.GetStringWidth(deviceList.GetItemText(row, column)));
    }
    needs.push_back(widest + kMargins);
  }
  RECT listRect{};
  deviceList.GetWindowRect(&listRect);
  const std::vector<int> widths = FirmwareWidths(needs, listRect.right - listRect.left);
  for (int column = 0; column < static_cast<int>(widths.size()); ++column) {
    deviceList.SetColumnWidth(column, widths[column]);
  }
}

void WizardDialog::ShowFirmwarePage() {
  const PageLook look = LookOf(Page::FirmwareList, language);
  fullPageImage = false;
  SetPageImage(Page::FirmwareList);
  cancelButton.SetWindowText(look.cancelText);
  backButton.EnableWindow(look.backEnabled);
  FocusControl(deviceList);
}

void WizardDialog::OnDeviceChosen() {
  const int row = TakeClickedRow();
  if (row < 0) return;
  const std::string model = deviceList.GetItemText(row, 0, kDeviceTextCapacity);
  UpdateData(true);
  if (flow.ChooseDrive(model) != Step::AskDeviceQuestion) return;
  const std::string driveName = deviceList.GetItemText(row, 0);
  if (flow.AnswerDeviceQuestion(Ask(DeviceQuestion(language, driveName))) != Step::ShowPage) return;

  if (flow.page() == Page::FirmwareList) {
    ShowFirmwareList(row);
    ShowFirmwarePage();
    return;
  }
  // Nothing newer for this drive: the flow has taken it off the list.
  ShowFullPage(flow.page());
}

update::ScannedDrive WizardDialog::ChosenDrive() const {
  // The row's drive, by its place in the scan: of two drives of one model,
  // the one the user took.
  const catalogue::ModelEntry& entry = *flow.selectedModel();
  const std::vector<update::ScannedDrive>& drives = engine->Drives();
  update::ScannedDrive drive;
  if (entry.driveIndex >= 0 && static_cast<std::size_t>(entry.driveIndex) < drives.size()) {
    drive = drives[static_cast<std::size_t>(entry.driveIndex)];
  }
  // As the user saw it when choosing; a drive that differs now is held by
  // the checks before the flash.
  drive.model = entry.model;
  drive.revision = entry.revision;
  return drive;
}

void WizardDialog::OnFirmwareChosen() {
  const int row = TakeClickedRow();
  const catalogue::ModelEntry* chosen = flow.selectedModel();
  if (row < 0 || chosen == nullptr) return;
  // The row's position chooses the item: two rows may show the same name.
  if (static_cast<std::size_t>(row) >= chosen->items.size()) return;
  const catalogue::FirmwareItem& item = *std::next(chosen->items.begin(), row);

  const update::DriveUpdate update = engine->UpdateDrive(ChosenDrive(), item);
  if (update.reached == update::DriveStep::NotDownloaded) return;
  const bool installed = update.reached != update::DriveStep::Saved;
  if (flow.FirmwareSaved(installed) == Step::EndWizard) {
    OnOK();
    return;
  }
  cancelButton.EnableWindow(true);
  backButton.EnableWindow(false);
  ShowRemainingDrives();
  UpdateData(false);
}

}  // namespace wizard
