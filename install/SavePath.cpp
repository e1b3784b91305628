#include "install/SavePath.h"

namespace install {

namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

void AdjustSavePath(const std::string& defaultExt, const std::string& chosenExt,
                    const std::string& chosenPath, std::string* pathOut) {
  *pathOut = chosenPath;
  // Byte comparison: equal multi-byte texts are equal byte strings, and case
  // counts.
  if (chosenExt == defaultExt || defaultExt.empty()) return;
  // Cut exactly the chosen extension (a byte count, so double-byte names cut
  // right too), keeping its dot.
  if (!chosenExt.empty() && EndsWith(chosenPath, "." + chosenExt)) {
    pathOut->resize(chosenPath.size() - chosenExt.size());
  } else if (chosenPath.empty() || chosenPath.back() != '.') {
    pathOut->push_back('.');
  }
  pathOut->append(defaultExt);
}

}  // namespace install
