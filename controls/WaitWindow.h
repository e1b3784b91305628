// The small window shown while the program waits for something the user can
// only wait for (a flasher that runs, the drives being looked for): the
// message dialog with neither button, saying what it waits for, which
// closes by itself once every awaited handle is signalled. Escape and the
// close box are ignored.
#pragma once

#include <windows.h>

#include <vector>

#include "framework/Language.h"

namespace controls {

// Whether every handle of `handles` is signalled now.
bool AllSignalled(const std::vector<HANDLE>& handles);

// Shows the window with `text` (code page 950 for Chinese) in the middle of
// the screen until every handle of `handles` is signalled; returns at once
// when they all are.
void ShowUntilSignalled(const std::vector<HANDLE>& handles, const char* text, framework::Language language);

}  // namespace controls
