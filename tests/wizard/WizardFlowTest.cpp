// The wizard's flow as one table of transitions: every row starts on a page
// reached from the welcome page through the flow's own transitions, sends
// one event and checks the step, the page and its state code, the drives
// left, the chosen drive and how OK ends the wizard.
#include "wizard/WizardFlow.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace wizard {

// Failures name the codes: the state's own, a page's or a step's place.
void PrintTo(PageState state, std::ostream* out) { *out << static_cast<int>(state); }
void PrintTo(Page page, std::ostream* out) { *out << "page " << static_cast<int>(page); }
void PrintTo(Step step, std::ostream* out) { *out << "step " << static_cast<int>(step); }

namespace {

using catalogue::ModelEntry;

// A drive of the maker and how many files the catalogue offers for it.
struct Drive {
  const char* model;
  int offered;
};

const std::vector<Drive> kNoDrives = {};
const std::vector<Drive> kOneOffered = {{"QX-1", 2}};
const std::vector<Drive> kOneBare = {{"QX-2", 0}};
const std::vector<Drive> kOfferedThenBare = {{"QX-1", 2}, {"QX-2", 0}};
const std::vector<Drive> kBareThenOffered = {{"QX-2", 0}, {"QX-1", 2}};
const std::vector<Drive> kSameModelTwice = {{"QX-1", 0}, {"QX-1", 3}};

enum class Kind { Next, Back, Click, Checks, Choose, Answer, Saved };
struct Event {
  Kind kind;
  bool yes;           // Answer: Yes. Saved: installed. Checks: the server was reached.
  bool loads;         // Checks: the fetched catalogue loads
  const char* model;  // Choose: the clicked row's text
};
Event Next() { return {Kind::Next, false, false, ""}; }
Event Back() { return {Kind::Back, false, false, ""}; }
Event Click() { return {Kind::Click, false, false, ""}; }
Event Checks(bool reachable, bool loads) { return {Kind::Checks, reachable, loads, ""}; }
Event Choose(const char* model) { return {Kind::Choose, false, false, model}; }
Event Answer(bool yes) { return {Kind::Answer, yes, false, ""}; }
Event Saved(bool installed) { return {Kind::Saved, installed, false, ""}; }

// Where a row starts. Every path chooses the first drive of the row.
enum class From {
  Welcome,
  Checking,          // after Next on the welcome page
  ChecksDone,        // after the checks with the server reached and the catalogue loaded
  NoConnection,
  CatalogueMissing,
  DriveChosen,       // a drive chosen on the first device page, its question open
  FirmwareList,
  DeviceListAgain,   // Back from the firmware page
  NoNewFirmware,
};

struct Path {
  std::vector<Event> events;
  PageState arrivesIn;
};

Path PathTo(From from, const std::vector<Drive>& drives) {
  const char* first = drives.empty() ? "" : drives.front().model;
  const std::vector<Event> toDevices = {Next(), Checks(true, true)};
  auto then = [&](std::vector<Event> more) {
    std::vector<Event> events = toDevices;
    events.insert(events.end(), more.begin(), more.end());
    return events;
  };
  switch (from) {
    case From::Welcome:
      return {{}, PageState::Welcome};
    case From::Checking:
      return {{Next()}, PageState::Checking};
    case From::ChecksDone:
      return {toDevices, drives.empty() ? PageState::NoDrive : PageState::DeviceList};
    case From::NoConnection:
      return {{Next(), Checks(false, true)}, PageState::Checking};
    case From::CatalogueMissing:
      return {{Next(), Checks(true, false)}, PageState::Checking};
    case From::DriveChosen:
      return {then({Choose(first)}), PageState::DeviceList};
    case From::FirmwareList:
      return {then({Choose(first), Answer(true)}), PageState::FirmwareList};
    case From::DeviceListAgain:
      return {then({Choose(first), Answer(true), Back()}), PageState::DeviceList};
    case From::NoNewFirmware:
      return {then({Choose(first), Answer(true)}), PageState::DeviceDone};
  }
  return {{}, PageState::Welcome};
}

// The flow over a catalogue of `drives`, as the wizard's checks leave it.
class FlowHarness {
 public:
  explicit FlowHarness(const std::vector<Drive>& drives) {
    for (const Drive& drive : drives) {
      catalogue.models.push_back(ModelEntry{drive.model, "1.00", "030101", {}});
      catalogue.models.back().items.resize(static_cast<std::size_t>(drive.offered));
      entries.push_back(&catalogue.models.back());
    }
  }

  Step Send(const Event& event) {
    switch (event.kind) {
      case Kind::Next:
        return flow.Next();
      case Kind::Back:
        return flow.Back();
      case Kind::Click:
        return flow.Click();
      case Kind::Checks:
        return flow.EndChecks(static_cast<int>(catalogue.models.size()), event.yes, [&] {
          ++loads;
          return event.loads;
        });
      case Kind::Choose:
        return flow.ChooseDrive(event.model);
      case Kind::Answer:
        return flow.AnswerDeviceQuestion(event.yes);
      case Kind::Saved:
        return flow.FirmwareSaved(event.yes);
    }
    return Step::None;
  }

  // The chosen entry as its place among the row's drives, or -1.
  int Chosen() const {
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (entries[i] == flow.selectedModel()) return static_cast<int>(i);
    }
    return -1;
  }

  catalogue::FirmwareCatalogue catalogue;
  std::vector<const ModelEntry*> entries;
  WizardFlow flow{catalogue};
  int loads = 0;
};

struct Row {
  const char* name;
  const std::vector<Drive>& drives;
  From from;
  Event event;
  Step step;
  PageState state;
  Page page;
  std::size_t drivesLeft;
  int chosen;  // the chosen drive's place in `drives`, or -1
  bool okDestroysAtOnce;
  int loads;  // how often the event read the catalogue
};

constexpr int kNone = -1;

TEST(WizardFlowTest, EveryEventLeadsToItsPage) {
  using S = PageState;
  using P = Page;
  const Row rows[] = {
      // The welcome page: only Next acts.
      {"Next on the welcome page starts the checks", kOfferedThenBare, From::Welcome, Next(),
       Step::StartChecks, S::Checking, P::Welcome, 2, kNone, true, 0},
      {"Back on the welcome page", kOfferedThenBare, From::Welcome, Back(),
       Step::None, S::Welcome, P::Welcome, 2, kNone, true, 0},
      {"a click on the welcome page", kOfferedThenBare, From::Welcome, Click(),
       Step::None, S::Welcome, P::Welcome, 2, kNone, true, 0},
      {"the checks end only after Next", kOfferedThenBare, From::Welcome, Checks(true, true),
       Step::None, S::Welcome, P::Welcome, 2, kNone, true, 0},

      // The end of the checks: the catalogue is read only with a drive and a server.
      {"no drive of the maker", kNoDrives, From::Checking, Checks(true, true),
       Step::ShowPage, S::NoDrive, P::NoDrive, 0, kNone, true, 0},
      {"no drive and no server", kNoDrives, From::Checking, Checks(false, false),
       Step::ShowPage, S::NoDrive, P::NoDrive, 0, kNone, true, 0},
      {"the server was not reached", kOfferedThenBare, From::Checking, Checks(false, true),
       Step::ShowPage, S::Checking, P::NoConnection, 2, kNone, true, 0},
      {"no catalogue arrived", kOneOffered, From::Checking, Checks(true, false),
       Step::ShowPage, S::Checking, P::CatalogueMissing, 1, kNone, true, 1},
      {"the catalogue loaded", kOfferedThenBare, From::Checking, Checks(true, true),
       Step::ShowPage, S::DeviceList, P::FirstDeviceList, 2, kNone, true, 1},
      {"Next while checking", kOfferedThenBare, From::Checking, Next(),
       Step::None, S::Checking, P::Welcome, 2, kNone, true, 0},

      // The failure pages: only Cancel and Enter end them.
      {"Next on the no-drive page", kNoDrives, From::ChecksDone, Next(),
       Step::None, S::NoDrive, P::NoDrive, 0, kNone, true, 0},
      {"a click on the no-drive page", kNoDrives, From::ChecksDone, Click(),
       Step::None, S::NoDrive, P::NoDrive, 0, kNone, true, 0},
      {"Back on the no-connection page", kOneOffered, From::NoConnection, Back(),
       Step::None, S::Checking, P::NoConnection, 1, kNone, true, 0},
      {"the checks do not end twice", kOneOffered, From::NoConnection, Checks(true, true),
       Step::None, S::Checking, P::NoConnection, 1, kNone, true, 0},
      {"a click on the catalogue-missing page", kOneOffered, From::CatalogueMissing, Click(),
       Step::None, S::Checking, P::CatalogueMissing, 1, kNone, true, 0},

      // The device page: a click chooses a drive, whose question follows.
      {"a click on the device page", kOfferedThenBare, From::ChecksDone, Click(),
       Step::TakeDriveRow, S::DeviceList, P::FirstDeviceList, 2, kNone, true, 0},
      {"Next on the device page", kOfferedThenBare, From::ChecksDone, Next(),
       Step::None, S::DeviceList, P::FirstDeviceList, 2, kNone, true, 0},
      {"Back on the device page", kOfferedThenBare, From::ChecksDone, Back(),
       Step::None, S::DeviceList, P::FirstDeviceList, 2, kNone, true, 0},
      {"a listed drive is chosen", kOfferedThenBare, From::ChecksDone, Choose("QX-2"),
       Step::AskDeviceQuestion, S::DeviceList, P::FirstDeviceList, 2, 1, true, 0},
      {"a text no drive has", kOfferedThenBare, From::ChecksDone, Choose("QX-9"),
       Step::None, S::DeviceList, P::FirstDeviceList, 2, kNone, true, 0},
      {"of two drives of one model the first", kSameModelTwice, From::ChecksDone, Choose("QX-1"),
       Step::AskDeviceQuestion, S::DeviceList, P::FirstDeviceList, 2, 0, true, 0},
      {"an answer with no drive chosen", kOfferedThenBare, From::ChecksDone, Answer(true),
       Step::None, S::DeviceList, P::FirstDeviceList, 2, kNone, true, 0},

      // The answer to the device question.
      {"No keeps the device page", kOfferedThenBare, From::DriveChosen, Answer(false),
       Step::None, S::DeviceList, P::FirstDeviceList, 2, 0, true, 0},
      {"Yes for a drive offered files", kOfferedThenBare, From::DriveChosen, Answer(true),
       Step::ShowPage, S::FirmwareList, P::FirmwareList, 2, 0, true, 0},
      {"Yes for a drive offered nothing, others remain", kBareThenOffered, From::DriveChosen,
       Answer(true), Step::ShowPage, S::DeviceDone, P::NoNewFirmwareOthersRemain, 1, kNone, false, 0},
      {"Yes for the last drive, offered nothing", kOneBare, From::DriveChosen, Answer(true),
       Step::ShowPage, S::DeviceDone, P::NoNewFirmwareLastDrive, 0, kNone, false, 0},
      {"Yes for the first of one model, offered nothing", kSameModelTwice, From::DriveChosen,
       Answer(true), Step::ShowPage, S::DeviceDone, P::NoNewFirmwareOthersRemain, 1, kNone, false, 0},

      // The firmware page: a click offers the download; a saved file ends the drive.
      {"Back on the firmware page", kOfferedThenBare, From::FirmwareList, Back(),
       Step::ShowPage, S::DeviceList, P::DeviceList, 2, 0, true, 0},
      {"Next on the firmware page", kOfferedThenBare, From::FirmwareList, Next(),
       Step::None, S::FirmwareList, P::FirmwareList, 2, 0, true, 0},
      {"a click on the firmware page", kOfferedThenBare, From::FirmwareList, Click(),
       Step::OfferDownload, S::FirmwareList, P::FirmwareList, 2, 0, true, 0},
      {"a drive chosen on the firmware page", kOfferedThenBare, From::FirmwareList, Choose("QX-2"),
       Step::None, S::FirmwareList, P::FirmwareList, 2, 0, true, 0},
      {"installed, others remain", kOfferedThenBare, From::FirmwareList, Saved(true),
       Step::ShowRemainingDrives, S::DeviceList, P::DeviceList, 1, kNone, true, 0},
      {"saved but not installed, others remain", kOfferedThenBare, From::FirmwareList, Saved(false),
       Step::ShowRemainingDrives, S::DeviceList, P::DeviceList, 1, kNone, true, 0},
      // The window goes when the modal run returns after an install, at once
      // otherwise.
      {"installed for the last drive", kOneOffered, From::FirmwareList, Saved(true),
       Step::EndWizard, S::DeviceDone, P::FirmwareList, 0, kNone, false, 0},
      {"saved but not installed for the last drive", kOneOffered, From::FirmwareList, Saved(false),
       Step::EndWizard, S::FirmwareList, P::FirmwareList, 0, kNone, true, 0},

      // The device page again, after Back.
      {"a click on the later device page", kOfferedThenBare, From::DeviceListAgain, Click(),
       Step::TakeDriveRow, S::DeviceList, P::DeviceList, 2, 0, true, 0},
      {"a file saved off the firmware page", kOfferedThenBare, From::DeviceListAgain, Saved(true),
       Step::None, S::DeviceList, P::DeviceList, 2, 0, true, 0},

      // The no-new-firmware page: Next returns to the drives left.
      {"Next on the no-new-firmware page", kBareThenOffered, From::NoNewFirmware, Next(),
       Step::ShowRemainingDrives, S::DeviceList, P::DeviceList, 1, kNone, true, 0},
      {"Back on the no-new-firmware page", kBareThenOffered, From::NoNewFirmware, Back(),
       Step::None, S::DeviceDone, P::NoNewFirmwareOthersRemain, 1, kNone, false, 0},
      {"a click on the no-new-firmware page", kBareThenOffered, From::NoNewFirmware, Click(),
       Step::None, S::DeviceDone, P::NoNewFirmwareOthersRemain, 1, kNone, false, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FlowHarness harness(row.drives);
    const Path path = PathTo(row.from, row.drives);
    for (const Event& event : path.events) harness.Send(event);
    ASSERT_EQ(harness.flow.pageState(), path.arrivesIn);
    harness.loads = 0;

    EXPECT_EQ(harness.Send(row.event), row.step);
    EXPECT_EQ(harness.flow.pageState(), row.state);
    EXPECT_EQ(harness.flow.page(), row.page);
    EXPECT_EQ(harness.flow.drivesLeft(), row.drivesLeft);
    EXPECT_EQ(harness.Chosen(), row.chosen);
    EXPECT_EQ(harness.flow.OkDestroysAtOnce(), row.okDestroysAtOnce);
    EXPECT_EQ(harness.loads, row.loads);
  }
}

// The drive that leaves is the chosen one, not another of the same model.
TEST(WizardFlowTest, TheHandledEntryLeavesAndTheOtherOfItsModelStays) {
  FlowHarness harness(kSameModelTwice);
  for (const Event& event : PathTo(From::NoNewFirmware, kSameModelTwice).events) harness.Send(event);
  ASSERT_EQ(harness.flow.drivesLeft(), 1u);
  EXPECT_EQ(&harness.catalogue.models.front(), harness.entries[1]);
  EXPECT_EQ(harness.flow.Next(), Step::ShowRemainingDrives);
  EXPECT_EQ(harness.flow.ChooseDrive("QX-1"), Step::AskDeviceQuestion);
  EXPECT_EQ(harness.Chosen(), 1);
  EXPECT_EQ(harness.flow.AnswerDeviceQuestion(true), Step::ShowPage);
  EXPECT_EQ(harness.flow.page(), Page::FirmwareList);
}

}  // namespace
}  // namespace wizard
