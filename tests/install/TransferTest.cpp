// The transfer against a real FTP server on loopback (the fixture of
// tools/ftp-server): the file arrives whole and replaces an existing one only
// then; a failed or cut transfer leaves the chosen place as it was.
#include "install/Transfer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "catalogue/Sha256.h"
#include "framework/Platform.h"
#include "install/SavePath.h"
#include "tools/ftp-server/FtpFixtureClient.h"
#include "tests/common/TestFiles.h"

namespace {

using testfiles::ReadFile;
using testfiles::WriteFile;

using ftpfixture::FtpServer;

const char kRemote[] = "pub/VORN/cdrom/fw.zip";

std::string Firmware(std::size_t size) { return testfiles::PseudoRandomBytes(size, 12345); }

// Records positions; the clock serves the pauses at a tenth of their length
// so that the tests stay quick.
class Bar : public ProgressSink, public SleepingClock {
 public:
  void SetPosition(int position) override { positions.push_back(position); }
  void Refresh() override {}
  void Pause(std::uint32_t ms) override { SleepingClock::Pause(ms / 10); }
  std::vector<int> positions;
};

class TransferTest : public ::testing::Test {
 protected:
  void Serve(const std::string& mode, const std::string& content) {
    server_ = std::make_unique<FtpServer>(mode);
    server_->PutFile(std::string("/") + kRemote, content);
    fetcher_ = std::make_unique<CatalogueFetcher>();
    fetcher_->serverHost = "127.0.0.1";
    fetcher_->serverPort = server_->Port();
    ASSERT_TRUE(fetcher_->Connect());
  }

  void TearDown() override {
    archive_.reset();
    Transfer::SetThreadStarter(nullptr);
    fetcher_.reset();
    platform::RemoveFile(local_);
    platform::RemoveFile(kPartial);
  }

  // Runs one transfer as the download window does; returns its outcome.
  bool Fetch(const std::string& listedSha256 = "") {
    archive_.reset();  // the wizard lets the last download's file go before the next
    Transfer transfer;
    transfer.Start(*fetcher_, kRemote, local_, ReservePartialFile(local_), listedSha256);
    transfer.RunEstimate(bar_, bar_);
    notAsListed_ = transfer.NotAsListed();
    archive_ = transfer.TakeArchive();
    return transfer.Succeeded();
  }

  // The temporary name the first transfer in this folder takes.
  static constexpr const char* kPartial = "~1";
  std::unique_ptr<FtpServer> server_;
  std::unique_ptr<CatalogueFetcher> fetcher_;
  std::string local_ = "transfer_test_fw.zip";
  Bar bar_;
  bool notAsListed_ = false;
  std::unique_ptr<CFile> archive_;  // the arrived file, held as the download window hands it on
};

TEST_F(TransferTest, FetchesTheWholeFileAndReplacesAnExistingOneOnlyThen) {
  const std::string firmware = Firmware(150000);
  Serve("normal", firmware);
  WriteFile(local_, "old firmware");
  // A file of the user's under the name older versions fetched into.
  WriteFile(local_ + ".part", "the user's own file");
  ASSERT_TRUE(Fetch());
  EXPECT_EQ(ReadFile(local_), firmware);
  EXPECT_EQ(ReadFile(local_ + ".part"), "the user's own file");
  platform::RemoveFile(local_ + ".part");
  EXPECT_FALSE(platform::FileExists(kPartial));
  // The listing gave the size: U = 15, the small band, first step to 66.
  ASSERT_FALSE(bar_.positions.empty());
  EXPECT_EQ(bar_.positions.front(), 66);
  EXPECT_EQ(server_->Count("retr sent"), 1);
}

TEST_F(TransferTest, FailedOrCutTransfersLeaveTheChosenPlaceAsItWas) {
  const struct {
    const char* mode;
    bool existing;
  } rows[] = {
      {"fail-retr=1", true},
      {"drop-retr=1", true},
      {"drop-retr=1", false},
      {"short-retr=1", true},  // half the file, reported complete
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.mode);
    Serve(row.mode, Firmware(300000));
    platform::RemoveFile(local_);
    if (row.existing) WriteFile(local_, "old firmware");
    EXPECT_FALSE(Fetch());
    if (row.existing) {
      EXPECT_EQ(ReadFile(local_), "old firmware");
    } else {
      EXPECT_FALSE(platform::FileExists(local_));
    }
    EXPECT_FALSE(platform::FileExists(kPartial));
    EXPECT_EQ(server_->Count("retr"), 1);
    fetcher_.reset();
    server_.reset();
  }
}

// The file is checked against the catalogue's hash while it is still the
// temporary file: one changed after the maker listed it (same size) is
// deleted, and a file already at the chosen place stays as it was.
TEST_F(TransferTest, FileMustHaveTheListedHashBeforeItReplacesAnything) {
  const std::string firmware = Firmware(150000);
  std::string changed = firmware;
  changed[75000] ^= 0x01;
  const std::string listed = sha256::ToHex(sha256::Of(firmware));
  const struct {
    const char* name;
    const std::string& served;
    std::string listedHash;
    bool arrives;
  } rows[] = {
      {"as listed", firmware, listed, true},
      {"changed after listing", changed, listed, false},
      {"malformed hash", firmware, listed.substr(1), false},
      {"no hash listed", changed, "", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Serve("normal", row.served);
    WriteFile(local_, "old firmware");
    EXPECT_EQ(Fetch(row.listedHash), row.arrives);
    EXPECT_EQ(notAsListed_, !row.arrives);
    EXPECT_EQ(ReadFile(local_), row.arrives ? row.served : "old firmware");
    EXPECT_FALSE(platform::FileExists(kPartial));
    CFile writer;
    EXPECT_EQ(archive_ != nullptr, row.arrives);
    EXPECT_EQ(writer.Open(local_, CFile::modeWrite), !row.arrives) << "an arrived file is held with writers denied";
    writer.Close();
    archive_.reset();
    fetcher_.reset();
    server_.reset();
  }
}

TEST_F(TransferTest, MissingRemoteFileFailsWithoutAnEstimate) {
  Serve("normal", "x");
  WriteFile(local_, "old firmware");
  Transfer transfer;
  transfer.Start(*fetcher_, "pub/VORN/cdrom/absent.zip", local_, ReservePartialFile(local_));
  transfer.RunEstimate(bar_, bar_);
  EXPECT_EQ(transfer.EstimateSize(), 0);
  EXPECT_FALSE(transfer.Succeeded());
  EXPECT_EQ(ReadFile(local_), "old firmware");
  for (int position : bar_.positions) EXPECT_EQ(position, 0);
}

framework::CWinThread* CannotStart(AFX_THREADPROC, LPVOID) { return nullptr; }

TEST_F(TransferTest, ConnectionTheServerClosedIsMadeAgainOnce) {
  const struct {
    const char* mode;
    DWORD idleMs;  // how long the connection lies idle before the transfer
  } rows[] = {
      {"idle-close=1", 2500},  // closed while the user read the pages
      {"drop-session", 0},     // closed in the middle of the transfer
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.mode);
    const std::string firmware = Firmware(120000);
    Serve(row.mode, firmware);
    Sleep(row.idleMs);
    platform::RemoveFile(local_);
    ASSERT_TRUE(Fetch());
    EXPECT_EQ(ReadFile(local_), firmware);
    EXPECT_EQ(server_->Count("connect"), 2);
    EXPECT_EQ(server_->Count("retr sent"), 1);
    // The new connection is the fetcher's now, for the next download.
    ASSERT_NE(fetcher_->connection, nullptr);
    EXPECT_TRUE(fetcher_->connection->IsAlive());
    fetcher_.reset();
    server_.reset();
  }
}

TEST_F(TransferTest, StalledTransferIsGivenUpAndTheNextOneConnectsAnew) {
  const std::string firmware = Firmware(200000);
  Serve("stall-retr=1", firmware);
  WriteFile(local_, "old firmware");
  const DWORD start = GetTickCount();
  {
    Transfer transfer;
    transfer.Start(*fetcher_, kRemote, local_, ReservePartialFile(local_));
    transfer.RunEstimate(bar_, bar_);
    const DWORD took = GetTickCount() - start;
    EXPECT_TRUE(transfer.GaveUp());
    EXPECT_FALSE(transfer.Succeeded());
    EXPECT_GE(took, Transfer::kStallMs);
    EXPECT_LT(took, Transfer::kStallMs + 10000);
  }
  EXPECT_EQ(ReadFile(local_), "old firmware");
  // The stalled worker keeps its connection; the fetcher has none left.
  EXPECT_EQ(fetcher_->connection, nullptr);
  platform::RemoveFile(kPartial);
  ASSERT_TRUE(Fetch());
  EXPECT_EQ(ReadFile(local_), firmware);
  EXPECT_EQ(server_->Count("connect"), 2);
  EXPECT_EQ(server_->Count("retr stalled"), 1);
  EXPECT_EQ(server_->Count("retr sent"), 1);
}

TEST_F(TransferTest, WorkerThatCannotStartEndsTheTransferAsFailed) {
  Serve("normal", Firmware(20000));
  WriteFile(local_, "old firmware");
  Transfer::SetThreadStarter(&CannotStart);
  {
    Transfer transfer;
    EXPECT_FALSE(transfer.Start(*fetcher_, kRemote, local_, ReservePartialFile(local_)));
    transfer.RunEstimate(bar_, bar_);  // must return at once
    EXPECT_TRUE(bar_.positions.empty());
    EXPECT_FALSE(transfer.Succeeded());
  }
  EXPECT_EQ(ReadFile(local_), "old firmware");
  EXPECT_FALSE(platform::FileExists(kPartial));
  EXPECT_EQ(server_->Count("retr"), 0);
  // The connection came back to the fetcher.
  ASSERT_NE(fetcher_->connection, nullptr);
  EXPECT_TRUE(fetcher_->connection->IsAlive());
}

}  // namespace
