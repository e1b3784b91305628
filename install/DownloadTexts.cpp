#include "install/DownloadTexts.h"

namespace {

const DownloadTexts kEnglish = {
    "Download File",
    "Save File",
    "Cancel",
    "Downloading the file..",
    "End of downloading the file",
    "Downloading the file failed",
    "The file could not be downloaded.\n\nPlease check the connection and try again.",
    " already exists.\nDo you want to replace it?",
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
    // " 已經存在。\n要取代它嗎?"
    " \xA4\x77\xB8\x67\xA6\x73\xA6\x62\xA1\x43\n\xAD\x6E\xA8\xFA\xA5\x4E\xA5\xA6\xB6\xDC?",
};

}  // namespace

const DownloadTexts& DownloadTextsFor(std::uint16_t languageId) {
  return languageId == 1028 ? kChinese : kEnglish;
}
