#include "wizard/PageRules.h"

#include <algorithm>
#include <cstring>

#include "Deployment.h"

namespace wizard {
namespace {

// Texts of the wizard's buttons, list columns and questions. The Chinese texts
// are code page 950 bytes, with the characters in the comment beside them.
namespace text {
constexpr const char* kBackEnglish = "<<BACK";
constexpr const char* kNextEnglish = "NEXT>>";
constexpr const char* kCancelEnglish = "CANCEL";
constexpr const char* kOkEnglish = "OK";
constexpr const char* kBackChinese = "<<\xA4W\xA4@\xA8" "B";                 // <<上一步
constexpr const char* kNextChinese = "\xA4U\xA4@\xA8" "B>>";                 // 下一步>>
constexpr const char* kCancelChinese = "\xA8\xFA\xAE\xF8";                   // 取消
constexpr const char* kOkChinese = "\xBDT\xA9w";                            // 確定
constexpr const char* kLookingForDrivesEnglish = "Looking for the optical drives. Please wait...";
// 正在尋找光碟機，請稍候…
constexpr const char* kLookingForDrivesChinese =
    "\xA5\xBF\xA6\x62\xB4\x4D\xA7\xE4\xA5\xFA\xBA\xD0\xBE\xF7\xA1\x41\xBD\xD0\xB5\x79\xAD\xD4\xA1\x4B";

constexpr const char* kDeviceNameEnglish = "Device Name";
constexpr const char* kRevisionEnglish = "Version";
constexpr const char* kDeviceNameChinese = "\xBA\xD0\xBE\xF7\xAB\xAC\xB8\xB9";  // 碟機型號
constexpr const char* kRevisionChinese =
    "\xA5\xD8\xAB" "e\xB6\xB4\xC5\xE9\xAA\xA9\xA5\xBB";                      // 目前韌體版本

constexpr const char* kFileNameEnglish = "File Name";
constexpr const char* kVersionEnglish = "Version";
constexpr const char* kDateEnglish = "Date(YYMMDD)";
constexpr const char* kFileNameChinese = "\xC0\xC9\xAE\xD7\xA6W\xBA\xD9";    // 檔案名稱
constexpr const char* kVersionChinese = "\xAA\xA9\xA5\xBB";                  // 版本
constexpr const char* kDateChinese = "\xA4\xE9\xB4\xC1(\xA6~\xA4\xEB\xA4\xE9)";  // 日期(年月日)

constexpr const char* kDeviceQuestionEnglishHead =
    "Do  you  want to  update  the  new  firmware  of  the  VORN\n\n";
constexpr const char* kDeviceQuestionEnglishTail = " device?";
constexpr const char* kDeviceQuestionChineseHead =
    "\xAC" "O\xA7_\xAD" "n\xA7\xF3\xB7s VORN ";                               // 是否要更新 VORN
constexpr const char* kDeviceQuestionChineseTail =
    " \xA5\xFA\xBA\xD0\xBE\xF7\xA4\xA7\xB6\xB4\xC5\xE9?";                     // 光碟機之韌體?
constexpr const char* kUpdateNowEnglish =
    "Selected file has been saved completely.\n\nDo you want to update now?";
constexpr const char* kUpdateNowChinese =
    "\xB7s\xB6\xB4\xC5\xE9\xA4w\xA4U\xB8\xFC\xA6\xA8\xA5\\\xA1" "A"
    "\xAC" "O\xA7_\xA5\xDF\xA7Y\xA7\xF3\xB7s?";                               // 新韌體已下載成功，是否立即更新?
constexpr const char* kUnverifiedEnglish =
    "The firmware list could not be verified.\n\nIt may have been changed on its way, so it "
    "was not used.";
// 無法驗證韌體清單，清單可能在傳送途中遭到更改，因此未採用。
constexpr const char* kUnverifiedChinese =
    "\xB5\x4C\xAA\x6B\xC5\xE7\xC3\xD2\xB6\xB4\xC5\xE9\xB2\x4D\xB3\xE6\xA1\x41\xB2\x4D\xB3\xE6\xA5\x69"
    "\xAF\xE0\xA6\x62\xB6\xC7\xB0\x65\xB3\x7E\xA4\xA4\xBE\x44\xA8\xEC\xA7\xF3\xA7\xEF\xA1\x41\xA6\x5D"
    "\xA6\xB9\xA5\xBC\xB1\xC4\xA5\xCE\xA1\x43";
constexpr const char* kReplayedEnglish =
    "The firmware list is older than one already seen.\n\nAn old list may have been sent in "
    "place of the current one, so it was not used.";
// 此韌體清單比先前已見過的清單舊。\n\n可能有人以舊清單取代新清單，因此未採用。
constexpr const char* kReplayedChinese =
    "\xA6\xB9\xB6\xB4\xC5\xE9\xB2\x4D\xB3\xE6\xA4\xF1\xA5\xFD\xAB\x65\xA4\x77\xA8\xA3\xB9\x4C"
    "\xAA\xBA\xB2\x4D\xB3\xE6\xC2\xC2\xA1\x43\n\n"
    "\xA5\x69\xAF\xE0\xA6\xB3\xA4\x48\xA5\x48\xC2\xC2\xB2\x4D\xB3\xE6\xA8\xFA\xA5\x4E\xB7\x73\xB2\x4D"
    "\xB3\xE6\xA1\x41\xA6\x5D\xA6\xB9\xA5\xBC\xB1\xC4\xA5\xCE\xA1\x43";
}  // namespace text

// The words of the skin's pictures, as drawn in them. "\x01" stands for the
// web address and "\x02" for the regional one.
namespace words {
constexpr const char* kBanner = "VORN  Precision in every spin";
constexpr const char* kWelcome = "VORN  Precision in every spin\nOptical Storage";
constexpr const char* kSelectDriveEnglish =
    "Please select one device from the left list.";
constexpr const char* kChooseFirmwareEnglish =
    "Please choose a new firmware to update.\nWhen you click one firmware, you can get some "
    "descriptions of the firmware from the pop-up message, and you can decide to update or "
    "press NO button to cancel.";
constexpr const char* kNoConnectionEnglish =
    "Please update when you are on net, and press CANCEL to exit.";
constexpr const char* kCatalogueMissingEnglish =
    "We are sorry that now VORN is setting up the information of new firmware; or your "
    "network is unstable.\nPlease update later, and press OK to exit.";
constexpr const char* kNoNewFirmwareLastEnglish =
    "There is no new firmware for this device!\nPlease press CANCEL to exit.";
constexpr const char* kNoNewFirmwareOthersEnglish =
    "There is no new firmware for this device!\nPlease press NEXT to update another device "
    "or CANCEL to exit.";
constexpr const char* kNoDriveEnglish =
    "You have no VORN devices, if you would like to buy one, please browse " "\x01"
    ".\nPlease press CANCEL to exit, thank you.";
// 請從左方列表選擇一光碟機。
constexpr const char* kSelectDriveChinese =
    "\xBD\xD0\xB1q\xA5\xAA\xA4\xE8\xA6" "C\xAA\xED\xBF\xEF\xBE\xDC\xA4@\xA5\xFA\xBA\xD0\xBE\xF7\xA1" "C";
// 請從左方列表選擇一韌體版本以更新。 / 當選擇一版本時，可知道該韌體所新增之功能，並可選擇繼續更新或取消。
constexpr const char* kChooseFirmwareChinese =
    "\xBD\xD0\xB1q\xA5\xAA\xA4\xE8\xA6" "C\xAA\xED\xBF\xEF\xBE\xDC\xA4@\xB6\xB4\xC5\xE9\xAA\xA9\xA5"
    "\xBB\xA5H\xA7\xF3\xB7s\xA1" "C\n\xB7\xED\xBF\xEF\xBE\xDC\xA4@\xAA\xA9\xA5\xBB\xAE\xC9\xA1" "A"
    "\xA5i\xAA\xBE\xB9" "D\xB8\xD3\xB6\xB4\xC5\xE9\xA9\xD2\xB7s\xBCW\xA4\xA7\xA5\\\xAF\xE0\xA1" "A"
    "\xA8\xC3\xA5i\xBF\xEF\xBE\xDC\xC4~\xC4\xF2\xA7\xF3\xB7s\xA9\xCE\xA8\xFA\xAE\xF8\xA1" "C";
// 您尚未建立連線，無法取得韌體資訊。 / 請按取消鍵離開。
constexpr const char* kNoConnectionChinese =
    "\xB1z\xA9|\xA5\xBC\xAB\xD8\xA5\xDF\xB3s\xBDu\xA1" "A\xB5L\xAAk\xA8\xFA\xB1o\xB6\xB4\xC5\xE9\xB8"
    "\xEA\xB0T\xA1" "C\n\xBD\xD0\xAB\xF6\xA8\xFA\xAE\xF8\xC1\xE4\xC2\xF7\xB6}\xA1" "C";
// 很抱歉！VORN正在建立新的韌體資料；或是您的網路不穩定，無法下載韌體更新資料。 / 請稍後進行更新，謝謝。
constexpr const char* kCatalogueMissingChinese =
    "\xAB\xDC\xA9\xEA\xBAp\xA1IVORN\xA5\xBF\xA6" "b\xAB\xD8\xA5\xDF\xB7s\xAA\xBA\xB6\xB4\xC5\xE9\xB8"
    "\xEA\xAE\xC6\xA1" "F\xA9\xCE\xACO\xB1z\xAA\xBA\xBA\xF4\xB8\xF4\xA4\xA3\xC3\xAD\xA9w\xA1" "A\xB5"
    "L\xAAk\xA4U\xB8\xFC\xB6\xB4\xC5\xE9\xA7\xF3\xB7s\xB8\xEA\xAE\xC6\xA1" "C\n\xBD\xD0\xB5y\xAB\xE1"
    "\xB6i\xA6\xE6\xA7\xF3\xB7s\xA1" "A\xC1\xC2\xC1\xC2\xA1" "C";
// 此碟機不需更新韌體！ / 請按[取消]離開。
constexpr const char* kNoNewFirmwareLastChinese =
    "\xA6\xB9\xBA\xD0\xBE\xF7\xA4\xA3\xBB\xDD\xA7\xF3\xB7s\xB6\xB4\xC5\xE9\xA1I\n\xBD\xD0\xAB\xF6["
    "\xA8\xFA\xAE\xF8]\xC2\xF7\xB6}\xA1" "C";
// 此碟機不需更新韌體！ / 請按[下一步]更新其他碟機之韌體或按[取消] 離開。
constexpr const char* kNoNewFirmwareOthersChinese =
    "\xA6\xB9\xBA\xD0\xBE\xF7\xA4\xA3\xBB\xDD\xA7\xF3\xB7s\xB6\xB4\xC5\xE9\xA1I\n\xBD\xD0\xAB\xF6["
    "\xA4U\xA4@\xA8" "B]\xA7\xF3\xB7s\xA8\xE4\xA5L\xBA\xD0\xBE\xF7\xA4\xA7\xB6\xB4\xC5\xE9\xA9\xCE"
    "\xAB\xF6[\xA8\xFA\xAE\xF8] \xC2\xF7\xB6}\xA1" "C";
// 您沒有VORN光碟機，請連線至 <regional address> 瀏覽VORN光碟機資訊，謝謝您的支持 / 請按取消鍵離開。
constexpr const char* kNoDriveChinese =
    "\xB1z\xA8S\xA6\xB3VORN\xA5\xFA\xBA\xD0\xBE\xF7\xA1" "A\xBD\xD0\xB3s\xBDu\xA6\xDC " "\x02" " "
    "\xC2s\xC4\xFDVORN\xA5\xFA\xBA\xD0\xBE\xF7\xB8\xEA\xB0T\xA1" "A\xC1\xC2\xC1\xC2\xB1z\xAA\xBA\xA4"
    "\xE4\xAB\xF9\n\xBD\xD0\xAB\xF6\xA8\xFA\xAE\xF8\xC1\xE4\xC2\xF7\xB6}\xA1" "C";
}  // namespace words

int Pick(Language language, int chinese, int english) {
  return IsChinese(language) ? chinese : english;
}

const char* Pick(Language language, const char* chinese, const char* english) {
  return IsChinese(language) ? chinese : english;
}

int Length(const char* bytes) { return static_cast<int>(std::strlen(bytes)); }

}  // namespace

const char* LookingForDrivesText(Language language) {
  return Pick(language, text::kLookingForDrivesChinese, text::kLookingForDrivesEnglish);
}

const char* BackText(Language language) {
  return Pick(language, text::kBackChinese, text::kBackEnglish);
}

const char* NextText(Language language) {
  return Pick(language, text::kNextChinese, text::kNextEnglish);
}

const char* CancelText(Language language) {
  return Pick(language, text::kCancelChinese, text::kCancelEnglish);
}

PageLook LookOf(Page page, Language lang) {
  const char* cancel = CancelText(lang);
  switch (page) {
    case Page::Welcome:
      return {0, false, ListContent::Hidden, LinkPlacement::Normal, false, true, true, cancel};
    case Page::NoDrive:
      return {Pick(lang, image::kNoDriveChinese, image::kNoDriveEnglish), true,
              ListContent::Hidden, LinkPlacement::Normal, false, false, true, cancel};
    case Page::NoConnection:
      return {Pick(lang, image::kNoConnectionChinese, image::kNoConnectionEnglish),
              true, ListContent::Hidden, LinkPlacement::Hidden, false, false, true, cancel};
    case Page::CatalogueMissing:
      return {Pick(lang, image::kCatalogueMissingChinese, image::kCatalogueMissingEnglish), true,
              ListContent::Hidden, LinkPlacement::OnListPage, false, false, true,
              Pick(lang, text::kOkChinese, text::kOkEnglish)};
    case Page::FirstDeviceList:
    case Page::DeviceList:
      return {Pick(lang, image::kSelectDriveChinese, image::kSelectDriveEnglish),
              false, ListContent::Drives, LinkPlacement::OnListPage, false, false, true,
              page == Page::FirstDeviceList ? Pick(lang, text::kCancelChinese, text::kOkEnglish)
                                            : cancel};
    case Page::FirmwareList:
      return {Pick(lang, image::kChooseFirmwareChinese, image::kChooseFirmwareEnglish), false,
              ListContent::FirmwareFiles, LinkPlacement::OnListPage, true, false, true, cancel};
    case Page::NoNewFirmwareLastDrive:
      return {Pick(lang, image::kNoNewFirmwareLastChinese, image::kNoNewFirmwareLastEnglish), true,
              ListContent::Hidden, LinkPlacement::Hidden, false, false, true, cancel};
    case Page::NoNewFirmwareOthersRemain:
      return {Pick(lang, image::kNoNewFirmwareOthersChinese, image::kNoNewFirmwareOthersEnglish),
              true, ListContent::Hidden, LinkPlacement::Hidden, false, true, true, cancel};
  }
  return LookOf(Page::Welcome, lang);
}

const char* BannerWords() { return words::kBanner; }

std::string PageWords(Page page, Language lang) {
  // The words of the picture the page table gives the page.
  const struct {
    int image;
    const char* words;
  } pictures[] = {
      {image::kSelectDriveChinese, words::kSelectDriveChinese},
      {image::kSelectDriveEnglish, words::kSelectDriveEnglish},
      {image::kChooseFirmwareChinese, words::kChooseFirmwareChinese},
      {image::kChooseFirmwareEnglish, words::kChooseFirmwareEnglish},
      {image::kNoConnectionChinese, words::kNoConnectionChinese},
      {image::kNoConnectionEnglish, words::kNoConnectionEnglish},
      {image::kCatalogueMissingChinese, words::kCatalogueMissingChinese},
      {image::kCatalogueMissingEnglish, words::kCatalogueMissingEnglish},
      {image::kNoNewFirmwareLastChinese, words::kNoNewFirmwareLastChinese},
      {image::kNoNewFirmwareLastEnglish, words::kNoNewFirmwareLastEnglish},
      {image::kNoNewFirmwareOthersChinese, words::kNoNewFirmwareOthersChinese},
      {image::kNoNewFirmwareOthersEnglish, words::kNoNewFirmwareOthersEnglish},
      {image::kNoDriveChinese, words::kNoDriveChinese},
      {image::kNoDriveEnglish, words::kNoDriveEnglish},
  };
  const int image = LookOf(page, lang).pageImageId;
  const char* picture = words::kWelcome;  // the welcome page's own artwork (no page image)
  for (const auto& entry : pictures) {
    if (entry.image == image) picture = entry.words;
  }
  std::string result;
  for (const char* c = picture; *c != '\0'; ++c) {
    if (*c == '\x01') result += deployment::webAddress;
    else if (*c == '\x02') result += deployment::regionalWebAddress;
    else result += *c;
  }
  return result;
}

int RowActedOn(const std::vector<bool>& selected) {
  for (std::size_t row = 0; row < selected.size(); ++row) {
    if (selected[row]) return static_cast<int>(row);
  }
  return -1;
}

std::vector<Column> DeviceColumns(Language lang, int listWidth) {
  const char* name = Pick(lang, text::kDeviceNameChinese, text::kDeviceNameEnglish);
  const char* revision = Pick(lang, text::kRevisionChinese, text::kRevisionEnglish);
  const int first = 12 * Length(name);
  return {{name, first}, {revision, listWidth - first - 5}};
}

std::vector<const char*> FirmwareTitles(Language lang) {
  return {Pick(lang, text::kFileNameChinese, text::kFileNameEnglish),
          Pick(lang, text::kVersionChinese, text::kVersionEnglish), Pick(lang, text::kDateChinese, text::kDateEnglish)};
}

std::vector<int> FirmwareWidths(const std::vector<int>& needs, int listWidth) {
  const int version = needs.at(1);
  int date = needs.at(2);
  int name = std::max(listWidth - 5 - version - date, 0);
  if (name > needs.at(0)) {
    date += name - needs.at(0);
    name = needs.at(0);
  }
  return {name, version, date};
}

std::string DeviceQuestion(Language lang, const std::string& driveName) {
  if (IsChinese(lang)) {
    return text::kDeviceQuestionChineseHead + driveName + text::kDeviceQuestionChineseTail;
  }
  return text::kDeviceQuestionEnglishHead + driveName + text::kDeviceQuestionEnglishTail;
}

std::string UpdateNowQuestion(Language lang) {
  return Pick(lang, text::kUpdateNowChinese, text::kUpdateNowEnglish);
}

std::string UnverifiedCatalogueMessage(Language lang) {
  return Pick(lang, text::kUnverifiedChinese, text::kUnverifiedEnglish);
}

std::string ReplayedCatalogueMessage(Language lang) {
  return Pick(lang, text::kReplayedChinese, text::kReplayedEnglish);
}

}  // namespace wizard
