// The small window shown while the flasher runs: it says that the update
// program is running and that the computer must not be turned off, and
// closes by itself when every flasher has ended.
#pragma once

#include <vector>

#include "framework/Language.h"

namespace wizard {

// Shows the window until every process of `processes` (process handles) has
// ended; returns at once when none is running.
void WaitForFlashers(const std::vector<void*>& processes, framework::Language language);

}  // namespace wizard
