#include "wizard/PageRules.h"

#include <algorithm>
#include <cstring>

#include "Deployment.h"
#include "messages/WizardTexts.h"

namespace wizard {
namespace {

using framework::Language;

namespace text = messages::wizard_text;
namespace words = messages::picture_words;

int Pick(Language language, int chinese, int english) {
  return framework::IsChinese(language) ? chinese : english;
}

const char* Pick(Language language, const char* chinese, const char* english) {
  return framework::IsChinese(language) ? chinese : english;
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
  if (framework::IsChinese(lang)) {
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
