// The installer's failure messages, in English and in Chinese (code page 950).
#pragma once

#include <cstdint>
#include <string>

namespace install {

// The message for result code 501, 502 or 503 in the language `languageId`
// selects (1028: Chinese, anything else: English); empty for other codes.
std::string InstallMessageText(int code, std::uint16_t languageId);

}  // namespace install
