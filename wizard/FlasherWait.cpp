#include "wizard/FlasherWait.h"

#include "controls/WaitWindow.h"
#include "messages/AppTexts.h"

namespace wizard {

// Ending the wait early would check the drive while it is still being
// written: the window has nothing for the user to press.
void WaitForFlashers(const std::vector<void*>& processes, framework::Language language) {
  controls::ShowUntilSignalled(std::vector<HANDLE>(processes.begin(), processes.end()),
                               messages::AppTextsFor(language).waiting, language);
}

}  // namespace wizard
