#include "app/FlasherWait.h"

#include "app/AppTexts.h"
#include "controls/WaitWindow.h"

namespace app {

// Ending the wait early would check the drive while it is still being
// written: the window has nothing for the user to press.
void WaitForFlashers(const std::vector<void*>& processes, Language language) {
  controls::ShowUntilSignalled(std::vector<HANDLE>(processes.begin(), processes.end()),
                               AppTextsFor(language).waiting, language);
}

}  // namespace app
