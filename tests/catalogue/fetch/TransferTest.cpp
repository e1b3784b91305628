// The transfer against real servers on loopback (the fixtures of
// tools/ftp-server and tools/http-server): the file arrives whole and
// replaces an existing one only then; a transfer that drops or stalls goes
// on from the bytes written; one that fails leaves the chosen place as it
// was.
#include "catalogue/Transfer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "catalogue/PartialPath.h"
#include "catalogue/Sha256.h"
#include "framework/Platform.h"
#include "tools/ftp-server/FtpFixtureClient.h"
#include "tests/common/TestFiles.h"

namespace {

using catalogue::CatalogueFetcher;
using catalogue::ReservePartialFile;
using catalogue::SleepingClock;
using catalogue::Transfer;
using catalogue::TransferFigures;
using catalogue::kStallMs;

using testfiles::ReadFile;
using testfiles::WriteFile;

using ftpfixture::FixtureServer;
using ftpfixture::FtpServer;
using ftpfixture::HttpServer;

const char kRemote[] = "pub/VORN/cdrom/fw.zip";

std::string Firmware(std::size_t size) { return testfiles::PseudoRandomBytes(size, 12345); }

// Records positions; the clock serves the pauses at a tenth of their length
// so that the tests stay quick.
class Bar : public catalogue::ProgressSink, public SleepingClock {
 public:
  void SetPosition(int position) override { positions.push_back(position); }
  void ShowFigures(const TransferFigures& figures) override { last = figures; }
  void Refresh() override {}
  void Pause(std::uint32_t ms) override { SleepingClock::Pause(ms / 10); }
  std::vector<int> positions;
  TransferFigures last;  // the line's figures shown last
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

  // Serves `content` in `mode` from the FTP server or, with `http`, the
  // mirror, and connects the fetcher to it; returns the server.
  FixtureServer& ServeEither(bool http, const std::string& mode, const std::string& content) {
    if (!http) {
      Serve(mode, content);
      return *server_;
    }
    mirror_ = std::make_unique<HttpServer>(mode);
    mirror_->PutFile(std::string("/") + kRemote, content);
    fetcher_ = std::make_unique<CatalogueFetcher>();
    fetcher_->mirrorAddress = mirror_->MirrorAddress();
    EXPECT_TRUE(fetcher_->ConnectMirror());
    return *mirror_;
  }

  void TearDown() override {
    archive_.reset();
    Transfer::SetThreadStarter(nullptr);
    fetcher_.reset();
    platform::RemoveFile(local_);
    platform::RemoveFile(kPartial);
  }

  // Runs one transfer as the download window does; returns its outcome.
  bool Fetch(const std::string& listedSha256 = "", std::uint64_t listedBytes = 0) {
    archive_.reset();  // the wizard lets the last download's file go before the next
    Transfer transfer;
    transfer.stallMs = kStallMs;
    transfer.partialFolder = partialFolder_;
    transfer.Start(*fetcher_, kRemote, local_, ReservePartialFile(local_), listedSha256, listedBytes);
    transfer.RunProgress(bar_, bar_);
    notAsListed_ = transfer.NotAsListed();
    archive_ = transfer.TakeArchive();
    resumes_ = transfer.Resumes();
    return transfer.Succeeded();
  }

  // A stall the tests wait for: shorter than the program's.
  static constexpr DWORD kStallMs = 2000;

  // The temporary name the first transfer in this folder takes.
  static constexpr const char* kPartial = "~1";
  std::unique_ptr<FtpServer> server_;
  std::unique_ptr<HttpServer> mirror_;
  std::unique_ptr<CatalogueFetcher> fetcher_;
  std::string local_ = "transfer_test_fw.zip";
  std::string partialFolder_;  // Transfer::partialFolder
  Bar bar_;
  bool notAsListed_ = false;
  int resumes_ = 0;
  std::unique_ptr<CFile> archive_;  // the arrived file, held as the download window hands it on
};

TEST_F(TransferTest, FetchesTheWholeFileAndReplacesAnExistingOneOnlyThen) {
  const std::string firmware = Firmware(150000);
  // At about a megabyte a second: the bar shows while the bytes arrive.
  Serve("slow-retr=1000000", firmware);
  WriteFile(local_, "old firmware");
  // A file of the user's under the name older versions fetched into.
  WriteFile(local_ + ".part", "the user's own file");
  ASSERT_TRUE(Fetch());
  EXPECT_EQ(ReadFile(local_), firmware);
  EXPECT_EQ(ReadFile(local_ + ".part"), "the user's own file");
  platform::RemoveFile(local_ + ".part");
  EXPECT_FALSE(platform::FileExists(kPartial));
  // The listing gave the size: the bar shows the bytes, so it never goes
  // back, and ends full with the whole amount, however quick the transfer.
  ASSERT_FALSE(bar_.positions.empty());
  EXPECT_TRUE(std::is_sorted(bar_.positions.begin(), bar_.positions.end()));
  EXPECT_EQ(bar_.positions.back(), catalogue::kProgressRangeTop);
  EXPECT_EQ(bar_.last.bytes, firmware.size());
  EXPECT_EQ(server_->Count("retr sent"), 1);
}

// A refusal is not worth another try; four drops in a row (the first and
// the three times the transfer goes on) fail as one did before.
TEST_F(TransferTest, FailedOrCutTransfersLeaveTheChosenPlaceAsItWas) {
  const struct {
    const char* mode;
    bool existing;
    int retrs;
    std::uint64_t listedBytes;  // 0: none listed
  } rows[] = {
      {"fail-retr=1", true, 1},
      {"drop-retr=4", true, 4},
      {"drop-retr=4", false, 4},
      {"short-retr=4", true, 4},  // half of each, reported complete
      {"normal", true, 1, 299999},  // longer than the catalogue says: not tried again
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.mode);
    Serve(row.mode, Firmware(300000));
    platform::RemoveFile(local_);
    if (row.existing) WriteFile(local_, "old firmware");
    EXPECT_FALSE(Fetch("", row.listedBytes));
    if (row.existing) {
      EXPECT_EQ(ReadFile(local_), "old firmware");
    } else {
      EXPECT_FALSE(platform::FileExists(local_));
    }
    EXPECT_FALSE(platform::FileExists(kPartial));
    EXPECT_EQ(server_->Count("retr"), row.retrs);
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
  transfer.RunProgress(bar_, bar_);
  EXPECT_EQ(transfer.TotalBytes(), 0u);
  EXPECT_FALSE(transfer.Succeeded());
  EXPECT_EQ(ReadFile(local_), "old firmware");
  for (int position : bar_.positions) EXPECT_EQ(position, 0);
}

framework::CWinThread* CannotStart(AFX_THREADPROC, LPVOID) { return nullptr; }

TEST_F(TransferTest, ConnectionTheServerClosedIsMadeAgainOnce) {
  const struct {
    const char* mode;
    bool closedIdle;  // the server closes the idle connection first (waited for)
  } rows[] = {
      {"idle-close=1", true},   // closed while the user read the pages
      {"drop-session", false},  // closed in the middle of the transfer
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.mode);
    const std::string firmware = Firmware(120000);
    Serve(row.mode, firmware);
    if (row.closedIdle) {
      ASSERT_TRUE(server_->WaitFor("disconnect", 1, 60));
    }
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

// A drop or a stall, from the FTP server or the HTTP mirror: the transfer
// goes on from the bytes already written (REST, Range), on a new connection
// where the old one is gone or stalled, and reads little more than the file.
TEST_F(TransferTest, DropOrStallGoesOnFromTheBytesWritten) {
  const std::string firmware = Firmware(400000);
  const std::string listed = sha256::ToHex(sha256::Of(firmware));
  const struct {
    const char* name;
    bool http;
    const char* mode;
    int connects;  // FTP connections made
  } rows[] = {
      {"FTP drop at 50%", false, "drop-retr=1", 1},
      {"FTP drop after 390000 bytes", false, "drop-after=390000", 1},
      {"FTP cut short, reported complete", false, "short-retr=1", 1},
      {"FTP stall", false, "stall-retr=1", 2},
      {"HTTP drop at 50%", true, "drop-get=1", 0},
      {"HTTP stall", true, "stall-get=1", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FixtureServer& seen = ServeEither(row.http, row.mode, firmware);
    WriteFile(local_, "old firmware");
    const DWORD start = GetTickCount();
    ASSERT_TRUE(Fetch(listed, firmware.size()));
    EXPECT_EQ(ReadFile(local_), firmware);
    EXPECT_EQ(resumes_, 1);
    EXPECT_LE(seen.BytesLogged(), static_cast<long long>(firmware.size() * 11 / 10));
    if (std::string(row.name).find("stall") != std::string::npos) {
      EXPECT_GE(GetTickCount() - start, kStallMs);
    }
    if (row.http) {
      EXPECT_EQ(seen.Count("get /" + std::string(kRemote)), 2);
      EXPECT_EQ(seen.Count("get /" + std::string(kRemote) + " 206"), 1);
    } else {
      EXPECT_EQ(server_->Count("retr"), 2);
      EXPECT_EQ(server_->Count("rest"), 1);
      EXPECT_EQ(server_->Count("connect"), row.connects);
    }
    archive_.reset();
    fetcher_.reset();
    mirror_.reset();
    server_.reset();
  }
}

// Four stalls in a row give the transfer up; the stalled workers keep their
// connections, and the next transfer connects anew.
TEST_F(TransferTest, StalledTransferIsGivenUpAndTheNextOneConnectsAnew) {
  const std::string firmware = Firmware(200000);
  Serve("stall-retr=4", firmware);
  WriteFile(local_, "old firmware");
  const DWORD start = GetTickCount();
  {
    Transfer transfer;
    transfer.stallMs = kStallMs;
    transfer.Start(*fetcher_, kRemote, local_, ReservePartialFile(local_));
    transfer.RunProgress(bar_, bar_);
    const DWORD took = GetTickCount() - start;
    EXPECT_TRUE(transfer.GaveUp());
    EXPECT_FALSE(transfer.Succeeded());
    EXPECT_GE(took, 4 * kStallMs);
    EXPECT_LT(took, 4 * kStallMs + 10000);
  }
  EXPECT_EQ(ReadFile(local_), "old firmware");
  EXPECT_FALSE(platform::FileExists(kPartial));
  EXPECT_EQ(fetcher_->connection, nullptr);
  ASSERT_TRUE(Fetch());
  EXPECT_EQ(ReadFile(local_), firmware);
  EXPECT_EQ(server_->Count("connect"), 5);
  EXPECT_EQ(server_->Count("retr stalled"), 4);
  EXPECT_EQ(server_->Count("retr sent"), 1);
}

// A file listed with its hash arrives in the work folder under its hash and
// stays there when the transfer fails: the next transfer, as a later run
// makes it, asks only for the rest (REST, Range at the kept size; at the
// whole size the source's empty answer or 416 completes it), and takes the
// whole file when the source cannot go on there. Bytes that do not make the
// listed file are dropped once complete; a kept file another copy of the
// program holds is left alone.
TEST_F(TransferTest, KeptPartialFileGoesOnFromItsBytesInTheNextTransfer) {
  const std::string firmware = Firmware(300000);
  const std::string listed = sha256::ToHex(sha256::Of(firmware));
  // The work folder on another drive than the chosen file (C: against Z:).
  char temp[MAX_PATH];
  partialFolder_.assign(temp, GetTempPathA(MAX_PATH, temp));
  const std::string kept = catalogue::KeptPartialPath(partialFolder_, listed);
  enum Before { kFailedRun, kHalf, kWhole, kOtherBytes, kLonger, kHeldByAnother };
  const struct {
    const char* name;
    bool http;
    const char* mode;
    Before before;
    const char* status;  // HTTP: the answer to the Range request
    bool arrives, keptAfter;
  } rows[] = {
      {"FTP, after a run that failed", false, "drop-retr=4", kFailedRun, nullptr, true, false},
      {"HTTP, after a run that failed", true, "drop-get=4", kFailedRun, "206", true, false},
      {"FTP refuses REST: from byte 0", false, "refuse-rest", kHalf, nullptr, true, false},
      {"HTTP 206 without the whole size", true, "unknown-total", kHalf, "206", true, false},
      {"FTP at the whole size", false, "normal", kWhole, nullptr, true, false},
      {"HTTP at the whole size: 416", true, "lighttpd", kWhole, "416", true, false},
      {"HTTP 206 from another byte: anew", true, "wrong-start", kHalf, "206", true, false},
      {"bytes of another file", false, "normal", kOtherBytes, nullptr, false, false},
      {"more bytes than the file has: anew", false, "normal", kLonger, nullptr, true, false},
      {"held by another copy", false, "normal", kHeldByAnother, nullptr, true, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FixtureServer& seen = ServeEither(row.http, row.mode, firmware);
    platform::RemoveFile(kept);
    if (row.before == kFailedRun) {
      EXPECT_FALSE(Fetch(listed, firmware.size()));
    } else {
      WriteFile(kept, row.before == kWhole ? firmware : firmware.substr(0, 150000));
    }
    if (row.before == kOtherBytes) WriteFile(kept, std::string(150000, 'x'));
    if (row.before == kLonger) WriteFile(kept, firmware + "more");
    const HANDLE other = row.before == kHeldByAnother
        ? CreateFileA(kept.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr) : nullptr;
    const std::string held = std::to_string(ReadFile(kept).size());
    EXPECT_EQ(Fetch(listed, firmware.size()), row.arrives);
    if (row.arrives) {
      EXPECT_EQ(ReadFile(local_), firmware);
    }
    const std::string asked = row.http ? "get /" + std::string(kRemote) + " " + row.status + " bytes=" + held + "-"
                                       : "rest " + held;
    EXPECT_EQ(seen.Count(asked), row.before == kHeldByAnother || row.before == kLonger ? 0 : 1) << asked;
    EXPECT_EQ(platform::FileExists(kept), row.keptAfter);
    if (row.keptAfter) {
      EXPECT_EQ(ReadFile(kept), firmware.substr(0, 150000));
    }
    if (other != nullptr) CloseHandle(other);
    platform::RemoveFile(kept);
    archive_.reset();
    fetcher_.reset();
    mirror_.reset();
    server_.reset();
  }
}

TEST_F(TransferTest, WorkerThatCannotStartEndsTheTransferAsFailed) {
  Serve("normal", Firmware(20000));
  WriteFile(local_, "old firmware");
  Transfer::SetThreadStarter(&CannotStart);
  {
    Transfer transfer;
    EXPECT_FALSE(transfer.Start(*fetcher_, kRemote, local_, ReservePartialFile(local_)));
    transfer.RunProgress(bar_, bar_);  // must return at once
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
