// The tests' side of the FTP server fixture (ftp_fixture.py): starts a server
// of its own through the control service named by VORN_FTP_CONTROL, reads
// what the server saw the client do, and stops the server when it goes.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace ftpfixture {

class FtpServer {
 public:
  // Starts a server in `mode` (see ftp_fixture.py: normal, refuse-login,
  // fail-retr=N, drop-retr=N, drop-session, short-retr=N, slow-retr=N,
  // stall-retr=N, idle-close=N, silent, no-listen) on `port` (0: a free
  // one). Throws std::runtime_error with a readable reason when no server
  // can be started.
  explicit FtpServer(const std::string& mode, unsigned short port = 0);
  ~FtpServer();
  FtpServer(const FtpServer&) = delete;
  FtpServer& operator=(const FtpServer&) = delete;

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

  // Waits up to `seconds` for at least `count` events beginning with
  // `prefix`, for what the server does after the client has moved on (such as
  // "disconnect"). Returns whether they came.
  bool WaitFor(const std::string& prefix, int count, double seconds = 5);

  // Stops the server now; the destructor does it otherwise.
  void Stop();

 private:
  std::string Command(const std::string& line);
  std::string ReadLine();

  std::uintptr_t socket_;
  unsigned short port_ = 0;
  std::string root_;  // Windows path of the served tree
  std::string pending_;
};

}  // namespace ftpfixture
