#include "messages/DownloadTexts.h"
#include "catalogue/TransferMeter.h"

#include "tests/install/Cp950.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using messages::DownloadTexts;
using messages::DownloadTextsFor;

using catalogue::BarPosition;
using catalogue::TransferFigures;

using framework::Language;

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
      {zh.alreadyThereMessage, "這個檔案已經在選擇的位置，且與原廠發佈的相同。\n\n不再重新下載。"},
      {zh.progressAmount, "已下載 %1，共 %2"},
      {zh.progressAmountOnly, "已下載 %1"},
      {zh.progressRate, "，每秒 %1"},
      {zh.progressSecondsLeft, "，約剩 %1 秒"},
      {zh.progressMinutesLeft, "，約剩 %1 分鐘"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.utf8);
    EXPECT_EQ(std::string(row.stored), Utf8ToCp950(row.utf8));
  }
}

// The line under the bar: the amount out of the whole, the rate and the time
// left once a second of samples gave a rate, whole minutes from two on.
TEST(DownloadTexts, ProgressLineSaysTheAmountTheRateAndTheTimeLeft) {
  const auto figures = [](std::uint64_t bytes, std::uint64_t total, std::uint64_t rate, std::uint32_t left,
                          bool known = false) {
    TransferFigures f;
    f.bytes = bytes;
    f.total = total;
    f.rateKnown = known || rate != 0;
    f.bytesPerSecond = rate;
    f.secondsLeft = left;
    return f;
  };
  const struct {
    Language language;
    TransferFigures figures;
    const char* line;
  } rows[] = {
      {Language::English, figures(1258291, 2097152, 46080, 18), "1.2 MB of 2.0 MB, 45 KB/s, about 18 s left"},
      {Language::English, figures(512, 409600, 0, 0), "1 KB of 400 KB"},
      {Language::English, figures(102400, 0, 20480, 0), "100 KB, 20 KB/s"},
      {Language::English, figures(1048576, 2097152, 5000, 210), "1.0 MB of 2.0 MB, 5 KB/s, about 4 min left"},
      {Language::English, figures(1048576, 2097152, 0, 0, true), "1.0 MB of 2.0 MB, 0 KB/s"},  // stalled
      {Language::English, figures(2097152, 2097152, 46080, 0), "2.0 MB of 2.0 MB, 45 KB/s, about 0 s left"},
      {Language::English, figures(1048576, 2097152, 5000, 119), "1.0 MB of 2.0 MB, 5 KB/s, about 119 s left"},
      {Language::English, figures(1048576, 2097152, 5000, 120), "1.0 MB of 2.0 MB, 5 KB/s, about 2 min left"},
      {Language::ChineseTaiwan, figures(1048576, 2097152, 5000, 120), "已下載 1.0 MB，共 2.0 MB，每秒 5 KB，約剩 2 分鐘"},
      {Language::ChineseTaiwan, figures(1258291, 2097152, 46080, 18), "已下載 1.2 MB，共 2.0 MB，每秒 45 KB，約剩 18 秒"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    const std::string expected = framework::IsChinese(row.language) ? Utf8ToCp950(row.line) : row.line;
    EXPECT_EQ(messages::ProgressLine(DownloadTextsFor(row.language), row.figures), expected);
  }
  // The rate over the last seconds, and the bar's place, which never passes
  // its end.
  catalogue::RateMeter meter;
  for (std::uint32_t ms = 0; ms <= 4000; ms += 250) meter.Add(ms, ms * 50);
  const TransferFigures measured = meter.Figures(400000);
  EXPECT_EQ(measured.bytesPerSecond, 50000u);
  EXPECT_EQ(measured.secondsLeft, 4u);
  EXPECT_EQ(BarPosition(200000, 400000, 500), 250);
  EXPECT_EQ(BarPosition(500000, 400000, 500), 500);
}

TEST(DownloadTexts, EveryOtherLanguageIsEnglish) {
  // Only the Taiwan identifier chooses Chinese: the mainland and Hong Kong
  // ones get English.
  for (std::uint16_t id : {1033, 2052, 3076, 0}) {
    const DownloadTexts& en = DownloadTextsFor(framework::LanguageOf(id));
    EXPECT_STREQ(en.windowTitle, "Download File");
    EXPECT_STREQ(en.saveButton, "Save File");
    EXPECT_STREQ(en.cancelButton, "Cancel");
    EXPECT_STREQ(en.startStatus, "Downloading the file..");
    EXPECT_STREQ(en.endStatus, "End of downloading the file");
  }
}

}  // namespace
