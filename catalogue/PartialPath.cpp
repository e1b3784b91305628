#include "catalogue/PartialPath.h"

#include "framework/File.h"
#include "framework/Platform.h"

namespace catalogue {

namespace {

// How many names are tried before the folder counts as unable to take one.
constexpr int kPartialNameTries = 1000;
constexpr std::size_t kSha256HexDigits = 64;

}  // namespace

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

}  // namespace catalogue
