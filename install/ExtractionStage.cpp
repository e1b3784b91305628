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
  // The files a commit replaced.
  for (const Placed& placed : placed_) RemoveAnyFile(placed.replaced);
  for (auto folder = stageFolders_.rbegin(); folder != stageFolders_.rend(); ++folder)
    framework::RemoveFolder(*folder);
  framework::RemoveFolder(oldRoot_);
  framework::RemoveFolder(newRoot_);
  framework::RemoveFolder(root_);
}

std::string ExtractionStage::AddFile(const std::string& name, std::string& relative) {
  // Each separator ends a folder segment; empty segments add nothing.
  relative.clear();
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
  return newRoot_ + kSeparator + relative;
}

bool ExtractionStage::MoveTreeTo(const std::string& folder) {
  // MoveToNewPath never replaces: a folder made there meanwhile is left alone.
  if (!framework::MoveToNewPath(newRoot_, folder)) return false;
  folder_ = folder;
  files_.clear();
  stageFolders_.clear();
  return true;
}

bool ExtractionStage::Commit() {
  if (files_.empty()) {
    folder_ = target_;
    return true;
  }
  if (!platform::FileExists(target_) && MoveTreeTo(target_)) return true;
  if (framework::IsFolder(target_) && EmptyTarget()) {
    if (MoveTreeTo(target_)) return true;
    RestoreTarget();
  }
  for (int n = 2; n <= kMaxStageNumber; ++n) {
    const std::string candidate = target_ + "-" + std::to_string(n);
    if (!platform::FileExists(candidate) && MoveTreeTo(candidate)) return true;
  }
  return false;
}

bool ExtractionStage::EmptyTarget() {
  for (std::size_t i = 0; i < files_.size(); ++i) {
    Placed placed{target_ + kSeparator + files_[i], std::string()};
    // A folder of a staged file's name stays, and keeps the target.
    if (!platform::FileExists(placed.target) || framework::IsFolder(placed.target)) continue;
    framework::CreateFolder(oldRoot_);
    placed.replaced = oldRoot_ + kSeparator + std::to_string(i);
    if (!framework::MoveToNewPath(placed.target, placed.replaced)) {
      RestoreTarget();
      return false;
    }
    placed_.push_back(placed);
  }
  // Children were staged after their parents: the reverse order empties
  // each folder before its parent.
  for (auto folder = stageFolders_.rbegin(); folder != stageFolders_.rend(); ++folder) {
    const std::string inTarget = target_ + kSeparator + folder->substr(newRoot_.size() + 1);
    if (framework::RemoveFolder(inTarget)) removedFolders_.push_back(inTarget);
  }
  if (framework::RemoveFolder(target_)) {
    removedFolders_.push_back(target_);
    return true;
  }
  RestoreTarget();
  return false;
}

void ExtractionStage::RestoreTarget() {
  for (auto folder = removedFolders_.rbegin(); folder != removedFolders_.rend(); ++folder)
    framework::CreateFolder(*folder);
  removedFolders_.clear();
  for (auto placed = placed_.rbegin(); placed != placed_.rend(); ++placed)
    framework::MoveToNewPath(placed->replaced, placed->target);
  placed_.clear();
}

}  // namespace install
