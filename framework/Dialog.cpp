#include "framework/Dialog.h"

#include <commctrl.h>

#include "framework/EscapedException.h"

namespace framework {
namespace {

std::function<void(CDialog&)>& ModalHook() {
  static std::function<void(CDialog&)> hook;
  return hook;
}

// The common controls the program's windows hold: the list view (with its
// header) and the progress bar of the templates, and the link label's
// tooltip, which the bar classes register. COMCTL32 fails the whole call and
// registers nothing when one flag is unknown to it: 5.82, the version XP to
// 11 load for a program without a manifest asking for 6.0, rejects
// ICC_STANDARD_CLASSES (it and ICC_LINK_CLASS are 6.0's; 5.80 and 5.81 pass
// the former over), and from Server 2003 on 5.82 registers no class before
// the program asks. The flags up to ICC_NATIVEFNTCTL_CLASS (0x2000) are known
// to every COMCTL32 from 4.71. Source of the flags' version history: Geoff
// Chappell's COMCTL32 studies, InitCommonControlsEx, in the repository
// geoffchappellmirror/geoffchappellmirror.github.io at
// studies/windows/shell/comctl32/api/commctrl/initcommoncontrolsex.htm.
constexpr DWORD kCommonControls = ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES;
static_assert((kCommonControls & ~DWORD{0x3FFF}) == 0, "a flag that some COMCTL32 from 4.71 on rejects");

// Registers them before a dialog is created, until a call succeeds. A failed
// call is made again before the next dialog: the class that failed may
// register then (older versions fail a class that another thread registered
// between their look and their registration, and find it registered next
// time). The dialog is created either way: the message dialog, which tells
// the user what went wrong, holds none of these controls, and a template
// whose control class is missing makes CreateDialogParam fail, which DoModal
// returns as -1.
bool SystemCommonControlsInit(DWORD classes) {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), classes};
  return InitCommonControlsEx(&controls) != FALSE;
}

CDialog::CommonControlsInit commonControlsInit = &SystemCommonControlsInit;
bool commonControlsRegistered = false;

void RegisterCommonControls() {
  if (!commonControlsRegistered) commonControlsRegistered = commonControlsInit(kCommonControls);
}

// The top-level window that owns a dialog without an explicit parent: the
// active window of this thread, or the application's main window.
HWND DefaultOwner() {
  HWND owner = GetActiveWindow();
  if (owner == nullptr) {
    if (CWnd* main = AfxGetMainWnd()) owner = main->m_hWnd;
  }
  while (owner != nullptr && (GetWindowLongA(owner, GWL_STYLE) & WS_CHILD) != 0) {
    owner = ::GetParent(owner);
  }
  return owner;
}

// Hands `msg` to PreTranslateMessage of its window and that window's
// parents up to `top` (all of them when `top` is null), then, unless one of
// them consumed it, translates and dispatches it.
void RouteMessage(MSG& msg, HWND top) {
  bool consumed = false;
  for (HWND target = msg.hwnd; target != nullptr && !consumed; target = ::GetParent(target)) {
    if (CWnd* object = CWnd::FromHandlePermanent(target)) {
      try {
        consumed = object->PreTranslateMessage(&msg);
      } catch (...) {
        ReportEscapedException("the modal loop", msg.message);
        consumed = false;
      }
    }
    if (target == top) break;
  }
  if (!consumed) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// Handles every message waiting for this thread; false when WM_QUIT came,
// which is put back for the loop that owns it.
bool PumpWaitingMessages() {
  MSG msg{};
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    RouteMessage(msg, nullptr);
  }
  return true;
}

}  // namespace

bool WaitPumpingMessages(HANDLE event, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    const bool quit = !PumpWaitingMessages();
    if (event != nullptr && WaitForSingleObject(event, 0) == WAIT_OBJECT_0) return true;
    const DWORD elapsed = GetTickCount() - start;
    if (quit || elapsed >= milliseconds) return false;
    // Wakes for the event, for any input or sent message, or at the end.
    MsgWaitForMultipleObjects(event != nullptr ? 1 : 0, &event, FALSE, milliseconds - elapsed,
                              QS_ALLINPUT);
  }
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  if (control.m_hWnd == nullptr) control.SubclassDlgItem(id, dx->dialog);
}

void CDialog::SetModalHook(std::function<void(CDialog&)> hook) { ModalHook() = std::move(hook); }

void CDialog::SetCommonControlsInit(CommonControlsInit init) {
  commonControlsInit = init != nullptr ? init : &SystemCommonControlsInit;
  commonControlsRegistered = false;
}

CDialog::CDialog(UINT templateId, CWnd* parent) : parent_(parent), templateId_(templateId) {}

CDialog::~CDialog() {
  if (m_hWnd != nullptr && FromHandlePermanent(m_hWnd) == this) ::DestroyWindow(m_hWnd);
}

INT_PTR CALLBACK CDialog::DialogProcedure(HWND hwnd, UINT msg, WPARAM, LPARAM lParam) {
  if (msg != WM_INITDIALOG) return FALSE;  // everything else reaches WindowProc
  auto* self = reinterpret_cast<CDialog*>(lParam);
  try {
    self->Attach(hwnd);
    self->HookProcedure();
    return self->OnInitDialog() ? TRUE : FALSE;
  } catch (...) {
    ReportEscapedException("the dialog procedure", msg);
    return TRUE;
  }
}

INT_PTR CDialog::DoModal() {
  RegisterCommonControls();
  HWND owner = parent_ != nullptr ? parent_->m_hWnd : DefaultOwner();
  const bool disableOwner = owner != nullptr && ::IsWindowEnabled(owner);
  endRequested_ = false;
  modalResult_ = -1;

  HWND hwnd = CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(templateId_), owner,
                                 &CDialog::DialogProcedure, reinterpret_cast<LPARAM>(this));
  if (hwnd == nullptr) return -1;
  if (disableOwner) ::EnableWindow(owner, FALSE);
  if (!endRequested_ && ::IsWindow(hwnd) && !::IsWindowVisible(hwnd)) {
    ::ShowWindow(hwnd, SW_SHOWNORMAL);
  }

  bool hookPending = true;
  MSG msg{};
  while (!endRequested_ && ::IsWindow(hwnd)) {
    if (hookPending && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      hookPending = false;
      if (ModalHook()) ModalHook()(*this);
      continue;
    }
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {  // WM_QUIT belongs to an outer loop
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    RouteMessage(msg, hwnd);
  }

  if (disableOwner) {
    ::EnableWindow(owner, TRUE);
    // Give activation back to the owner before the dialog goes, so that it
    // does not fall to another program's window.
    if (::IsWindow(hwnd) && GetActiveWindow() == hwnd) ::SetActiveWindow(owner);
  }
  // Always through the virtual: a dialog that destroyed itself already sees
  // a second call that finds nothing left and returns false.
  DestroyWindow();
  return modalResult_;
}

void CDialog::EndDialog(int result) {
  modalResult_ = result;
  endRequested_ = true;
  if (m_hWnd != nullptr) PostMessage(WM_NULL);
}

void CDialog::GotoDlgCtrl(CWnd& control) {
  SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control.m_hWnd), TRUE);
}

bool CDialog::UpdateData(bool saveAndValidate) {
  CDataExchange dx{this, saveAndValidate};
  DoDataExchange(&dx);
  return true;
}

bool CDialog::PreTranslateMessage(MSG* msg) {
  return m_hWnd != nullptr && IsDialogMessageA(m_hWnd, msg) != FALSE;
}

bool CDialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void CDialog::OnOK() {
  if (!UpdateData(true)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::OnButtonClicked(int id) {
  switch (id) {
    case IDOK:
      OnOK();
      return true;
    case IDCANCEL:
      OnCancel();
      return true;
    default:
      return false;
  }
}

bool CDialog::OnCommand(WPARAM wParam, LPARAM) {
  if (HIWORD(wParam) != BN_CLICKED) return false;
  return OnButtonClicked(LOWORD(wParam));
}

}  // namespace framework
