// What a screen reader reads in a window of another process, through Active
// Accessibility (oleacc): the window's title, then each visible child in the
// order a reader meets them (their order among the window's children), a row
// each: "role: name", with " (unavailable)" for a disabled one. A list's
// column titles and rows follow it: "column: ..." and "row: a | b". Line
// breaks in a name read as " / ". Rows are UTF-8.
//
// Where Wine's oleacc falls short, the same is read another way: it gives
// every window the role "client" (Windows' proxies say static text, push
// button, list), so the role then comes from the window's class; and its
// list view proxy has no rows, so a list's rows are read through the list
// view's own texts.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace uidriver {

std::vector<std::string> ReadAloud(HWND window);

}  // namespace uidriver
