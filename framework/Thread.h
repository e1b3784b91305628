// Worker threads started the framework's way.
#pragma once

#include <windows.h>

namespace framework {

using AFX_THREADPROC = UINT (*)(LPVOID);

// A running worker thread. It belongs to the thread itself: the object and
// its handle are released when the thread procedure returns, so a caller may
// only test the pointer AfxBeginThread returned for null.
class CWinThread {
 public:
  HANDLE m_hThread = nullptr;
  DWORD m_nThreadID = 0;

 private:
  friend CWinThread* AfxBeginThread(AFX_THREADPROC, LPVOID, int, UINT, DWORD, LPSECURITY_ATTRIBUTES);
  static unsigned __stdcall Start(void* self);
  AFX_THREADPROC procedure_ = nullptr;
  LPVOID parameter_ = nullptr;
};

// Runs `procedure(parameter)` on a new thread with the given priority, stack
// size (0: the default) and security attributes. Returns null when the
// thread cannot be made; then `procedure` never runs. `createFlags` must be 0
// (started at once).
CWinThread* AfxBeginThread(AFX_THREADPROC procedure, LPVOID parameter,
                           int priority = THREAD_PRIORITY_NORMAL, UINT stackSize = 0,
                           DWORD createFlags = 0, LPSECURITY_ATTRIBUTES security = nullptr);

}  // namespace framework

using framework::AFX_THREADPROC;
using framework::AfxBeginThread;
using framework::CWinThread;
