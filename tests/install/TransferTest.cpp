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
    session_ = CInternetSession::Open();
    ASSERT_NE(session_, nullptr);
    connection_ = session_->GetFtpConnection("127.0.0.1", nullptr, nullptr, server_->Port());
    ASSERT_NE(connection_, nullptr);
  }

  void TearDown() override {
    Transfer::SetThreadStarter(nullptr);
    connection_.reset();
    session_.reset();
    platform::RemoveFile(local_);
    platform::RemoveFile(PartialPathFor(local_));
  }

  // Runs one transfer as the download window does; returns its outcome.
  bool Fetch(const std::string& listedSha256 = "") {
    Transfer transfer;
    transfer.Start(connection_.get(), kRemote, local_, listedSha256);
    transfer.RunEstimate(bar_, bar_);
    notAsListed_ = transfer.NotAsListed();
    return transfer.Succeeded();
  }

  std::unique_ptr<FtpServer> server_;
  std::unique_ptr<CInternetSession> session_;
  std::unique_ptr<CFtpConnection> connection_;
  std::string local_ = "transfer_test_fw.zip";
  Bar bar_;
  bool notAsListed_ = false;
};

TEST_F(TransferTest, FetchesTheWholeFileAndReplacesAnExistingOneOnlyThen) {
  const std::string firmware = Firmware(150000);
  Serve("normal", firmware);
  WriteFile(local_, "old firmware");
  WriteFile(PartialPathFor(local_), "left by an earlier attempt");
  ASSERT_TRUE(Fetch());
  EXPECT_EQ(ReadFile(local_), firmware);
  EXPECT_FALSE(platform::FileExists(PartialPathFor(local_)));
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
    EXPECT_FALSE(platform::FileExists(PartialPathFor(local_)));
    EXPECT_EQ(server_->Count("retr"), 1);
    connection_.reset();
    session_.reset();
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
    EXPECT_FALSE(platform::FileExists(PartialPathFor(local_)));
    connection_.reset();
    session_.reset();
    server_.reset();
  }
}

TEST_F(TransferTest, MissingRemoteFileFailsWithoutAnEstimate) {
  Serve("normal", "x");
  WriteFile(local_, "old firmware");
  Transfer transfer;
  transfer.Start(connection_.get(), "pub/VORN/cdrom/absent.zip", local_);
  EXPECT_EQ(transfer.EstimateSize(), 0);
  transfer.RunEstimate(bar_, bar_);
  EXPECT_FALSE(transfer.Succeeded());
  EXPECT_EQ(ReadFile(local_), "old firmware");
  for (int position : bar_.positions) EXPECT_EQ(position, 0);
}

CWinThread* CannotStart(AFX_THREADPROC, LPVOID) { return nullptr; }

TEST_F(TransferTest, WorkerThatCannotStartEndsTheTransferAsFailed) {
  Serve("normal", Firmware(20000));
  WriteFile(local_, "old firmware");
  Transfer::SetThreadStarter(&CannotStart);
  Transfer transfer;
  EXPECT_FALSE(transfer.Start(connection_.get(), kRemote, local_));
  transfer.RunEstimate(bar_, bar_);  // must return at once
  EXPECT_TRUE(bar_.positions.empty());
  EXPECT_FALSE(transfer.Succeeded());
  EXPECT_EQ(ReadFile(local_), "old firmware");
  EXPECT_EQ(server_->Count("retr"), 0);
}

}  // namespace
