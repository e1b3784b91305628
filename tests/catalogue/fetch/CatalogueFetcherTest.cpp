// The catalogue retrieval against a real FTP server on loopback (the fixture
// of tools/ftp-server), counting what the server saw the client do.
#include "catalogue/CatalogueFetcher.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "framework/Platform.h"
#include "tools/ftp-server/FtpFixtureClient.h"
#include "tests/common/TestFiles.h"

namespace {

using catalogue::CatalogueFetcher;
using catalogue::FetchFailure;
using catalogue::FetchFailures;
using catalogue::FirmwareCatalogue;
using catalogue::ModelEntry;
using catalogue::OpenResult;
using catalogue::SignaturePathFor;
using catalogue::SourceKind;

using testfiles::ReadFile;
using testfiles::WriteFile;

using ftpfixture::FtpServer;
using ftpfixture::HttpServer;

const char kRemoteCatalogue[] = "/pub/VORN/cdrom/odd.idx";

// Compares a file with the expected content without printing whole
// catalogues on a mismatch.
::testing::AssertionResult FileHolds(const std::string& path, const std::string& expected) {
  if (!platform::FileExists(path)) return ::testing::AssertionFailure() << path << " does not exist";
  const std::string actual = ReadFile(path);
  if (actual == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << path << " holds " << actual.size() << " bytes, expected "
                                       << expected.size() << (actual.size() == expected.size() ? " (contents differ)" : "");
}

// A catalogue large enough that a dropped transfer is visibly partial.
std::string CatalogueText() {
  std::string text;
  for (int i = 0; text.size() < 200000; ++i) {
    text += "<model VORN DVD-" + std::to_string(i) + ">\r\n";
  }
  return text;
}

class CatalogueFetcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    scratch = std::string(folder) + "vorn-fetch-" + std::to_string(GetCurrentProcessId()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".idx";
    platform::RemoveFile(scratch);
  }
  void TearDown() override {
    StopServer();
    platform::RemoveFile(scratch);
    platform::RemoveFile(SignaturePathFor(scratch));
    platform::RemoveFile(scratch + ".fw");
  }

  // Starts a server in `mode` and a fetcher pointed at it and at the scratch
  // copy. Fails the test when the server cannot be started.
  void Start(const std::string& mode) {
    try {
      server = std::make_unique<FtpServer>(mode);
    } catch (const std::exception& e) {
      FAIL() << e.what();
    }
    fetcher = std::make_unique<CatalogueFetcher>();
    fetcher->serverHost = "127.0.0.1";
    fetcher->serverPort = server->Port();
    fetcher->localCopyPath = scratch;
    // The catalogue alone; the cases of the signature turn its fetch on.
    fetcher->fetchSignature = false;
    // The FTP server alone; the table of sources names the others.
    fetcher->mirrorAddress.clear();
  }

  // Shows what the server saw (on failure, or with ctest -V), then stops it.
  void StopServer() {
    fetcher.reset();
    if (!server) return;
    std::string seen;
    for (const std::string& event : server->Events()) seen += (seen.empty() ? "" : " | ") + event;
    std::printf("[ server   ] %s\n", seen.c_str());
    server.reset();
  }

  std::string scratch;
  std::unique_ptr<FtpServer> server;
  std::unique_ptr<CatalogueFetcher> fetcher;
};

TEST_F(CatalogueFetcherTest, NothingListeningGivesFalseWithoutFailureOrFile) {
  ASSERT_NO_FATAL_FAILURE(Start("no-listen"));
  EXPECT_FALSE(fetcher->FetchCatalogue());
  EXPECT_TRUE(fetcher->failures.empty());
  EXPECT_FALSE(platform::FileExists(scratch));
  EXPECT_EQ(fetcher->session, nullptr);
  EXPECT_EQ(fetcher->connection, nullptr);
}

// A refused login is final: asked once, as a missing file is.
TEST_F(CatalogueFetcherTest, RefusedLoginIsAskedOnceSilently) {
  ASSERT_NO_FATAL_FAILURE(Start("refuse-login"));
  server->PutFile(kRemoteCatalogue, "catalogue");
  EXPECT_FALSE(fetcher->FetchCatalogue());
  EXPECT_EQ(server->Count("connect"), 1);
  EXPECT_EQ(server->Count("login ok"), 0);
  EXPECT_EQ(server->Count("retr"), 0);
  EXPECT_TRUE(fetcher->failures.empty());
  EXPECT_FALSE(platform::FileExists(scratch));
  EXPECT_EQ(fetcher->connection, nullptr);
}

// The server's 550 is final: a missing file is asked for once per connection.
TEST_F(CatalogueFetcherTest, MissingCatalogueMeansOneConnectionAndOneTry) {
  ASSERT_NO_FATAL_FAILURE(Start("normal"));
  EXPECT_TRUE(fetcher->FetchCatalogue());
  EXPECT_EQ(server->Count("connect"), 1);
  EXPECT_EQ(server->Count("login ok"), 1);
  EXPECT_EQ(server->Count("retr missing /pub/VORN/cdrom/odd.idx"), 1);
  EXPECT_EQ(server->Count("retr"), 1);
  EXPECT_FALSE(platform::FileExists(scratch));
  EXPECT_NE(fetcher->connection, nullptr);
  EXPECT_EQ(fetcher->remoteCataloguePath, kRemoteCatalogue);
  EXPECT_EQ(fetcher->catalogueFileName, "odd.idx");
  EXPECT_EQ(fetcher->localCataloguePath, scratch);
  EXPECT_EQ(fetcher->serverAddress, "127.0.0.1/");
}

// A failed try, whether refused outright or cut off halfway, is followed by
// another on the same connection, which brings the whole catalogue; no try
// is made after the one that succeeded.
TEST_F(CatalogueFetcherTest, FailedTryIsRetriedUntilTheCatalogueArrives) {
  struct Case {
    const char* mode;
    const char* firstTry;
  };
  for (const Case& c : {Case{"fail-retr=1", "retr failed"}, Case{"fail-retr=5", "retr failed"},
                        Case{"drop-retr=1", "retr dropped"}, Case{"drop-retr=2", "retr dropped"}}) {
    SCOPED_TRACE(c.mode);
    ASSERT_NO_FATAL_FAILURE(Start(c.mode));
    const std::string catalogue = CatalogueText();
    server->PutFile(kRemoteCatalogue, catalogue);
    const int faults = c.mode[std::string(c.mode).size() - 1] - '0';
    EXPECT_TRUE(fetcher->FetchCatalogue());
    EXPECT_EQ(server->Count(c.firstTry), faults);
    EXPECT_EQ(server->Count("retr sent"), 1);
    EXPECT_EQ(server->Count("retr"), faults + 1);
    EXPECT_EQ(server->Count("connect"), 1);
    EXPECT_TRUE(FileHolds(scratch, catalogue));
    StopServer();
    platform::RemoveFile(scratch);
  }
}

// A try cut off after a few bytes leaves them in the copy; the next try
// writes over them from the first byte and brings the whole catalogue.
TEST_F(CatalogueFetcherTest, PartialCopyOfAFailedTryDoesNotBlockTheNext) {
  ASSERT_NO_FATAL_FAILURE(Start("drop-after=1000"));
  const std::string catalogue = CatalogueText();
  server->PutFile(kRemoteCatalogue, catalogue);
  EXPECT_TRUE(fetcher->FetchCatalogue());
  EXPECT_EQ(server->Count("retr dropped"), 1);
  EXPECT_EQ(server->Count("retr sent"), 1);
  EXPECT_EQ(server->Count("rest"), 0);
  EXPECT_TRUE(FileHolds(scratch, catalogue));
}

// When every try is cut off, no partial copy is left to be read as the
// catalogue; the connection was made, so the fetch still reports true.
TEST_F(CatalogueFetcherTest, TransfersDroppedEveryTimeLeaveNoLocalCopy) {
  ASSERT_NO_FATAL_FAILURE(Start("drop-retr=6"));
  server->PutFile(kRemoteCatalogue, CatalogueText());
  EXPECT_TRUE(fetcher->FetchCatalogue());
  EXPECT_EQ(server->Count("retr dropped"), 6);
  EXPECT_EQ(server->Count("connect"), 1);
  EXPECT_FALSE(platform::FileExists(scratch));
}

// The server closes the whole connection halfway through the first transfer:
// the remaining tries fail on the dead connection, and no partial copy stays.
TEST_F(CatalogueFetcherTest, SessionDroppedMidTransferLeavesNoLocalCopy) {
  ASSERT_NO_FATAL_FAILURE(Start("drop-session"));
  server->PutFile(kRemoteCatalogue, CatalogueText());
  EXPECT_TRUE(fetcher->FetchCatalogue());
  EXPECT_EQ(server->Count("retr dropped"), 1);
  EXPECT_EQ(server->Count("retr sent"), 0);
  EXPECT_EQ(server->Count("connect"), 1);
  EXPECT_FALSE(platform::FileExists(scratch));
}

TEST_F(CatalogueFetcherTest, StaleLocalCopiesAreReplaced) {
  ASSERT_NO_FATAL_FAILURE(Start("normal"));
  fetcher->fetchSignature = true;
  server->PutFile(kRemoteCatalogue, "new catalogue\r\n");
  server->PutFile(std::string(kRemoteCatalogue) + ".sig", "new signature");
  WriteFile(scratch, "stale catalogue from an earlier run, longer than the new one\r\n");
  WriteFile(SignaturePathFor(scratch), "stale signature from an earlier run");
  EXPECT_TRUE(fetcher->FetchCatalogue());
  EXPECT_TRUE(FileHolds(scratch, "new catalogue\r\n"));
  EXPECT_TRUE(FileHolds(SignaturePathFor(scratch), "new signature"));
  EXPECT_EQ(server->Count("retr"), 2);
}

// A copy from an earlier run that cannot be removed (held open, or read-only)
// would make every transfer fail; it must not then be read as this run's
// catalogue. Nothing is fetched and no local copy is named.
TEST_F(CatalogueFetcherTest, CopyThatCannotBeRemovedIsNeverReadAsThisRunsCatalogue) {
  const struct {
    const char* name;
    bool signatureCopy;
    bool readOnly;
  } rows[] = {{"catalogue held open", false, false},
              {"signature held open", true, false},
              {"catalogue read-only", false, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_NO_FATAL_FAILURE(Start("normal"));
    fetcher->fetchSignature = true;
    server->PutFile(kRemoteCatalogue, "new catalogue\r\n");
    const std::string stale = row.signatureCopy ? SignaturePathFor(scratch) : scratch;
    WriteFile(stale, "stale copy from an earlier run\r\n");
    HANDLE held = INVALID_HANDLE_VALUE;
    if (row.readOnly) {
      ASSERT_TRUE(SetFileAttributesA(stale.c_str(), FILE_ATTRIBUTE_READONLY));
    } else {
      held = CreateFileA(stale.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(held, INVALID_HANDLE_VALUE);
    }
    EXPECT_TRUE(fetcher->FetchCatalogue());
    EXPECT_EQ(fetcher->localCataloguePath, "");
    EXPECT_EQ(server->Count("retr"), 0);
    FirmwareCatalogue catalogue;
    EXPECT_FALSE(catalogue.LoadCatalogue(fetcher->localCataloguePath));
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    SetFileAttributesA(stale.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(FileHolds(stale, "stale copy from an earlier run\r\n"));
    StopServer();
    platform::RemoveFile(stale);
  }
}

// The signature comes over the same connection right after the catalogue,
// with the same tries; the catalogue is used only as the maker signed it.
TEST_F(CatalogueFetcherTest, SignatureComesWithTheCatalogueAndDecidesWhetherItIsUsed) {
  const std::string tree = std::string(SIGNED_TREE) + "/pub/VORN/cdrom/";
  const std::string signedCatalogue = ReadFile(tree + "odd.idx");
  const std::string sig = ReadFile(tree + "odd.idx.sig");
  const std::string otherSig = ReadFile(tree + "odd.idx.other-sig");
  ASSERT_FALSE(sig.empty());
  std::string changed = signedCatalogue;
  changed[changed.find("1.31") + 3] = '2';
  const struct {
    const char* name;
    const std::string& catalogue;
    const std::string* sig;  // null: not on the server
    std::vector<std::string> offered;
  } rows[] = {
      {"signed with hashes: offered as before", signedCatalogue, &sig, {"1.30", "1.31"}},
      {"one byte changed", changed, &sig, {}},
      {"signature missing", signedCatalogue, nullptr, {}},
      {"signed with another key", signedCatalogue, &otherSig, {}},
  };
  const std::string remoteSignature = std::string(kRemoteCatalogue) + ".sig";
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_NO_FATAL_FAILURE(Start("normal"));
    fetcher->fetchSignature = true;
    server->PutFile(kRemoteCatalogue, row.catalogue);
    if (row.sig != nullptr) server->PutFile(remoteSignature, *row.sig);
    EXPECT_TRUE(fetcher->FetchCatalogue());
    EXPECT_EQ(server->Count("connect"), 1);
    EXPECT_EQ(server->Count("retr sent " + remoteSignature), row.sig != nullptr ? 1 : 0);
    EXPECT_EQ(server->Count("retr missing " + remoteSignature), row.sig != nullptr ? 0 : 1);

    FirmwareCatalogue catalogue;
    catalogue.models.push_back(ModelEntry{"QX-1234A", "1.20", "030101", {}});
    EXPECT_EQ(catalogue.LoadCatalogue(fetcher->localCataloguePath), !row.offered.empty());
    EXPECT_EQ(catalogue.signatureRefused, row.offered.empty());
    std::vector<std::string> offered;
    for (const catalogue::FirmwareItem& item : catalogue.models.front().items) offered.push_back(item.version);
    EXPECT_EQ(offered, row.offered);
    EXPECT_FALSE(platform::FileExists(SignaturePathFor(scratch)));
    StopServer();
  }
}

// The sources in order: a local folder that holds the catalogue, with
// nothing touching the network (even without its signature, which the
// catalogue's check then misses); the FTP server; the HTTP mirror when the
// FTP port is closed. The files come from the source the catalogue came from.
TEST_F(CatalogueFetcherTest, SourcesAreTriedInOrderAndTheFilesComeFromTheOneReached) {
  const std::string tree = std::string(SIGNED_TREE) + "/pub/VORN/cdrom/";
  const std::string catalogue = ReadFile(tree + "odd.idx");
  const std::string sig = ReadFile(tree + "odd.idx.sig");
  const std::string firmware(70000, '\x3c');
  const char kFirmware[] = "pub/VORN/cdrom/a/fw.zip";
  // A folder holds a copy of the server's catalogue folder, or (kServerTree)
  // the server's tree from its root, as a mirror of it is laid out. One the
  // user named (kNamedAbsent, "/source PATH") is the only source. One whose
  // catalogue is the copy's place (kCopyInside) keeps it as it was.
  enum Folder { kNoFolder, kFound, kUnsigned, kServerTree, kAbsent, kNamedAbsent, kCopyInside };
  const struct {
    const char* name;
    Folder folder;
    const char* ftp;
    const char* http;
    bool reached;
    SourceKind used;
    bool arrives, signatureArrives;
  } rows[] = {
      {"folder found", kFound, "normal", "lighttpd", true, SourceKind::Folder, true, true},
      {"folder without odd.idx.sig", kUnsigned, "normal", "lighttpd", true, SourceKind::Folder, true, false},
      {"folder with the server's tree", kServerTree, "normal", "lighttpd", true, SourceKind::Folder, true, true},
      {"folder absent", kAbsent, "normal", "lighttpd", true, SourceKind::Ftp, true, true},
      {"folder named, absent", kNamedAbsent, "normal", "lighttpd", false, SourceKind::None, false, false},
      {"FTP working", kNoFolder, "normal", "lighttpd", true, SourceKind::Ftp, true, true},
      {"FTP blocked, mirror working", kNoFolder, "no-listen", "lighttpd", true, SourceKind::Http, true, true},
      {"FTP blocked, mirror answers 404", kNoFolder, "no-listen", "not-found", true, SourceKind::Http, false, false},
      {"FTP blocked, mirror refused", kNoFolder, "no-listen", "no-listen", false, SourceKind::None, false, false},
      {"FTP login refused, mirror working", kNoFolder, "refuse-login", "lighttpd", true, SourceKind::Http, true, true},
      {"FTP blocked, mirror answers 403", kNoFolder, "no-listen", "status=403", true, SourceKind::Http, false, false},
      {"FTP blocked, mirror answers 503", kNoFolder, "no-listen", "status=503", true, SourceKind::Http, false, false},
      {"folder's catalogue at the copy's place", kCopyInside, "normal", "lighttpd", true, SourceKind::Folder, false, false},
  };
  const std::string folder = scratch + ".source";
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_NO_FATAL_FAILURE(Start(row.ftp));
    fetcher->fetchSignature = true;
    HttpServer mirror(row.http);
    for (ftpfixture::FixtureServer* served : {static_cast<ftpfixture::FixtureServer*>(server.get()),
                                              static_cast<ftpfixture::FixtureServer*>(&mirror)}) {
      served->PutFile(kRemoteCatalogue, catalogue);
      served->PutFile(std::string(kRemoteCatalogue) + ".sig", sig);
      served->PutFile(std::string("/") + kFirmware, firmware);
    }
    fetcher->mirrorAddress = mirror.MirrorAddress();
    const std::string top = row.folder == kServerTree ? folder + "\\pub\\VORN\\cdrom" : folder;
    const bool made = row.folder != kNoFolder && row.folder != kAbsent && row.folder != kNamedAbsent;
    if (made) {
      for (const std::string& made : {folder, folder + "\\pub", folder + "\\pub\\VORN", top, top + "\\a"})
        CreateDirectoryA(made.c_str(), nullptr);
      WriteFile(top + "\\odd.idx", catalogue);
      if (row.folder != kUnsigned) WriteFile(top + "\\odd.idx.sig", sig);
      WriteFile(top + "\\a\\fw.zip", firmware);
    }
    if (row.folder != kNoFolder) fetcher->localFolder = folder;
    fetcher->onlyLocalFolder = row.folder == kNamedAbsent;
    if (row.folder == kCopyInside) fetcher->localCopyPath = top + "\\ODD.IDX";

    EXPECT_EQ(fetcher->FetchCatalogue(), row.reached);
    EXPECT_EQ(fetcher->sourceKind, row.used);
    EXPECT_EQ(platform::FileExists(scratch), row.arrives);
    if (row.arrives) EXPECT_TRUE(FileHolds(scratch, catalogue));
    EXPECT_EQ(platform::FileExists(SignaturePathFor(scratch)), row.signatureArrives);
    // Only the sources up to the one used were asked: a folder's catalogue
    // touches no server, and the mirror is not asked while FTP answers.
    EXPECT_EQ(server->Count("connect") > 0,
              row.used != SourceKind::Folder && row.ftp != std::string("no-listen") && row.folder != kNamedAbsent);
    EXPECT_EQ(mirror.Count("get") > 0, row.used == SourceKind::Http);
    // A refusal is final: each source is asked once.
    EXPECT_LE(server->Count("login"), 1);
    EXPECT_LE(mirror.Count("get /pub/VORN/cdrom/odd.idx "), 1);
    if (row.arrives) {
      OpenResult result = OpenResult::Failed;
      std::unique_ptr<catalogue::SourceFile> file = fetcher->InUse().Open(kFirmware, 0, result);
      ASSERT_NE(file, nullptr);
      std::string read;
      char block[8192];
      for (long got; (got = file->Read(block, sizeof block)) > 0;) read.append(block, got);
      EXPECT_EQ(read, firmware);
    }
    FirmwareCatalogue released;
    catalogue::ReleaseCatalogue(released, *fetcher);
    if (made) {
      EXPECT_TRUE(FileHolds(top + "\\odd.idx", catalogue));
    }
    StopServer();
    platform::RemoveFile(scratch);
    platform::RemoveFile(SignaturePathFor(scratch));
    for (const char* name : {"\\a\\fw.zip", "\\odd.idx", "\\odd.idx.sig"}) platform::RemoveFile(top + name);
    for (const std::string& made : {top + "\\a", top, folder + "\\pub\\VORN", folder + "\\pub", folder})
      RemoveDirectoryA(made.c_str());
  }
}

// The download lists the firmware file for its size and fetches it over the
// connection the catalogue came through, without logging in again.
TEST_F(CatalogueFetcherTest, ConnectionStaysUsableForListingAndDownload) {
  ASSERT_NO_FATAL_FAILURE(Start("normal"));
  server->PutFile(kRemoteCatalogue, "catalogue\r\n");
  const std::string firmware(123457, '\x5a');
  server->PutFile("/pub/VORN/fw/DVD-1.zip", firmware);
  ASSERT_TRUE(fetcher->FetchCatalogue());
  ASSERT_NE(fetcher->connection, nullptr);

  CFtpFileFind finder(fetcher->connection.get(), 1);
  finder.FindFile("/pub/VORN/fw/DVD-1.zip", framework::kInternetFlagReload);
  finder.FindNextFile();
  EXPECT_EQ(finder.GetLength(), firmware.size());
  finder.Close();

  EXPECT_TRUE(fetcher->connection->GetFile("/pub/VORN/fw/DVD-1.zip", scratch + ".fw"));
  EXPECT_TRUE(FileHolds(scratch + ".fw", firmware));
  EXPECT_EQ(server->Count("connect"), 1);
  EXPECT_EQ(server->Count("login"), 1);
  EXPECT_EQ(server->Count("list"), 1);
  EXPECT_EQ(server->Count("retr sent /pub/VORN/fw/DVD-1.zip"), 1);
}

TEST_F(CatalogueFetcherTest, CloseConnectionEndsTheSessionAndIsHarmlessTwice) {
  ASSERT_NO_FATAL_FAILURE(Start("normal"));
  server->PutFile(kRemoteCatalogue, "catalogue\r\n");
  ASSERT_TRUE(fetcher->FetchCatalogue());
  fetcher->CloseConnection();
  EXPECT_EQ(fetcher->session, nullptr);
  EXPECT_EQ(fetcher->connection, nullptr);
  fetcher->CloseConnection();
  EXPECT_EQ(fetcher->session, nullptr);
  EXPECT_EQ(fetcher->connection, nullptr);
  EXPECT_TRUE(server->WaitFor("disconnect", 1));
  // A fetcher that never connected can be closed as well.
  CatalogueFetcher idle;
  idle.CloseConnection();
  EXPECT_EQ(idle.connection, nullptr);
}

// The teardown the wizard runs closes the connection first, then drops the
// drive entries and the copy at the fetcher's place, whether this run's fetch
// made it or an earlier run left it without this one connecting (then the
// fetch names no local copy). A file beside it stays; a second teardown finds
// nothing left to do.
TEST_F(CatalogueFetcherTest, ReleasingTheCatalogueClosesTheConnectionAndRemovesTheCopy) {
  const struct {
    const char* name;
    const char* mode;
    bool connects;
  } rows[] = {{"this run's copy", "normal", true},
              {"an earlier run's copy, no connection", "no-listen", false}};
  const std::string beside = scratch + ".keep";
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_NO_FATAL_FAILURE(Start(row.mode));
    fetcher->fetchSignature = true;
    if (row.connects) {
      server->PutFile(kRemoteCatalogue, "catalogue\r\n");
      server->PutFile(std::string(kRemoteCatalogue) + ".sig", "signature");
    } else {
      WriteFile(scratch, "stale copy from an earlier run\r\n");
      WriteFile(SignaturePathFor(scratch), "stale signature");
    }
    WriteFile(beside, "not the catalogue's");
    EXPECT_EQ(fetcher->FetchCatalogue(), row.connects);
    EXPECT_EQ(fetcher->localCataloguePath, row.connects ? scratch : "");
    ASSERT_TRUE(platform::FileExists(scratch));
    ASSERT_TRUE(platform::FileExists(SignaturePathFor(scratch)));
    FirmwareCatalogue catalogue;
    catalogue.models.push_back(ModelEntry{"DVD-1", "1.00", "", {}});

    catalogue::ReleaseCatalogue(catalogue, *fetcher);
    EXPECT_EQ(fetcher->connection, nullptr);
    EXPECT_EQ(fetcher->session, nullptr);
    EXPECT_TRUE(catalogue.models.empty());
    EXPECT_FALSE(platform::FileExists(scratch));
    EXPECT_FALSE(platform::FileExists(SignaturePathFor(scratch)));
    EXPECT_TRUE(FileHolds(beside, "not the catalogue's"));
    if (row.connects) {
      EXPECT_TRUE(server->WaitFor("disconnect", 1));
    }
    catalogue::ReleaseCatalogue(catalogue, *fetcher);
    EXPECT_EQ(server->Count("connect"), row.connects ? 1 : 0);
    StopServer();
    platform::RemoveFile(beside);
  }
}

// An address without a server or of another service is refused, once per
// attempt, and no connection is tried; a later fetch starts its own list.
TEST_F(CatalogueFetcherTest, UnusableAddressIsRecordedForEachAttempt) {
  ASSERT_NO_FATAL_FAILURE(Start("normal"));
  for (const char* host : {"", "http://127.0.0.1"}) {
    SCOPED_TRACE(host);
    fetcher->serverHost = host;
    EXPECT_FALSE(fetcher->FetchCatalogue());
    EXPECT_EQ(fetcher->failures, FetchFailures(5, FetchFailure::UnusableAddress));
    EXPECT_EQ(fetcher->connection, nullptr);
  }
  EXPECT_EQ(server->Count("connect"), 0);
  // The wizard takes the failures over with the connection.
  CatalogueFetcher wizards;
  wizards.TakeOver(*fetcher);
  EXPECT_EQ(wizards.failures, FetchFailures(5, FetchFailure::UnusableAddress));
}

}  // namespace
