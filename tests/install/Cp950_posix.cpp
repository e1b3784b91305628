#include "Cp950.h"

#include <iconv.h>

#include <stdexcept>
#include <vector>

std::string Utf8ToCp950(const std::string& utf8) {
  iconv_t converter = iconv_open("CP950", "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no CP950 converter");
  std::string in = utf8;
  std::vector<char> out(in.size() * 2 + 16);
  char* inPtr = in.data();
  std::size_t inLeft = in.size();
  char* outPtr = out.data();
  std::size_t outLeft = out.size();
  const std::size_t result = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(converter);
  if (result == static_cast<std::size_t>(-1)) throw std::runtime_error("text not in CP950");
  return std::string(out.data(), out.size() - outLeft);
}
