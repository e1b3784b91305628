// The look for drives before the wizard: it runs on a worker thread, so that
// a drive that never answers (each of its commands waits out its time-out)
// leaves the program's window answering. When the look takes longer than a
// moment, a small window says that the drives are being looked for, and
// closes by itself when the look has ended.
#pragma once

#include <functional>

#include "framework/Language.h"

namespace wizard {

// Runs `look` on a worker thread (on this one when no thread can be made)
// and returns once it has ended, showing the window meanwhile if it takes
// longer than half a second.
void LookForDrives(const std::function<void()>& look, framework::Language language);

}  // namespace wizard
