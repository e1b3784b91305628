// Every text the skinned controls (controls/) show. Chinese texts are code page 950
// (Big5) bytes, written as escapes with the characters beside them.
#pragma once

namespace messages {

namespace control_text {
// Message dialog buttons.
inline constexpr const char* kYesChinese = "\xAC\x4F";            // 是
inline constexpr const char* kNoChinese = "\xA7\x5F";             // 否
inline constexpr const char* kConfirmChinese = "\xBD\x54\xA9\x77";  // 確定
inline constexpr const char* kYesEnglish = "Yes";
inline constexpr const char* kNoEnglish = "No";
inline constexpr const char* kExitEnglish = "Exit";

// Link label failures (plain message boxes, caption kErrorCaption).
inline constexpr const char* kErrorCaption = "Error";
inline constexpr const char* kOpenFailed = "Failed to open URL";
inline constexpr const char* kMailFailed = "MAPI Failure.";
}  // namespace control_text

}  // namespace messages
