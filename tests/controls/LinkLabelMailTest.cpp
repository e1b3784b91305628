// A click on a mail target reaches Simple MAPI (a stand-in library beside the
// test that records its arguments): one recipient with the whole target as
// address, the logon and dialog flags, the main window as parent; a result
// other than success is reported as "MAPI Failure." and clears visited.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "controls/LinkLabel.h"
#include "framework/Dialog.h"
#include "framework/MessageBox.h"
#include "framework/WinApp.h"
#include "resources/resource.h"
#include "tests/controls/WindowDriver.h"

namespace {

using controls::LinkLabel;
using namespace testing_windows;

CWinApp application("VornUpdate");

class Host : public CDialog {
 public:
  Host() : CDialog(IDD_WIZARD) {}
  LinkLabel label;

 protected:
  void DoDataExchange(CDataExchange* dx) override {
    if (label.m_hWnd == nullptr) label.target = "MAILTO:support@example.test";
    DDX_Control(dx, IDC_LINK, label);
  }
  bool OnInitDialog() override {
    CDialog::OnInitDialog();
    MoveWindow(100, 100, 500, 300);
    ::MoveWindow(label.m_hWnd, 40, 40, 300, 40, TRUE);
    return true;
  }
};

std::map<std::string, std::string> ReadRecord(const std::string& path) {
  std::map<std::string, std::string> fields;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos) fields[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return fields;
}

struct Outcome {
  bool visited = false;
  COLORREF colour = 0;
  std::string parent;
  std::vector<std::string> boxes;
};

// The system's own library would start a real mail client: never click
// unless the stand-in is the one that loads.
bool StandInLoads() {
  HMODULE library = LoadLibraryA("MAPI32.DLL");
  if (library == nullptr) return false;
  const bool ours = GetProcAddress(library, "VornStandInMapi") != nullptr;
  FreeLibrary(library);
  return ours;
}

Outcome ClickWithMapiResult(const char* result, const std::string& record) {
  SetEnvironmentVariableA("VORN_MAPI_RESULT", result);
  SetEnvironmentVariableA("VORN_MAPI_RECORD", record.c_str());
  DeleteFileA(record.c_str());
  Outcome outcome;
  framework::SetMessageBoxHook([&](const framework::MessageBoxCall& call) {
    outcome.boxes.push_back(call.text + "|" + call.caption);
    return IDOK;
  });
  Host host;
  application.m_pMainWnd = &host;
  CDialog::SetModalHook([&](CDialog&) {
    Pump(50);
    MoveMouse(CentreOf(host.label.m_hWnd));
    PressLeft();
    ReleaseLeft();
    outcome.visited = host.label.visited;
    outcome.colour = host.label.textColour;
    outcome.parent = std::to_string(reinterpret_cast<ULONG_PTR>(host.m_hWnd));
    host.EndDialog(IDCANCEL);
  });
  host.DoModal();
  CDialog::SetModalHook(nullptr);
  framework::SetMessageBoxHook(nullptr);
  application.m_pMainWnd = nullptr;
  return outcome;
}

TEST(LinkLabelMail, SendsOneRecipientWithTheWholeTargetAsAddress) {
  ASSERT_TRUE(StandInLoads());
  const std::string record = "mapi_record_ok.txt";
  const Outcome outcome = ClickWithMapiResult("0", record);
  const auto fields = ReadRecord(record);
  ASSERT_FALSE(fields.empty()) << "the stand-in MAPI32.DLL was not called";
  EXPECT_EQ(fields.at("session"), "0");
  EXPECT_EQ(fields.at("parent"), outcome.parent);
  EXPECT_EQ(fields.at("flags"), "9");  // MAPI_LOGON_UI | MAPI_DIALOG
  EXPECT_EQ(fields.at("reserved"), "0");
  EXPECT_EQ(fields.at("subject"), "null");
  EXPECT_EQ(fields.at("note"), "null");
  EXPECT_EQ(fields.at("files"), "0");
  EXPECT_EQ(fields.at("originator"), "null");
  EXPECT_EQ(fields.at("recipients"), "1");
  EXPECT_EQ(fields.at("class"), "1");  // MAPI_TO
  EXPECT_EQ(fields.at("name"), "");
  EXPECT_EQ(fields.at("address"), "MAILTO:support@example.test");
  EXPECT_EQ(fields.at("entry"), "0");
  EXPECT_TRUE(outcome.visited);
  EXPECT_EQ(outcome.colour, RGB(255, 0, 255));
  EXPECT_TRUE(outcome.boxes.empty());
  DeleteFileA(record.c_str());
}

TEST(LinkLabelMail, AnyOtherResultIsAFailure) {
  ASSERT_TRUE(StandInLoads());
  const std::string record = "mapi_record_abort.txt";
  const Outcome outcome = ClickWithMapiResult("1", record);  // MAPI_USER_ABORT
  EXPECT_FALSE(ReadRecord(record).empty());
  EXPECT_FALSE(outcome.visited);
  EXPECT_EQ(outcome.colour, RGB(255, 255, 255));
  EXPECT_EQ(outcome.boxes, std::vector<std::string>{"MAPI Failure.|Error"});
  DeleteFileA(record.c_str());
}

}  // namespace
