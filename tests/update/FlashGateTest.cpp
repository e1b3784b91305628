// The checks before the flasher, through the transport on both back ends
// (the scripted platform, its drives answering as the stand-in library's)
// and a power source of the test's own: each check passes, holds until the
// user has put it right and pressed Retry, or holds until Cancel; and the
// engine, which runs them for the drive the user or the plan chose.
#include "update/FlashGate.h"

#include <cstdlib>
#include <memory>

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "framework/File.h"
#include "framework/Platform.h"
#include "scsi/ScsiTransport.h"
#include "tests/scsi/FakeScsiSystem.h"
#include "update/UpdateEngine.h"

namespace {

using catalogue::FirmwareItem;

using update::HoldAnswer;
using update::HoldReason;
using update::PowerSource;

std::string ScratchFolder() {
  framework::CreateFolder(VORN_TEST_SCRATCH);
  return std::string(VORN_TEST_SCRATCH) + "/";
}
#ifdef _WIN32
const std::uint32_t kRunningProcess = GetCurrentProcessId();
#else
const std::uint32_t kRunningProcess = static_cast<std::uint32_t>(getpid());
#endif
const std::uint32_t kNoSuchProcess = 0x7FFFFFF0;  // above every system's process ids

// One machine with one of the maker's drives: D: on the NT line, 0:0:0 on ASPI.
struct Machine {
  explicit Machine(bool nt) {
    fake.platformId = nt ? scsi::kPlatformWin32Nt : 1;
    fake.supportInfo = 1;
    fake.letters['D'].answer = InquiryAnswer({"VORN", "QX-1234A", "1.20", "030101"});
    fake.aspiDevices.push_back({});
    fake.aspiDevices[0].answer = fake.letters['D'].answer;
    lock.ForgetFlasher();
  }
  // The drive's answers and state, whichever back end asks.
  void Answer(const InquiryFields& fields) {
    fake.letters['D'].answer = fake.aspiDevices[0].answer = InquiryAnswer(fields);
  }
  void Unit(aspisim::Medium medium, unsigned busy = 0, std::uint8_t busyAscq = aspisim::kLongWriteInProgress) {
    for (aspisim::SimDrive* unit : {&fake.letters['D'].unit, &fake.aspiDevices[0].unit}) {
      unit->medium = medium;
      unit->busy = busy;
      unit->busyAscq = busyAscq;
    }
  }
  void Opens(bool opens, std::uint32_t error) {
    fake.letters['D'].opens = opens;
    fake.letters['D'].openError = error;
    fake.aspiDevices[0].adapter = opens ? 0 : 7;  // no device answers at 0:0:0
  }

  // Another copy of the program holds the machine's update lock, from a
  // thread of its own (a Windows mutex is its owner thread's) until Leave.
  void OtherCopyUpdates() {
    other = std::thread([this] {
      update::MachineUpdateLock lock;
      std::unique_lock<std::mutex> guard(state);
      otherHolds = lock.Take();
      changed.notify_all();
      changed.wait(guard, [this] { return otherLeaves; });
    });
    std::unique_lock<std::mutex> guard(state);
    changed.wait(guard, [this] { return otherHolds; });
  }
  void OtherCopyEnds() {
    if (!other.joinable()) return;
    {
      std::lock_guard<std::mutex> guard(state);
      otherLeaves = true;
    }
    changed.notify_all();
    other.join();
  }
  ~Machine() { OtherCopyEnds(); }

  FakeScsiSystem fake;
  PowerSource power = PowerSource::Unknown;
  update::MachineUpdateLock lock{ScratchFolder()};
  std::thread other;
  std::mutex state;
  std::condition_variable changed;
  bool otherHolds = false, otherLeaves = false;
};

TEST(FlashGate, EachCheckPassesHoldsUntilRetryOrHoldsUntilCancel) {
  using Change = std::function<void(Machine&)>;
  struct Row {
    const char* name;
    Change hold;  // after the scan: what holds the flash back; null: nothing
    Change mend;  // what the user puts right before Retry; null: the gate does
    HoldReason reason;
    const char* verdict;
    bool ntOnly;
  };
  const Change nothing;
  // The user's Retry succeeds once `mend` has run; a second hold is cancelled.
  const Row rows[] = {
      {"all clear", nothing, nothing, HoldReason::None, "", false},
      {"another copy updating", [](Machine& m) { m.OtherCopyUpdates(); }, [](Machine& m) { m.OtherCopyEnds(); },
       HoldReason::AnotherUpdate, "held: another update is running", false},
      // A copy ended while its flasher runs: its lock is free, the record is not.
      {"flasher of an ended copy", [](Machine& m) { m.lock.RecordFlasher(kRunningProcess); },
       [](Machine& m) { m.lock.RecordFlasher(kNoSuchProcess); }, HoldReason::AnotherUpdate,
       "held: another update is running", false},
      {"mains power", [](Machine& m) { m.power = PowerSource::Mains; }, nothing, HoldReason::None, "", false},
      {"tray open", [](Machine& m) { m.Unit(aspisim::Medium::kTrayOpen); }, nothing, HoldReason::None, "", false},
      {"another revision",
       [](Machine& m) { m.Answer({"VORN", "QX-1234A", "1.30", "030101"}); },
       [](Machine& m) { m.Answer({"VORN", "QX-1234A", "1.20", "030101"}); }, HoldReason::DriveChanged,
       "held: drive changed", false},
      {"another drive",
       [](Machine& m) { m.Answer({"ACME", "CD-52X", "1.20", ""}); },
       [](Machine& m) { m.Answer({"VORN", "QX-1234A", "1.20", "030101"}); }, HoldReason::DriveChanged,
       "held: drive changed", false},
      {"drive gone", [](Machine& m) { m.Opens(false, 2); }, [](Machine& m) { m.Opens(true, 0); },
       HoldReason::DriveChanged, "held: drive changed", false},
      {"on battery", [](Machine& m) { m.power = PowerSource::Battery; },
       [](Machine& m) { m.power = PowerSource::Mains; }, HoldReason::OnBattery, "held: on battery", false},
      // Retry opens the tray, and the drive then says it has no medium.
      {"disc in the drive", [](Machine& m) { m.Unit(aspisim::Medium::kDisc); }, nothing, HoldReason::DiscInDrive,
       "held: disc in drive", false},
      {"writing a disc", [](Machine& m) { m.Unit(aspisim::Medium::kDisc, aspisim::kBusyAlways); },
       [](Machine& m) { m.Unit(aspisim::Medium::kEmpty); }, HoldReason::DriveBusy, "held: drive busy", false},
      {"formatting a disc", [](Machine& m) { m.Unit(aspisim::Medium::kDisc, aspisim::kBusyAlways, 0x07); },
       [](Machine& m) { m.Unit(aspisim::Medium::kEmpty); }, HoldReason::DriveBusy, "held: drive busy", false},
      // Busy for one more question: by the Retry the write has ended.
      {"finishing a write", [](Machine& m) { m.Unit(aspisim::Medium::kEmpty, 1); }, nothing, HoldReason::DriveBusy,
       "held: drive busy", false},
      {"held open by a burning program", [](Machine& m) { m.Opens(false, scsi::kErrorSharingViolation); },
       [](Machine& m) { m.Opens(true, 0); }, HoldReason::DriveBusy, "held: drive busy", true},
  };
  for (const bool nt : {true, false}) {
    for (const Row& row : rows) {
      for (const HoldAnswer answer : {HoldAnswer::Retry, HoldAnswer::Cancel}) {
        if (row.ntOnly && !nt) continue;
        SCOPED_TRACE(std::string(nt ? "pass-through, " : "ASPI, ") + row.name +
                     (answer == HoldAnswer::Retry ? ", Retry" : ", Cancel"));
        Machine machine(nt);
        scsi::ScsiTransport transport(machine.fake);
        ASSERT_EQ(transport.driveCount, 1);
        if (row.hold) row.hold(machine);

        std::vector<HoldReason> asked;
        update::TransportConditions conditions(transport, 0, [&] { return machine.power; }, machine.lock);
        const HoldReason ended = update::RunFlashGate(conditions, [&](HoldReason reason) {
          asked.push_back(reason);
          if (asked.size() > 1 || answer == HoldAnswer::Cancel) return HoldAnswer::Cancel;
          if (row.mend) row.mend(machine);
          return HoldAnswer::Retry;
        });

        const bool held = row.reason != HoldReason::None;
        EXPECT_EQ(asked, held ? std::vector<HoldReason>{row.reason} : std::vector<HoldReason>{});
        EXPECT_EQ(ended, answer == HoldAnswer::Retry ? HoldReason::None : row.reason);
        // The lock is this copy's exactly when the flash may start.
        EXPECT_EQ(machine.lock.Held(), ended == HoldReason::None || row.reason != HoldReason::AnotherUpdate);
        // A record of a flasher that has ended goes once the lock is taken.
        if (ended == HoldReason::None) EXPECT_FALSE(platform::FileExists(machine.lock.FlasherRecord()));
        if (!held) continue;
        // The history keeps the hold under its own verdict.
        update::UpdateRecord read;
        EXPECT_TRUE(update::ParseRecord("t\tQX-1234A\tD:\t1.20\t1.30\tf\t-\t" + std::string(row.verdict), read));
        EXPECT_EQ(read.verdict, update::HeldVerdict(row.reason));
      }
    }
  }
}

// The engine's voice in a test: a file that is no archive as the download,
// Yes to updating now, Cancel to a hold; it keeps the address each flash
// passed its checks for.
class RecordingVoice : public update::UpdateVoice {
 public:
  bool Download(const FirmwareItem&, const update::UpdateRecord&, update::FetchedArchive& archive) override {
    archive.savedPath = ScratchFolder() + "not-a-zip.zip";
    platform::WriteWholeFile(archive.savedPath, "not a zip");
    archive.file = std::make_unique<CFile>();
    return archive.file->Open(archive.savedPath, CFile::modeRead);
  }
  bool UpdateNow(const update::UpdateRecord&) override { return true; }
  void WaitForFlashers(const std::vector<void*>&) override {}
  HoldAnswer AskAboutHold(HoldReason, const update::UpdateRecord&) override { return HoldAnswer::Cancel; }
  void Kept(const update::UpdateRecord&, const std::string&) override {}
  void ChecksPassed(const update::UpdateRecord& record) override { passed = record.address; }
  void InstallEnded(const update::UpdateRecord&, const install::InstallOutcome&,
                    const update::FetchedArchive&) override {}
  bool ReadBackEachFlash() const override { return true; }
  void LookForDrives(const std::function<void()>& look) override { look(); }
  void RescanProblems(scsi::DriveIdentification&) override {}
  void Verdict(const update::CheckedUpdate&, bool) override {}

  std::string passed;
};

TEST(UpdateEngine, FlashesTheDriveChosenOfTwoOfOneModel) {
  // The history and the lock go into the scratch folder.
#ifdef _WIN32
  SetEnvironmentVariableA("APPDATA", ScratchFolder().c_str());
#else
  setenv("APPDATA", ScratchFolder().c_str(), 1);
#endif
  const struct {
    const char* chosen;    // the drive's address as chosen; empty: none given
    const char* revision;  // its revision as chosen
    const char* passed;    // the drive the checks passed for; empty: held
  } rows[] = {
      {"E:", "1.20", "E:"},
      {"D:", "1.20", "D:"},
      {"", "1.20", "D:"},  // the first of its model
      {"E:", "1.10", ""},  // changed since it was chosen
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.chosen) + " at " + row.revision);
    Machine machine(true);
    machine.fake.letters['E'].answer = machine.fake.letters['D'].answer;
    scsi::ScsiTransport transport(machine.fake);
    RecordingVoice voice;
    update::UpdateEngine engine(transport, voice);
    ASSERT_EQ(engine.Drives().size(), 2u);
    update::ScannedDrive drive = engine.Drives()[0];
    drive.address = row.chosen;
    drive.revision = row.revision;
    FirmwareItem item;
    item.version = "1.30";
    const update::DriveUpdate update = engine.UpdateDrive(drive, item);
    EXPECT_EQ(voice.passed, row.passed);
    EXPECT_EQ(update.reached, *row.passed ? update::DriveStep::NotStarted : update::DriveStep::Held);
  }
}

}  // namespace
