// Filling in the arguments of a text of either language.
#pragma once

#include <string>
#include <vector>

namespace messages {

// `text` with each of %1 to %9 replaced by the argument of that number (one
// not given: nothing). A code page 950 trail byte is never '%' (0x25), so a
// '%' in a Chinese text is always the start of a placeholder.
std::string FillIn(const std::string& text, const std::vector<std::string>& arguments);

}  // namespace messages
