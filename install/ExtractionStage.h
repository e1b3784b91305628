// Where an extraction keeps its files until every member has passed its
// checks: a scratch folder beside the target folder. Commit moves the files
// into the target, or into a new folder when the target holds files of other
// names; whatever is left of the scratch folder goes with the stage, so a
// failed extraction leaves the target as it was.
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
  // `relative` receives the file's path inside the folder Commit fills.
  std::string AddFile(const std::string& name, std::string& relative);

  // Moves the staged tree, as a whole, into place: to the target when it
  // does not exist; in place of the target when it holds nothing but files
  // of the staged names and their folders (an earlier extraction), whose
  // files are then replaced; otherwise to a new folder beside it, the
  // target's name with "-2", "-3", ..., the first that does not exist, so
  // that no file the archive did not carry lies beside the unpacked ones.
  // False when no move succeeded; the target is then as it was.
  bool Commit();

  // After a Commit: the folder that holds the files, without a final separator.
  const std::string& Folder() const { return folder_; }

 private:
  // A target file of a staged name, and where Commit moved it aside.
  struct Placed {
    std::string target;
    std::string replaced;
  };

  // Moves the target's files of the staged names aside and removes its
  // folders; true when the target itself could be removed, so that it held
  // nothing else. Otherwise puts everything back and returns false.
  bool EmptyTarget();
  void RestoreTarget();
  bool MoveTreeTo(const std::string& folder);

  std::string target_;   // the target folder, without its final separator
  std::string root_;     // the scratch folder
  std::string newRoot_;  // in it, the files as the target will hold them
  std::string oldRoot_;  // in it, the files a commit replaces
  std::vector<std::string> files_;          // staged files, relative to newRoot_
  std::vector<std::string> stageFolders_;    // folders made in newRoot_, in order
  std::vector<std::string> removedFolders_;  // target folders EmptyTarget removed, in order
  std::vector<Placed> placed_;
  std::string folder_;
};

}  // namespace install
