// The parts of Platform.h built on the others, the same on every system.
#include "framework/Platform.h"

#include "framework/File.h"
#include "framework/FileReplace.h"

namespace platform {

bool ReadWholeFile(const std::string& path, std::string& bytes, std::size_t limit) {
  bytes.clear();
  InputFile* file = OpenInputFile(path);
  if (file == nullptr) return false;
  char chunk[64 * 1024];
  for (std::size_t n; bytes.size() <= limit && (n = ReadInputFile(file, chunk, sizeof chunk)) > 0;) {
    bytes.append(chunk, n);
  }
  CloseInputFile(file);
  return true;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  try {
    CFile file;
    if (!file.Open(path, CFile::modeCreate | CFile::modeWrite)) return false;
    file.Write(bytes.data(), static_cast<unsigned>(bytes.size()));
    file.Close();
    return true;
  } catch (const CFileException&) {
    return false;
  }
}

bool ReplaceWholeFile(const std::string& path, const std::string& bytes) {
  const std::string fresh = path + "." + std::to_string(ProcessId()) + ".new";
  if (WriteWholeFile(fresh, bytes) && framework::MoveIntoPlace(fresh, path)) return true;
  RemoveFile(fresh);
  return false;
}

std::string FolderPart(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NamePart(const std::string& path) { return path.substr(FolderPart(path).size()); }

}  // namespace platform
