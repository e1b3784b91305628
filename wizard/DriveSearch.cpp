#include "wizard/DriveSearch.h"

#include <windows.h>

#include "controls/WaitWindow.h"
#include "framework/Thread.h"
#include "wizard/PageRules.h"

namespace wizard {
namespace {

// A look that ends sooner shows no window at all.
constexpr DWORD kQuietMs = 500;

class LookJob : public CWorkerJob {
 public:
  explicit LookJob(const std::function<void()>& look) : look_(look) {}

 protected:
  void Run() override { look_(); }

 private:
  std::function<void()> look_;
};

}  // namespace

void LookForDrives(const std::function<void()>& look, framework::Language language) {
  auto* job = new LookJob(look);
  if (!job->Start()) {
    job->Release();
    look();
    return;
  }
  if (WaitForSingleObject(job->DoneEvent(), kQuietMs) == WAIT_TIMEOUT) {
    controls::ShowUntilSignalled({job->DoneEvent()}, LookingForDrivesText(language), language);
  }
  // The window closes only once the look has ended: the worker writes
  // nothing after this.
  WaitForSingleObject(job->DoneEvent(), INFINITE);
  job->Release();
}

}  // namespace wizard
