// The wizard's texts: its buttons, list columns and questions, and the
// words of the skin's pictures. The Chinese texts are code page 950 bytes,
// with the characters in the comment beside them. wizard/PageRules picks
// them by page and language.
#pragma once

namespace messages {

// Texts of the wizard's buttons, list columns and questions. The Chinese texts
// are code page 950 bytes, with the characters in the comment beside them.
namespace wizard_text {
inline constexpr const char* kBackEnglish = "<<BACK";
inline constexpr const char* kNextEnglish = "NEXT>>";
inline constexpr const char* kCancelEnglish = "CANCEL";
inline constexpr const char* kOkEnglish = "OK";
inline constexpr const char* kBackChinese = "<<\xA4W\xA4@\xA8" "B";                 // <<上一步
inline constexpr const char* kNextChinese = "\xA4U\xA4@\xA8" "B>>";                 // 下一步>>
inline constexpr const char* kCancelChinese = "\xA8\xFA\xAE\xF8";                   // 取消
inline constexpr const char* kOkChinese = "\xBDT\xA9w";                            // 確定
inline constexpr const char* kLookingForDrivesEnglish = "Looking for the optical drives. Please wait...";
// 正在尋找光碟機，請稍候…
inline constexpr const char* kLookingForDrivesChinese =
    "\xA5\xBF\xA6\x62\xB4\x4D\xA7\xE4\xA5\xFA\xBA\xD0\xBE\xF7\xA1\x41\xBD\xD0\xB5\x79\xAD\xD4\xA1\x4B";

inline constexpr const char* kDeviceNameEnglish = "Device Name";
inline constexpr const char* kRevisionEnglish = "Version";
inline constexpr const char* kDeviceNameChinese = "\xBA\xD0\xBE\xF7\xAB\xAC\xB8\xB9";  // 碟機型號
inline constexpr const char* kRevisionChinese =
    "\xA5\xD8\xAB" "e\xB6\xB4\xC5\xE9\xAA\xA9\xA5\xBB";                      // 目前韌體版本

inline constexpr const char* kFileNameEnglish = "File Name";
inline constexpr const char* kVersionEnglish = "Version";
inline constexpr const char* kDateEnglish = "Date(YYMMDD)";
inline constexpr const char* kFileNameChinese = "\xC0\xC9\xAE\xD7\xA6W\xBA\xD9";    // 檔案名稱
inline constexpr const char* kVersionChinese = "\xAA\xA9\xA5\xBB";                  // 版本
inline constexpr const char* kDateChinese = "\xA4\xE9\xB4\xC1(\xA6~\xA4\xEB\xA4\xE9)";  // 日期(年月日)

inline constexpr const char* kDeviceQuestionEnglishHead =
    "Do  you  want to  update  the  new  firmware  of  the  VORN\n\n";
inline constexpr const char* kDeviceQuestionEnglishTail = " device?";
inline constexpr const char* kDeviceQuestionChineseHead =
    "\xAC" "O\xA7_\xAD" "n\xA7\xF3\xB7s VORN ";                               // 是否要更新 VORN
inline constexpr const char* kDeviceQuestionChineseTail =
    " \xA5\xFA\xBA\xD0\xBE\xF7\xA4\xA7\xB6\xB4\xC5\xE9?";                     // 光碟機之韌體?
inline constexpr const char* kUpdateNowEnglish =
    "Selected file has been saved completely.\n\nDo you want to update now?";
inline constexpr const char* kUpdateNowChinese =
    "\xB7s\xB6\xB4\xC5\xE9\xA4w\xA4U\xB8\xFC\xA6\xA8\xA5\\\xA1" "A"
    "\xAC" "O\xA7_\xA5\xDF\xA7Y\xA7\xF3\xB7s?";                               // 新韌體已下載成功，是否立即更新?
inline constexpr const char* kUnverifiedEnglish =
    "The firmware list could not be verified.\n\nIt may have been changed on its way, so it "
    "was not used.";
// 無法驗證韌體清單，清單可能在傳送途中遭到更改，因此未採用。
inline constexpr const char* kUnverifiedChinese =
    "\xB5\x4C\xAA\x6B\xC5\xE7\xC3\xD2\xB6\xB4\xC5\xE9\xB2\x4D\xB3\xE6\xA1\x41\xB2\x4D\xB3\xE6\xA5\x69"
    "\xAF\xE0\xA6\x62\xB6\xC7\xB0\x65\xB3\x7E\xA4\xA4\xBE\x44\xA8\xEC\xA7\xF3\xA7\xEF\xA1\x41\xA6\x5D"
    "\xA6\xB9\xA5\xBC\xB1\xC4\xA5\xCE\xA1\x43";
inline constexpr const char* kReplayedEnglish =
    "The firmware list is older than one already seen.\n\nAn old list may have been sent in "
    "place of the current one, so it was not used.";
// 此韌體清單比先前已見過的清單舊。\n\n可能有人以舊清單取代新清單，因此未採用。
inline constexpr const char* kReplayedChinese =
    "\xA6\xB9\xB6\xB4\xC5\xE9\xB2\x4D\xB3\xE6\xA4\xF1\xA5\xFD\xAB\x65\xA4\x77\xA8\xA3\xB9\x4C"
    "\xAA\xBA\xB2\x4D\xB3\xE6\xC2\xC2\xA1\x43\n\n"
    "\xA5\x69\xAF\xE0\xA6\xB3\xA4\x48\xA5\x48\xC2\xC2\xB2\x4D\xB3\xE6\xA8\xFA\xA5\x4E\xB7\x73\xB2\x4D"
    "\xB3\xE6\xA1\x41\xA6\x5D\xA6\xB9\xA5\xBC\xB1\xC4\xA5\xCE\xA1\x43";
}  // namespace wizard_text

// The words of the skin's pictures, as drawn in them. "\x01" stands for the
// web address and "\x02" for the regional one.
namespace picture_words {
inline constexpr const char* kBanner = "VORN  Precision in every spin";
inline constexpr const char* kWelcome = "VORN  Precision in every spin\nOptical Storage";
inline constexpr const char* kSelectDriveEnglish =
    "Please select one device from the left list.";
inline constexpr const char* kChooseFirmwareEnglish =
    "Please choose a new firmware to update.\nWhen you click one firmware, you can get some "
    "descriptions of the firmware from the pop-up message, and you can decide to update or "
    "press NO button to cancel.";
inline constexpr const char* kNoConnectionEnglish =
    "Please update when you are on net, and press CANCEL to exit.";
inline constexpr const char* kCatalogueMissingEnglish =
    "We are sorry that now VORN is setting up the information of new firmware; or your "
    "network is unstable.\nPlease update later, and press OK to exit.";
inline constexpr const char* kNoNewFirmwareLastEnglish =
    "There is no new firmware for this device!\nPlease press CANCEL to exit.";
inline constexpr const char* kNoNewFirmwareOthersEnglish =
    "There is no new firmware for this device!\nPlease press NEXT to update another device "
    "or CANCEL to exit.";
inline constexpr const char* kNoDriveEnglish =
    "You have no VORN devices, if you would like to buy one, please browse " "\x01"
    ".\nPlease press CANCEL to exit, thank you.";
// 請從左方列表選擇一光碟機。
inline constexpr const char* kSelectDriveChinese =
    "\xBD\xD0\xB1q\xA5\xAA\xA4\xE8\xA6" "C\xAA\xED\xBF\xEF\xBE\xDC\xA4@\xA5\xFA\xBA\xD0\xBE\xF7\xA1" "C";
// 請從左方列表選擇一韌體版本以更新。 / 當選擇一版本時，可知道該韌體所新增之功能，並可選擇繼續更新或取消。
inline constexpr const char* kChooseFirmwareChinese =
    "\xBD\xD0\xB1q\xA5\xAA\xA4\xE8\xA6" "C\xAA\xED\xBF\xEF\xBE\xDC\xA4@\xB6\xB4\xC5\xE9\xAA\xA9\xA5"
    "\xBB\xA5H\xA7\xF3\xB7s\xA1" "C\n\xB7\xED\xBF\xEF\xBE\xDC\xA4@\xAA\xA9\xA5\xBB\xAE\xC9\xA1" "A"
    "\xA5i\xAA\xBE\xB9" "D\xB8\xD3\xB6\xB4\xC5\xE9\xA9\xD2\xB7s\xBCW\xA4\xA7\xA5\\\xAF\xE0\xA1" "A"
    "\xA8\xC3\xA5i\xBF\xEF\xBE\xDC\xC4~\xC4\xF2\xA7\xF3\xB7s\xA9\xCE\xA8\xFA\xAE\xF8\xA1" "C";
// 您尚未建立連線，無法取得韌體資訊。 / 請按取消鍵離開。
inline constexpr const char* kNoConnectionChinese =
    "\xB1z\xA9|\xA5\xBC\xAB\xD8\xA5\xDF\xB3s\xBDu\xA1" "A\xB5L\xAAk\xA8\xFA\xB1o\xB6\xB4\xC5\xE9\xB8"
    "\xEA\xB0T\xA1" "C\n\xBD\xD0\xAB\xF6\xA8\xFA\xAE\xF8\xC1\xE4\xC2\xF7\xB6}\xA1" "C";
// 很抱歉！VORN正在建立新的韌體資料；或是您的網路不穩定，無法下載韌體更新資料。 / 請稍後進行更新，謝謝。
inline constexpr const char* kCatalogueMissingChinese =
    "\xAB\xDC\xA9\xEA\xBAp\xA1IVORN\xA5\xBF\xA6" "b\xAB\xD8\xA5\xDF\xB7s\xAA\xBA\xB6\xB4\xC5\xE9\xB8"
    "\xEA\xAE\xC6\xA1" "F\xA9\xCE\xACO\xB1z\xAA\xBA\xBA\xF4\xB8\xF4\xA4\xA3\xC3\xAD\xA9w\xA1" "A\xB5"
    "L\xAAk\xA4U\xB8\xFC\xB6\xB4\xC5\xE9\xA7\xF3\xB7s\xB8\xEA\xAE\xC6\xA1" "C\n\xBD\xD0\xB5y\xAB\xE1"
    "\xB6i\xA6\xE6\xA7\xF3\xB7s\xA1" "A\xC1\xC2\xC1\xC2\xA1" "C";
// 此碟機不需更新韌體！ / 請按[取消]離開。
inline constexpr const char* kNoNewFirmwareLastChinese =
    "\xA6\xB9\xBA\xD0\xBE\xF7\xA4\xA3\xBB\xDD\xA7\xF3\xB7s\xB6\xB4\xC5\xE9\xA1I\n\xBD\xD0\xAB\xF6["
    "\xA8\xFA\xAE\xF8]\xC2\xF7\xB6}\xA1" "C";
// 此碟機不需更新韌體！ / 請按[下一步]更新其他碟機之韌體或按[取消] 離開。
inline constexpr const char* kNoNewFirmwareOthersChinese =
    "\xA6\xB9\xBA\xD0\xBE\xF7\xA4\xA3\xBB\xDD\xA7\xF3\xB7s\xB6\xB4\xC5\xE9\xA1I\n\xBD\xD0\xAB\xF6["
    "\xA4U\xA4@\xA8" "B]\xA7\xF3\xB7s\xA8\xE4\xA5L\xBA\xD0\xBE\xF7\xA4\xA7\xB6\xB4\xC5\xE9\xA9\xCE"
    "\xAB\xF6[\xA8\xFA\xAE\xF8] \xC2\xF7\xB6}\xA1" "C";
// 您沒有VORN光碟機，請連線至 <regional address> 瀏覽VORN光碟機資訊，謝謝您的支持 / 請按取消鍵離開。
inline constexpr const char* kNoDriveChinese =
    "\xB1z\xA8S\xA6\xB3VORN\xA5\xFA\xBA\xD0\xBE\xF7\xA1" "A\xBD\xD0\xB3s\xBDu\xA6\xDC " "\x02" " "
    "\xC2s\xC4\xFDVORN\xA5\xFA\xBA\xD0\xBE\xF7\xB8\xEA\xB0T\xA1" "A\xC1\xC2\xC1\xC2\xB1z\xAA\xBA\xA4"
    "\xE4\xAB\xF9\n\xBD\xD0\xAB\xF6\xA8\xFA\xAE\xF8\xC1\xE4\xC2\xF7\xB6}\xA1" "C";
}  // namespace picture_words

}  // namespace messages
