#include "Cp950.h"

#include <windows.h>

std::string Utf8ToCp950(const std::string& utf8) {
  const int wide = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), wide);
  const int narrow = WideCharToMultiByte(950, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(narrow), '\0');
  WideCharToMultiByte(950, 0, text.data(), wide, out.data(), narrow, nullptr, nullptr);
  return out;
}
