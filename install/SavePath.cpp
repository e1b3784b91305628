#include "install/SavePath.h"

#include "framework/File.h"
#include "framework/Platform.h"

namespace {

// How many names are tried before the folder counts as unable to take one.
constexpr int kPartialNameTries = 1000;
constexpr std::size_t kSha256HexDigits = 64;

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

std::string ReservePartialFile(const std::string& path) {
  const std::string folder = platform::FolderPart(path);
  for (int number = 1; number <= kPartialNameTries; ++number) {
    const std::string partial = folder + "~" + std::to_string(number);
    switch (platform::CreateNewFile(partial)) {
      case platform::NewFile::kCreated: return partial;
      case platform::NewFile::kExists: continue;
      case platform::NewFile::kFailed: return std::string();
    }
  }
  return std::string();
}

std::string KeptPartialPath(const std::string& folder, const std::string& listedSha256) {
  if (folder.empty() || listedSha256.size() != kSha256HexDigits) return std::string();
  std::string name;
  for (char c : listedSha256) {
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    if ((c < '0' || c > '9') && (c < 'a' || c > 'f')) return std::string();
    name += c;
  }
  const char last = folder.back();
  return folder + (last == '\\' || last == '/' ? "" : std::string(1, framework::kPathSeparator)) + name + ".part";
}
