// The window layer in real windows: binding at WM_INITDIALOG, handler
// dispatch, the modal loop's results, control subclassing, reflection of a
// static's colour request, and no exception escaping a window procedure.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Button.h"
#include "framework/Dialog.h"
#include "framework/EscapedException.h"
#include "framework/Exception.h"
#include "framework/Gdi.h"
#include "framework/Static.h"
#include "resources/resource.h"

namespace {

// A static that answers its reflected colour request with its own brush.
class ColouredStatic : public CStatic {
 public:
  ColouredStatic() { brush.CreateSolidBrush(RGB(0, 128, 0)); }
  int requests = 0;
  bool attached = false;
  CBrush brush;

 protected:
  void PreSubclassWindow() override { attached = true; }
  HBRUSH CtlColor(HDC dc, UINT) override {
    ++requests;
    SetTextColor(dc, RGB(255, 0, 0));
    return brush;
  }
};

class ProbeDialog : public CDialog {
 public:
  ProbeDialog() : CDialog(IDD_MESSAGE) {}
  std::vector<int> clicks;
  bool initialised = false;
  bool boundDuringInit = false;
  // Where a handler throws, and what.
  enum class Thrower { None, Init, Paint, PreTranslate };
  Thrower thrower = Thrower::None;
  std::function<void()> toThrow = [] { throw std::runtime_error("paint failed"); };
  int paints = 0;
  ColouredStatic panel;
  CButton yes;

 protected:
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Control(dx, IDC_PANEL, panel);
    DDX_Control(dx, IDOK, yes);
  }
  bool OnInitDialog() override {
    CDialog::OnInitDialog();
    initialised = true;
    boundDuringInit = FromHandlePermanent(m_hWnd) == this && panel.m_hWnd != nullptr;
    if (thrower == Thrower::Init) toThrow();
    return true;
  }
  bool PreTranslateMessage(MSG* msg) override {
    if (thrower == Thrower::PreTranslate && msg->message == WM_KEYDOWN) toThrow();
    return CDialog::PreTranslateMessage(msg);
  }
  bool OnButtonClicked(int id) override {
    clicks.push_back(id);
    return CDialog::OnButtonClicked(id);
  }
  void OnPaint() override {
    ++paints;
    CPaintDC dc(*this);
    if (thrower == Thrower::Paint) toThrow();
  }
};

struct HookGuard {
  explicit HookGuard(std::function<void(CDialog&)> hook) { CDialog::SetModalHook(std::move(hook)); }
  ~HookGuard() { CDialog::SetModalHook(nullptr); }
};

TEST(Dialog, ButtonsEscapeAndCloseBoxEndTheModalRunWithTheirResults) {
  struct Row {
    const char* what;
    std::function<void(CDialog&)> input;
    INT_PTR result;
  };
  const std::vector<Row> rows = {
      {"OK button", [](CDialog& d) { PostMessageA(d.GetDlgItem(IDOK), BM_CLICK, 0, 0); }, IDOK},
      {"Cancel button", [](CDialog& d) { PostMessageA(d.GetDlgItem(IDCANCEL), BM_CLICK, 0, 0); },
       IDCANCEL},
      {"Escape key",
       [](CDialog& d) {
         SetFocus(d.GetDlgItem(IDOK));
         PostMessageA(d.GetDlgItem(IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
       },
       IDCANCEL},
      {"close box", [](CDialog& d) { d.PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL},
  };
  for (const Row& row : rows) {
    ProbeDialog dialog;
    HookGuard hook(row.input);
    EXPECT_EQ(dialog.DoModal(), row.result) << row.what;
    EXPECT_TRUE(dialog.initialised) << row.what;
    EXPECT_TRUE(dialog.boundDuringInit) << row.what;
    EXPECT_EQ(dialog.m_hWnd, nullptr) << row.what << ": the window is destroyed afterwards";
    EXPECT_EQ(dialog.panel.m_hWnd, nullptr) << row.what << ": controls unbound with it";
  }
}

// A failed registration of the common controls still shows the dialog and is
// made again before the next one, until it succeeds; the classes asked for
// are ones every COMCTL32 from 4.71 accepts, the list view's among them.
std::vector<DWORD> registrations;
TEST(Dialog, CommonControlsAreRegisteredAgainAfterAFailure) {
  registrations.clear();
  CDialog::SetCommonControlsInit([](DWORD classes) {
    registrations.push_back(classes);
    return registrations.size() > 1;
  });
  HookGuard hook([](CDialog& d) { PostMessageA(d.GetDlgItem(IDCANCEL), BM_CLICK, 0, 0); });
  for (int run = 0; run < 3; ++run) {
    ProbeDialog dialog;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL) << "run " << run;
  }
  CDialog::SetCommonControlsInit(nullptr);
  ASSERT_EQ(registrations.size(), 2u);
  EXPECT_EQ(registrations[0], registrations[1]);
  EXPECT_EQ(registrations[0] & ~DWORD{0x3FFF}, 0u);
  EXPECT_NE(registrations[0] & ICC_LISTVIEW_CLASSES, 0u);
}

TEST(Dialog, ClicksReachTheButtonHandlerOnce) {
  ProbeDialog dialog;
  HookGuard hook([](CDialog& d) { PostMessageA(d.GetDlgItem(IDCANCEL), BM_CLICK, 0, 0); });
  dialog.DoModal();
  EXPECT_EQ(dialog.clicks, std::vector<int>{IDCANCEL});
}

TEST(Dialog, StaticColourRequestIsReflectedToTheBoundControl) {
  ProbeDialog dialog;
  COLORREF pixel = CLR_INVALID;
  HookGuard hook([&](CDialog& d) {
    auto& probe = static_cast<ProbeDialog&>(d);
    EXPECT_TRUE(probe.panel.attached);
    // Ask for the colours the way the static control does before drawing.
    HDC dc = GetDC(probe.panel.m_hWnd);
    const LRESULT brush = SendMessageA(d.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(probe.panel.m_hWnd));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), probe.panel.brush.m_hObject);
    EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));
    ReleaseDC(probe.panel.m_hWnd, dc);
    // The static's own painting uses the reflected brush for its background.
    RedrawWindow(probe.panel.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT rect;
    GetClientRect(probe.panel.m_hWnd, &rect);
    HDC screen = GetDC(probe.panel.m_hWnd);
    pixel = GetPixel(screen, 2, 2);
    ReleaseDC(probe.panel.m_hWnd, screen);
    d.EndDialog(IDCANCEL);
  });
  dialog.DoModal();
  EXPECT_GE(dialog.panel.requests, 2);
  EXPECT_EQ(pixel, RGB(0, 128, 0));
}

std::vector<std::string> escapedReports;
void RecordReport(const std::string& report) { escapedReports.push_back(report); }

// Every place a handler runs catches its exception, goes on, and reports it
// with the place, the message and the exception's own description.
TEST(Dialog, ExceptionInAHandlerIsCaughtAndReported) {
  class FileTrouble : public CException {
   public:
    std::string What() const override { return "file trouble"; }
  };
  struct Row {
    ProbeDialog::Thrower thrower;
    std::function<void()> toThrow;
    std::string report;
  };
  const std::vector<Row> rows = {
      {ProbeDialog::Thrower::Paint, [] { throw std::runtime_error("paint failed"); },
       "VornUpdate: exception caught in the window procedure (message 0x000F): paint failed"},
      {ProbeDialog::Thrower::Init, [] { throw FileTrouble(); },
       "VornUpdate: exception caught in the dialog procedure (message 0x0110): file trouble"},
      {ProbeDialog::Thrower::PreTranslate, [] { throw 7; },
       "VornUpdate: exception caught in the modal loop (message 0x0100): an exception of unknown "
       "type"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.report);
    escapedReports.clear();
    const framework::EscapedExceptionHook testHook = framework::SetEscapedExceptionHook(&RecordReport);
    ProbeDialog dialog;
    dialog.thrower = row.thrower;
    dialog.toThrow = row.toThrow;
    HookGuard hook([](CDialog& d) {
      d.Invalidate();
      d.UpdateWindow();
      PostMessageA(d.GetDlgItem(IDOK), WM_KEYDOWN, VK_SPACE, 0);
      PostMessageA(d.GetDlgItem(IDOK), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    framework::SetEscapedExceptionHook(testHook);
    ASSERT_FALSE(escapedReports.empty());
    EXPECT_EQ(escapedReports[0], row.report);
  }
}

// The test programs' own hook makes a swallowed exception a failing test.
TEST(Dialog, ExceptionInAHandlerFailsTheRunningTest) {
  ProbeDialog dialog;
  dialog.thrower = ProbeDialog::Thrower::Init;  // runs once
  dialog.toThrow = [] { throw std::runtime_error("init failed"); };
  HookGuard hook([](CDialog& d) { PostMessageA(d.GetDlgItem(IDOK), BM_CLICK, 0, 0); });
  EXPECT_NONFATAL_FAILURE(dialog.DoModal(), "dialog procedure (message 0x0110): init failed");
  EXPECT_TRUE(dialog.initialised);
}

TEST(Dialog, MissingTemplateFailsWithoutAWindow) {
  CDialog dialog(9999);
  EXPECT_EQ(dialog.DoModal(), -1);
}

TEST(Gdi, MemoryContextCopiesABitmapAndRestoresItsSelection) {
  HDC screen = GetDC(nullptr);
  CBitmap bitmap;
  bitmap.Attach(CreateCompatibleBitmap(screen, 4, 3));
  EXPECT_EQ(bitmap.GetSize().cx, 4);
  EXPECT_EQ(bitmap.GetSize().cy, 3);
  {
    CMemoryDC memory(screen);
    memory.SelectObject(bitmap);
    SetPixel(memory, 1, 1, RGB(10, 20, 30));
    EXPECT_EQ(GetCurrentObject(memory, OBJ_BITMAP), bitmap.m_hObject);
  }
  // Deselected again: a bitmap can only be selected while in no other context.
  CMemoryDC other(screen);
  EXPECT_NE(other.SelectObject(bitmap), nullptr);
  EXPECT_EQ(GetPixel(other, 1, 1), RGB(10, 20, 30));
  ReleaseDC(nullptr, screen);
}

}  // namespace
