// The language the program speaks to the user: decided once at start-up from
// the user's language identifier and handed to every window and text table
// that shows words.
#pragma once

#include <cstdint>

namespace framework {

// Traditional Chinese (Taiwan) texts and images, or English ones.
enum class Language { English, ChineseTaiwan };

// 1028 (0x0404, Chinese as used in Taiwan) selects Chinese; every other
// identifier, the other Chinese variants included, selects English.
inline constexpr std::uint16_t kLanguageIdChineseTaiwan = 0x0404;

constexpr Language LanguageOf(std::uint16_t languageId) {
  return languageId == kLanguageIdChineseTaiwan ? Language::ChineseTaiwan : Language::English;
}

constexpr bool IsChinese(Language language) { return language == Language::ChineseTaiwan; }

}  // namespace framework
