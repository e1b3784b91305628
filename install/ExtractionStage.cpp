#include "install/ExtractionStage.h"

#include "framework/File.h"
#include "framework/Platform.h"

namespace install {
namespace {

constexpr int kMaxStageNumber = 100;
const char kSeparator = framework::kPathSeparator;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

void RemoveAnyFile(const std::string& path) {
  framework::ClearReadOnly(path);
  platform::RemoveFile(path);
}

}  // namespace

ExtractionStage::ExtractionStage(const std::string& target) : target_(target.substr(0, target.size() - 1)) {
  for (int n = 1; n <= kMaxStageNumber && root_.empty(); ++n) {
    const std::string candidate = target_ + "~" + std::to_string(n);
    if (framework::CreateFolder(candidate)) root_ = candidate;
  }
  if (root_.empty()) throw CFileException(CFileException::accessDenied, 0, target_ + "~");
  newRoot_ = root_ + kSeparator + "new";
  oldRoot_ = root_ + kSeparator + "old";
  if (!framework::CreateFolder(newRoot_)) {
    framework::RemoveFolder(root_);
    throw CFileException(CFileException::accessDenied, 0, newRoot_);
  }
}

ExtractionStage::~ExtractionStage() {
  for (const std::string& file : files_) RemoveAnyFile(newRoot_ + kSeparator + file);
  for (const Placed& placed : placed_) {
    if (!placed.replaced.empty()) RemoveAnyFile(placed.replaced);
  }
  for (auto folder = stageFolders_.rbegin(); folder != stageFolders_.rend(); ++folder)
    framework::RemoveFolder(*folder);
  framework::RemoveFolder(oldRoot_);
  framework::RemoveFolder(newRoot_);
  framework::RemoveFolder(root_);
}

std::string ExtractionStage::AddFile(const std::string& name, std::string& targetPath) {
  // Each separator ends a folder segment; empty segments add nothing.
  std::string relative;
  std::size_t segmentStart = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (!IsSeparator(name[i])) continue;
    relative += name.substr(segmentStart, i - segmentStart);
    if (!relative.empty() && relative.back() != kSeparator) relative += kSeparator;
    const std::string folder = newRoot_ + kSeparator + relative;
    if (framework::CreateFolder(folder)) stageFolders_.push_back(folder);
    segmentStart = i + 1;
  }
  relative += name.substr(segmentStart);
  files_.push_back(relative);
  targetPath = target_ + kSeparator + relative;
  return newRoot_ + kSeparator + relative;
}

bool ExtractionStage::Commit() {
  if (files_.empty()) return true;
  // A target that does not exist yet receives the staged tree in one move.
  if (!platform::FileExists(target_)) {
    if (!framework::MoveToNewPath(newRoot_, target_)) return false;
    files_.clear();
    stageFolders_.clear();
    return true;
  }
  for (std::size_t i = 0; i < files_.size(); ++i) {
    if (!MoveIntoTarget(files_[i], i)) {
      RollBack();
      return false;
    }
  }
  return true;
}

bool ExtractionStage::MoveIntoTarget(const std::string& relative, std::size_t index) {
  const std::string staged = newRoot_ + kSeparator + relative;
  // Two entries of one name share a staged file, which the first moved.
  if (!platform::FileExists(staged)) return true;
  for (std::size_t i = 0; i < relative.size(); ++i) {
    if (relative[i] != kSeparator) continue;
    const std::string folder = target_ + kSeparator + relative.substr(0, i + 1);
    if (framework::CreateFolder(folder)) targetFolders_.push_back(folder);
  }
  Placed placed{target_ + kSeparator + relative, std::string()};
  if (platform::FileExists(placed.target)) {
    // A folder of that name is the user's: it is not replaced by a file.
    if (framework::IsFolder(placed.target)) return false;
    framework::CreateFolder(oldRoot_);
    placed.replaced = oldRoot_ + kSeparator + std::to_string(index);
    if (!framework::MoveToNewPath(placed.target, placed.replaced)) return false;
  }
  if (!framework::MoveToNewPath(staged, placed.target)) {
    if (!placed.replaced.empty()) framework::MoveToNewPath(placed.replaced, placed.target);
    return false;
  }
  placed_.push_back(placed);
  return true;
}

void ExtractionStage::RollBack() {
  for (auto placed = placed_.rbegin(); placed != placed_.rend(); ++placed) {
    RemoveAnyFile(placed->target);
    if (!placed->replaced.empty()) framework::MoveToNewPath(placed->replaced, placed->target);
  }
  placed_.clear();
  for (auto folder = targetFolders_.rbegin(); folder != targetFolders_.rend(); ++folder)
    framework::RemoveFolder(*folder);
  targetFolders_.clear();
}

}  // namespace install
