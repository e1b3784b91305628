// The wizard's flow without a window: which page is shown, the state code
// kept beside it, the drive chosen on the device page and the drives left,
// and what every button, click and answer leads to. WizardDialog passes each
// event here and applies the step it gets back to its controls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "catalogue/FirmwareCatalogue.h"
#include "wizard/PageRules.h"

namespace wizard {

// The page state codes. The flow never rests in NoNewFirmware: the
// no-new-firmware page is set up within one transition, which ends in
// DeviceDone.
enum class PageState : std::int32_t {
  DeviceList = 200,
  FirmwareList = 201,
  NoNewFirmware = 202,
  DeviceDone = 302,
  Checking = 303,  // also the state of the no-connection and catalogue-missing pages
  Welcome = 305,
  NoDrive = 306,
};

// The state a page is shown in.
PageState StateOf(Page page);

// What the window does after an event.
enum class Step {
  None,                 // nothing changes
  StartChecks,          // Next on the welcome page: list the drives, then EndChecks
  TakeDriveRow,         // a click on the device page: read the row, then ChooseDrive
  AskDeviceQuestion,    // a drive was chosen: ask whether to update it
  OfferDownload,        // a click on the firmware page: the download window
  ShowPage,             // show page()
  ShowRemainingDrives,  // rebuild the device page with the drives left
  EndWizard,            // the last drive is done: the wizard ends through OK
};

class WizardFlow {
 public:
  // `catalogue` holds the drives: its models are the drives left, and the
  // flow takes an entry out when its drive is done.
  explicit WizardFlow(catalogue::FirmwareCatalogue& catalogue) : catalogue_(catalogue) {}

  PageState pageState() const { return state_; }
  // The page last shown; the welcome page until the checks have ended.
  Page page() const { return page_; }
  // The entry of the drive chosen on the device page, or null.
  catalogue::ModelEntry* selectedModel() const { return selected_; }
  std::size_t drivesLeft() const { return catalogue_.models.size(); }

  // Next: on the welcome page starts the checks (state Checking); on the
  // no-new-firmware page returns to the device page with the drives left.
  Step Next();
  // Back: on the firmware page returns to the device page.
  Step Back();
  // A click on the list: a drive row on the device page, a firmware row on
  // the firmware page. Changes nothing by itself.
  Step Click() const;

  // The end of the checks: the page after Next on the welcome page.
  // `loadCatalogue` reads the fetched catalogue; it runs only when there is
  // a drive of the maker and the server was reached, and its result tells a
  // loaded catalogue from a missing one. ShowPage, or None outside the
  // checks.
  Step EndChecks(int makerDriveCount, bool catalogueReachable,
                 const std::function<bool()>& loadCatalogue);

  // A click on a drive row whose first column reads `model`: chooses the
  // first entry of that model. AskDeviceQuestion, or None when no entry has
  // it or the device page is not shown.
  Step ChooseDrive(const std::string& model);

  // The answer to the device question. No: nothing changes. Yes: the
  // firmware page when the drive is offered something; otherwise the
  // no-new-firmware page, whose variant says whether other drives remain,
  // and the entry leaves at once.
  Step AnswerDeviceQuestion(bool yes);

  // A firmware file was saved, then installed or not: the entry leaves. The
  // wizard ends when none is left, otherwise the device page returns.
  Step FirmwareSaved(bool installed);

  // OK destroys the window at once except on the no-new-firmware page, and
  // after an install, which the framework destroys when the modal run
  // returns.
  bool OkDestroysAtOnce() const { return state_ != PageState::DeviceDone; }

 private:
  Step Show(Page page);
  void RemoveSelected();

  catalogue::FirmwareCatalogue& catalogue_;
  PageState state_ = PageState::Welcome;
  Page page_ = Page::Welcome;
  catalogue::ModelEntry* selected_ = nullptr;  // points into catalogue_.models
};

}  // namespace wizard
