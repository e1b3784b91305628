// The wizard's voice for the update engine: the download window, the
// "update now?" question, the waiting window while a flasher runs, the held
// question and the message dialog, in the user's language.
#pragma once

#include <string>
#include <vector>

#include "framework/Language.h"
#include "update/UpdateEngine.h"

namespace catalogue {
class CatalogueFetcher;
}

namespace wizard {

class WindowVoice : public update::UpdateVoice {
 public:
  explicit WindowVoice(framework::Language language) : language_(language) {}

  // The wizard's fetcher, not owned, whose connection the download window
  // borrows; set once the wizard exists.
  catalogue::CatalogueFetcher* fetcher = nullptr;
  // The work folder, where downloads keep what they fetched of a file for a
  // later try (DownloadDialog::partialFolder); empty: none.
  std::string partialFolder;

  bool Download(const catalogue::FirmwareItem& item, const update::UpdateRecord& record,
                update::FetchedArchive& archive) override;
  bool UpdateNow(const update::UpdateRecord& record) override;
  void WaitForFlashers(const std::vector<void*>& processes) override;
  update::HoldAnswer AskAboutHold(update::HoldReason hold, const update::UpdateRecord& record) override;
  void Kept(const update::UpdateRecord& record, const std::string& savedPath) override;
  void ChecksPassed(const update::UpdateRecord&) override {}
  void InstallEnded(const update::UpdateRecord& record, const install::InstallOutcome& outcome,
                    const update::FetchedArchive& archive) override;
  // The wizard reads the drives back once it has closed: the user may take
  // the next drive while a flasher runs.
  bool ReadBackEachFlash() const override { return false; }
  void LookForDrives(const std::function<void()>& look) override;
  void RescanProblems(scsi::DriveIdentification& drives) override;
  void Verdict(const update::CheckedUpdate& update, bool pending) override;

 private:
  void Tell(const std::string& message);
  framework::Language language_;
};

}  // namespace wizard
