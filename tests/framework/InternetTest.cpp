// The FTP client classes against a real FTP server on loopback (the fixture
// of tools/ftp-server), and the address parse.
#include "framework/Internet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "framework/Platform.h"
#include "tools/ftp-server/FtpFixtureClient.h"
#include "tests/common/TestFiles.h"

namespace {

using testfiles::ReadFile;

using ftpfixture::FtpServer;

std::string ScratchPath(const char* name) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  return std::string(folder) + "vorn-inet-" + std::to_string(GetCurrentProcessId()) + "-" + name;
}

class InternetTest : public ::testing::Test {
 protected:
  // Starts a server and connects to it anonymously; fails the test when
  // either cannot be done.
  void Connect(const std::string& mode = "normal") {
    try {
      server = std::make_unique<FtpServer>(mode);
    } catch (const std::exception& e) {
      FAIL() << e.what();
    }
    session = CInternetSession::Open();
    ASSERT_NE(session, nullptr);
    try {
      connection = session->GetFtpConnection("127.0.0.1", nullptr, nullptr, server->Port(), false);
    } catch (const CInternetException& e) {
      FAIL() << "connection failed with error " << e.errorCode;
    }
  }

  std::unique_ptr<FtpServer> server;
  std::unique_ptr<CInternetSession> session;
  std::unique_ptr<CFtpConnection> connection;
};

TEST_F(InternetTest, ConnectionLogsInAnonymouslyAndUsesActiveMode) {
  ASSERT_NO_FATAL_FAILURE(Connect());
  server->PutFile("/pub/a.bin", "abc");
  const std::string local = ScratchPath("a.bin");
  platform::RemoveFile(local);
  EXPECT_TRUE(connection->GetFile("/pub/a.bin", local));
  EXPECT_EQ(ReadFile(local), "abc");
  platform::RemoveFile(local);
  EXPECT_EQ(server->Count("login ok anonymous"), 1);
  EXPECT_GE(server->Count("data active"), 1);
  EXPECT_EQ(server->Count("data passive"), 0);
}

TEST_F(InternetTest, FailedConnectionRaisesTheServiceError) {
  for (const char* mode : {"no-listen", "refuse-login"}) {
    SCOPED_TRACE(mode);
    std::unique_ptr<FtpServer> refusing;
    try {
      refusing = std::make_unique<FtpServer>(mode);
    } catch (const std::exception& e) {
      FAIL() << e.what();
    }
    auto open = CInternetSession::Open();
    ASSERT_NE(open, nullptr);
    bool raised = false;
    try {
      open->GetFtpConnection("127.0.0.1", nullptr, nullptr, refusing->Port(), false);
    } catch (const CInternetException& e) {
      raised = true;
      EXPECT_NE(e.errorCode, 0u);
    }
    EXPECT_TRUE(raised);
  }
}

// The file finder: the size of one named file, every entry of a folder in
// turn with the last one current after FindNextFile said no more, and a size
// of 0 when nothing matches.
TEST_F(InternetTest, FinderReportsNamesAndSizes) {
  ASSERT_NO_FATAL_FAILURE(Connect());
  server->PutFile("/fw/one.zip", std::string(70001, 'x'));
  server->PutFile("/fw/two.zip", std::string(12, 'y'));

  CFtpFileFind finder(connection.get());
  EXPECT_TRUE(finder.FindFile("/fw/one.zip"));
  EXPECT_FALSE(finder.FindNextFile());
  EXPECT_EQ(finder.GetFileName(), "one.zip");
  EXPECT_EQ(finder.GetLength(), 70001u);
  finder.Close();
  EXPECT_EQ(finder.GetLength(), 0u);

  std::vector<std::pair<std::string, std::uint64_t>> seen;
  ASSERT_TRUE(finder.FindFile("/fw/*"));
  bool more = true;
  while (more) {
    more = finder.FindNextFile();
    seen.emplace_back(finder.GetFileName(), finder.GetLength());
  }
  finder.Close();
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::pair<std::string, std::uint64_t>>{{"one.zip", 70001}, {"two.zip", 12}}));

  EXPECT_FALSE(finder.FindFile("/fw/none.zip"));
  finder.FindNextFile();
  EXPECT_EQ(finder.GetLength(), 0u);
  finder.Close();

  // The connection is free for a transfer once the search is closed.
  const std::string local = ScratchPath("two.zip");
  platform::RemoveFile(local);
  EXPECT_TRUE(connection->GetFile("/fw/two.zip", local));
  EXPECT_EQ(ReadFile(local), std::string(12, 'y'));
  platform::RemoveFile(local);
}

// Fail-if-exists: an existing local file is neither overwritten nor removed;
// a missing remote file gives false, no local file and the server's 550.
TEST_F(InternetTest, GetFileKeepsAnExistingLocalFileAndReportsMissingRemoteFiles) {
  ASSERT_NO_FATAL_FAILURE(Connect());
  server->PutFile("/pub/new.txt", "new content");
  const std::string local = ScratchPath("existing.txt");
  std::ofstream(local, std::ios::binary) << "keep me";
  EXPECT_FALSE(connection->GetFile("/pub/new.txt", local));
  EXPECT_EQ(ReadFile(local), "keep me");
  EXPECT_EQ(connection->LastRefusal(), 0);
  platform::RemoveFile(local);

  EXPECT_FALSE(connection->GetFile("/pub/absent.txt", local));
  EXPECT_EQ(connection->LastRefusal(), 550);
  EXPECT_FALSE(platform::FileExists(local));
  EXPECT_EQ(server->Count("retr missing /pub/absent.txt"), 1);
}

TEST(AfxParseURLTest, SplitsAddressesAndRefusesWhatIsNoURL) {
  struct Case {
    const char* url;
    bool parsed;
    std::uint32_t service;
    const char* server;
    const char* object;
    std::uint16_t port;
  };
  const Case cases[] = {
      {"ftp.vornhal.com/", false, framework::kInetServiceUnknown, "", "", 0},
      {"ftp://ftp.vornhal.com/", true, framework::kInetServiceFtp, "ftp.vornhal.com", "/", 21},
      {"ftp://127.0.0.1:2121/pub/VORN/", true, framework::kInetServiceFtp, "127.0.0.1", "/pub/VORN/", 2121},
      {"http://www.vornhal.com", true, framework::kInetServiceHttp, "www.vornhal.com", "/", 80},
      {"", false, framework::kInetServiceUnknown, "", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    std::uint32_t service = 99;
    std::string server = "x", object = "x";
    std::uint16_t port = 99;
    EXPECT_EQ(AfxParseURL(c.url, service, server, object, port), c.parsed);
    if (!c.parsed) continue;
    EXPECT_EQ(service, c.service);
    EXPECT_EQ(server, c.server);
    EXPECT_EQ(object, c.object);
    EXPECT_EQ(port, c.port);
  }
}

}  // namespace
