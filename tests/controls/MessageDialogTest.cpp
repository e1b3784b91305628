// The message dialog in a real window, in the language of the run
// (LANG=zh_TW.UTF-8 gives the Chinese texts): button texts of both forms,
// which answer gives IDOK, and the painted background.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "messages/ControlTexts.h"
#include "controls/MessageDialog.h"
#include "framework/Language.h"
#include "framework/Platform.h"
#include "resources/resource.h"
#include "tests/controls/WindowDriver.h"

namespace {

using controls::MessageDialog;
using namespace testing_windows;

// The language of the run, handed to the dialog as the program hands it.
framework::Language RunLanguage() { return framework::LanguageOf(platform::UserLanguageId()); }
bool Chinese() { return framework::IsChinese(RunLanguage()); }

TEST(MessageDialog, RunsInTheLanguageThisTestWasStartedFor) {
  // The test program is registered once per language; make sure the
  // environment really selected it.
  const char* expected = std::getenv("VORN_TEST_LANGUAGE");
  ASSERT_NE(expected, nullptr);
  EXPECT_EQ(platform::UserLanguageId(), std::atoi(expected));
}

struct Seen {
  bool yesVisible = false;
  std::string yesText, noText;
  HWND focus = nullptr, noButton = nullptr;
  COLORREF corner = 0, insideFrame = 0;
  RECT place{};
};

INT_PTR RunDialog(bool singleButton, const std::function<void(MessageDialog&)>& answer, Seen* seen) {
  MessageDialog dialog(RunLanguage());
  dialog.singleButton = singleButton;
  dialog.panel.text = "First line\n\nThird line";
  CDialog::SetModalHook([&](CDialog&) {
    Pump(30);
    seen->yesVisible = dialog.yesButton.IsWindowVisible();
    seen->yesText = dialog.yesButton.GetWindowText();
    seen->noText = dialog.noButton.GetWindowText();
    seen->focus = GetFocus();
    seen->noButton = dialog.noButton.m_hWnd;
    seen->corner = PixelOf(dialog.m_hWnd, 0, 0);
    seen->insideFrame = PixelOf(dialog.m_hWnd, 1, 100);
    dialog.GetWindowRect(&seen->place);
    answer(dialog);
  });
  const INT_PTR result = dialog.DoModal();
  CDialog::SetModalHook(nullptr);
  return result;
}

void Click(CWnd& button) { button.PostMessage(BM_CLICK); }
void Key(MessageDialog& d, WPARAM key) {
  PostMessageA(GetFocus() != nullptr ? GetFocus() : d.m_hWnd, WM_KEYDOWN, key, 0);
}

TEST(MessageDialog, QuestionShowsYesAndNoAndOnlyYesGivesOk) {
  using messages::control_text::kNoChinese;
  using messages::control_text::kYesChinese;
  struct Row {
    const char* what;
    std::function<void(MessageDialog&)> answer;
    INT_PTR result;
  };
  const std::vector<Row> rows = {
      {"Yes", [](MessageDialog& d) { Click(d.yesButton); }, IDOK},
      {"No", [](MessageDialog& d) { Click(d.noButton); }, IDCANCEL},
      {"Escape", [](MessageDialog& d) { Key(d, VK_ESCAPE); }, IDCANCEL},
      {"close box", [](MessageDialog& d) { d.PostMessage(WM_SYSCOMMAND, SC_CLOSE); }, IDCANCEL},
  };
  for (const Row& row : rows) {
    Seen seen;
    EXPECT_EQ(RunDialog(false, row.answer, &seen), row.result) << row.what;
    EXPECT_TRUE(seen.yesVisible);
    EXPECT_EQ(seen.yesText, Chinese() ? kYesChinese : "Yes");
    EXPECT_EQ(seen.noText, Chinese() ? kNoChinese : "No");
  }
}

TEST(MessageDialog, ErrorReportShowsOneButtonThatNeverGivesOk) {
  struct Row {
    const char* what;
    std::function<void(MessageDialog&)> answer;
  };
  const std::vector<Row> rows = {
      {"Exit", [](MessageDialog& d) { Click(d.noButton); }},
      {"Enter", [](MessageDialog& d) { Key(d, VK_RETURN); }},
      {"Escape", [](MessageDialog& d) { Key(d, VK_ESCAPE); }},
      {"close box", [](MessageDialog& d) { d.PostMessage(WM_SYSCOMMAND, SC_CLOSE); }},
  };
  for (const Row& row : rows) {
    Seen seen;
    EXPECT_EQ(RunDialog(true, row.answer, &seen), IDCANCEL) << row.what;
    EXPECT_FALSE(seen.yesVisible);
    EXPECT_EQ(seen.noText, Chinese() ? messages::control_text::kConfirmChinese : "Exit");
    EXPECT_EQ(seen.focus, seen.noButton) << "the single button has the focus";
    // No window of the program behind it: in the middle of the screen.
    EXPECT_NEAR(seen.place.left + seen.place.right, GetSystemMetrics(SM_CXSCREEN), 1);
    EXPECT_NEAR(seen.place.top + seen.place.bottom, GetSystemMetrics(SM_CYSCREEN), 1);
  }
}

TEST(MessageDialog, PaintsTheWindowBackgroundFromItsFrame) {
  Seen seen;
  RunDialog(false, [](MessageDialog& d) { Click(d.noButton); }, &seen);
  EXPECT_EQ(seen.corner, RGB(28, 38, 84));
  EXPECT_EQ(seen.insideFrame, RGB(255, 255, 255));
}

// Every Chinese text of the controls, against the system's own conversion of
// the characters to code page 950.
TEST(ControlTexts, ChineseTextsAreCodePage950) {
  struct Row {
    const char* stored;
    const wchar_t* characters;
  };
  const Row rows[] = {
      {messages::control_text::kYesChinese, L"是"},
      {messages::control_text::kNoChinese, L"否"},
      {messages::control_text::kConfirmChinese, L"確定"},
  };
  for (const Row& row : rows) {
    char converted[64] = {};
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(950, 0, row.characters, -1, converted, sizeof converted,
                                      nullptr, &lossy);
    ASSERT_GT(n, 1);
    EXPECT_FALSE(lossy);
    EXPECT_EQ(std::string(row.stored), std::string(converted));
  }
}

}  // namespace
