#include "install/InstallTexts.h"

namespace install {
namespace {

constexpr std::uint16_t kChineseTaiwan = 1028;

struct MessageText {
  int code;
  const char* english;
  const char* chinese;  // code page 950 bytes
};

// The irregular spaces of the English texts are part of them.
const MessageText kMessages[] = {
    {501,
     "We are sorry   that  there is an error during  unzipping the"
     "\n\ndownloaded  zipped  file,  please unzip it by yourself  and"
     "\n\nexecute the *.exe file.",
     // 很抱歉解壓縮失敗，無法自動更新韌體，煩請自行解壓縮後，
     // \n\n執行 *.exe 檔案。
     "\xAB\xDC\xA9\xEA\xBA\x70\xB8\xD1\xC0\xA3\xC1\x59\xA5\xA2\xB1\xD1\xA1\x41\xB5\x4C\xAA\x6B\xA6\xDB"
     "\xB0\xCA\xA7\xF3\xB7\x73\xB6\xB4\xC5\xE9\xA1\x41\xB7\xD0\xBD\xD0\xA6\xDB\xA6\xE6\xB8\xD1\xC0\xA3"
     "\xC1\x59\xAB\xE1\xA1\x41"
     "\n\n\xB0\xF5\xA6\xE6\x20\x2A\x2E\x65\x78\x65\x20\xC0\xC9\xAE\xD7\xA1\x43"},
    {502,
     "We are sorry  that there is an  error  during  executing  the"
     "\n\nfirmware updated program, please contact Vornhal, We'll solve"
     "\n\nthe problem as soon as possible!",
     // 很抱歉無法自動更新韌體，請與VORN客服人員接洽。
     "\xAB\xDC\xA9\xEA\xBA\x70\xB5\x4C\xAA\x6B\xA6\xDB\xB0\xCA\xA7\xF3\xB7\x73\xB6\xB4\xC5\xE9\xA1\x41"
     "\xBD\xD0\xBB\x50\x56\x4F\x52\x4E\xAB\xC8\xAA\x41\xA4\x48\xAD\xFB\xB1\xB5\xAC\xA2\xA1\x43"},
    {503,
     "We are sorry that there is no executable file,please contact"
     "\n\nVornhal, we'll solve the problem as soon as possible!",
     // 很抱歉無法取得更新韌體執行檔，請與VORN客服人員接洽。
     "\xAB\xDC\xA9\xEA\xBA\x70\xB5\x4C\xAA\x6B\xA8\xFA\xB1\x6F\xA7\xF3\xB7\x73\xB6\xB4\xC5\xE9\xB0\xF5"
     "\xA6\xE6\xC0\xC9\xA1\x41\xBD\xD0\xBB\x50\x56\x4F\x52\x4E\xAB\xC8\xAA\x41\xA4\x48\xAD\xFB\xB1\xB5"
     "\xAC\xA2\xA1\x43"},
};

}  // namespace

std::string InstallMessageText(int code, std::uint16_t languageId) {
  for (const MessageText& m : kMessages) {
    if (m.code == code) return languageId == kChineseTaiwan ? m.chinese : m.english;
  }
  return std::string();
}

}  // namespace install
