#include "framework/Thread.h"

#include <process.h>

namespace framework {

unsigned __stdcall CWinThread::Start(void* self) {
  CWinThread* thread = static_cast<CWinThread*>(self);
  const UINT result = thread->procedure_(thread->parameter_);
  CloseHandle(thread->m_hThread);
  delete thread;
  return result;
}

CWinThread* AfxBeginThread(AFX_THREADPROC procedure, LPVOID parameter, int priority, UINT stackSize,
                           DWORD createFlags, LPSECURITY_ATTRIBUTES security) {
  if (procedure == nullptr || createFlags != 0) return nullptr;
  CWinThread* thread = new CWinThread;
  thread->procedure_ = procedure;
  thread->parameter_ = parameter;
  // Made suspended so that the object is complete before the thread can
  // reach its end and release it.
  unsigned id = 0;
  const uintptr_t handle =
      _beginthreadex(security, stackSize, &CWinThread::Start, thread, CREATE_SUSPENDED, &id);
  if (handle == 0) {
    delete thread;
    return nullptr;
  }
  thread->m_hThread = reinterpret_cast<HANDLE>(handle);
  thread->m_nThreadID = id;
  SetThreadPriority(thread->m_hThread, priority);
  ResumeThread(thread->m_hThread);
  return thread;
}

CWorkerJob::CWorkerJob() : done_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

CWorkerJob::~CWorkerJob() {
  if (done_ != nullptr) CloseHandle(done_);
}

bool CWorkerJob::Start(ThreadStarter starter) {
  // Without its event the end of the work could not be told: do none.
  if (done_ == nullptr) return false;
  InterlockedIncrement(&references_);
  const CWinThread* thread = starter != nullptr ? starter(&CWorkerJob::Main, this)
                                                : AfxBeginThread(&CWorkerJob::Main, this);
  if (thread == nullptr) {
    InterlockedDecrement(&references_);
    SetEvent(done_);
    return false;
  }
  return true;
}

bool CWorkerJob::IsDone() const {
  return done_ == nullptr || WaitForSingleObject(done_, 0) == WAIT_OBJECT_0;
}

void CWorkerJob::Release() {
  if (InterlockedDecrement(&references_) == 0) delete this;
}

UINT CWorkerJob::Main(LPVOID parameter) {
  CWorkerJob* job = static_cast<CWorkerJob*>(parameter);
  job->Run();
  // The event is a full barrier: the starter reads Run's results after it.
  if (job->done_ != nullptr) SetEvent(job->done_);
  job->Release();
  return 0;
}

}  // namespace framework
