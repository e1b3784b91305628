#include "install/DownloadTexts.h"

#include "Cp950.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DownloadTexts, ChineseTextsAreTheirCodePage950Bytes) {
  const DownloadTexts& zh = DownloadTextsFor(Language::ChineseTaiwan);
  const struct {
    const char* stored;
    const char* utf8;
  } rows[] = {
      {zh.windowTitle, "下載檔案"},
      {zh.saveButton, "儲存檔案"},
      {zh.cancelButton, "取消"},
      {zh.startStatus, "檔案下載中.."},
      {zh.endStatus, "完成檔案下載"},
      {zh.failedStatus, "檔案下載失敗"},
      {zh.failedMessage, "檔案下載失敗，請檢查網路連線後再試一次。"},
      {zh.notAsPublishedMessage, "下載的檔案與原廠發佈的不符，已將其刪除，沒有安裝任何韌體。"},
      {zh.replaceQuestionTail, " 已經存在。\n要取代它嗎?"},
      {zh.folderRefusedMessage, "無法在這個資料夾儲存檔案。\n\n請選擇其他位置。"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.utf8);
    EXPECT_EQ(std::string(row.stored), Utf8ToCp950(row.utf8));
  }
}

TEST(DownloadTexts, EveryOtherLanguageIsEnglish) {
  // Only the Taiwan identifier chooses Chinese: the mainland and Hong Kong
  // ones get English.
  for (std::uint16_t id : {1033, 2052, 3076, 0}) {
    const DownloadTexts& en = DownloadTextsFor(LanguageOf(id));
    EXPECT_STREQ(en.windowTitle, "Download File");
    EXPECT_STREQ(en.saveButton, "Save File");
    EXPECT_STREQ(en.cancelButton, "Cancel");
    EXPECT_STREQ(en.startStatus, "Downloading the file..");
    EXPECT_STREQ(en.endStatus, "End of downloading the file");
  }
}

}  // namespace
