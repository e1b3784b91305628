// The wizard's page rules without a window: the page state codes, what each
// page shows, which page follows each button and click, the list columns and
// the two questions. WizardDialog applies these to its controls; the rules
// themselves are tested natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace wizard {

// Codes kept in WizardDialog::pageState. No other value is ever stored.
enum PageState : std::int32_t {
  kDeviceList = 200,
  kFirmwareList = 201,
  kNoNewFirmware = 202,  // transient, while the no-new-firmware page is set up
  kDeviceDone = 302,
  kChecking = 303,       // also the state of the no-connection and catalogue-missing pages
  kWelcome = 305,
  kNoDrive = 306,
};

// Placement codes of the link label: kLinkHidden moves it out of sight, any
// other value puts it at its normal place.
inline constexpr int kLinkHidden = 202;
inline constexpr int kLinkNormal = 400;
inline constexpr int kLinkOnListPage = 401;

// 1028 (0x0404, Chinese as used in Taiwan) selects the Chinese texts and
// images; every other language identifier selects English.
inline constexpr std::uint16_t kLanguageChineseTaiwan = 1028;
inline bool IsChinese(std::uint16_t languageId) { return languageId == kLanguageChineseTaiwan; }

// The bitmap resources of the page images.
namespace image {
inline constexpr int kSelectDriveChinese = 164, kSelectDriveEnglish = 168;
inline constexpr int kChooseFirmwareChinese = 165, kChooseFirmwareEnglish = 169;
inline constexpr int kNoConnectionChinese = 172, kNoConnectionEnglish = 175;
inline constexpr int kCatalogueMissingChinese = 173, kCatalogueMissingEnglish = 174;
inline constexpr int kNoNewFirmwareLastChinese = 176, kNoNewFirmwareLastEnglish = 178;
inline constexpr int kNoNewFirmwareOthersChinese = 177, kNoNewFirmwareOthersEnglish = 180;
inline constexpr int kNoDriveChinese = 179, kNoDriveEnglish = 181;
}  // namespace image

// Every page the wizard can show. The first device page differs from the later
// ones only in the English Cancel text ("OK" instead of "CANCEL").
enum class Page {
  Welcome,
  NoDrive,
  NoConnection,
  CatalogueMissing,
  FirstDeviceList,
  DeviceList,
  FirmwareList,
  NoNewFirmwareLastDrive,
  NoNewFirmwareOthersRemain,
};

enum class ListContent { Hidden, Drives, FirmwareFiles };

// What one page shows: its row of the page table.
struct PageLook {
  std::int32_t pageState;
  int pageImageId;  // 0 on the welcome page, which draws its own artwork
  bool fullPageImage;
  ListContent list;
  int linkPlacement;
  bool backEnabled;
  bool nextEnabled;
  bool cancelEnabled;
  const char* cancelText;  // code page 950 for Chinese
};

PageLook LookOf(Page page, std::uint16_t languageId);

// Button texts. With Chinese the window keeps its resource texts, which are
// these same words.
const char* BackText(std::uint16_t languageId);
const char* NextText(std::uint16_t languageId);
const char* CancelText(std::uint16_t languageId);

// What Next, Back and a click on the list do in a given state.
enum class NextAction { None, StartChecks, ShowRemainingDrives };
NextAction NextActionFor(std::int32_t pageState);
bool BackReturnsToDrives(std::int32_t pageState);
enum class ClickAction { None, DeviceChosen, FirmwareChosen };
ClickAction ClickActionFor(std::int32_t pageState);

// The page after Next on the welcome page. `loadCatalogue` reads the fetched
// catalogue; it runs only when there is a drive of the maker and the server
// was reached, and its result tells a loaded catalogue from a missing one.
Page PageAfterChecks(int makerDriveCount, bool catalogueReachable,
                     const std::function<bool()>& loadCatalogue);

// The page after Yes to the device question: the firmware page when the drive
// is offered something, otherwise the no-new-firmware page, whose variant
// depends on whether other drives remain (`entryCount` counts the chosen one).
// The entry leaves the list exactly when nothing is offered.
struct DeviceChoice {
  Page page;
  bool removeEntry;
};
DeviceChoice ChoiceAfterDeviceYes(std::size_t offeredItems, std::size_t entryCount);

// After a firmware file was saved (installed or not) the drive's entry leaves;
// the wizard ends when no entry is left, otherwise the device page returns.
enum class AfterSave { ShowRemainingDrives, EndWizard };
AfterSave AfterFirmwareSaved(std::size_t entriesLeft);

// OnOK destroys the window at once except on the no-new-firmware page, which
// the framework destroys when the modal run returns.
bool OkDestroysAtOnce(std::int32_t pageState);

// The row a click acts on: the first selected row, or -1 when none is.
int RowActedOn(const std::vector<bool>& selected);

// List columns: the title (code page 950 for Chinese) and its width in pixels
// from the title's byte length and the list window's width.
struct Column {
  const char* title;
  int width;
};
std::vector<Column> DeviceColumns(std::uint16_t languageId, int listWidth);
std::vector<Column> FirmwareColumns(std::uint16_t languageId, int listWidth);

// The question asked before a drive's firmware page, and after a download.
std::string DeviceQuestion(std::uint16_t languageId, const std::string& driveName);
std::string UpdateNowQuestion(std::uint16_t languageId);

// The message shown before the catalogue-missing page when the catalogue
// arrived without a valid signature of the maker and was not used.
std::string UnverifiedCatalogueMessage(std::uint16_t languageId);

}  // namespace wizard
