// Sets the user's language for one test and restores the system's after it.
#pragma once

#include <cstdint>

#include "framework/Platform.h"

class ScopedLanguage {
 public:
  explicit ScopedLanguage(std::uint16_t id) { platform::OverrideUserLanguageId(id); }
  ~ScopedLanguage() { platform::OverrideUserLanguageId(0); }
  ScopedLanguage(const ScopedLanguage&) = delete;
  ScopedLanguage& operator=(const ScopedLanguage&) = delete;
};
