// CDialog: a modal dialog made from a dialog template of the program's
// resources, with its own modal loop.
//
// Usage (a dialog class of the program):
//
//   class MyDialog : public CDialog {
//    public:
//     MyDialog() : CDialog(IDD_MY) {}           // resource id of the template
//    protected:
//     void DoDataExchange(CDataExchange* dx) override {
//       DDX_Control(dx, IDC_PANEL, panel);       // binds (subclasses) control once
//     }
//     bool OnInitDialog() override {
//       CDialog::OnInitDialog();                 // runs DoDataExchange
//       ...; return true;                        // true: default focus
//     }
//     void OnPaint() override { CPaintDC dc(*this); ... }
//     bool OnButtonClicked(int id) override {   // BN_CLICKED of any button
//       if (id == IDC_NEXT) { OnNext(); return true; }
//       return CDialog::OnButtonClicked(id);     // IDOK -> OnOK, IDCANCEL -> OnCancel
//     }
//     CStatic panel;
//   };
//   MyDialog dialog;  if (dialog.DoModal() == IDOK) ...
//
// DoModal creates the dialog (owned by `parent`, or by the thread's active
// top-level window when there is none), disables the owner, shows the dialog
// if the template did not make it visible, runs the loop until EndDialog (or
// until the window is destroyed), then calls the virtual DestroyWindow and
// enables the owner again. Every message of the loop passes through
// PreTranslateMessage of its window and that window's parents up to the
// dialog, whose own PreTranslateMessage runs the platform's dialog keys
// (Tab, Enter, Escape). Enter and Escape become IDOK and IDCANCEL button
// clicks, the close box becomes IDCANCEL.
//
// The dialog procedure binds `this` once, at WM_INITDIALOG, and from then on
// every message of the dialog goes through CWnd::WindowProc and its handlers.
#pragma once

#include <functional>

#include "framework/Wnd.h"

namespace framework {

class CDialog;

// The direction of one data exchange.
struct CDataExchange {
  CDialog* dialog = nullptr;
  bool saveAndValidate = false;
};

// Binds `control` to the child `id` of the exchanging dialog the first time
// it is called for that control (later exchanges leave it bound).
void DDX_Control(CDataExchange* dx, int id, CWnd& control);

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  ~CDialog() override;

  // Runs the dialog; returns the result given to EndDialog, or -1 when the
  // dialog could not be created.
  virtual INT_PTR DoModal();
  // Ends the modal loop with `result` after the current message.
  void EndDialog(int result);
  // Runs DoDataExchange: from the controls (true) or towards them (false).
  bool UpdateData(bool saveAndValidate = true);
  // Moves the focus to `control` as Tab does (WM_NEXTDLGCTL), so that the
  // default button follows it.
  void GotoDlgCtrl(CWnd& control);

  UINT GetTemplateId() const { return templateId_; }
  bool PreTranslateMessage(MSG* msg) override;

  // Test seam: called once per DoModal, with the dialog, when its window is
  // shown and the loop first finds no message waiting. Tests post input to
  // the real window from here. An empty function removes the hook.
  static void SetModalHook(std::function<void(CDialog&)> hook);

  // Test seam: the call that registers the common-control classes before a
  // dialog (InitCommonControlsEx with `classes`), returning its result. Setting
  // it, or null for the system's, makes the next DoModal call it again.
  using CommonControlsInit = bool (*)(DWORD classes);
  static void SetCommonControlsInit(CommonControlsInit init);

 protected:
  virtual void DoDataExchange(CDataExchange*) {}
  // Runs UpdateData(false); returns true (the platform sets the focus).
  virtual bool OnInitDialog();
  // Takes the controls' data (UpdateData(true)) and ends with IDOK.
  virtual void OnOK();
  // Ends with IDCANCEL.
  virtual void OnCancel();
  // A button click (BN_CLICKED, also Enter and Escape); true when handled.
  virtual bool OnButtonClicked(int id);
  bool OnCommand(WPARAM wParam, LPARAM lParam) override;

  CWnd* parent_ = nullptr;

 private:
  static INT_PTR CALLBACK DialogProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  UINT templateId_;
  bool endRequested_ = false;
  int modalResult_ = -1;
};

// Waits up to `milliseconds` for `event` (null: only lets the time pass)
// while this thread's windows keep handling their messages, routed as the
// modal loops route them. True when the event was signalled. Returns early,
// false, when WM_QUIT arrives (it is put back for the loop that owns it).
bool WaitPumpingMessages(HANDLE event, DWORD milliseconds);

}  // namespace framework

using framework::WaitPumpingMessages;
using framework::CDataExchange;
using framework::CDialog;
using framework::DDX_Control;
