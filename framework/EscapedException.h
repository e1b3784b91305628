// A handler's exception never crosses a window procedure or the modal loop:
// it is caught there and reported, never swallowed without a trace. Each
// report is one line to the debugger (OutputDebugStringA) and, while a hook
// is set, to the hook as well; the test programs set one that fails the
// running test.
#pragma once

#include <string>

namespace framework {

// Receives the report line, which names the place, the window message and
// the exception's description.
using EscapedExceptionHook = void (*)(const std::string& report);

// Sets the hook (null: none) and returns the one set before.
EscapedExceptionHook SetEscapedExceptionHook(EscapedExceptionHook hook);

// Reports the exception being handled; call it only inside a catch block.
// `place` names where it was caught, `message` the window message that was
// being handled.
void ReportEscapedException(const char* place, unsigned int message);

}  // namespace framework
