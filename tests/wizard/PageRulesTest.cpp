// The wizard's page rules: every page's row of the page table, the
// transitions, the column widths and the question texts, in both languages.
#include "wizard/PageRules.h"

#include <gtest/gtest.h>

#include "tests/install/Cp950.h"

#include <string>
#include <vector>

namespace wizard {
namespace {

constexpr std::uint16_t kEnglish = 1033;
constexpr std::uint16_t kChinese = 1028;
constexpr std::uint16_t kChineseMainland = 2052;

// The Chinese texts as code page 950 bytes, spelled out byte by byte so that a
// merged hex escape in the program's table shows up here.
std::string Bytes(std::initializer_list<unsigned char> bytes) {
  return std::string(bytes.begin(), bytes.end());
}
const std::string kCancelChinese = Bytes({0xA8, 0xFA, 0xAE, 0xF8});  // 取消
const std::string kOkChinese = Bytes({0xBD, 'T', 0xA9, 'w'});        // 確定

struct LookRow {
  Page page;
  std::uint16_t lang;
  std::int32_t state;
  int image;
  bool fullPage;
  ListContent list;
  int link;
  bool back, next, cancel;
  std::string cancelText;
};

TEST(PageRulesTest, EveryPageShowsItsRowOfThePageTable) {
  const std::vector<LookRow> rows = {
      {Page::Welcome, kEnglish, 305, 0, false, ListContent::Hidden, 400, false, true, true, "CANCEL"},
      {Page::Welcome, kChinese, 305, 0, false, ListContent::Hidden, 400, false, true, true, kCancelChinese},
      {Page::NoDrive, kEnglish, 306, 181, true, ListContent::Hidden, 400, false, false, true, "CANCEL"},
      {Page::NoDrive, kChinese, 306, 179, true, ListContent::Hidden, 400, false, false, true, kCancelChinese},
      {Page::NoConnection, kEnglish, 303, 175, true, ListContent::Hidden, 202, false, false, true, "CANCEL"},
      {Page::NoConnection, kChinese, 303, 172, true, ListContent::Hidden, 202, false, false, true, kCancelChinese},
      {Page::CatalogueMissing, kEnglish, 303, 174, true, ListContent::Hidden, 401, false, false, true, "OK"},
      {Page::CatalogueMissing, kChinese, 303, 173, true, ListContent::Hidden, 401, false, false, true, kOkChinese},
      {Page::FirstDeviceList, kEnglish, 200, 168, false, ListContent::Drives, 401, false, false, true, "OK"},
      {Page::FirstDeviceList, kChinese, 200, 164, false, ListContent::Drives, 401, false, false, true, kCancelChinese},
      {Page::DeviceList, kEnglish, 200, 168, false, ListContent::Drives, 401, false, false, true, "CANCEL"},
      {Page::DeviceList, kChinese, 200, 164, false, ListContent::Drives, 401, false, false, true, kCancelChinese},
      {Page::FirmwareList, kEnglish, 201, 169, false, ListContent::FirmwareFiles, 401, true, false, true, "CANCEL"},
      {Page::FirmwareList, kChinese, 201, 165, false, ListContent::FirmwareFiles, 401, true, false, true, kCancelChinese},
      {Page::NoNewFirmwareLastDrive, kEnglish, 302, 178, true, ListContent::Hidden, 202, false, false, true, "CANCEL"},
      {Page::NoNewFirmwareLastDrive, kChinese, 302, 176, true, ListContent::Hidden, 202, false, false, true, kCancelChinese},
      {Page::NoNewFirmwareOthersRemain, kEnglish, 302, 180, true, ListContent::Hidden, 202, false, true, true, "CANCEL"},
      {Page::NoNewFirmwareOthersRemain, kChinese, 302, 177, true, ListContent::Hidden, 202, false, true, true, kCancelChinese},
      // Only 1028 is Chinese: the mainland identifier gets the English page.
      {Page::NoDrive, kChineseMainland, 306, 181, true, ListContent::Hidden, 400, false, false, true, "CANCEL"},
  };
  for (const LookRow& row : rows) {
    SCOPED_TRACE(testing::Message() << "page " << static_cast<int>(row.page) << " language " << row.lang);
    const PageLook look = LookOf(row.page, row.lang);
    EXPECT_EQ(look.pageState, row.state);
    EXPECT_EQ(look.pageImageId, row.image);
    if (row.page != Page::Welcome) EXPECT_EQ(look.fullPageImage, row.fullPage);
    EXPECT_EQ(look.list, row.list);
    EXPECT_EQ(look.linkPlacement, row.link);
    EXPECT_EQ(look.backEnabled, row.back);
    EXPECT_EQ(look.nextEnabled, row.next);
    EXPECT_EQ(look.cancelEnabled, row.cancel);
    EXPECT_EQ(std::string(look.cancelText), row.cancelText);
  }
}

TEST(PageRulesTest, ButtonsAndClicksActOnlyInTheirStates) {
  struct Row {
    std::int32_t state;
    NextAction next;
    bool back;
    ClickAction click;
    bool okDestroysAtOnce;
  };
  const std::vector<Row> rows = {
      {305, NextAction::StartChecks, false, ClickAction::None, true},
      {303, NextAction::None, false, ClickAction::None, true},
      {306, NextAction::None, false, ClickAction::None, true},
      {200, NextAction::None, false, ClickAction::DeviceChosen, true},
      {201, NextAction::None, true, ClickAction::FirmwareChosen, true},
      {202, NextAction::None, false, ClickAction::None, true},
      {302, NextAction::ShowRemainingDrives, false, ClickAction::None, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.state);
    EXPECT_EQ(NextActionFor(row.state), row.next);
    EXPECT_EQ(BackReturnsToDrives(row.state), row.back);
    EXPECT_EQ(ClickActionFor(row.state), row.click);
    EXPECT_EQ(OkDestroysAtOnce(row.state), row.okDestroysAtOnce);
  }
}

TEST(PageRulesTest, ChecksLoadTheCatalogueOnlyWithDrivesAndAConnection) {
  struct Row {
    int drives;
    bool reachable;
    bool loads;
    Page page;
    int loadCalls;
  };
  const std::vector<Row> rows = {
      {0, true, true, Page::NoDrive, 0},
      {0, false, false, Page::NoDrive, 0},
      {2, false, true, Page::NoConnection, 0},
      {1, true, false, Page::CatalogueMissing, 1},
      {3, true, true, Page::FirstDeviceList, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.drives << " drives, reachable " << row.reachable);
    int calls = 0;
    EXPECT_EQ(PageAfterChecks(row.drives, row.reachable, [&] { ++calls; return row.loads; }), row.page);
    EXPECT_EQ(calls, row.loadCalls);
  }
}

TEST(PageRulesTest, HandledDrivesLeaveAndTheWizardEndsWhenNoneIsLeft) {
  // Yes to the device question.
  DeviceChoice offered = ChoiceAfterDeviceYes(3, 1);
  EXPECT_EQ(offered.page, Page::FirmwareList);
  EXPECT_FALSE(offered.removeEntry);
  DeviceChoice othersRemain = ChoiceAfterDeviceYes(0, 2);
  EXPECT_EQ(othersRemain.page, Page::NoNewFirmwareOthersRemain);
  EXPECT_TRUE(othersRemain.removeEntry);
  EXPECT_TRUE(LookOf(othersRemain.page, kEnglish).nextEnabled);
  DeviceChoice lastDrive = ChoiceAfterDeviceYes(0, 1);
  EXPECT_EQ(lastDrive.page, Page::NoNewFirmwareLastDrive);
  EXPECT_TRUE(lastDrive.removeEntry);
  EXPECT_FALSE(LookOf(lastDrive.page, kEnglish).nextEnabled);

  // A saved file: the entry has left; what remains decides.
  EXPECT_EQ(AfterFirmwareSaved(0), AfterSave::EndWizard);
  EXPECT_EQ(AfterFirmwareSaved(1), AfterSave::ShowRemainingDrives);
}

TEST(PageRulesTest, AClickActsOnTheFirstSelectedRow) {
  EXPECT_EQ(RowActedOn({}), -1);
  EXPECT_EQ(RowActedOn({false, false, false}), -1);
  EXPECT_EQ(RowActedOn({false, false, true}), 2);
  EXPECT_EQ(RowActedOn({false, true, true}), 1);
}

TEST(PageRulesTest, ColumnWidthsFollowTheTitlesByteLengths) {
  struct Row {
    std::uint16_t lang;
    bool firmware;
    std::vector<int> widths;
    std::vector<std::string> titles;
  };
  const std::vector<Row> rows = {
      {kEnglish, false, {132, 108}, {"Device Name", "Version"}},
      {kChinese, false, {96, 144},
       {Bytes({0xBA, 0xD0, 0xBE, 0xF7, 0xAB, 0xAC, 0xB8, 0xB9}),
        Bytes({0xA5, 0xD8, 0xAB, 'e', 0xB6, 0xB4, 0xC5, 0xE9, 0xAA, 0xA9, 0xA5, 0xBB})}},
      {kEnglish, true, {90, 80, 70}, {"File Name", "Version", "Date(YYMMDD)"}},
      {kChinese, true, {80, 50, 110},
       {Bytes({0xC0, 0xC9, 0xAE, 0xD7, 0xA6, 'W', 0xBA, 0xD9}), Bytes({0xAA, 0xA9, 0xA5, 0xBB}),
        Bytes({0xA4, 0xE9, 0xB4, 0xC1, '(', 0xA6, '~', 0xA4, 0xEB, 0xA4, 0xE9, ')'})}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "language " << row.lang << " firmware " << row.firmware);
    const std::vector<Column> columns =
        row.firmware ? FirmwareColumns(row.lang, 245) : DeviceColumns(row.lang, 245);
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
  EXPECT_EQ(std::string(BackText(kChinese)), Bytes({'<', '<', 0xA4, 'W', 0xA4, '@', 0xA8, 'B'}));
  EXPECT_EQ(std::string(NextText(kChinese)), Bytes({0xA4, 'U', 0xA4, '@', 0xA8, 'B', '>', '>'}));
  EXPECT_EQ(std::string(NextText(kEnglish)), "NEXT>>");
}

}  // namespace
}  // namespace wizard
