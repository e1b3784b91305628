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

}  // namespace framework
