// Texts of the plain message boxes the catalogue retrieval shows. They are the
// same for every user language; the Chinese one is stored in code page 950.
#pragma once

inline constexpr const char kCannotCreateSessionText[] = "Cannot creat a session";

// 錯誤的網址 ("wrong web address")
inline constexpr const char kBadAddressText[] = "\xBF\xF9\xBB\x7E\xAA\xBA\xBA\xF4\xA7\x7D";
