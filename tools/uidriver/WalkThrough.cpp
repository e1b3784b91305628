// The demo's walk-through: starts the wizard and clicks through a whole
// update of both of the maker's drives, as a person would: the second has a
// disc in it, so its flash is held until the tray has been opened.
//
//   uidrive.exe WIZARD.EXE SAVE_FOLDER [--shots] [--page NAME] [--keys] [--read]
//
// With --keys the whole update is walked by the keyboard alone: Tab to a
// button and Enter, Tab to a list, Home and the arrow keys to a row and Enter,
// the save dialog's name typed key by key.
//
// With --page it shows one page instead and closes the wizard with Cancel:
// "after-next" is the page after Next on the welcome page (a failure page
// when the machine has no drive of the maker, no connection or no
// catalogue); "unverified" is that page after the message that the served
// catalogue could not be verified; "nothing-newer" chooses the first drive,
// which is expected to be offered nothing; "download" downloads the first
// drive's first file and answers No to updating now.
//
// With --read it prints, at every page, what a screen reader reads in the
// newest window of the wizard's process ("reads NAME" and a row a line).
//
// With --shots it prints "shot NAME" on standard output at every page and
// waits for one line on standard input before it goes on, so that the
// script that started it can take a picture of the screen. The exit code is
// 0 when the walk-through went as planned, 1 otherwise.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "tools/uidriver/Reader.h"
#include "tools/uidriver/UiDriver.h"

namespace {

using namespace uidriver;

constexpr int kTimeout = 30000;
constexpr int kList = 1002, kBack = 1005, kNext = 1006, kYes = 1, kNo = 2, kSave = 1, kProgressLine = 1026;

bool withShots = false;
bool byKeys = false;
bool withReading = false;
Process* started = nullptr;  // ended when the walk-through fails
int shotNumber = 0;

void Shot(const std::string& name) {
  Sleep(400);  // let the page finish painting
  char numbered[16];
  std::snprintf(numbered, sizeof numbered, "%02d-", ++shotNumber);
  if (withReading && started != nullptr) {
    const std::vector<HWND> windows = TopWindows(started->id());
    if (!windows.empty()) {
      std::cout << "reads " << numbered << name << std::endl;
      for (const std::string& row : ReadAloud(windows.front())) std::cout << "  " << row << std::endl;
    }
  }
  if (!withShots) return;
  std::cout << "shot " << numbered << name << std::endl;
  std::string answer;
  std::getline(std::cin, answer);
}

[[noreturn]] void Fail(const std::string& what) {
  std::cout << "walk-through failed: " << what << std::endl;
  if (started) started->Terminate();
  std::exit(1);
}

void Expect(bool condition, const std::string& what) {
  if (!condition) Fail(what);
}

// Presses button `id` of `dialog`: a click, or Tab to it and Enter.
bool Press(HWND dialog, int id) {
  if (!byKeys) return ClickId(dialog, id);
  HWND button = Control(dialog, id);
  if (!button || !IsShown(button) || !IsEnabled(button) || !TabTo(dialog, button)) return false;
  Key(dialog, VK_RETURN);
  return true;
}

// Chooses row `row` of `list`: a click, or Tab to the list, Home, Down to the
// row, and Enter on the selected row or Space on the one under the focus
// mark (a list that shows its focus on the first row selects nothing on Home).
bool ChooseRow(HWND dialog, HWND list, int row) {
  if (!byKeys) return ClickListRow(list, row);
  if (!TabTo(dialog, list)) return false;
  const auto focusedRow = [&] { return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, -1, LVNI_FOCUSED)); };
  Key(dialog, VK_HOME);
  if (!WaitUntil([&] { return focusedRow() == 0; }, kTimeout)) return false;
  for (int at = 1; at <= row; ++at) {
    Key(dialog, VK_DOWN);
    if (!WaitUntil([&] { return focusedRow() == at; }, kTimeout)) return false;
  }
  Key(dialog, ListSelectedRows(list).empty() ? VK_SPACE : VK_RETURN);
  return true;
}

struct Walk {
  Process& wizardProcess;
  HWND wizard = nullptr;
  std::string saveFolder;

  HWND List() { return Control(wizard, kList); }

  // The next window of the wizard's process other than the wizard itself.
  HWND WaitForDialog(const std::vector<HWND>& known) {
    std::vector<HWND> exclude = known;
    exclude.push_back(wizard);
    HWND dialog = WaitForWindow(wizardProcess.id(), "#32770", "", kTimeout, exclude);
    Expect(dialog != nullptr, "no dialog appeared");
    return dialog;
  }

  void Answer(HWND dialog, int button) {
    Expect(Press(dialog, button), "could not answer the question");
    Expect(WaitForClose(dialog, kTimeout), "the question stayed open");
  }

  void ChooseDrive(int row, const std::string& shotName) {
    Expect(ChooseRow(wizard, List(), row), "could not choose a drive");
    HWND question = WaitForDialog({});
    Shot(shotName);
    Answer(question, kYes);
    Expect(WaitUntil([&] { return IsEnabled(Control(wizard, kBack)); }, kTimeout),
           "the firmware page did not come");
  }

  // Downloads the file of `row` into the save folder and answers the
  // update-now question with `install`.
  void Download(int row, const std::string& label, bool install) {
    const std::string name = ListText(List(), row, 0);
    Expect(ChooseRow(wizard, List(), row), "could not choose a firmware file");
    HWND download = WaitForDialog({});
    Shot(label + "-download-window");
    Expect(Press(download, kSave), "no Save File button");
    HWND saveAs = WaitForDialog({download});
    Shot(label + "-save-as");
    Expect(FillSaveDialog(saveAs, saveFolder + "\\" + name, kTimeout, byKeys), "the save dialog did not close");
    // While the file arrives, the line under the bar tells the bytes, the
    // rate and the time left; a quick transfer may be over before it shows.
    HWND line = Control(download, kProgressLine);
    if (WaitUntil([&] { return IsShown(line) && !Text(line).empty(); }, 3000)) Shot(label + "-downloading");
    // The transfer runs; then the wizard asks whether to update now.
    HWND question = WaitForDialog({download});
    Shot(label + "-update-now-question");
    Answer(question, install ? kYes : kNo);
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: uidrive.exe WIZARD.EXE SAVE_FOLDER [--shots]" << std::endl;
    return 2;
  }
  std::string page;
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--shots") == 0) withShots = true;
    if (std::strcmp(argv[i], "--keys") == 0) byKeys = true;
    if (std::strcmp(argv[i], "--read") == 0) withReading = true;
    if (std::strcmp(argv[i], "--page") == 0 && i + 1 < argc) page = argv[++i];
  }
  Process wizardProcess;
  started = &wizardProcess;
  Expect(wizardProcess.Start(std::string("\"") + argv[1] + "\""), "the wizard did not start");
  Walk walk{wizardProcess, nullptr, argv[2]};
  walk.wizard = WaitForWindow(wizardProcess.id(), "#32770", "VORN Firmware Update", 60000);
  Expect(walk.wizard != nullptr, "no wizard window");
  HWND wizard = walk.wizard;
  Expect(WaitUntil([&] { return IsEnabled(Control(wizard, kNext)); }, kTimeout), "Next stays disabled");
  Shot("welcome");

  Expect(Press(wizard, kNext), "could not press Next");
  if (page == "unverified") {
    HWND message = walk.WaitForDialog({});
    Shot("unverified-message");
    walk.Answer(message, kNo);  // its one button
  }
  // Every page after the checks disables Next and enables Cancel again.
  Expect(WaitUntil([&] { return !IsEnabled(Control(wizard, kNext)) && IsEnabled(Control(wizard, 2)); },
                   kTimeout),
         "the checks did not end");
  if (page == "after-next" || page == "unverified") {
    Sleep(500);
    Shot("page-after-next");
    Expect(ClickId(wizard, 2), "could not press Cancel");
    Expect(wizardProcess.WaitForExit(kTimeout), "the wizard did not end");
    return 0;
  }
  Expect(WaitUntil([&] { return IsShown(walk.List()); }, kTimeout), "no device page");
  if (page == "nothing-newer") {
    Expect(ClickListRow(walk.List(), 0), "could not click a drive");
    HWND question = walk.WaitForDialog({});
    walk.Answer(question, kYes);
    Expect(WaitUntil([&] { return !IsShown(walk.List()); }, kTimeout), "no full page");
    Shot("no-new-firmware-page");
    Expect(ClickId(wizard, 2), "could not press Cancel");
    Expect(wizardProcess.WaitForExit(kTimeout), "the wizard did not end");
    return 0;
  }
  Shot("device-page");
  if (page == "download") {
    walk.ChooseDrive(0, "device-question");
    walk.Download(0, "first-drive", false);
    Expect(WaitUntil([&] { return IsShown(walk.List()); }, kTimeout), "no device page after the download");
    Shot("device-page-after-download");
    Expect(ClickId(wizard, 2), "could not press Cancel");
    Expect(wizardProcess.WaitForExit(kTimeout), "the wizard did not end");
    return 0;
  }

  // The first drive: look at its files, go back, then take one.
  walk.ChooseDrive(0, "device-question");
  Shot("firmware-page");
  Expect(Press(wizard, kBack), "could not press Back");
  Expect(WaitUntil([&] { return !IsEnabled(Control(wizard, kBack)); }, kTimeout), "Back did not return");
  Shot("device-page-after-back");
  walk.ChooseDrive(0, "device-question-again");
  walk.Download(0, "first-drive", true);

  // The flasher of the archive runs in a process of its own; the wizard
  // shows the drive that is left.
  Expect(WaitUntil([&] { return ListRowCount(walk.List()) == 1 && IsShown(walk.List()); }, kTimeout),
         "the handled drive did not leave the list");
  // The demo flasher shows a window; it writes the firmware after a short
  // pause and then waits to be closed.
  HWND flasher = nullptr;
  WaitUntil([&] { return (flasher = FindWindowA("VornTestFlasher", nullptr)) != nullptr; }, 5000);
  const DWORD flasherFound = GetTickCount();
  Shot("flasher-started-and-one-drive-left");

  walk.ChooseDrive(0, "second-drive-question");
  Shot("second-drive-firmware-page");
  walk.Download(1, "second-drive", true);

  // One flasher at a time: the first still runs, so the program waits for
  // it before it checks the second drive.
  Expect(flasher != nullptr, "the first flasher shows no window");
  HWND waitingFirst = walk.WaitForDialog({});
  Shot("waiting-for-the-first-flasher");
  // Closed once its pause has passed, so that it has written the firmware.
  WaitUntil([&] { return GetTickCount() - flasherFound > 4000; }, 10000);
  PostMessageA(flasher, WM_CLOSE, 0, 0);
  Expect(WaitForClose(waitingFirst, kTimeout), "the waiting window stayed after the first flasher ended");

  // The second drive has a disc in it: the flash is held until the tray is
  // opened (the question's first button), then it goes on.
  HWND held = walk.WaitForDialog({waitingFirst});
  Shot("second-drive-disc-in-the-drive");
  walk.Answer(held, kYes);
  HWND secondFlasher = nullptr;
  Expect(WaitUntil([&] { return (secondFlasher = FindWindowA("VornTestFlasher", nullptr)) != nullptr; }, kTimeout),
         "the second flasher did not start after the tray opened");
  const DWORD secondFound = GetTickCount();
  Shot("second-drive-tray-opened-flasher-started");

  // No drive is left: the wizard ends by itself, and the program waits for
  // the flasher with its own small window.
  Expect(WaitForClose(wizard, kTimeout), "the wizard did not end after the last drive");
  HWND waiting = WaitForWindow(wizardProcess.id(), "#32770", "", kTimeout, {wizard, waitingFirst, held});
  Expect(waiting != nullptr, "no window while the flasher runs");
  Shot("waiting-for-the-flasher");
  WaitUntil([&] { return GetTickCount() - secondFound > 4000; }, 10000);
  PostMessageA(secondFlasher, WM_CLOSE, 0, 0);
  Expect(WaitForClose(waiting, kTimeout), "the waiting window stayed after the flasher ended");
  // The drives are read again: one message for each update says whether it took.
  HWND verdict = walk.WaitForDialog({waiting});
  Shot("verdict-first-drive");
  walk.Answer(verdict, kNo);  // its one button
  verdict = walk.WaitForDialog({waiting, verdict});
  Shot("verdict-second-drive");
  walk.Answer(verdict, kNo);
  Expect(wizardProcess.WaitForExit(kTimeout), "the program did not end after the verdict");
  Expect(wizardProcess.ExitCode() == IDOK, "the wizard did not end with IDOK");
  std::cout << "walk-through complete" << std::endl;
  return 0;
}
