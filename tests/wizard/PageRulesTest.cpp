// The wizard's pages: every page's row of the page table, the column widths
// and the question texts, in both languages. Which page follows which is
// WizardFlowTest's.
#include "wizard/PageRules.h"

#include <gtest/gtest.h>

#include "tests/install/Cp950.h"

#include <string>
#include <vector>

namespace wizard {
namespace {

using framework::Language;

constexpr Language kEnglish = Language::English;
constexpr Language kChinese = Language::ChineseTaiwan;
// Only Taiwan's identifier speaks Chinese: the mainland's (2052) gets English.
constexpr Language kChineseMainland = framework::LanguageOf(2052);

// The Chinese texts as code page 950 bytes, spelled out byte by byte so that a
// merged hex escape in the program's table shows up here.
std::string Bytes(std::initializer_list<unsigned char> bytes) {
  return std::string(bytes.begin(), bytes.end());
}
const std::string kCancelChinese = Bytes({0xA8, 0xFA, 0xAE, 0xF8});  // 取消
const std::string kOkChinese = Bytes({0xBD, 'T', 0xA9, 'w'});        // 確定

struct LookRow {
  Page page;
  Language lang;
  int image;
  bool fullPage;
  ListContent list;
  LinkPlacement link;
  bool back, next, cancel;
  std::string cancelText;
};

TEST(PageRulesTest, EveryPageShowsItsRowOfThePageTable) {
  using L = LinkPlacement;
  using C = ListContent;
  using namespace image;
  const std::vector<LookRow> rows = {
      {Page::Welcome, kEnglish, 0, false, C::Hidden, L::Normal, false, true, true, "CANCEL"},
      {Page::Welcome, kChinese, 0, false, C::Hidden, L::Normal, false, true, true, kCancelChinese},
      {Page::NoDrive, kEnglish, kNoDriveEnglish, true, C::Hidden, L::Normal, false, false, true, "CANCEL"},
      {Page::NoDrive, kChinese, kNoDriveChinese, true, C::Hidden, L::Normal, false, false, true, kCancelChinese},
      {Page::NoConnection, kEnglish, kNoConnectionEnglish, true, C::Hidden, L::Hidden, false, false, true, "CANCEL"},
      {Page::NoConnection, kChinese, kNoConnectionChinese, true, C::Hidden, L::Hidden, false, false, true, kCancelChinese},
      {Page::CatalogueMissing, kEnglish, kCatalogueMissingEnglish, true, C::Hidden, L::OnListPage, false, false, true, "OK"},
      {Page::CatalogueMissing, kChinese, kCatalogueMissingChinese, true, C::Hidden, L::OnListPage, false, false, true, kOkChinese},
      {Page::FirstDeviceList, kEnglish, kSelectDriveEnglish, false, C::Drives, L::OnListPage, false, false, true, "OK"},
      {Page::FirstDeviceList, kChinese, kSelectDriveChinese, false, C::Drives, L::OnListPage, false, false, true, kCancelChinese},
      {Page::DeviceList, kEnglish, kSelectDriveEnglish, false, C::Drives, L::OnListPage, false, false, true, "CANCEL"},
      {Page::DeviceList, kChinese, kSelectDriveChinese, false, C::Drives, L::OnListPage, false, false, true, kCancelChinese},
      {Page::FirmwareList, kEnglish, kChooseFirmwareEnglish, false, C::FirmwareFiles, L::OnListPage, true, false, true, "CANCEL"},
      {Page::FirmwareList, kChinese, kChooseFirmwareChinese, false, C::FirmwareFiles, L::OnListPage, true, false, true, kCancelChinese},
      {Page::NoNewFirmwareLastDrive, kEnglish, kNoNewFirmwareLastEnglish, true, C::Hidden, L::Hidden, false, false, true, "CANCEL"},
      {Page::NoNewFirmwareLastDrive, kChinese, kNoNewFirmwareLastChinese, true, C::Hidden, L::Hidden, false, false, true, kCancelChinese},
      {Page::NoNewFirmwareOthersRemain, kEnglish, kNoNewFirmwareOthersEnglish, true, C::Hidden, L::Hidden, false, true, true, "CANCEL"},
      {Page::NoNewFirmwareOthersRemain, kChinese, kNoNewFirmwareOthersChinese, true, C::Hidden, L::Hidden, false, true, true, kCancelChinese},
      {Page::NoDrive, kChineseMainland, kNoDriveEnglish, true, C::Hidden, L::Normal, false, false, true, "CANCEL"},
  };
  for (const LookRow& row : rows) {
    SCOPED_TRACE(testing::Message() << "page " << static_cast<int>(row.page) << " chinese "
                                    << framework::IsChinese(row.lang));
    const PageLook look = LookOf(row.page, row.lang);
    EXPECT_EQ(look.pageImageId, row.image);
    if (row.page != Page::Welcome) {
      EXPECT_EQ(look.fullPageImage, row.fullPage);
    }
    EXPECT_EQ(look.list, row.list);
    EXPECT_EQ(look.linkPlacement, row.link);
    EXPECT_EQ(look.backEnabled, row.back);
    EXPECT_EQ(look.nextEnabled, row.next);
    EXPECT_EQ(look.cancelEnabled, row.cancel);
    EXPECT_EQ(std::string(look.cancelText), row.cancelText);
  }
}

TEST(PageRulesTest, AClickActsOnTheFirstSelectedRow) {
  EXPECT_EQ(RowActedOn({}), -1);
  EXPECT_EQ(RowActedOn({false, false, false}), -1);
  EXPECT_EQ(RowActedOn({false, false, true}), 2);
  EXPECT_EQ(RowActedOn({false, true, true}), 1);
}

// The device page's widths follow the titles' byte lengths; the firmware
// page's what the columns must show (`needs`): the version and the date
// whole, the name the room left, and the date what the names leave of it.
TEST(PageRulesTest, ColumnWidthsFollowTheTitlesOrWhatTheColumnsShow) {
  struct Row {
    Language lang;
    bool firmware;
    std::vector<int> widths;
    std::vector<std::string> titles;
    std::vector<int> needs;
  };
  const std::vector<Row> rows = {
      {kEnglish, false, {132, 108}, {"Device Name", "Version"}, {}},
      {kChinese, false, {96, 144},
       {Bytes({0xBA, 0xD0, 0xBE, 0xF7, 0xAB, 0xAC, 0xB8, 0xB9}),
        Bytes({0xA5, 0xD8, 0xAB, 'e', 0xB6, 0xB4, 0xC5, 0xE9, 0xAA, 0xA9, 0xA5, 0xBB})},
       {}},
      {kEnglish, true, {85, 60, 95}, {"File Name", "Version", "Date(YYMMDD)"}, {120, 60, 95}},
      {kChinese, true, {90, 50, 100},
       {Bytes({0xC0, 0xC9, 0xAE, 0xD7, 0xA6, 'W', 0xBA, 0xD9}), Bytes({0xAA, 0xA9, 0xA5, 0xBB}),
        Bytes({0xA4, 0xE9, 0xB4, 0xC1, '(', 0xA6, '~', 0xA4, 0xEB, 0xA4, 0xE9, ')'})},
       {90, 50, 80}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "chinese " << framework::IsChinese(row.lang) << " firmware " << row.firmware);
    std::vector<Column> columns = row.firmware ? std::vector<Column>{} : DeviceColumns(row.lang, 245);
    if (row.firmware) {
      const std::vector<int> widths = FirmwareWidths(row.needs, 245);
      for (std::size_t i = 0; i < widths.size(); ++i) columns.push_back({FirmwareTitles(row.lang)[i], widths[i]});
    }
    ASSERT_EQ(columns.size(), row.widths.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
      EXPECT_EQ(columns[i].width, row.widths[i]) << "column " << i;
      EXPECT_EQ(std::string(columns[i].title), row.titles[i]) << "column " << i;
    }
  }
}

TEST(PageRulesTest, QuestionsAreTheWizardsOwnTextsByteForByte) {
  EXPECT_EQ(DeviceQuestion(kEnglish, "QX-1234A"),
            "Do  you  want to  update  the  new  firmware  of  the  VORN\n\nQX-1234A device?");
  EXPECT_EQ(DeviceQuestion(kChinese, "QX-1234A"),
            Bytes({0xAC, 'O', 0xA7, '_', 0xAD, 'n', 0xA7, 0xF3, 0xB7, 's'}) + " VORN QX-1234A " +
                Bytes({0xA5, 0xFA, 0xBA, 0xD0, 0xBE, 0xF7, 0xA4, 0xA7, 0xB6, 0xB4, 0xC5, 0xE9}) + "?");
  EXPECT_EQ(UpdateNowQuestion(kEnglish),
            "Selected file has been saved completely.\n\nDo you want to update now?");
  EXPECT_EQ(UpdateNowQuestion(kChinese),
            Bytes({0xB7, 's', 0xB6, 0xB4, 0xC5, 0xE9, 0xA4, 'w', 0xA4, 'U', 0xB8, 0xFC, 0xA6, 0xA8,
                   0xA5, '\\', 0xA1, 'A', 0xAC, 'O', 0xA7, '_', 0xA5, 0xDF, 0xA7, 'Y', 0xA7, 0xF3,
                   0xB7, 's', '?'}));
  EXPECT_EQ(UpdateNowQuestion(kChineseMainland), UpdateNowQuestion(kEnglish));
  EXPECT_EQ(UnverifiedCatalogueMessage(kEnglish),
            "The firmware list could not be verified.\n\nIt may have been changed on its way, so it was not used.");
  EXPECT_EQ(UnverifiedCatalogueMessage(kChinese),
            Utf8ToCp950("無法驗證韌體清單，清單可能在傳送途中遭到更改，因此未採用。"));
  EXPECT_EQ(UnverifiedCatalogueMessage(kChineseMainland), UnverifiedCatalogueMessage(kEnglish));
  EXPECT_EQ(ReplayedCatalogueMessage(kEnglish),
            "The firmware list is older than one already seen.\n\n"
            "An old list may have been sent in place of the current one, so it was not used.");
  EXPECT_EQ(ReplayedCatalogueMessage(kChinese),
            Utf8ToCp950("此韌體清單比先前已見過的清單舊。\n\n可能有人以舊清單取代新清單，因此未採用。"));
  EXPECT_EQ(std::string(BackText(kChinese)), Bytes({'<', '<', 0xA4, 'W', 0xA4, '@', 0xA8, 'B'}));
  EXPECT_EQ(std::string(NextText(kChinese)), Bytes({0xA4, 'U', 0xA4, '@', 0xA8, 'B', '>', '>'}));
  EXPECT_EQ(std::string(NextText(kEnglish)), "NEXT>>");
  EXPECT_EQ(LookingForDrivesText(kChinese), Utf8ToCp950("正在尋找光碟機，請稍候…"));
}

// The words a screen reader reads and High Contrast draws: the pictures'
// own, byte for byte in code page 950, with the deployment's web addresses.
TEST(PageRulesTest, PictureWordsAreThoseOfThePictures) {
  const struct {
    Page page;
    Language lang;
    std::string words;
  } rows[] = {
      {Page::Welcome, kChinese, "VORN  Precision in every spin\nOptical Storage"},
      {Page::NoDrive, kEnglish,
       "You have no VORN devices, if you would like to buy one, please browse http://www.vornhal.com.\n"
       "Please press CANCEL to exit, thank you."},
      {Page::NoDrive, kChinese,
       Utf8ToCp950("您沒有VORN光碟機，請連線至 http://www.vornhal.com.tw 瀏覽VORN光碟機資訊，謝謝您的支持\n"
                   "請按取消鍵離開。")},
      {Page::NoConnection, kChinese, Utf8ToCp950("您尚未建立連線，無法取得韌體資訊。\n請按取消鍵離開。")},
      {Page::CatalogueMissing, kChinese,
       Utf8ToCp950("很抱歉！VORN正在建立新的韌體資料；或是您的網路不穩定，無法下載韌體更新資料。\n"
                   "請稍後進行更新，謝謝。")},
      {Page::FirstDeviceList, kChinese, Utf8ToCp950("請從左方列表選擇一光碟機。")},
      {Page::FirmwareList, kChinese,
       Utf8ToCp950("請從左方列表選擇一韌體版本以更新。\n"
                   "當選擇一版本時，可知道該韌體所新增之功能，並可選擇繼續更新或取消。")},
      {Page::NoNewFirmwareLastDrive, kChinese, Utf8ToCp950("此碟機不需更新韌體！\n請按[取消]離開。")},
      {Page::NoNewFirmwareOthersRemain, kChinese,
       Utf8ToCp950("此碟機不需更新韌體！\n請按[下一步]更新其他碟機之韌體或按[取消] 離開。")},
      {Page::DeviceList, kChineseMainland, "Please select one device from the left list."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.page));
    EXPECT_EQ(PageWords(row.page, row.lang), row.words);
  }
  EXPECT_EQ(std::string(BannerWords()), "VORN  Precision in every spin");
}

}  // namespace
}  // namespace wizard
