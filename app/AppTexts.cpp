#include "app/AppTexts.h"

namespace app {
namespace {

const AppTexts kEnglish = {
    "The firmware update program is running.\n\nDo not turn off the computer until it has finished.",
    "%1 now runs firmware %2.",
    "%1 still reports firmware %3: the update to %2 did not\ntake effect. Run the update again; if it fails again,\nplease contact Vornhal.",
    "%1 at %4 was not found or does not answer.\nRestart the computer, then start this program again\nto check the update.",
    "The update started on %5 has been checked:",
};

const AppTexts kChinese = {
    // 韌體更新程式執行中。\n\n在它結束之前，請勿關閉電腦。
    "\xB6\xB4\xC5\xE9\xA7\xF3\xB7\x73\xB5\x7B\xA6\xA1\xB0\xF5\xA6\xE6\xA4\xA4\xA1\x43\n\n\xA6\x62\xA5\xA6\xB5\xB2"
    "\xA7\xF4\xA4\xA7\xAB\x65\xA1\x41\xBD\xD0\xA4\xC5\xC3\xF6\xB3\xAC\xB9\x71\xB8\xA3\xA1\x43",
    // %1 現在執行的韌體版本為 %2。
    "%1 \xB2\x7B\xA6\x62\xB0\xF5\xA6\xE6\xAA\xBA\xB6\xB4\xC5\xE9\xAA\xA9\xA5\xBB\xAC\xB0 %2\xA1\x43",
    // %1 仍回報韌體版本 %3，更新至 %2 沒有生效。\n請再執行一次更新；若仍失敗，請與VORN客服人員接洽。
    "%1 \xA4\xB4\xA6\x5E\xB3\xF8\xB6\xB4\xC5\xE9\xAA\xA9\xA5\xBB %3\xA1\x41\xA7\xF3\xB7\x73\xA6\xDC %2 \xA8\x53"
    "\xA6\xB3\xA5\xCD\xAE\xC4\xA1\x43\n\xBD\xD0\xA6\x41\xB0\xF5\xA6\xE6\xA4\x40\xA6\xB8\xA7\xF3\xB7\x73\xA1\x46"
    "\xAD\x59\xA4\xB4\xA5\xA2\xB1\xD1\xA1\x41\xBD\xD0\xBB\x50VORN\xAB\xC8\xAA\x41\xA4\x48\xAD\xFB\xB1\xB5\xAC\xA2"
    "\xA1\x43",
    // 找不到位於 %4 的 %1，或它沒有回應。\n請重新啟動電腦，再執行本程式以確認更新結果。
    "\xA7\xE4\xA4\xA3\xA8\xEC\xA6\xEC\xA9\xF3 %4 \xAA\xBA %1\xA1\x41\xA9\xCE\xA5\xA6\xA8\x53\xA6\xB3\xA6\x5E\xC0"
    "\xB3\xA1\x43\n\xBD\xD0\xAD\xAB\xB7\x73\xB1\xD2\xB0\xCA\xB9\x71\xB8\xA3\xA1\x41\xA6\x41\xB0\xF5\xA6\xE6\xA5"
    "\xBB\xB5\x7B\xA6\xA1\xA5\x48\xBD\x54\xBB\x7B\xA7\xF3\xB7\x73\xB5\xB2\xAA\x47\xA1\x43",
    // 於 %5 開始的更新已檢查完畢：
    "\xA9\xF3 %5 \xB6\x7D\xA9\x6C\xAA\xBA\xA7\xF3\xB7\x73\xA4\x77\xC0\xCB\xAC\x64\xA7\xB9\xB2\xA6\xA1\x47",
};

}  // namespace

const AppTexts& AppTextsFor(Language language) { return IsChinese(language) ? kChinese : kEnglish; }

std::string FillIn(const std::string& text, const std::string (&arguments)[5]) {
  std::string filled;
  for (std::size_t i = 0; i < text.size(); ++i) {
    // A code page 950 trail byte is never '%' (0x25), so a '%' is always ours.
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '5') {
      filled += arguments[text[i + 1] - '1'];
      ++i;
    } else {
      filled += text[i];
    }
  }
  return filled;
}

}  // namespace app
