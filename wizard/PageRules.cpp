#include "wizard/PageRules.h"

#include <cstring>

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
    "The firmware list could not be verified.\n\nIt may have been changed on its way, so it was not used.";
// 無法驗證韌體清單，清單可能在傳送途中遭到更改，因此未採用。
constexpr const char* kUnverifiedChinese =
    "\xB5\x4C\xAA\x6B\xC5\xE7\xC3\xD2\xB6\xB4\xC5\xE9\xB2\x4D\xB3\xE6\xA1\x41\xB2\x4D\xB3\xE6\xA5\x69"
    "\xAF\xE0\xA6\x62\xB6\xC7\xB0\x65\xB3\x7E\xA4\xA4\xBE\x44\xA8\xEC\xA7\xF3\xA7\xEF\xA1\x41\xA6\x5D"
    "\xA6\xB9\xA5\xBC\xB1\xC4\xA5\xCE\xA1\x43";
constexpr const char* kReplayedEnglish =
    "The firmware list is older than one already seen.\n\n"
    "An old list may have been sent in place of the current one, so it was not used.";
// 此韌體清單比先前已見過的清單舊。\n\n可能有人以舊清單取代新清單，因此未採用。
constexpr const char* kReplayedChinese =
    "\xA6\xB9\xB6\xB4\xC5\xE9\xB2\x4D\xB3\xE6\xA4\xF1\xA5\xFD\xAB\x65\xA4\x77\xA8\xA3\xB9\x4C"
    "\xAA\xBA\xB2\x4D\xB3\xE6\xC2\xC2\xA1\x43\n\n"
    "\xA5\x69\xAF\xE0\xA6\xB3\xA4\x48\xA5\x48\xC2\xC2\xB2\x4D\xB3\xE6\xA8\xFA\xA5\x4E\xB7\x73\xB2\x4D"
    "\xB3\xE6\xA1\x41\xA6\x5D\xA6\xB9\xA5\xBC\xB1\xC4\xA5\xCE\xA1\x43";
}  // namespace text

int Pick(Language language, int chinese, int english) {
  return IsChinese(language) ? chinese : english;
}

const char* Pick(Language language, const char* chinese, const char* english) {
  return IsChinese(language) ? chinese : english;
}

int Length(const char* bytes) { return static_cast<int>(std::strlen(bytes)); }

}  // namespace

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

std::vector<Column> FirmwareColumns(Language lang, int listWidth) {
  const char* file = Pick(lang, text::kFileNameChinese, text::kFileNameEnglish);
  const char* version = Pick(lang, text::kVersionChinese, text::kVersionEnglish);
  const char* date = Pick(lang, text::kDateChinese, text::kDateEnglish);
  const int first = 10 * Length(file);
  const int second = 10 * (Length(version) + 1);
  return {{file, first}, {version, second}, {date, listWidth - first - second - 5}};
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
