// Where an extraction keeps its files until every member has passed its
// checks: a scratch folder beside the target folder. Commit moves the files
// into the target; whatever is left of the scratch folder goes with the
// stage, so a failed extraction leaves the target as it was.
#pragma once

#include <string>
#include <vector>

namespace install {

class ExtractionStage {
 public:
  // `target` is the target folder's path, ending with a separator. Makes the
  // scratch folder beside it: the target's name with "~1", "~2", ..., the
  // first that does not exist yet. Throws CFileException when none can be made.
  explicit ExtractionStage(const std::string& target);
  // Removes what is left of the scratch folder: the staged files of a failed
  // extraction, or the files a commit replaced.
  ~ExtractionStage();
  ExtractionStage(const ExtractionStage&) = delete;
  ExtractionStage& operator=(const ExtractionStage&) = delete;

  // Makes the folders of the entry `name` (segments split at either
  // separator) in the stage and returns the path to write its file to;
  // `targetPath` receives where that file will be after Commit.
  std::string AddFile(const std::string& name, std::string& targetPath);

  // Moves every staged file into the target, making its folders and
  // replacing files of the same name. False when that fails; the target is
  // then put back as it was.
  bool Commit();

 private:
  // A file Commit moved into the target, and where the file it replaced went.
  struct Placed {
    std::string target;
    std::string replaced;  // empty when there was none
  };

  bool MoveIntoTarget(const std::string& relative, std::size_t index);
  void RollBack();

  std::string target_;   // the target folder, without its final separator
  std::string root_;     // the scratch folder
  std::string newRoot_;  // in it, the files as the target will hold them
  std::string oldRoot_;  // in it, the files a commit replaces
  std::vector<std::string> files_;          // staged files, relative to newRoot_
  std::vector<std::string> stageFolders_;   // folders made in newRoot_, in order
  std::vector<std::string> targetFolders_;  // folders a commit made in the target, in order
  std::vector<Placed> placed_;
};

}  // namespace install
