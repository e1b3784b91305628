// The link label in a real dialog, driven by real mouse input: colours on
// hover, press and release, the hover timer noticing that the mouse left,
// the mail rule, the target rule, the tooltip, and a failed open.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "Deployment.h"
#include "controls/LinkLabel.h"
#include "framework/Dialog.h"
#include "framework/MessageBox.h"
#include "resources/resource.h"
#include "tests/controls/WindowDriver.h"

namespace {

using controls::LinkLabel;
using namespace testing_windows;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kMagenta = RGB(255, 0, 255);

// A label whose activation is recorded instead of reaching the shell or the
// mail client.
class RecordingLabel : public LinkLabel {
 public:
  bool openResult = true;
  std::vector<std::string> opened;
  std::vector<std::pair<std::string, std::string>> mailed;
  bool OpenLink(const std::string& link) override {
    opened.push_back(link);
    return openResult;
  }
  bool SendMailTo(const std::string& address, const std::string& name) override {
    mailed.emplace_back(address, name);
    return true;
  }
};

// The wizard's template hosts the label (control 1015), moved to a large
// place so that the mouse can find it; the window is painted dark so that
// the label's text colours can be told apart.
template <typename Label>
class Host : public CDialog {
 public:
  Host() : CDialog(IDD_WIZARD) {}
  Label label;
  std::string targetBeforeBinding;

 protected:
  void DoDataExchange(CDataExchange* dx) override {
    if (label.m_hWnd == nullptr) label.target = targetBeforeBinding;
    DDX_Control(dx, IDC_LINK, label);
  }
  bool OnInitDialog() override {
    CDialog::OnInitDialog();
    MoveWindow(100, 100, 500, 300);
    ::MoveWindow(label.m_hWnd, 40, 40, 300, 40, TRUE);
    return true;
  }
  void OnPaint() override {
    CPaintDC dc(*this);
    RECT r;
    GetClientRect(&r);
    HBRUSH dark = CreateSolidBrush(RGB(20, 30, 60));
    FillRect(dc, &r, dark);
    DeleteObject(dark);
  }
};

// Runs `body` inside the dialog's modal run, then ends it.
template <typename Label, typename Body>
void RunInHost(Host<Label>& host, Body body) {
  CDialog::SetModalHook([&](CDialog&) {
    Pump(50);
    body(host);
    host.EndDialog(IDCANCEL);
  });
  host.DoModal();
  CDialog::SetModalHook(nullptr);
}

// Whether any pixel of the label's text shows `colour`.
bool LabelShows(HWND label, COLORREF colour) {
  RECT r;
  GetClientRect(label, &r);
  HDC dc = GetDC(label);
  bool found = false;
  for (int y = r.top; y < r.bottom && !found; ++y) {
    for (int x = r.left; x < r.right && !found; ++x) found = GetPixel(dc, x, y) == colour;
  }
  if (!found) {
    std::map<COLORREF, int> seen;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) seen[GetPixel(dc, x, y)]++;
    for (auto& [c, n] : seen) printf("colour %06lx x%d\n", (unsigned long)c, n);
  }
  ReleaseDC(label, dc);
  return found;
}

// The longest horizontal run of `colour` in any row of the label.
int LongestRun(HWND label, COLORREF colour) {
  RECT r;
  GetClientRect(label, &r);
  HDC dc = GetDC(label);
  int longest = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    int run = 0;
    for (int x = r.left; x < r.right; ++x) {
      run = GetPixel(dc, x, y) == colour ? run + 1 : 0;
      longest = std::max(longest, run);
    }
  }
  ReleaseDC(label, dc);
  return longest;
}

POINT OutsideOf(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  return POINT{r.left + 10, r.bottom + 60};
}

TEST(LinkLabel, ShowsTheSiteAddressUnderlinedInTheIdleColour) {
  Host<RecordingLabel> host;
  RunInHost(host, [](Host<RecordingLabel>& h) {
    MoveMouse(OutsideOf(h.label.m_hWnd));
    RepaintNow(h.m_hWnd);
    EXPECT_EQ(h.label.GetWindowText(), deployment::webAddress);
    EXPECT_TRUE(h.label.GetStyle() & SS_NOTIFY);
    EXPECT_TRUE(LabelShows(h.label.m_hWnd, kWhite));
    // Underlined: one row holds a long unbroken run of the text colour.
    EXPECT_GT(LongestRun(h.label.m_hWnd, kWhite), 100);
  });
}

TEST(LinkLabel, HoverPressAndReleaseChangeTheColour) {
  Host<RecordingLabel> host;
  host.targetBeforeBinding = "www.example.test";
  RunInHost(host, [](Host<RecordingLabel>& h) {
    LinkLabel& label = h.label;
    MoveMouse(OutsideOf(label.m_hWnd));
    ASSERT_TRUE(PumpUntil([&] { return !label.hovering; }));

    MoveMouse(CentreOf(label.m_hWnd));
    EXPECT_TRUE(label.hovering);
    EXPECT_EQ(label.textColour, kYellow);
    RepaintNow(h.m_hWnd);
    EXPECT_TRUE(LabelShows(label.m_hWnd, kYellow));

    PressLeft();
    EXPECT_EQ(label.textColour, kRed);
    EXPECT_EQ(GetCapture(), label.m_hWnd);

    ReleaseLeft();
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(static_cast<RecordingLabel&>(label).opened,
              std::vector<std::string>{"www.example.test"});
    EXPECT_TRUE(label.visited);
    // Still over the label: the idle colour stays until it is left and entered.
    EXPECT_EQ(label.textColour, kMagenta);
    MoveMouse(POINT{CentreOf(label.m_hWnd).x + 3, CentreOf(label.m_hWnd).y});
    EXPECT_EQ(label.textColour, kMagenta);

    // The hover timer sees the mouse gone.
    MoveMouse(OutsideOf(label.m_hWnd));
    EXPECT_TRUE(PumpUntil([&] { return !label.hovering; }));
    EXPECT_EQ(label.textColour, kMagenta);
    MoveMouse(CentreOf(label.m_hWnd));
    EXPECT_EQ(label.textColour, kYellow);
  });
}

TEST(LinkLabel, ReleasingOutsideDoesNothingAndRestoresTheIdleColour) {
  Host<RecordingLabel> host;
  host.targetBeforeBinding = "www.example.test";
  RunInHost(host, [](Host<RecordingLabel>& h) {
    MoveMouse(CentreOf(h.label.m_hWnd));
    PressLeft();
    ASSERT_EQ(h.label.textColour, kRed);
    MoveMouse(OutsideOf(h.label.m_hWnd));
    ReleaseLeft();
    EXPECT_TRUE(h.label.opened.empty());
    EXPECT_FALSE(h.label.visited);
    EXPECT_EQ(h.label.textColour, kWhite);
    EXPECT_EQ(GetCapture(), nullptr);
  });
}

TEST(LinkLabel, MailTargetsGoToMailEverythingElseToTheShell) {
  struct Row {
    std::string target;
    bool mail;
  };
  const std::vector<Row> rows = {
      {"MaIlTo:someone@example.test", true},
      {"mailto:", true},  // exactly the six letters and the colon
      {"mailto", false},
      {"mailtox", false},
      {"mail:", false},
      {"http://mailto:x", false},
  };
  for (const Row& row : rows) {
    Host<RecordingLabel> host;
    host.targetBeforeBinding = row.target;
    RunInHost(host, [&](Host<RecordingLabel>& h) {
      MoveMouse(CentreOf(h.label.m_hWnd));
      PressLeft();
      ReleaseLeft();
      if (row.mail) {
        ASSERT_EQ(h.label.mailed.size(), 1u) << row.target;
        EXPECT_EQ(h.label.mailed[0].first, row.target);  // the prefix stays
        EXPECT_EQ(h.label.mailed[0].second, "");
        EXPECT_TRUE(h.label.opened.empty()) << row.target;
      } else {
        EXPECT_EQ(h.label.opened, std::vector<std::string>{row.target});
        EXPECT_TRUE(h.label.mailed.empty()) << row.target;
      }
    });
  }
}

TEST(LinkLabel, FailedOpenIsReportedAndClearsVisited) {
  std::vector<framework::MessageBoxCall> boxes;
  framework::SetMessageBoxHook([&](const framework::MessageBoxCall& call) {
    boxes.push_back(call);
    return IDOK;
  });
  Host<LinkLabel> host;
  host.targetBeforeBinding = "C:\\no such folder\\no such file.vorn-test";
  RunInHost(host, [&](Host<LinkLabel>& h) {
    h.label.visited = true;  // an earlier successful open
    MoveMouse(CentreOf(h.label.m_hWnd));
    PressLeft();
    ReleaseLeft();
    EXPECT_FALSE(h.label.visited);
    EXPECT_EQ(h.label.textColour, kWhite);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Failed to open URL");
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].type & MB_ICONMASK, static_cast<unsigned>(MB_ICONERROR));
    EXPECT_EQ(boxes[0].owner, static_cast<void*>(h.label.m_hWnd));
  });
  framework::SetMessageBoxHook(nullptr);
}

TEST(LinkLabel, SetTargetTrimsAndRefusesOnlyWhenCaptionIsEmptyToo) {
  Host<RecordingLabel> host;
  RunInHost(host, [](Host<RecordingLabel>& h) {
    LinkLabel& label = h.label;
    EXPECT_TRUE(label.SetTarget(" \t www.example.test  "));
    EXPECT_EQ(label.target, "www.example.test");
    // A caption is there: blanks store an empty target.
    ASSERT_FALSE(label.GetWindowText().empty());
    EXPECT_TRUE(label.SetTarget("   "));
    EXPECT_EQ(label.target, "");
    // No caption and nothing but blanks: refused, target unchanged.
    label.target = "kept";
    SetWindowTextA(label.m_hWnd, "");
    EXPECT_FALSE(label.SetTarget("  \t "));
    EXPECT_EQ(label.target, "kept");
    EXPECT_TRUE(label.SetTarget(" x "));
    EXPECT_EQ(label.target, "x");
  });
}

TEST(LinkLabel, TooltipCarriesTheTargetOfAttachTimeUntilSetToolTipText) {
  Host<RecordingLabel> host;
  host.targetBeforeBinding = "www.example.test";
  RunInHost(host, [](Host<RecordingLabel>& h) {
    EXPECT_EQ(h.label.toolTip.GetText(&h.label, LinkLabel::kToolId), "www.example.test");
    h.label.SetTarget("other.example.test");
    EXPECT_EQ(h.label.toolTip.GetText(&h.label, LinkLabel::kToolId), "www.example.test");
    h.label.SetToolTipText("Vornhal Global Site");
    EXPECT_EQ(h.label.toolTip.GetText(&h.label, LinkLabel::kToolId), "Vornhal Global Site");
  });
}

}  // namespace
