#include "tools/ftp-server/FtpFixtureClient.h"

#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace ftpfixture {

namespace {

std::runtime_error Failure(const std::string& what) {
  return std::runtime_error("FTP test server: " + what);
}

// The control service runs on the Unix side; its folders are reached through
// Wine's drive Z:, which maps the Unix root.
std::string WindowsPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

}  // namespace

FixtureServer::FixtureServer(const std::string& mode, unsigned short port) : socket_(INVALID_SOCKET) {
  const char* control = std::getenv("VORN_FTP_CONTROL");
  if (!control || !*control) {
    throw Failure("VORN_FTP_CONTROL is not set; run this test through ftp_fixture.py run (ctest does)");
  }
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) throw Failure("WSAStartup failed");
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) throw Failure("no socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(std::atoi(control)));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    closesocket(s);
    throw Failure(std::string("cannot reach the control service on port ") + control);
  }
  socket_ = s;
  const std::string answer = Command("start " + mode + " " + std::to_string(port));
  unsigned listening = 0;
  char root[1024] = {};
  if (std::sscanf(answer.c_str(), "ok %u %1023s", &listening, root) != 2) {
    Stop();
    throw Failure("could not start a server in mode " + mode + ": " + answer);
  }
  port_ = static_cast<unsigned short>(listening);
  root_ = WindowsPath(root);
}

FixtureServer::~FixtureServer() { Stop(); }

void FixtureServer::Stop() {
  if (socket_ == INVALID_SOCKET) return;
  try {
    Command("stop");
  } catch (const std::exception&) {
    // Closing the control connection stops the server as well.
  }
  closesocket(static_cast<SOCKET>(socket_));
  socket_ = INVALID_SOCKET;
}

std::string FixtureServer::ReadLine() {
  for (;;) {
    const std::size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return line;
    }
    char buffer[4096];
    const int got = recv(static_cast<SOCKET>(socket_), buffer, sizeof(buffer), 0);
    if (got <= 0) throw Failure("the control service closed the connection");
    pending_.append(buffer, got);
  }
}

std::string FixtureServer::Command(const std::string& line) {
  if (socket_ == INVALID_SOCKET) throw Failure("the server is stopped");
  const std::string text = line + "\n";
  if (send(static_cast<SOCKET>(socket_), text.data(), static_cast<int>(text.size()), 0) !=
      static_cast<int>(text.size())) {
    throw Failure("cannot send to the control service");
  }
  return ReadLine();
}

std::vector<std::string> FixtureServer::Events() {
  std::vector<std::string> events;
  std::string line = Command("log");
  if (line.compare(0, 6, "error ") == 0) throw Failure(line);
  for (; line != "."; line = ReadLine()) {
    events.push_back(line);
  }
  return events;
}

int FixtureServer::Count(const std::string& prefix) {
  int count = 0;
  for (const std::string& event : Events()) {
    if (event.compare(0, prefix.size(), prefix) == 0 &&
        (event.size() == prefix.size() || event[prefix.size()] == ' ')) {
      ++count;
    }
  }
  return count;
}

bool FixtureServer::WaitFor(const std::string& prefix, int count, double seconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (Count(prefix) >= count) return true;
    if (GetTickCount() - start > seconds * 1000) return false;
    Sleep(50);
  }
}

long long FixtureServer::BytesLogged() {
  long long total = 0;
  for (const std::string& event : Events()) {
    if (event.compare(0, 6, "bytes ") == 0) total += std::atoll(event.c_str() + 6);
  }
  return total;
}

long long FixtureServer::BytesSent() { return std::atoll(Command("sent").c_str()); }

std::string HttpServer::MirrorAddress() const {
  return "http://127.0.0.1:" + std::to_string(Port()) + "/pub/VORN/cdrom/";
}

void FixtureServer::PutFile(const std::string& ftpPath, const std::string& content) {
  std::string path = root_;
  std::size_t start = 0;
  while (start < ftpPath.size()) {
    std::size_t end = ftpPath.find('/', start);
    if (end == std::string::npos) break;
    if (end > start) {
      path += "\\" + ftpPath.substr(start, end - start);
      CreateDirectoryA(path.c_str(), nullptr);
    }
    start = end + 1;
  }
  path += "\\" + ftpPath.substr(start);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw Failure("cannot write " + path);
  const bool written = std::fwrite(content.data(), 1, content.size(), f) == content.size();
  if (std::fclose(f) != 0 || !written) throw Failure("cannot write " + path);
}

}  // namespace ftpfixture
