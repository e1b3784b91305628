#include "catalogue/Source.h"

#include <cstring>

namespace catalogue {

std::string SourceRelativePath(const std::string& path) {
  std::string relative = path;
  while (!relative.empty() && relative.front() == '/') relative.erase(0, 1);
  const std::size_t folder = std::strlen(kCatalogueFolder);
  if (relative.compare(0, folder, kCatalogueFolder) == 0) relative.erase(0, folder);
  return relative;
}

}  // namespace catalogue
