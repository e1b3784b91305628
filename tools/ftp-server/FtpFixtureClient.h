// The tests' side of the server fixtures (ftp_fixture.py, and the HTTP
// stand-ins of tools/http-server it starts): starts a server of its own
// through the control service named by VORN_FTP_CONTROL, reads what the
// server saw the client do, and stops the server when it goes.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace ftpfixture {

class FixtureServer {
 public:
  ~FixtureServer();
  FixtureServer(const FixtureServer&) = delete;
  FixtureServer& operator=(const FixtureServer&) = delete;

  unsigned short Port() const { return port_; }
  // The served tree as a Windows path.
  const std::string& Root() const { return root_; }

  // Puts a file into the served tree; `ftpPath` is the path a client asks
  // for, such as "/pub/file.bin". Throws std::runtime_error on failure.
  void PutFile(const std::string& ftpPath, const std::string& content);

  // The events the server logged so far, one line each ("connect",
  // "login ok anonymous", "retr sent /pub/file.bin", ...).
  std::vector<std::string> Events();

  // How many events begin with `prefix` ("retr", "retr sent", "login ok").
  int Count(const std::string& prefix);

  // The sum of the numbers of the "bytes N" events: what the server sent
  // in the transfers that have ended.
  long long BytesLogged();

  // The bytes the server has sent so far, also of a transfer under way.
  long long BytesSent();

  // Waits up to `seconds` for at least `count` events beginning with
  // `prefix`, for what the server does after the client has moved on (such as
  // "disconnect"). Returns whether they came.
  bool WaitFor(const std::string& prefix, int count, double seconds = 5);

  // Stops the server now; the destructor does it otherwise.
  void Stop();

 protected:
  // Starts a server of the control service's `mode`; see the subclasses.
  FixtureServer(const std::string& mode, unsigned short port);

 private:
  std::string Command(const std::string& line);
  std::string ReadLine();

  std::uintptr_t socket_;
  unsigned short port_ = 0;
  std::string root_;  // Windows path of the served tree
  std::string pending_;
};

// An FTP server (ftp_fixture.py): `mode` normal, refuse-login, fail-retr=N,
// drop-retr=N, drop-after=N, drop-session, short-retr=N, slow-retr=N,
// stall-retr=N, idle-close=N, refuse-rest, silent or no-listen, on `port` (0: a free
// one). Throws std::runtime_error with a readable reason when no server can
// be started.
class FtpServer : public FixtureServer {
 public:
  explicit FtpServer(const std::string& mode, unsigned short port = 0) : FixtureServer(mode, port) {}
};

// An HTTP server (tools/http-server/http_fixture.py): `mode` lighttpd,
// drop-get=N, drop-after=N, stall-get=N, not-found, status=N, slow=N,
// unknown-total or wrong-start, or no-listen (a port nobody listens on).
class HttpServer : public FixtureServer {
 public:
  explicit HttpServer(const std::string& mode, unsigned short port = 0)
      : FixtureServer(mode == "no-listen" ? mode : "http:" + mode, port) {}
  // The address of the served tree's catalogue folder, as the program's
  // mirror address names it.
  std::string MirrorAddress() const;
};

}  // namespace ftpfixture
