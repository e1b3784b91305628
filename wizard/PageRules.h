// The wizard's pages without a window: what each page shows, the list
// columns, the button texts and the questions, in the user's language.
// WizardDialog applies these to its controls; which page follows which is
// WizardFlow's. Both are tested natively.
#pragma once

#include <string>
#include <vector>

#include "framework/Language.h"

namespace wizard {

// Where the link label goes. The values are the placement codes the label's
// placing takes; they are not page states.
enum class LinkPlacement : int {
  Hidden = 202,      // out of sight, and out of the client area
  Normal = 400,      // its normal place
  OnListPage = 401,  // the same place, on the list and catalogue-missing pages
};

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
  int pageImageId;  // 0 on the welcome page, which draws its own artwork
  bool fullPageImage;
  ListContent list;
  LinkPlacement linkPlacement;
  bool backEnabled;
  bool nextEnabled;
  bool cancelEnabled;
  const char* cancelText;  // code page 950 for Chinese
};

PageLook LookOf(Page page, framework::Language language);

// The words of the skin's pictures, for a screen reader and for High
// Contrast, which draws them as text: the banner's (English in both
// languages, as in the picture) and the page's picture's (the welcome
// artwork's on the welcome page, banner included). Code page 950 for
// Chinese; paragraphs apart by line feeds.
const char* BannerWords();
std::string PageWords(Page page, framework::Language language);

// The window shown while the drives are looked for, when that takes a while.
const char* LookingForDrivesText(framework::Language language);

// Button texts. With Chinese the window keeps its resource texts, which are
// these same words.
const char* BackText(framework::Language language);
const char* NextText(framework::Language language);
const char* CancelText(framework::Language language);

// The row a click acts on: the first selected row, or -1 when none is.
int RowActedOn(const std::vector<bool>& selected);

// List columns: the title (code page 950 for Chinese) and its width in pixels.
// The device page's widths come from the titles' byte lengths and the list
// window's width.
struct Column {
  const char* title;
  int width;
};
std::vector<Column> DeviceColumns(framework::Language language, int listWidth);
// The firmware page's column titles: the file name, the version, the date.
std::vector<const char*> FirmwareTitles(framework::Language language);
// The firmware page's column widths from what each column must show whole,
// `needs`: the widest of its title and its cells, in pixels with the list's
// margins. The version and the date take theirs; the file name takes the
// room they leave of `listWidth` (less 5 pixels, as on the device page), and
// what the names do not need of it goes to the date, the last column.
std::vector<int> FirmwareWidths(const std::vector<int>& needs, int listWidth);

// The question asked before a drive's firmware page, and after a download.
std::string DeviceQuestion(framework::Language language, const std::string& driveName);
std::string UpdateNowQuestion(framework::Language language);

// The message shown before the catalogue-missing page when the catalogue
// arrived without a valid signature of the maker and was not used.
std::string UnverifiedCatalogueMessage(framework::Language language);
// The message shown instead when the catalogue was signed but is older (a
// lower serial) than one the program has already accepted.
std::string ReplayedCatalogueMessage(framework::Language language);

}  // namespace wizard
