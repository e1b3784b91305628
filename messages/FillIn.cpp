#include "messages/FillIn.h"

namespace messages {

std::string FillIn(const std::string& text, const std::vector<std::string>& arguments) {
  std::string filled;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
      const std::size_t number = static_cast<std::size_t>(text[i + 1] - '1');
      if (number < arguments.size()) filled += arguments[number];
      ++i;
    } else {
      filled += text[i];
    }
  }
  return filled;
}

}  // namespace messages
