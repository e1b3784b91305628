#include "messages/DownloadTexts.h"

#include "catalogue/TransferMeter.h"
#include "messages/FillIn.h"

namespace messages {

namespace {

const DownloadTexts kEnglish = {
    "Download File",
    "Save File",
    "Cancel",
    "Downloading the file..",
    "End of downloading the file",
    "Downloading the file failed",
    "The file could not be downloaded.\n\nPlease check the connection and try again.",
    "The file cannot be saved in this folder.\n\nPlease choose another place.",
    "The file did not arrive as the maker published it.\n\nIt has been deleted and nothing was installed.",
    " already exists.\nDo you want to replace it?",
    "The file is already in this place, as the maker published it.\n\nIt is not downloaded again.",
    "%1 of %2",
    "%1",
    ", %1/s",
    ", about %1 s left",
    ", about %1 min left",
};

const DownloadTexts kChinese = {
    // 下載檔案
    "\xA4\x55\xB8\xFC\xC0\xC9\xAE\xD7",
    // 儲存檔案
    "\xC0\x78\xA6\x73\xC0\xC9\xAE\xD7",
    // 取消
    "\xA8\xFA\xAE\xF8",
    // 檔案下載中..
    "\xC0\xC9\xAE\xD7\xA4\x55\xB8\xFC\xA4\xA4..",
    // 完成檔案下載
    "\xA7\xB9\xA6\xA8\xC0\xC9\xAE\xD7\xA4\x55\xB8\xFC",
    // 檔案下載失敗
    "\xC0\xC9\xAE\xD7\xA4\x55\xB8\xFC\xA5\xA2\xB1\xD1",
    // 檔案下載失敗，請檢查網路連線後再試一次。
    "\xC0\xC9\xAE\xD7\xA4\x55\xB8\xFC\xA5\xA2\xB1\xD1\xA1\x41\xBD\xD0\xC0\xCB\xAC\x64"
    "\xBA\xF4\xB8\xF4\xB3\x73\xBD\x75\xAB\xE1\xA6\x41\xB8\xD5\xA4\x40\xA6\xB8\xA1\x43",
    // 無法在這個資料夾儲存檔案。\n\n請選擇其他位置。
    "\xB5\x4C\xAA\x6B\xA6\x62\xB3\x6F\xAD\xD3\xB8\xEA\xAE\xC6\xA7\xA8\xC0\x78\xA6\x73\xC0\xC9\xAE\xD7\xA1\x43\n\n"
    "\xBD\xD0\xBF\xEF\xBE\xDC\xA8\xE4\xA5\x4C\xA6\xEC\xB8\x6D\xA1\x43",
    // 下載的檔案與原廠發佈的不符，已將其刪除，沒有安裝任何韌體。
    "\xA4\x55\xB8\xFC\xAA\xBA\xC0\xC9\xAE\xD7\xBB\x50\xAD\xEC\xBC\x74\xB5\x6F\xA7\x47\xAA\xBA\xA4\xA3"
    "\xB2\xC5\xA1\x41\xA4\x77\xB1\x4E\xA8\xE4\xA7\x52\xB0\xA3\xA1\x41\xA8\x53\xA6\xB3\xA6\x77\xB8\xCB"
    "\xA5\xF4\xA6\xF3\xB6\xB4\xC5\xE9\xA1\x43",
    // " 已經存在。\n要取代它嗎?"
    " \xA4\x77\xB8\x67\xA6\x73\xA6\x62\xA1\x43\n\xAD\x6E\xA8\xFA\xA5\x4E\xA5\xA6\xB6\xDC?",
    // 這個檔案已經在選擇的位置，且與原廠發佈的相同。\n\n不再重新下載。
    "\xB3\x6F\xAD\xD3\xC0\xC9\xAE\xD7\xA4\x77\xB8\x67\xA6\x62\xBF\xEF\xBE\xDC\xAA\xBA\xA6\xEC\xB8\x6D\xA1\x41"
    "\xA5\x42\xBB\x50\xAD\xEC\xBC\x74\xB5\x6F\xA7\x47\xAA\xBA\xAC\xDB\xA6\x50\xA1\x43\n\n"
    "\xA4\xA3\xA6\x41\xAD\xAB\xB7\x73\xA4\x55\xB8\xFC\xA1\x43",
    // 已下載 %1，共 %2
    "\xA4\x77\xA4\x55\xB8\xFC %1\xA1\x41\xA6\x40 %2",
    // 已下載 %1
    "\xA4\x77\xA4\x55\xB8\xFC %1",
    // ，每秒 %1
    "\xA1\x41\xA8\x43\xAC\xED %1",
    // ，約剩 %1 秒
    "\xA1\x41\xAC\xF9\xB3\xD1 %1 \xAC\xED",
    // ，約剩 %1 分鐘
    "\xA1\x41\xAC\xF9\xB3\xD1 %1 \xA4\xC0\xC4\xC1",
};

}  // namespace

const DownloadTexts& DownloadTextsFor(framework::Language language) {
  return framework::IsChinese(language) ? kChinese : kEnglish;
}

std::string AmountText(std::uint64_t bytes) {
  constexpr std::uint64_t kKilo = 1024, kMega = 1024 * 1024;
  if (bytes < kMega) return std::to_string((bytes + kKilo / 2) / kKilo) + " KB";
  const std::uint64_t tenths = (bytes * 10 + kMega / 2) / kMega;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MB";
}

std::string ProgressLine(const DownloadTexts& texts, const catalogue::TransferFigures& figures) {
  std::string line = figures.total > 0
                         ? messages::FillIn(texts.progressAmount,
                                            {AmountText(figures.bytes), AmountText(figures.total)})
                         : messages::FillIn(texts.progressAmountOnly, {AmountText(figures.bytes)});
  if (!figures.rateKnown) return line;
  line += messages::FillIn(texts.progressRate, {AmountText(figures.bytesPerSecond)});
  // Nothing arriving: no time left can be told. A whole file has 0 s left.
  if (figures.total == 0 || (figures.bytes < figures.total && figures.bytesPerSecond == 0)) return line;
  // Whole minutes from two minutes on; seconds below.
  if (figures.secondsLeft >= 120) {
    return line + messages::FillIn(texts.progressMinutesLeft, {std::to_string((figures.secondsLeft + 30) / 60)});
  }
  return line + messages::FillIn(texts.progressSecondsLeft, {std::to_string(figures.secondsLeft)});
}

}  // namespace messages
