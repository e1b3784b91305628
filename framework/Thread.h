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

// Work for one worker thread that the starting thread may stop waiting for.
// The starter and the worker each hold one reference; whoever lets go last
// deletes the job, so a worker that ends long after it was given up on (a
// network call that does not return) touches nothing that has gone.
class CWorkerJob {
 public:
  CWorkerJob();
  virtual ~CWorkerJob();
  CWorkerJob(const CWorkerJob&) = delete;
  CWorkerJob& operator=(const CWorkerJob&) = delete;

  // Starts Run on a new thread through `starter` (null: AfxBeginThread).
  // False when no thread could be made: Run never runs, and the job counts
  // as done.
  using ThreadStarter = CWinThread* (*)(AFX_THREADPROC, LPVOID);
  bool Start(ThreadStarter starter = nullptr);
  // Whether Run has returned (or never started); its results may then be
  // read by the starter.
  bool IsDone() const;
  // Signalled once Run has returned; for waits.
  HANDLE DoneEvent() const { return done_; }
  // The starter lets go: after reading the results, or to give up on a
  // worker that has not ended. The job must not be touched afterwards.
  void Release();

 protected:
  virtual void Run() = 0;

 private:
  static UINT Main(LPVOID job);
  HANDLE done_;
  volatile LONG references_ = 1;
};

}  // namespace framework

using framework::CWorkerJob;
using framework::AFX_THREADPROC;
using framework::AfxBeginThread;
using framework::CWinThread;
