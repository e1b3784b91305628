#include "wizard/WizardFlow.h"

namespace wizard {

PageState StateOf(Page page) {
  switch (page) {
    case Page::Welcome:
      return PageState::Welcome;
    case Page::NoDrive:
      return PageState::NoDrive;
    case Page::NoConnection:
    case Page::CatalogueMissing:
      return PageState::Checking;
    case Page::FirstDeviceList:
    case Page::DeviceList:
      return PageState::DeviceList;
    case Page::FirmwareList:
      return PageState::FirmwareList;
    case Page::NoNewFirmwareLastDrive:
    case Page::NoNewFirmwareOthersRemain:
      return PageState::DeviceDone;
  }
  return PageState::Welcome;
}

Step WizardFlow::Show(Page page) {
  page_ = page;
  state_ = StateOf(page);
  return Step::ShowPage;
}

void WizardFlow::RemoveSelected() {
  catalogue_.RemoveModel(selected_);
  selected_ = nullptr;
}

Step WizardFlow::Next() {
  switch (state_) {
    case PageState::Welcome:
      state_ = PageState::Checking;
      return Step::StartChecks;
    case PageState::DeviceDone:
      Show(Page::DeviceList);
      return Step::ShowRemainingDrives;
    default:
      return Step::None;
  }
}

Step WizardFlow::Back() {
  if (state_ != PageState::FirmwareList) return Step::None;
  return Show(Page::DeviceList);
}

Step WizardFlow::Click() const {
  if (state_ == PageState::DeviceList) return Step::TakeDriveRow;
  if (state_ == PageState::FirmwareList) return Step::OfferDownload;
  return Step::None;
}

Step WizardFlow::EndChecks(int makerDriveCount, bool catalogueReachable,
                           const std::function<bool()>& loadCatalogue) {
  // Only the checks that Next on the welcome page started end here.
  if (state_ != PageState::Checking || page_ != Page::Welcome) return Step::None;
  if (makerDriveCount == 0) return Show(Page::NoDrive);
  if (!catalogueReachable) return Show(Page::NoConnection);
  return Show(loadCatalogue() ? Page::FirstDeviceList : Page::CatalogueMissing);
}

Step WizardFlow::ChooseDrive(const std::string& model) {
  if (state_ != PageState::DeviceList) return Step::None;
  selected_ = catalogue_.FindModel(model);
  return selected_ != nullptr ? Step::AskDeviceQuestion : Step::None;
}

Step WizardFlow::AnswerDeviceQuestion(bool yes) {
  if (!yes || state_ != PageState::DeviceList || selected_ == nullptr) return Step::None;
  if (!selected_->items.empty()) return Show(Page::FirmwareList);
  // Nothing newer for this drive: say so, and take it off the list at once.
  const bool othersRemain = catalogue_.models.size() > 1;
  RemoveSelected();
  return Show(othersRemain ? Page::NoNewFirmwareOthersRemain : Page::NoNewFirmwareLastDrive);
}

Step WizardFlow::FirmwareSaved(bool installed) {
  if (state_ != PageState::FirmwareList || selected_ == nullptr) return Step::None;
  if (installed) state_ = PageState::DeviceDone;
  RemoveSelected();
  if (catalogue_.models.empty()) return Step::EndWizard;
  Show(Page::DeviceList);
  return Step::ShowRemainingDrives;
}

}  // namespace wizard
