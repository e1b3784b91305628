// The whole program in real windows: VornUpdate.exe under Wine against the
// simulated drives and the real FTP server on the build's port, on the line
// of Windows run-wizard-windows.sh chose for the tree (VORN_TEST_LINE): the
// ASPI side under the Windows 98 setting, or the NT line, where each device
// of the drives file has a CD-ROM letter (D: for the first) reached through
// SCSI pass-through, driven through its windows by the UI driver as a person
// would. run-wizard-windows.sh starts this program three times: without a
// server (the no-connection cases), with one serving VORN_TEST_FTP_ROOT, and
// with that server under the Chinese (Taiwan) locale, which a Wine process
// takes from the environment it was started in and hands to its children.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tools/ftp-server/FtpFixtureClient.h"
#include "tools/sgio-sim/SimLetters.h"
#include "tools/uidriver/Reader.h"
#include "tools/uidriver/UiDriver.h"
#include "tests/common/TestFiles.h"

namespace {

using testfiles::ReadFile;
using testfiles::WriteFile;

using namespace uidriver;

constexpr int kTimeout = 30000;
constexpr int kOk = 1, kCancel = 2, kList = 1002, kBack = 1005, kNext = 1006, kLink = 1015;
constexpr const char* kTitle = "VORN Firmware Update";

// Code page 950 texts the Chinese windows show.
const std::string kCancelChinese = "\xA8\xFA\xAE\xF8";                 // 取消
const std::string kBackChinese = "<<\xA4W\xA4@\xA8" "B";               // <<上一步
const std::string kNextChinese = "\xA4U\xA4@\xA8" "B>>";               // 下一步>>

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// A Linux path as the Windows side sees it.
std::string WindowsPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

bool OnNtLine() { return Environment("VORN_TEST_LINE") == "nt"; }

// `text` with each address a:t:l of the drives file ("0:1:0") as the program
// names that drive on this line (E: on the NT line).
std::string OnThisLine(std::string text) {
  for (int target = 0; OnNtLine() && target < 10; ++target) {
    const std::string address = "0:" + std::to_string(target) + ":0", letter = {char('D' + target), ':'};
    for (std::size_t at; (at = text.find(address)) != std::string::npos;) text.replace(at, address.size(), letter);
  }
  return text;
}

// The window without buttons that says the drives are being looked for.
bool IsWaitingWindow(HWND window) {
  return !IsShown(Control(window, 1)) && !IsShown(Control(window, 2));
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

struct SimDrive {
  std::string vendor, product, revision, dateCode;
  std::string delay;  // of the simulated device's answers: empty, ms or "never"
};

// The drives file the simulated drives answer from; on the NT line each
// device it lists gets its letter.
void WriteDrivesFile(const std::string& text) {
  WriteFile(Environment("VORN_ASPI_DRIVES"), text);
  if (OnNtLine()) {
    EXPECT_EQ(simletters::GiveLetters(Environment("VORN_ASPI_DRIVES")).find("error"), std::string::npos);
  }
}

std::string HistoryFile();
// The highest catalogue serial the program accepted, beside the history.
std::string SerialFile() { return HistoryFile().substr(0, HistoryFile().rfind('\\')) + "\\CatalogueSerial.txt"; }

// One run of the wizard with a given set of drives and language.
class WizardRun {
 public:
  // Starts the wizard and waits for its window; unless `waitForNext` is
  // false, also for the end of the catalogue fetch (Next enabled).
  explicit WizardRun(const std::vector<SimDrive>& drives, bool waitForNext = true) {
    WriteDrives(drives);
    // Each run starts without a history, unless the test wrote one.
    if (waitForNext) DeleteFileA(HistoryFile().c_str());
    started = GetTickCount();
    EXPECT_TRUE(process.Start("\"" + Environment("VORN_WIZARD_EXE") + "\""));
    // Long enough to time even a start that waits out every attempt on a
    // silent server.
    wizard = WaitForWindow(process.id(), "#32770", kTitle, 200000);
    shownAfterMs = GetTickCount() - started;
    if (wizard != nullptr && IsWaitingWindow(wizard)) WaitOutTheLookForDrives();
    EXPECT_NE(wizard, nullptr) << "no wizard window";
    if (!waitForNext) return;
    Settle();
    EXPECT_TRUE(WaitUntil([&] { return IsEnabled(Button(kNext)); }, kTimeout));
  }

  HWND Button(int id) const { return Control(wizard, id); }
  HWND List() const { return Control(wizard, kList); }
  std::string Label(int id) const { return Text(Button(id)); }

  // Lets the wizard's thread handle what was posted to it.
  void Settle() {
    for (int i = 0; i < 3; ++i) {
      DWORD_PTR ignored;
      SendMessageTimeoutA(wizard, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
      Sleep(100);
    }
  }

  void Next() {
    ASSERT_TRUE(Click(Button(kNext)));
    ASSERT_TRUE(WaitUntil([&] { return (IsEnabled(Button(kCancel)) && !IsEnabled(Button(kNext))) || IsShown(List()); },
                          kTimeout));
    Settle();
  }

  // The next dialog of the wizard's process other than the wizard.
  HWND WaitForDialog(const std::vector<HWND>& known = {}) {
    std::vector<HWND> exclude = known;
    exclude.push_back(wizard);
    return WaitForWindow(process.id(), "#32770", "", kTimeout, exclude);
  }

  // Clicks a row and answers the question that follows.
  void ClickRowAndAnswer(int row, int answer) {
    ASSERT_TRUE(ClickListRow(List(), row));
    HWND question = WaitForDialog();
    ASSERT_NE(question, nullptr) << "no question after a click on row " << row;
    ASSERT_TRUE(ClickId(question, answer));
    ASSERT_TRUE(WaitForClose(question, kTimeout));
    Settle();
  }

  // Clicks a firmware row and Save File in the download window; `download`
  // and `saveAs` get the download window and the save-file dialog.
  void OpenSaveDialog(int row, HWND& download, HWND& saveAs) {
    ASSERT_TRUE(ClickListRow(List(), row));
    download = WaitForDialog();
    ASSERT_NE(download, nullptr) << "no download window";
    ASSERT_TRUE(ClickId(download, kOk));
    saveAs = WaitForDialog({download});
    ASSERT_NE(saveAs, nullptr) << "no save dialog";
  }

  // Clicks a firmware row, saves the file at `savePath` and answers the
  // update-now question.
  void Download(int row, const std::string& savePath, int answer) {
    HWND download = nullptr, saveAs = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenSaveDialog(row, download, saveAs));
    ASSERT_TRUE(FillSaveDialog(saveAs, savePath, kTimeout));
    HWND question = WaitForWindow(process.id(), "#32770", kTitle, kTimeout, {wizard, download});
    ASSERT_NE(question, nullptr) << "no update-now question";
    ASSERT_TRUE(ClickId(question, answer));
    ASSERT_TRUE(WaitForClose(question, kTimeout));
  }

  std::vector<std::string> Column(int column) const {
    std::vector<std::string> texts;
    for (int row = 0; row < ListRowCount(List()); ++row) texts.push_back(ListText(List(), row, column));
    return texts;
  }

  std::vector<int> ColumnWidths() const {
    std::vector<int> widths;
    for (int column = 0; column < ListColumnCount(List()); ++column) {
      widths.push_back(ListColumnWidth(List(), column));
    }
    return widths;
  }

  std::vector<std::string> ColumnTitles() const {
    std::vector<std::string> titles;
    for (int column = 0; column < ListColumnCount(List()); ++column) {
      titles.push_back(ListColumnTitle(List(), column));
    }
    return titles;
  }

  // Waits for the end of the wizard and returns its result.
  int Result() {
    EXPECT_TRUE(process.WaitForExit(kTimeout)) << "the wizard is still open";
    return static_cast<int>(process.ExitCode());
  }

  Process process;
  HWND wizard = nullptr;
  DWORD started = 0;       // tick count at the start of the process
  DWORD shownAfterMs = 0;  // from the start to the visible window
  // The window shown while the drives were looked for, if any: when it
  // showed, and the longest time it went without answering.
  HWND lookWindow = nullptr;
  DWORD lookShownAfterMs = 0, lookLongestGapMs = 0;

 private:
  static void WriteDrives(const std::vector<SimDrive>& drives);
  void WaitOutTheLookForDrives();
};

void WizardRun::WriteDrives(const std::vector<SimDrive>& drives) {
  std::string text;
  int target = 0;
  for (const SimDrive& drive : drives) {
    text += "0 " + std::to_string(target++) + " 0 5 |" + drive.vendor + "|" + drive.product + "|" +
            drive.revision + "|" + drive.dateCode + "|" + drive.delay + "\r\n";
  }
  WriteDrivesFile(text);
}

// Makes the demo flasher that the wizard starts end at once and record its
// runs in a fresh `folder`\flasher.log; returns that record's path.
std::string QuietFlasherLog(const std::string& folder) {
  const std::string log = folder + "\\flasher.log";
  DeleteFileA(log.c_str());
  SetEnvironmentVariableA("VORN_FLASHER_LOG", log.c_str());
  SetEnvironmentVariableA("VORN_FLASHER_QUIET", "1");
  return log;
}

const SimDrive kQx1234{"VORN", "QX-1234A", "1.20", "030101", ""};
const SimDrive kQx9000{"VORN", "QX-9000B", "2.05", "021115", ""};
const SimDrive kOtherMaker{"ACME", "CD-52X", "1.00", "020202", ""};

// The served tree, as run-wizard-windows.sh published it with the maker's
// tools (tests/wizard/served-catalogue.txt, signed, each file's size and hash
// listed): three files for QX-1234A (the first and the third with the same
// name, from different folders) and nothing newer for QX-9000B. An entry
// listed without a hash (1.40) is never offered. Each file holds "firmware"
// and its path; in the "archive" variant the first is a real archive that
// carries the flasher.
class ServedTree {
 public:
  ServedTree() : root_(WindowsPath(Environment("VORN_TEST_FTP_ROOT"))) {}
  explicit ServedTree(const std::string& windowsRoot) : root_(windowsRoot) {}

  void Publish(const std::string& variant = "plain") {
    Copy(WindowsPath(Environment("VORN_TEST_PUBLISHED")) + "\\" + variant, root_);
  }
  void Remove(const std::string& file) { DeleteFileA((root_ + file).c_str()); }
  void Withdraw() { Remove(kCatalogue); }
  std::string Path(const std::string& file) const { return root_ + file; }
  // Changes one byte of a served file, keeping its size.
  void Spoil(const std::string& file, std::size_t at) {
    std::string bytes = ReadFile(root_ + file);
    ASSERT_LT(at, bytes.size()) << file;
    bytes[at] = static_cast<char>(bytes[at] ^ 0x01);
    WriteFile(root_ + file, bytes);
  }

  static constexpr const char* kCatalogue = "\\pub\\VORN\\cdrom\\odd.idx";
  static constexpr const char* kSignature = "\\pub\\VORN\\cdrom\\odd.idx.sig";
  static constexpr const char* kOtherSignature = "\\pub\\VORN\\cdrom\\odd.idx.other-sig";

 private:
  static void Copy(const std::string& from, const std::string& to) {
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((from + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        Copy(from + "\\" + name, to + "\\" + name);
      } else {
        CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE);
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }

  std::string root_;
};

const std::string kFirstFile = "\\pub\\VORN\\cdrom\\a\\qx.zip";

std::string ScratchFolder(const std::string& name) {
  const std::string folder = WindowsPath(Environment("VORN_TEST_SCRATCH")) + "\\" + name;
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

// What a screen reader reads on each page (tools/uidriver/Reader.h), one
// table of rows per page and language.
const struct Reading {
  const char* page;
  bool chinese;
  std::vector<std::string> rows;
} kReadings[] = {
    {"welcome", false,
     {"window: VORN Firmware Update", "text: VORN  Precision in every spin / Optical Storage",
      "text: http://www.vornhal.com", "button: <<BACK (unavailable)", "button: NEXT>>", "button: CANCEL"}},
    {"welcome", true,
     {"window: VORN Firmware Update", "text: VORN  Precision in every spin / Optical Storage",
      "text: http://www.vornhal.com", "button: <<上一步 (unavailable)", "button: 下一步>>", "button: 取消"}},
    {"first device page", false,
     {"window: VORN Firmware Update", "text: VORN  Precision in every spin",
      "text: Please select one device from the left list.", "list", "column: Device Name", "column: Version",
      "row: QX-1234A | 1.20", "row: QX-9000B | 2.05", "text: http://www.vornhal.com",
      "button: <<BACK (unavailable)", "button: NEXT>> (unavailable)", "button: OK"}},
    {"first device page", true,
     {"window: VORN Firmware Update", "text: VORN  Precision in every spin", "text: 請從左方列表選擇一光碟機。",
      "list", "column: 碟機型號", "column: 目前韌體版本", "row: QX-1234A | 1.20", "row: QX-9000B | 2.05",
      "text: http://www.vornhal.com", "button: <<上一步 (unavailable)", "button: 下一步>> (unavailable)",
      "button: 取消"}},
    {"device question", false,
     {"window: VORN Firmware Update",
      "text: Do  you  want to  update  the  new  firmware  of  the  VORN / QX-1234A device?", "button: Yes",
      "button: No"}},
    {"firmware page", false,
     {"window: VORN Firmware Update", "text: VORN  Precision in every spin",
      "text: Please choose a new firmware to update. / When you click one firmware, you can get some "
      "descriptions of the firmware from the pop-up message, and you can decide to update or press NO button "
      "to cancel.",
      "list", "column: File Name", "column: Version", "column: Date(YYMMDD)", "row: qx.zip | 1.30 | 030301",
      "row: qx131.zip | 1.31 | 030302", "row: qx.zip | 1.32 | 030303", "text: http://www.vornhal.com",
      "button: <<BACK", "button: NEXT>> (unavailable)", "button: CANCEL"}},
    {"firmware page", true,
     {"window: VORN Firmware Update", "text: VORN  Precision in every spin",
      "text: 請從左方列表選擇一韌體版本以更新。 / 當選擇一版本時，可知道該韌體所新增之功能，並可選擇繼續更新或取消。",
      "list", "column: 檔案名稱", "column: 版本", "column: 日期(年月日)", "row: qx.zip | 1.30 | 030301",
      "row: qx131.zip | 1.31 | 030302", "row: qx.zip | 1.32 | 030303", "text: http://www.vornhal.com",
      "button: <<上一步", "button: 下一步>> (unavailable)", "button: 取消"}},
    {"nothing newer, others remain", false,
     {"window: VORN Firmware Update", "text: VORN  Precision in every spin",
      "text: There is no new firmware for this device! / Please press NEXT to update another device or CANCEL "
      "to exit.",
      "button: <<BACK (unavailable)", "button: NEXT>>", "button: CANCEL"}},
    {"nothing newer, others remain", true,
     {"window: VORN Firmware Update", "text: VORN  Precision in every spin",
      "text: 此碟機不需更新韌體！ / 請按[下一步]更新其他碟機之韌體或按[取消] 離開。", "button: <<上一步 (unavailable)",
      "button: 下一步>>", "button: 取消"}},
    {"no drive", false,
     {"window: VORN Firmware Update", "text: VORN  Precision in every spin",
      "text: You have no VORN devices, if you would like to buy one, please browse http://www.vornhal.com. / "
      "Please press CANCEL to exit, thank you.",
      "text: http://www.vornhal.com", "button: <<BACK (unavailable)", "button: NEXT>> (unavailable)",
      "button: CANCEL"}},
    {"no connection", false,
     {"window: VORN Firmware Update", "text: VORN  Precision in every spin",
      "text: Please update when you are on net, and press CANCEL to exit.", "button: <<BACK (unavailable)",
      "button: NEXT>> (unavailable)", "button: CANCEL"}},
    {"catalogue missing", false,
     {"window: VORN Firmware Update", "text: VORN  Precision in every spin",
      "text: We are sorry that now VORN is setting up the information of new firmware; or your network is "
      "unstable. / Please update later, and press OK to exit.",
      "text: http://www.vornhal.com", "button: <<BACK (unavailable)", "button: NEXT>> (unavailable)",
      "button: OK"}},
    {"nothing newer, last drive", false,
     {"window: VORN Firmware Update", "text: VORN  Precision in every spin",
      "text: There is no new firmware for this device! / Please press CANCEL to exit.",
      "button: <<BACK (unavailable)", "button: NEXT>> (unavailable)", "button: CANCEL"}},
};

// Compares what a screen reader reads in `window` with the page's table in
// the locale's language.
void ExpectReading(HWND window, const std::string& page) {
  const bool chinese = GetUserDefaultLangID() == 1028;
  for (const Reading& reading : kReadings) {
    if (page != reading.page || chinese != reading.chinese) continue;
    EXPECT_EQ(ReadAloud(window), reading.rows) << "read on the " << page;
    return;
  }
  ADD_FAILURE() << "no reading for the " << page;
}

// ---------------------------------------------------------------- no server

TEST(WizardWithoutServerTest, NoDriveOfTheMakerAndNoConnectionPagesEndByEnterAndEscape) {
  {
    WizardRun run({kOtherMaker});
    EXPECT_FALSE(IsEnabled(run.Button(kBack)));
    EXPECT_EQ(run.Label(kNext), "NEXT>>");
    EXPECT_EQ(run.Label(kCancel), "CANCEL");
    run.Next();
    ExpectReading(run.wizard, "no drive");
    // The no-drive page: no list, the link label at its place, only Cancel.
    EXPECT_FALSE(IsShown(run.List()));
    EXPECT_TRUE(IsShown(run.Button(kLink)));
    EXPECT_FALSE(IsEnabled(run.Button(kNext)));
    EXPECT_FALSE(IsEnabled(run.Button(kBack)));
    EXPECT_TRUE(IsEnabled(run.Button(kCancel)));
    // Enter, with no push button holding the focus, ends it with IDOK.
    PressKey(run.wizard, VK_RETURN);
    EXPECT_EQ(run.Result(), IDOK);
  }
  {
    WizardRun run({kQx1234, kOtherMaker});
    run.Next();
    ExpectReading(run.wizard, "no connection");
    // The no-connection page: the link label goes too.
    EXPECT_FALSE(IsShown(run.List()));
    EXPECT_FALSE(IsShown(run.Button(kLink)));
    EXPECT_FALSE(IsEnabled(run.Button(kNext)));
    EXPECT_FALSE(IsEnabled(run.Button(kBack)));
    EXPECT_EQ(run.Label(kCancel), "CANCEL");
    PressKey(run.Button(kCancel), VK_ESCAPE);
    EXPECT_EQ(run.Result(), IDCANCEL);
  }
}

// ---------------------------------------------------------------- with server

TEST(WizardWithServerTest, CatalogueMissingPageOffersOnlyOk) {
  ASSERT_NE(GetUserDefaultLangID(), 1028) << "the English cases need a locale other than zh_TW";
  ServedTree tree;
  tree.Publish();
  tree.Withdraw();
  WizardRun run({kQx1234});
  run.Next();
  ExpectReading(run.wizard, "catalogue missing");
  EXPECT_FALSE(IsShown(run.List()));
  EXPECT_TRUE(IsShown(run.Button(kLink)));
  EXPECT_FALSE(IsEnabled(run.Button(kNext)));
  EXPECT_EQ(run.Label(kCancel), "OK");
  EXPECT_TRUE(Click(run.Button(kCancel)));
  EXPECT_EQ(run.Result(), IDCANCEL);
}

TEST(WizardWithServerTest, EnglishPagesQuestionsAndTheChoiceByPosition) {
  ServedTree tree;
  tree.Publish();
  const std::string saved = ScratchFolder("english") + "\\chosen.zip";
  WizardRun run({kQx1234, kOtherMaker, kQx9000});
  ExpectReading(run.wizard, "welcome");
  run.Next();

  // The first device page: the maker's drives in drive order.
  ASSERT_TRUE(IsShown(run.List()));
  ExpectReading(run.wizard, "first device page");
  EXPECT_EQ(run.Column(0), (std::vector<std::string>{"QX-1234A", "QX-9000B"}));
  EXPECT_EQ(run.Column(1), (std::vector<std::string>{"1.20", "2.05"}));
  EXPECT_EQ(run.ColumnWidths(), (std::vector<int>{132, 108}));
  EXPECT_EQ(run.ColumnTitles(), (std::vector<std::string>{"Device Name", "Version"}));
  EXPECT_EQ(run.Label(kBack), "<<BACK");
  EXPECT_EQ(run.Label(kNext), "NEXT>>");
  EXPECT_EQ(run.Label(kCancel), "OK");
  EXPECT_FALSE(IsEnabled(run.Button(kBack)));
  EXPECT_FALSE(IsEnabled(run.Button(kNext)));

  // A click on no row changes nothing; No to the question keeps the drive.
  ASSERT_TRUE(ClickListRow(run.List(), -1));
  run.Settle();
  EXPECT_EQ(TopWindows(run.process.id(), "#32770").size(), 1u) << "a click on no row asked something";
  ASSERT_TRUE(ClickListRow(run.List(), 0));
  HWND question = run.WaitForDialog();
  ASSERT_NE(question, nullptr);
  ExpectReading(question, "device question");
  ASSERT_TRUE(ClickId(question, kCancel));
  ASSERT_TRUE(WaitForClose(question, kTimeout));
  run.Settle();
  EXPECT_EQ(run.Column(0), (std::vector<std::string>{"QX-1234A", "QX-9000B"}));
  EXPECT_FALSE(IsEnabled(run.Button(kBack)));
  EXPECT_TRUE(ShowsWhatItPaints(run.wizard, kTimeout)) << "the device page after No";

  // Yes: the firmware page, three rows in catalogue order.
  run.ClickRowAndAnswer(0, kOk);
  EXPECT_TRUE(ShowsWhatItPaints(run.wizard, kTimeout)) << "the firmware page";
  ExpectReading(run.wizard, "firmware page");
  EXPECT_EQ(run.Column(0), (std::vector<std::string>{"qx.zip", "qx131.zip", "qx.zip"}));
  EXPECT_EQ(run.Column(1), (std::vector<std::string>{"1.30", "1.31", "1.32"}));
  EXPECT_EQ(run.Column(2), (std::vector<std::string>{"030301", "030302", "030303"}));
  // As wide as the titles and names need in the prefix's fonts; the date
  // takes the rest of the list's 240 pixels.
  EXPECT_EQ(run.ColumnWidths(), (std::vector<int>{69, 55, 116}));
  EXPECT_EQ(run.ColumnTitles(), (std::vector<std::string>{"File Name", "Version", "Date(YYMMDD)"}));
  EXPECT_TRUE(IsEnabled(run.Button(kBack)));
  EXPECT_FALSE(IsEnabled(run.Button(kNext)));
  EXPECT_EQ(run.Label(kCancel), "CANCEL");

  // Back: the device page again, now with CANCEL.
  ASSERT_TRUE(Click(run.Button(kBack)));
  ASSERT_TRUE(WaitUntil([&] { return !IsEnabled(run.Button(kBack)); }, kTimeout));
  run.Settle();
  EXPECT_EQ(run.Column(0), (std::vector<std::string>{"QX-1234A", "QX-9000B"}));
  EXPECT_EQ(run.ColumnWidths(), (std::vector<int>{132, 108}));
  EXPECT_EQ(run.Label(kCancel), "CANCEL");

  // The drive with nothing newer: the no-new-firmware page, Next enabled
  // because another drive remains; Next shows that one alone.
  run.ClickRowAndAnswer(1, kOk);
  EXPECT_TRUE(ShowsWhatItPaints(run.wizard, kTimeout)) << "the no-new-firmware page";
  ExpectReading(run.wizard, "nothing newer, others remain");
  EXPECT_FALSE(IsShown(run.List()));
  EXPECT_FALSE(IsShown(run.Button(kLink)));
  EXPECT_TRUE(IsEnabled(run.Button(kNext)));
  EXPECT_FALSE(IsEnabled(run.Button(kBack)));
  EXPECT_EQ(run.Label(kCancel), "CANCEL");
  run.Next();
  EXPECT_EQ(run.Column(0), (std::vector<std::string>{"QX-1234A"}));
  EXPECT_TRUE(IsShown(run.Button(kLink)));

  // The third row, whose name repeats the first, fetches the third file. No
  // to update-now still removes the drive, and with none left the wizard
  // ends by itself with IDOK.
  run.ClickRowAndAnswer(0, kOk);
  run.Download(2, saved, kCancel);
  EXPECT_EQ(run.Result(), IDOK);
  EXPECT_EQ(ReadFile(saved), "firmware pub/VORN/cdrom/b/qx.zip");
}

TEST(WizardChineseTest, PagesTextsAndColumnWidths) {
  ServedTree tree;
  tree.Publish();
  ASSERT_EQ(GetUserDefaultLangID(), 1028) << "run with LANG=zh_TW.UTF-8 LC_ALL=zh_TW.UTF-8";
  WizardRun run({kQx1234, kQx9000});
  EXPECT_EQ(run.Label(kBack), kBackChinese);
  EXPECT_EQ(run.Label(kNext), kNextChinese);
  ExpectReading(run.wizard, "welcome");
  run.Next();
  ExpectReading(run.wizard, "first device page");
  EXPECT_EQ(run.ColumnWidths(), (std::vector<int>{96, 144}));
  EXPECT_EQ(run.ColumnTitles(), (std::vector<std::string>{"\xBA\xD0\xBE\xF7\xAB\xAC\xB8\xB9",
                                                          "\xA5\xD8\xAB" "e\xB6\xB4\xC5\xE9\xAA\xA9\xA5\xBB"}));
  EXPECT_EQ(run.Label(kCancel), kCancelChinese);
  EXPECT_EQ(run.Label(kBack), kBackChinese);

  run.ClickRowAndAnswer(0, kOk);
  ExpectReading(run.wizard, "firmware page");
  EXPECT_EQ(run.ColumnWidths(), (std::vector<int>{70, 40, 130}));
  EXPECT_EQ(run.Label(kCancel), kCancelChinese);
  ASSERT_TRUE(Click(run.Button(kBack)));
  ASSERT_TRUE(WaitUntil([&] { return !IsEnabled(run.Button(kBack)); }, kTimeout));
  run.Settle();

  // QX-1234A has files and stays; QX-9000B has nothing newer and leaves.
  run.ClickRowAndAnswer(1, kOk);
  ExpectReading(run.wizard, "nothing newer, others remain");
  EXPECT_TRUE(IsEnabled(run.Button(kNext)));
  run.Next();
  EXPECT_EQ(run.Column(0), (std::vector<std::string>{"QX-1234A"}));
  // Enter while the list holds the focus (a click on its empty part) ends
  // the wizard.
  ASSERT_TRUE(ClickListRow(run.List(), -1));
  run.Settle();
  EXPECT_EQ(run.Column(0), (std::vector<std::string>{"QX-1234A"}));
  PressKey(run.List(), VK_RETURN);
  EXPECT_EQ(run.Result(), IDOK);
}

// A file missing on the server, and an archive changed after the catalogue
// was signed (same size): the user is told, the download window ends as if
// cancelled, the update-now question is not asked, the file saved before
// stays, nothing is unpacked or started, and the firmware page stays.
TEST(WizardWithServerTest, FailedOrChangedDownloadKeepsTheFirmwarePageAndTheOldFile) {
  const struct {
    const char* name;
    const char* variant;
    int row;
  } rows[] = {{"missing on the server", "plain", 2}, {"changed after signing", "archive", 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ServedTree tree;
    tree.Publish(row.variant);
    if (row.row == 2) {
      tree.Remove("\\pub\\VORN\\cdrom\\b\\qx.zip");
    } else {
      tree.Spoil(kFirstFile, 1000);
    }
    const std::string folder = ScratchFolder(std::string("failed-") + row.variant);
    const std::string saved = folder + "\\kept.zip";
    const std::string log = QuietFlasherLog(folder);
    WriteFile(saved, "the file saved before");
    WizardRun run({kQx1234});
    run.Next();
    run.ClickRowAndAnswer(0, kOk);

    HWND download = nullptr, saveAs = nullptr;
    ASSERT_NO_FATAL_FAILURE(run.OpenSaveDialog(row.row, download, saveAs));
    ASSERT_TRUE(FillSaveDialog(saveAs, saved, kTimeout));
    HWND failure = WaitForWindow(run.process.id(), "#32770", kTitle, kTimeout, {run.wizard, download});
    ASSERT_NE(failure, nullptr) << "no message about the failed transfer";
    ASSERT_TRUE(ClickId(failure, kCancel));  // its one button
    ASSERT_TRUE(WaitForClose(download, kTimeout));
    run.Settle();
    EXPECT_EQ(TopWindows(run.process.id(), "#32770").size(), 1u) << "the update-now question was asked";
    EXPECT_EQ(ReadFile(saved), "the file saved before");
    EXPECT_FALSE(Exists(folder + "\\kept")) << "something was unpacked";
    EXPECT_FALSE(Exists(log)) << "the flasher was started";

    // The firmware page stays, and another file can be fetched.
    EXPECT_TRUE(ShowsWhatItPaints(run.wizard, kTimeout)) << "the firmware page after the message";
    EXPECT_EQ(run.Column(1), (std::vector<std::string>{"1.30", "1.31", "1.32"}));
    EXPECT_TRUE(IsEnabled(run.Button(kBack)));
    run.Download(1, saved, kCancel);
    EXPECT_EQ(run.Result(), IDOK);
    EXPECT_EQ(ReadFile(saved), "firmware pub/VORN/cdrom/a/qx131.zip");
  }
}

// A catalogue changed in one byte, without its signature, signed with a key
// the program does not trust, or older than one accepted before: not used.
// The user is told so and sees the catalogue-missing page.
TEST(WizardWithServerTest, UnverifiedCatalogueIsNotUsedAndTheUserIsTold) {
  const char* const cases[] = {"one byte changed", "signature missing", "signed with another key",
                               "an older serial than one accepted"};
  for (const char* name : cases) {
    SCOPED_TRACE(name);
    ServedTree tree;
    tree.Publish();
    const std::string which = name;
    if (which == "one byte changed") {
      tree.Spoil(ServedTree::kCatalogue, ReadFile(tree.Path(ServedTree::kCatalogue)).find("1.31") + 3);
    } else if (which == "signature missing") {
      tree.Remove(ServedTree::kSignature);
    } else if (which == "an older serial than one accepted") {
      WriteFile(SerialFile(), "2\r\n");  // the tools' tree has serial 1
    } else {
      CopyFileA(tree.Path(ServedTree::kOtherSignature).c_str(), tree.Path(ServedTree::kSignature).c_str(), FALSE);
    }
    WizardRun run({kQx1234});
    ASSERT_TRUE(Click(run.Button(kNext)));
    HWND message = run.WaitForDialog();
    ASSERT_NE(message, nullptr) << "no message about the unverified catalogue";
    // Its one button, clicked or taken by Enter.
    if (which == "signature missing") {
      PressKey(message, VK_RETURN);
    } else {
      ASSERT_TRUE(ClickId(message, kCancel));
    }
    ASSERT_TRUE(WaitForClose(message, kTimeout));
    run.Settle();
    EXPECT_TRUE(ShowsWhatItPaints(run.wizard, kTimeout)) << "the page after the message is not painted";
    EXPECT_FALSE(IsShown(run.List()));
    EXPECT_FALSE(IsEnabled(run.Button(kNext)));
    EXPECT_EQ(run.Label(kCancel), "OK");
    EXPECT_TRUE(Click(run.Button(kCancel)));
    EXPECT_EQ(run.Result(), IDCANCEL);
  }
  EXPECT_EQ(ReadFile(SerialFile()).substr(0, 3), "2\r\n") << "the kept serial is never lowered";
  DeleteFileA(SerialFile().c_str());
}

TEST(WizardWithServerTest, DeviceThatNeverAnswersDoesNotStopTheStart) {
  ServedTree tree;
  tree.Publish();
  const SimDrive stuck{"VORN", "QX-5000C", "1.00", "010101", "never"};
  WizardRun run({kQx1234, stuck, kQx9000}, false);
  // While the drive is waited for, a window says so, and answers.
  ASSERT_NE(run.lookWindow, nullptr) << "no window while the drives were looked for";
  EXPECT_LT(run.lookShownAfterMs, 5000u);
  EXPECT_LT(run.lookLongestGapMs, 2500u);
  ASSERT_NE(run.wizard, nullptr);
  if (OnNtLine()) {
    // The drive that did not answer is named before the wizard.
    EXPECT_EQ(Text(Control(run.wizard, 0xFFFF)).substr(0, 3), "E: ");
    ASSERT_TRUE(ClickId(run.wizard, IDOK));
    run.wizard = WaitForWindow(run.process.id(), "#32770", kTitle, kTimeout, {run.wizard});
    ASSERT_NE(run.wizard, nullptr);
  }
  EXPECT_TRUE(WaitUntil([&] { return IsEnabled(run.Button(kNext)); }, kTimeout));
  run.Next();
  EXPECT_EQ(run.Column(0), (std::vector<std::string>{"QX-1234A", "QX-9000B"}));
  PressKey(run.Button(kCancel), VK_ESCAPE);
  EXPECT_EQ(run.Result(), IDCANCEL);
}

TEST(WizardWithServerTest, LastDriveWithNothingNewerLeavesOnlyCancel) {
  ServedTree tree;
  tree.Publish();
  WizardRun run({kQx9000});
  run.Next();
  run.ClickRowAndAnswer(0, kOk);
  ExpectReading(run.wizard, "nothing newer, last drive");
  EXPECT_FALSE(IsShown(run.List()));
  EXPECT_FALSE(IsEnabled(run.Button(kNext)));
  EXPECT_TRUE(IsEnabled(run.Button(kCancel)));
  PressKey(run.Button(kCancel), VK_ESCAPE);
  EXPECT_EQ(run.Result(), IDCANCEL);
}

// The history of updates: under the Windows 98 setting beside the program,
// on the NT line in the user's application data.
std::string HistoryFile() {
  if (OnNtLine()) return Environment("APPDATA") + "\\VORN\\UpdateHistory.txt";
  const std::string program = Environment("VORN_WIZARD_EXE");
  return program.substr(0, program.find_last_of('\\')) + "\\UpdateHistory.txt";
}

// The records of the history with their verdicts: "model address before
// installed verdict" each, a drive letter as the address of its device.
std::vector<std::string> HistoryVerdicts() {
  std::vector<std::string> records;
  std::istringstream lines(ReadFile(HistoryFile()));
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    if (line.back() == '\r') line.pop_back();
    std::vector<std::string> fields;
    std::istringstream split(line);
    for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
    if (fields.size() != 8) return {"malformed: " + line};
    if (OnNtLine() && fields[2].size() == 2) fields[2] = "0:" + std::to_string(fields[2][0] - 'D') + ":0";
    records.push_back(fields[1] + " " + fields[2] + " " + fields[3] + " " + fields[4] + " " + fields[7]);
  }
  return records;
}

// The whole update, then what the drive says when it is read again after the
// flasher ended: the quiet flasher rewrites the simulated drive's revision,
// leaves it, or takes the drive away (VORN_FLASHER_OUTCOME). The program
// tells the verdict in a message after the wizard and keeps it in the history.
// A disc in the drive, or a drive writing one, holds the flash back first:
// Open Tray (the question's first button) lets it go on, Cancel keeps the
// downloaded archive and records the hold; so does a drive taken away
// between the scan and the flash (on the NT line: the ASPI stand-in reads its
// drives file again only when it is scanned). A folder of the archive's name that holds another file keeps it:
// the files go to newfw-2, and the user is told.
TEST(WizardWithServerTest, AfterTheFlasherTheDriveIsReadAgainAndTheVerdictKept) {
  const struct {
    const char* outcome;
    const char* unit;  // the simulated drive's medium and busy state
    int holdAnswer;    // the answer to the held check; 0: none asked
    const char* record;
    const char* into = "newfw";  // other: a file is planted in newfw first
    bool removed = false;        // the drive is taken away before the flash
  } rows[] = {
      {"flash", "", 0, "QX-1234A 0:0:0 1.20 1.30 verified"},
      {"flash", "", 0, "QX-1234A 0:0:0 1.20 1.30 verified", "newfw-2"},
      {"leave", "", 0, "QX-1234A 0:0:0 1.20 1.30 not applied"},
      {"remove", "", 0, "QX-1234A 0:0:0 1.20 1.30 drive missing"},
      {"flash", "disc", kOk, "QX-1234A 0:0:0 1.20 1.30 verified"},
      {"flash", "disc busy=always", kCancel, "QX-1234A 0:0:0 1.20 1.30 held: drive busy"},
      {"flash", "", kCancel, "QX-1234A 0:0:0 1.20 1.30 held: drive changed", "newfw", true},
  };
  for (const auto& row : rows) {
    if (row.removed && !OnNtLine()) continue;
    SCOPED_TRACE(std::string(row.outcome) + " " + row.unit + (row.removed ? "removed" : ""));
    ServedTree tree;
    tree.Publish("archive");
    const bool planted = std::string(row.into) != "newfw";
    const std::string folder = ScratchFolder(std::string("update-") + row.outcome + std::to_string(row.holdAnswer) +
                                             (row.removed ? "-removed" : "") +
                                             (planted ? "-planted" + std::to_string(GetTickCount()) : ""));
    const std::string log = QuietFlasherLog(folder);
    if (planted) {
      CreateDirectoryA((folder + "\\newfw").c_str(), nullptr);
      WriteFile(folder + "\\newfw\\version.dll", "planted");
    }
    SetEnvironmentVariableA("VORN_FLASHER_OUTCOME", row.outcome);
    SimDrive drive = kQx1234;
    drive.delay = row.unit;
    WizardRun run({drive});
    run.Next();
    run.ClickRowAndAnswer(0, kOk);
    if (row.removed) WriteFile(Environment("VORN_ASPI_DRIVES"), "");
    run.Download(0, folder + "\\newfw.zip", kOk);
    if (row.holdAnswer != 0) {
      HWND held = run.WaitForDialog();
      ASSERT_NE(held, nullptr) << "the flash was not held";
      ASSERT_TRUE(ClickId(held, row.holdAnswer));
      ASSERT_TRUE(WaitForClose(held, kTimeout));
    }
    const bool cancelled = row.holdAnswer == kCancel;
    if (cancelled) {
      HWND kept = run.WaitForDialog();
      ASSERT_NE(kept, nullptr) << "not told where the file is kept";
      ASSERT_TRUE(ClickId(kept, kCancel));  // its one button
    }
    if (planted) {
      HWND told = run.WaitForDialog();
      ASSERT_NE(told, nullptr) << "not told of the new folder";
      ASSERT_TRUE(ClickId(told, kCancel));  // its one button
      ASSERT_TRUE(WaitForClose(told, kTimeout));
    }
    ASSERT_TRUE(WaitForClose(run.wizard, kTimeout)) << "the wizard stays open";
    if (cancelled) {
      EXPECT_EQ(run.Result(), IDOK);
      EXPECT_EQ(HistoryVerdicts(), std::vector<std::string>{row.record});
      EXPECT_TRUE(Exists(folder + "\\newfw.zip")) << "the archive was not kept";
      EXPECT_FALSE(Exists(log)) << "a flasher ran: " << ReadFile(log);
      continue;
    }
    // While the flasher runs the program shows a window without buttons.
    std::vector<HWND> waiting;
    HWND verdict = nullptr;
    while ((verdict = run.WaitForDialog(waiting)) != nullptr && !IsShown(Control(verdict, kCancel))) {
      // On the NT line a letter whose drive is gone fails the rescan's
      // request, which the system's words tell first.
      if (OnNtLine() && IsShown(Control(verdict, kOk))) {
        ASSERT_TRUE(ClickId(verdict, kOk));
      }
      ASSERT_TRUE(WaitForClose(verdict, kTimeout)) << "the waiting window stays after the flasher";
      waiting.push_back(verdict);
    }
    ASSERT_NE(verdict, nullptr) << "no verdict after the flasher";
    EXPECT_EQ(HistoryVerdicts(), std::vector<std::string>{row.record});
    ASSERT_TRUE(ClickId(verdict, kCancel));  // its one button
    EXPECT_EQ(run.Result(), IDOK);
    EXPECT_FALSE(Exists(folder + "\\newfw.zip")) << "the archive was not deleted";
    EXPECT_TRUE(Exists(folder + "\\" + row.into + "\\flash.exe")) << "the archive was not unpacked";
    EXPECT_NE(ReadFile(log).find(row.into + std::string("\\flash.exe")), std::string::npos) << ReadFile(log);
    EXPECT_EQ(ReadFile(folder + "\\newfw\\version.dll"), planted ? "planted" : "");
  }
  SetEnvironmentVariableA("VORN_FLASHER_OUTCOME", nullptr);
}

// Two drives updated in one run, the first flasher still running when the
// second update is agreed to: the second starts only after the first ended
// (the waiting window shows meanwhile; the flasher log's "started" lines end
// with the time, and "ended" lines follow), and both updates are verified.
// The second drive, an older QX-9000B, is offered the served 2.05.
TEST(WizardWithServerTest, OneFlasherAtATime) {
  ServedTree tree;
  tree.Publish("two-archives");
  const std::string folder = ScratchFolder("one-at-a-time");
  const std::string log = QuietFlasherLog(folder);
  SetEnvironmentVariableA("VORN_FLASHER_HOLD_MS", "3000");
  const SimDrive second{"VORN", "QX-9000B", "2.00", "021001", "disc"};  // held until Open Tray, after the wait
  WizardRun run({kQx1234, second});
  run.Next();
  run.ClickRowAndAnswer(0, kOk);
  run.Download(0, folder + "\\first.zip", kOk);
  run.Settle();
  run.ClickRowAndAnswer(0, kOk);
  run.Download(0, folder + "\\second.zip", kOk);
  // The waiting window (no buttons), then the held check, then after the
  // wizard the waiting window again and the two verdicts (one button).
  std::vector<HWND> seen;
  int verdicts = 0;
  for (HWND shown; verdicts < 2 && (shown = run.WaitForDialog(seen)) != nullptr;) {
    seen.push_back(shown);
    const bool held = IsShown(Control(shown, kOk));
    const bool verdict = !held && IsShown(Control(shown, kCancel));
    if (held || verdict) {
      ASSERT_TRUE(ClickId(shown, held ? kOk : kCancel));
    }
    verdicts += verdict;
    ASSERT_TRUE(WaitForClose(shown, kTimeout));
  }
  EXPECT_EQ(run.Result(), IDOK);
  SetEnvironmentVariableA("VORN_FLASHER_HOLD_MS", nullptr);
  EXPECT_EQ(HistoryVerdicts(), (std::vector<std::string>{"QX-1234A 0:0:0 1.20 1.30 verified",
                                                         "QX-9000B 0:1:0 2.00 2.05 verified"}));
  long long firstEnded = 0, secondStarted = 0;
  std::istringstream lines(ReadFile(log));
  for (std::string line; std::getline(lines, line);) {
    const long long time = std::atoll(line.substr(line.find_last_of('\t') + 1).c_str());
    if (line.compare(0, 6, "ended\t") == 0 && firstEnded == 0) firstEnded = time;
    if (line.compare(0, 8, "started\t") == 0 && firstEnded != 0) secondStarted = time;
  }
  ASSERT_NE(secondStarted, 0) << ReadFile(log);
  EXPECT_GE(secondStarted, firstEnded) << "the second flasher started before the first ended";
}

// An update whose verdict a previous run never saw (the computer restarted
// during the flash) is checked at the next start, before the welcome page,
// told once and written; so is one whose drive was missing after the flash
// and is back. A drive's older record that a newer one supersedes stays.
TEST(WizardWithServerTest, OpenUpdatesAreCheckedOnceAtTheNextStart) {
  ServedTree tree;
  tree.Publish();
  const std::string history =
      "2026-12-06 10:00:00\tQX-1234A\t0:0:0\t1.10\t1.20\told.zip\t-\tdrive missing\r\n"
      "2026-12-07 17:00:00\tQX-9000B\t0:1:0\t2.05\t2.10\tx.zip\t-\tdrive missing\r\n"
      "2026-12-08 09:15:02\tQX-1234A\t0:0:0\t1.20\t1.30\tqx.zip\t-\tpending\r\n";
  for (int start = 0; start < 2; ++start) {
    SCOPED_TRACE(start == 0 ? "first start" : "second start");
    if (start == 0) WriteFile(HistoryFile(), OnThisLine(history));
    WizardRun run({{"VORN", "QX-1234A", "1.30", "030301", ""}, {"VORN", "QX-9000B", "2.10", "030301", ""}}, false);
    // The first windows are the messages, when there are any: they have no list.
    int messages = 0;
    while (run.wizard != nullptr && Control(run.wizard, kList) == nullptr) {
      ++messages;
      ASSERT_TRUE(ClickId(run.wizard, kCancel));
      ASSERT_TRUE(WaitForClose(run.wizard, kTimeout));
      run.wizard = WaitForWindow(run.process.id(), "#32770", kTitle, kTimeout);
      ASSERT_NE(run.wizard, nullptr) << "no window after message " << messages;
    }
    EXPECT_EQ(messages, start == 0 ? 2 : 0);
    EXPECT_EQ(HistoryVerdicts(), (std::vector<std::string>{"QX-1234A 0:0:0 1.10 1.20 drive missing",
                                                           "QX-9000B 0:1:0 2.05 2.10 verified",
                                                           "QX-1234A 0:0:0 1.20 1.30 verified"}));
    ASSERT_TRUE(WaitUntil([&] { return Control(run.wizard, kList) != nullptr; }, kTimeout));
    PressKey(run.Button(kCancel), VK_ESCAPE);
    EXPECT_EQ(run.Result(), IDCANCEL);
  }
}

// The support report against the demo's tree and drives, compared with the
// committed report; the lines that depend on the machine and the moment are
// masked.
TEST(WizardWithServerTest, ReportListsTheDrivesAndWhatTheCatalogueOffersEach) {
  ServedTree tree;
  tree.Publish("demo");
  WriteDrivesFile(ReadFile(WindowsPath(Environment("VORN_TEST_DEMO_DRIVES"))));
  WriteFile(HistoryFile(), OnThisLine(
            "# time\tmodel\taddress\trevision before\tversion installed\tfile name\tSHA-256\tverdict\r\n"
            "2026-12-07 17:00:00\tQX-9000B\t0:2:0\t2.05\t2.10\tqx9000b_210.zip\t" + std::string(64, 'c') +
                "\tnot applied\r\n"));
  WriteFile(SerialFile(), "1\r\n");  // the served serial: accepted
  const std::string report = ScratchFolder("report") + "\\report.txt";
  DeleteFileA(report.c_str());
  Process program;
  ASSERT_TRUE(program.Start("\"" + Environment("VORN_WIZARD_EXE") + "\" /report \"" + report + "\""));
  ASSERT_TRUE(program.WaitForExit(120000)) << "the report run did not end";
  EXPECT_EQ(program.ExitCode(), 0u) << "the scan or the fetch failed";
  EXPECT_TRUE(TopWindows(program.id()).empty());

  std::string masked;
  std::istringstream lines(ReadFile(report));
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line.back() != '\r') ADD_FAILURE() << "not a CR LF line: " << line;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    for (const char* machine :
         {"Program: ", "Windows: ", "Written: ", "  Server: ", "  History file: ", "  issued: "}) {
      if (line.compare(0, std::strlen(machine), machine) == 0) line = std::string(machine) + "*";
    }
    masked += line + "\n";
  }
  std::string expected = OnThisLine(ReadFile(WindowsPath(Environment("VORN_TEST_EXPECTED_REPORT"))));
  const std::string aspi = "ASPI, WNASPI32.DLL";
  if (OnNtLine()) expected.replace(expected.find(aspi), aspi.size(), "SCSI pass-through");
  EXPECT_EQ(masked, expected);
  DeleteFileA(HistoryFile().c_str());
}

// ---------------------------------------------------------------- Windows versions

// Run once per Windows version Wine reports to the program
// (VORN_WINDOWS_VERSION, set by run-wizard-windows.sh): under win98 the
// program takes the ASPI side and lists the simulated drive; under the NT
// versions it takes the pass-through side, which lists the drive on the NT
// line (its letter) and shows the no-drive page on the 98 line (no letters).
// Either way it ends on Escape with IDCANCEL.
TEST(WizardVersionTest, ReachesThePageOfItsSideAndEnds) {
  const std::string version = Environment("VORN_WINDOWS_VERSION");
  ASSERT_FALSE(version.empty());
  ServedTree tree;
  tree.Publish();
  WizardRun run({kQx1234});
  run.Next();
  if (version == "win98" || OnNtLine()) {
    ASSERT_TRUE(IsShown(run.List())) << "no device page";
    EXPECT_EQ(run.Column(0), std::vector<std::string>{"QX-1234A"});
  } else {
    EXPECT_FALSE(IsShown(run.List())) << "a drive was listed on the pass-through side";
    EXPECT_TRUE(IsShown(run.Button(kLink))) << "not the no-drive page";
    EXPECT_FALSE(IsEnabled(run.Button(kNext)));
  }
  PressKey(run.Button(kCancel), VK_ESCAPE);
  EXPECT_EQ(run.Result(), IDCANCEL);
}

// ---------------------------------------------------------------- network

// Asks a window every 100 ms whether its thread answers (WM_NULL, at most
// 200 ms) and is visible, until stopped: the longest time between two
// answers, and the samples that found it hung or hidden.
class AnswerWatch {
 public:
  explicit AnswerWatch(HWND window) : window_(window), thread_([this] { Run(); }) {}
  ~AnswerWatch() { Stop(); }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  DWORD longestGapMs = 0;
  int samples = 0, unanswered = 0, hidden = 0;
  int longestMissRun = 0;           // most unanswered samples in a row
  std::vector<DWORD> unansweredAt;  // tick counts of the samples not answered

 private:
  void Run() {
    DWORD lastAnswer = GetTickCount();
    int missRun = 0;
    while (!stop_ && IsWindow(window_)) {
      DWORD_PTR ignored;
      const bool answered =
          SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 200, &ignored) != 0;
      const DWORD now = GetTickCount();
      if (!IsWindow(window_)) break;
      ++samples;
      if (answered) {
        longestGapMs = std::max<DWORD>(longestGapMs, now - lastAnswer);
        lastAnswer = now;
        missRun = 0;
      } else {
        ++unanswered;
        unansweredAt.push_back(now);
        longestMissRun = std::max(longestMissRun, ++missRun);
      }
      if (!IsWindowVisible(window_)) ++hidden;
      Sleep(100);
    }
  }
  HWND window_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

void WizardRun::WaitOutTheLookForDrives() {
  lookWindow = wizard;
  lookShownAfterMs = shownAfterMs;
  AnswerWatch watch(lookWindow);
  EXPECT_TRUE(WaitForClose(lookWindow, 200000));
  watch.Stop();
  lookLongestGapMs = watch.longestGapMs;
  // The next window: the wizard, or a message of what the look met.
  wizard = WaitForWindow(process.id(), "#32770", "", 200000, {lookWindow});
  shownAfterMs = GetTickCount() - started;
}

// The build's FTP port, where the wizard looks for its server.
unsigned short WizardPort() {
  return static_cast<unsigned short>(std::atoi(Environment("VORN_TEST_FTP_PORT").c_str()));
}

void Report(const std::string& scenario, const AnswerWatch& watch) {
  std::printf("[measure] %s: longest gap between answers %lu ms, %d of %d samples unanswered\n",
              scenario.c_str(), static_cast<unsigned long>(watch.longestGapMs), watch.unanswered,
              watch.samples);
}

// A window that waits for the network itself goes without answering for as
// long as the network holds it: five seconds at the least in these tests (the
// slow transfer; a silent server or a stall holds a call for ten). Late
// answers of a busy machine (the tests share their processors) stay far below
// half of that.
void ExpectAlwaysAnswered(const AnswerWatch& watch) {
  EXPECT_GT(watch.samples, 0);
  EXPECT_EQ(watch.hidden, 0);
  EXPECT_LT(watch.longestGapMs, 2500u) << "the window went without answering, "
                                        << watch.longestMissRun << " samples in a row";
}

TEST(WizardNetworkTest, SilentServerLeavesTheWindowAnsweringAndEndsOnTheNoConnectionPage) {
  ftpfixture::FtpServer server("silent", WizardPort());
  WizardRun run({kQx1234}, false);
  ASSERT_NE(run.wizard, nullptr);
  std::printf("[measure] silent server: start to visible welcome page %lu ms\n",
              static_cast<unsigned long>(run.shownAfterMs));
  const DWORD shownAt = run.started + run.shownAfterMs;
  {
    AnswerWatch watch(run.wizard);
    // Next waits for the fetch, which gives up on the silent server: the
    // window came while the fetch still ran, however slowly it started.
    EXPECT_FALSE(IsEnabled(run.Button(kNext))) << "the window waited for the fetch";
    ASSERT_TRUE(WaitUntil([&] { return IsEnabled(run.Button(kNext)); }, 30000));
    watch.Stop();
    Report("fetch against a silent server", watch);
    ExpectAlwaysAnswered(watch);
  }
  EXPECT_GT(server.Count("connect"), 0);
  run.Next();
  // The fetch gives up 20 s after it started with the window, not after
  // every attempt has waited out its 10 s.
  EXPECT_LT(GetTickCount() - shownAt, 30000u) << "the no-connection page came too late";
  EXPECT_FALSE(IsShown(run.List()));
  EXPECT_FALSE(IsShown(run.Button(kLink)));
  EXPECT_FALSE(IsEnabled(run.Button(kNext)));
  // Cancel ends the program at once, whatever the fetch still waits for.
  ASSERT_TRUE(Click(run.Button(kCancel)));
  EXPECT_TRUE(run.process.WaitForExit(5000));

  // So does Cancel while the fetch runs.
  WizardRun early({kQx1234}, false);
  ASSERT_NE(early.wizard, nullptr);
  EXPECT_FALSE(IsEnabled(early.Button(kNext)));
  ASSERT_TRUE(Click(early.Button(kCancel)));
  EXPECT_TRUE(early.process.WaitForExit(5000));
}

TEST(WizardNetworkTest, DownloadsKeepTheWindowAnswering) {
  // The "large" tree serves 300 000 bytes as the second file.
  const std::string firmware =
      ReadFile(WindowsPath(Environment("VORN_TEST_PUBLISHED")) + "\\large\\pub\\VORN\\cdrom\\a\\qx131.zip");
  ASSERT_EQ(firmware.size(), 300000u);
  const struct {
    const char* mode;
    bool stalls;
  } rows[] = {
      {"normal", false},
      {"slow-retr=60000", false},  // about five seconds
      {"stall-retr=1", true},      // half the file, then nothing: goes on after a while
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.mode);
    // A stalling server would stall the catalogue as well: the wizard starts
    // with a normal one, which gives way to the stalling one before the
    // download (so the download also connects anew).
    const bool swap = row.stalls;
    std::unique_ptr<ftpfixture::FtpServer> server;
    auto serve = [&](const char* mode) {
      server.reset();
      server = std::make_unique<ftpfixture::FtpServer>(mode, WizardPort());
      ServedTree tree(server->Root());
      tree.Publish("large");
    };
    serve(swap ? "normal" : row.mode);
    const std::string folder = ScratchFolder("answering");
    const std::string saved = folder + "\\answer.zip";
    // A file of the user's under the name older versions downloaded into.
    WriteFile(saved + ".part", "the user's own file");
    DeleteFileA(saved.c_str());
    WizardRun run({kQx1234});
    std::printf("[measure] server up (%s): start to visible welcome page %lu ms\n", row.mode,
                static_cast<unsigned long>(run.shownAfterMs));
    run.Next();
    run.ClickRowAndAnswer(0, kOk);
    if (swap) serve(row.mode);

    HWND download = nullptr, saveAs = nullptr;
    ASSERT_NO_FATAL_FAILURE(run.OpenSaveDialog(1, download, saveAs));
    AnswerWatch watch(run.wizard);
    const DWORD saving = GetTickCount();
    ASSERT_TRUE(FillSaveDialog(saveAs, saved, kTimeout));
    const DWORD saved_at = GetTickCount();
    // The update-now question after the download.
    HWND next = WaitForWindow(run.process.id(), "#32770", kTitle, 60000, {run.wizard, download});
    const DWORD took = GetTickCount() - saving;
    watch.Stop();
    Report(std::string("download, server ") + row.mode, watch);
    for (DWORD at : watch.unansweredAt) {
      std::printf("[measure]   unanswered at %ld ms after the save-file dialog closed\n",
                  static_cast<long>(at - saved_at));
    }
    ExpectAlwaysAnswered(watch);
    ASSERT_NE(next, nullptr);
    if (row.stalls) {
      EXPECT_GE(took, 10000u);
      EXPECT_LT(took, 25000u) << "the stalled transfer went on too late";
    }
    ASSERT_TRUE(ClickId(next, kCancel));  // no update now
    EXPECT_EQ(run.Result(), IDOK);
    EXPECT_EQ(ReadFile(saved), firmware);
    EXPECT_EQ(ReadFile(saved + ".part"), "the user's own file");
    DeleteFileA((saved + ".part").c_str());
    DeleteFileA(saved.c_str());
  }
}

TEST(WizardNetworkTest, DownloadAfterTheServerClosedTheIdleConnectionSucceeds) {
  ftpfixture::FtpServer server("idle-close=2", WizardPort());
  ServedTree tree(server.Root());
  tree.Publish();
  const std::string saved = ScratchFolder("idle") + "\\idle.zip";
  DeleteFileA(saved.c_str());
  WizardRun run({kQx1234});
  run.Next();
  run.ClickRowAndAnswer(0, kOk);
  // The user reads the pages; the server closes the connection meanwhile.
  ASSERT_TRUE(server.WaitFor("disconnect", 1, 10));
  run.Download(1, saved, kCancel);
  EXPECT_EQ(run.Result(), IDOK);
  EXPECT_EQ(ReadFile(saved), "firmware pub/VORN/cdrom/a/qx131.zip");
  EXPECT_EQ(server.Count("connect"), 2) << "one connection again, no more";
}

// ---------------------------------------------------------------- High Contrast

// Every colour of the skin's bitmaps (frame, banner, artwork, side picture,
// message panel, page pictures), read from the program's own resources.
std::set<DWORD> SkinColours() {
  std::set<DWORD> colours;
  HMODULE program = LoadLibraryExA(Environment("VORN_WIZARD_EXE").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  EXPECT_NE(program, nullptr);
  const int ids[] = {154, 191, 192, 194, 195, 164, 165, 168, 169, 172, 173, 174, 175, 176, 177, 178, 179, 180, 181};
  HDC screen = GetDC(nullptr);
  for (int id : ids) {
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(program, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0));
    BITMAP size{};
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof size, &size) == 0) {
      ADD_FAILURE() << "no bitmap " << id;
      continue;
    }
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, size.bmWidth, -size.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> pixels(static_cast<std::size_t>(size.bmWidth) * size.bmHeight);
    GetDIBits(screen, bitmap, 0, size.bmHeight, pixels.data(), &info, DIB_RGB_COLORS);
    for (DWORD pixel : pixels) colours.insert(pixel & 0x00FFFFFF);
    DeleteObject(bitmap);
  }
  ReleaseDC(nullptr, screen);
  FreeLibrary(program);
  return colours;
}

DWORD ScreenColour(int systemColour) {
  const COLORREF colour = GetSysColor(systemColour);
  return static_cast<DWORD>(GetRValue(colour)) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
}

// How many pixels in `area` (client pixels of `window`) have the system's
// text colour, and how many a colour of the skin.
struct AreaColours {
  int text = 0, skin = 0;
};
AreaColours CountColours(HWND window, const RECT& area, const std::set<DWORD>& skin) {
  const std::vector<DWORD> pixels = ScreenPixels(window);
  RECT client{};
  GetClientRect(window, &client);
  AreaColours counted;
  if (pixels.size() != static_cast<std::size_t>(client.right) * client.bottom) return counted;
  const DWORD text = ScreenColour(COLOR_WINDOWTEXT);
  for (int y = area.top; y < area.bottom && y < client.bottom; ++y) {
    for (int x = area.left; x < area.right && x < client.right; ++x) {
      const DWORD pixel = pixels[static_cast<std::size_t>(y) * client.right + x];
      counted.text += pixel == text;
      counted.skin += skin.count(pixel) != 0;
    }
  }
  return counted;
}

// The words in `area` are drawn in the system's text colour, and no pixel
// there has a colour of the skin.
void ExpectWordsInSystemColours(HWND window, const RECT& area, const std::set<DWORD>& skin, const char* what) {
  const AreaColours counted = CountColours(window, area, skin);
  EXPECT_GE(counted.text, 10) << what << ": no words in the system's text colour";
  EXPECT_EQ(counted.skin, 0) << what << ": pixels of the skin's colours";
}

// The setting where Windows keeps it, and the message Windows sends the
// program's window when it changes.
void SwitchHighContrast(HWND window, bool on) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Accessibility\\HighContrast", 0, nullptr, 0,
                            KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const char* flags = on ? "127" : "126";
  RegSetValueExA(key, "Flags", 0, REG_SZ, reinterpret_cast<const BYTE*>(flags), 4);
  RegCloseKey(key);
  SendMessageA(window, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
}

// With High Contrast on and a High Contrast scheme's colours in the prefix
// (tools/wine/high-contrast.sh), the banner and each page draw their words
// as text, and so does the message dialog's panel; turned off and on again
// while a page shows, the page follows at once.
TEST(WizardHighContrastTest, PagesDrawTheirWordsInTheSystemColours) {
  const std::set<DWORD> skin = SkinColours();
  ASSERT_EQ(skin.count(ScreenColour(COLOR_WINDOWTEXT)) + skin.count(ScreenColour(COLOR_WINDOW)), 0u)
      << "run with a High Contrast scheme whose colours the skin does not have";
  ServedTree tree;
  tree.Publish();
  WizardRun run({kQx1234, kQx9000});
  const RECT banner{0, 0, 520, 39}, listPage{258, 49, 508, 299}, fullPage{10, 49, 510, 299};
  ExpectWordsInSystemColours(run.wizard, {10, 10, 510, 300}, skin, "welcome");
  run.Next();
  ExpectWordsInSystemColours(run.wizard, banner, skin, "banner");
  ExpectWordsInSystemColours(run.wizard, listPage, skin, "device page");
  ASSERT_TRUE(ClickListRow(run.List(), 0));
  HWND question = run.WaitForDialog();
  ASSERT_NE(question, nullptr);
  EXPECT_TRUE(ShowsWhatItPaints(question, kTimeout));
  // The panel's client area: its sunken edge is the system's 3D colours.
  RECT panel{};
  GetClientRect(Control(question, 1004), &panel);
  MapWindowPoints(Control(question, 1004), question, reinterpret_cast<POINT*>(&panel), 2);
  ExpectWordsInSystemColours(question, panel, skin, "device question");
  ASSERT_TRUE(ClickId(question, kOk));
  ASSERT_TRUE(WaitForClose(question, kTimeout));
  run.Settle();
  ExpectWordsInSystemColours(run.wizard, listPage, skin, "firmware page");
  ASSERT_TRUE(Click(run.Button(kBack)));
  ASSERT_TRUE(WaitUntil([&] { return !IsEnabled(run.Button(kBack)); }, kTimeout));
  run.ClickRowAndAnswer(1, kOk);
  ExpectWordsInSystemColours(run.wizard, fullPage, skin, "no-new-firmware page");

  SwitchHighContrast(run.wizard, false);
  EXPECT_TRUE(ShowsWhatItPaints(run.wizard, kTimeout)) << "the page after High Contrast went off";
  EXPECT_GT(CountColours(run.wizard, fullPage, skin).skin, 10000) << "no picture after High Contrast went off";
  SwitchHighContrast(run.wizard, true);
  EXPECT_TRUE(ShowsWhatItPaints(run.wizard, kTimeout)) << "the page after High Contrast came on";
  ExpectWordsInSystemColours(run.wizard, fullPage, skin, "no-new-firmware page, High Contrast on again");
  PressKey(run.Button(kCancel), VK_ESCAPE);
  EXPECT_EQ(run.Result(), IDCANCEL);
}

}  // namespace
