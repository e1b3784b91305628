// Shows the skinned windows one after another so that a script can take a
// picture of each: the wizard's skin with every page image of the run's
// language (and the welcome page), the message dialog in both forms, and the
// download window's template. For each scene it prints
//   READY <name> <left> <top> <width> <height>
// (the window in screen pixels) and waits for a line on its input.
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "controls/BitmapPanel.h"
#include "controls/LinkLabel.h"
#include "controls/MessageDialog.h"
#include "framework/Language.h"
#include "framework/Dialog.h"
#include "framework/Platform.h"
#include "resources/resource.h"
#include "wizard/Skin.h"

namespace {

void Settle(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(10);
  } while (GetTickCount() - start < milliseconds);
}

// Prints where the window is and waits until the picture is taken.
void Announce(const std::string& name, HWND hwnd) {
  Settle(300);
  RECT r;
  GetWindowRect(hwnd, &r);
  std::printf("READY %s %ld %ld %ld %ld\n", name.c_str(), r.left, r.top, r.right - r.left,
              r.bottom - r.top);
  std::fflush(stdout);
  std::string line;
  std::getline(std::cin, line);
}

// The wizard's window dressed as one page: the skin, the buttons and the
// link label at the wizard's places.
class SkinPage : public CDialog {
 public:
  SkinPage(std::string name, int pageImageId, bool fullPage)
      : CDialog(IDD_WIZARD), name_(std::move(name)), fullPage_(fullPage) {
    background_.LoadBitmap(IDB_BACKGROUND);
    banner_.LoadBitmap(IDB_BANNER);
    welcome_.LoadBitmap(IDB_WELCOME);
    side_.LoadBitmap(IDB_SIDE_PICTURE);
    if (pageImageId != 0) page_.LoadBitmap(pageImageId);
  }
  void Show() {
    SetModalHook([this](CDialog&) {
      Announce(name_, m_hWnd);
      EndDialog(IDCANCEL);
    });
    DoModal();
    SetModalHook(nullptr);
  }

 protected:
  void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, IDC_LINK, link_); }
  bool OnInitDialog() override {
    CDialog::OnInitDialog();
    const bool english = !framework::IsChinese(framework::LanguageOf(platform::UserLanguageId()));
    WINDOWPLACEMENT placement;
    GetWindowPlacement(&placement);
    placement.rcNormalPosition = RECT{150, 150, 680, 520};
    SetWindowPlacement(&placement);
    ::MoveWindow(GetDlgItem(IDCANCEL), 426, 304, 84, 27, TRUE);
    ::MoveWindow(GetDlgItem(IDC_NEXT), 342, 304, 82, 27, TRUE);
    ::MoveWindow(GetDlgItem(IDC_BACK), 258, 304, 82, 27, TRUE);
    link_.MoveWindow(15, 314, 244, 27);
    if (english) {
      ::SetWindowTextA(GetDlgItem(IDC_BACK), "<<BACK");
      ::SetWindowTextA(GetDlgItem(IDC_NEXT), "NEXT>>");
      ::SetWindowTextA(GetDlgItem(IDCANCEL), "CANCEL");
    }
    // The list pages show the device list to the left of the page image.
    if (page_.m_hObject != nullptr && !fullPage_) {
      HWND list = GetDlgItem(IDC_DEVICE_LIST);
      ::MoveWindow(list, 10, 48, 245, 130, TRUE);
      ::ShowWindow(list, SW_SHOW);
    }
    return true;
  }
  void OnPaint() override {
    CPaintDC dc(*this);
    RECT client;
    GetClientRect(&client);
    wizard::PaintSkin(dc, client,
                      wizard::SkinImages{background_, banner_, welcome_, side_, page_},
                      page_.m_hObject == nullptr, fullPage_);
  }

 private:
  std::string name_;
  bool fullPage_;
  CBitmap background_, banner_, welcome_, side_, page_;
  controls::LinkLabel link_;
};

// The download window's template over the window background, with its panel.
class DownloadLook : public CDialog {
 public:
  DownloadLook() : CDialog(IDD_DOWNLOAD) { background_.LoadBitmap(IDB_BACKGROUND); }
  controls::BitmapPanel panel;

 protected:
  void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, IDC_PANEL, panel); }
  void OnPaint() override {
    CPaintDC dc(*this);
    CMemoryDC memory(dc);
    memory.SelectObject(background_);
    dc.BitBlt(0, 0, 500, 300, memory, 0, 0, SRCCOPY);
  }

 private:
  CBitmap background_;
};

}  // namespace

int main() {
  const bool chinese = framework::IsChinese(framework::LanguageOf(platform::UserLanguageId()));
  const std::string tag = chinese ? "zh" : "en";
  struct Scene {
    const char* name;
    int image;
    bool full;
  };
  const std::vector<Scene> scenes =
      chinese ? std::vector<Scene>{{"welcome", 0, false},
                                   {"page164-select-drive", 164, false},
                                   {"page165-choose-firmware", 165, false},
                                   {"page172-no-connection", 172, true},
                                   {"page173-catalogue-missing", 173, true},
                                   {"page176-no-new-firmware-last", 176, true},
                                   {"page177-no-new-firmware-more", 177, true},
                                   {"page179-no-drive", 179, true}}
              : std::vector<Scene>{{"welcome", 0, false},
                                   {"page168-select-drive", 168, false},
                                   {"page169-choose-firmware", 169, false},
                                   {"page175-no-connection", 175, true},
                                   {"page174-catalogue-missing", 174, true},
                                   {"page178-no-new-firmware-last", 178, true},
                                   {"page180-no-new-firmware-more", 180, true},
                                   {"page181-no-drive", 181, true}};
  for (const Scene& scene : scenes) {
    SkinPage page(tag + "-" + scene.name, scene.image, scene.full);
    page.Show();
  }
  for (bool single : {false, true}) {
    controls::MessageDialog box(chinese ? framework::Language::ChineseTaiwan : framework::Language::English);
    box.singleButton = single;
    box.panel.text = single ? "The firmware file could not be unpacked.\n\nPlease try again."
                            : "Do  you  want to  update  the  new  firmware  of  the  VORN\n\n"
                              "DVD-R900 device?";
    CDialog::SetModalHook([&](CDialog& d) {
      Announce(tag + (single ? "-message-single" : "-message-question"), d.m_hWnd);
      d.EndDialog(IDCANCEL);
    });
    box.DoModal();
  }
  DownloadLook download;
  download.panel.text = "New Firmware: 1.10\n\nDo you want to download it?";
  CDialog::SetModalHook([&](CDialog& d) {
    Announce(tag + "-download-template", d.m_hWnd);
    d.EndDialog(IDCANCEL);
  });
  download.DoModal();
  CDialog::SetModalHook(nullptr);
  return 0;
}
