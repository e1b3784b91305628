#include "framework/Internet.h"

#include <windows.h>
#include <wininet.h>
#undef FindNextFile  // the finder's own method, not the Win32 macro

#include <vector>

#include "framework/HttpRange.h"

#include "framework/MessageBox.h"

namespace framework {

static_assert(kInternetOpenTypePreconfig == INTERNET_OPEN_TYPE_PRECONFIG);
static_assert(kFileAttributeNormal == FILE_ATTRIBUTE_NORMAL);
static_assert(kFtpTransferTypeBinary == FTP_TRANSFER_TYPE_BINARY);
static_assert(kInternetFlagReload == INTERNET_FLAG_RELOAD);
static_assert(kInvalidPort == INTERNET_INVALID_PORT_NUMBER);
static_assert(kInternetErrorTimeout == ERROR_INTERNET_TIMEOUT);
static_assert(kInternetErrorLoginFailure == ERROR_INTERNET_LOGIN_FAILURE);

namespace {

std::uint32_t ServiceOfScheme(INTERNET_SCHEME scheme) {
  switch (scheme) {
    case INTERNET_SCHEME_FTP: return kInetServiceFtp;
    case INTERNET_SCHEME_GOPHER: return kInetServiceGopher;
    case INTERNET_SCHEME_HTTP: return kInetServiceHttp;
    case INTERNET_SCHEME_HTTPS: return kInetServiceHttps;
    case INTERNET_SCHEME_FILE: return kInetServiceFile;
    default: return kInetServiceUnknown;
  }
}

// The three-digit code of the last reply from a server that WinINet kept for
// this thread, or 0 when there is none.
int LastReplyCode() {
  std::vector<char> text(512);
  DWORD error = 0;
  DWORD length = static_cast<DWORD>(text.size());
  if (!InternetGetLastResponseInfoA(&error, text.data(), &length)) {
    // A longer text: the service has said how long.
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return 0;
    text.assign(length + 1, '\0');
    if (!InternetGetLastResponseInfoA(&error, text.data(), &length)) return 0;
  }
  if (length < 3) return 0;
  int code = 0;
  for (int i = 0; i < 3; ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    code = code * 10 + (text[i] - '0');
  }
  return code;
}

// Right after a call that failed on this thread: the reply code the server
// refused it with, or 0. WinINet reports a reply it has no error of its own
// for (among them 550 and 451) as ERROR_INTERNET_EXTENDED_ERROR and keeps the
// server's text, which starts with the three digits, for this thread.
int ServerRefusal() {
  if (GetLastError() != ERROR_INTERNET_EXTENDED_ERROR) return 0;
  return LastReplyCode();
}

// A response header of `request` as text; empty when it is absent.
std::string ResponseHeader(HINTERNET request, DWORD which) {
  char text[256] = {};
  DWORD length = sizeof text - 1;
  DWORD index = 0;
  if (!HttpQueryInfoA(request, which, text, &length, &index)) return std::string();
  return std::string(text, length);
}

}  // namespace

bool AfxParseURL(const std::string& url, std::uint32_t& serviceType, std::string& server,
                 std::string& object, std::uint16_t& port) {
  serviceType = kInetServiceUnknown;
  server.clear();
  object.clear();
  port = kInvalidPort;
  if (url.empty()) return false;

  // Canonicalise first (escapes, "." and ".." segments), so that the parts
  // come out as the service would use them.
  DWORD length = static_cast<DWORD>(url.size() * 3 + 64);
  std::vector<char> canonical(length);
  if (!InternetCanonicalizeUrlA(url.c_str(), canonical.data(), &length, ICU_BROWSER_MODE)) {
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    canonical.assign(length + 1, '\0');
    if (!InternetCanonicalizeUrlA(url.c_str(), canonical.data(), &length, ICU_BROWSER_MODE)) return false;
  }
  const std::string text(canonical.data(), length);

  std::vector<char> host(INTERNET_MAX_HOST_NAME_LENGTH + 1);
  std::vector<char> path(text.size() + 2);
  URL_COMPONENTSA parts{};
  parts.dwStructSize = sizeof(parts);
  parts.lpszHostName = host.data();
  parts.dwHostNameLength = static_cast<DWORD>(host.size());
  parts.lpszUrlPath = path.data();
  parts.dwUrlPathLength = static_cast<DWORD>(path.size());
  if (!InternetCrackUrlA(text.c_str(), static_cast<DWORD>(text.size()), 0, &parts)) return false;

  serviceType = ServiceOfScheme(parts.nScheme);
  server.assign(parts.lpszHostName, parts.dwHostNameLength);
  object.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
  if (object.empty()) object = "/";
  port = parts.nPort;
  return true;
}

std::unique_ptr<CInternetSession> CInternetSession::Open(const char* agent, std::uintptr_t context,
                                                         std::uint32_t accessType, const char* proxyName,
                                                         const char* proxyBypass, std::uint32_t flags) {
  HINTERNET handle = InternetOpenA(agent ? agent : kApplicationName, accessType, proxyName, proxyBypass, flags);
  if (!handle) return nullptr;
  return std::unique_ptr<CInternetSession>(new CInternetSession(handle, context));
}

CInternetSession::~CInternetSession() { Close(); }

void CInternetSession::Close() {
  if (handle_) {
    InternetCloseHandle(handle_);
    handle_ = nullptr;
  }
}

bool CInternetSession::SetTimeouts(std::uint32_t milliseconds) {
  if (!handle_) return false;
  DWORD value = milliseconds;
  bool all = true;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                       INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_DATA_SEND_TIMEOUT,
                       INTERNET_OPTION_DATA_RECEIVE_TIMEOUT}) {
    all = InternetSetOptionA(handle_, option, &value, sizeof value) != FALSE && all;
  }
  return all;
}

std::unique_ptr<CFtpConnection> CInternetSession::GetFtpConnection(const std::string& server, const char* userName,
                                                                   const char* password, std::uint16_t port,
                                                                   bool passive) {
  if (!handle_) throw CInternetException(ERROR_INVALID_HANDLE);
  HINTERNET connection = InternetConnectA(handle_, server.c_str(), port, userName, password, INTERNET_SERVICE_FTP,
                                          passive ? INTERNET_FLAG_PASSIVE : 0, context_);
  if (!connection) throw CInternetException(GetLastError());
  return std::make_unique<CFtpConnection>(connection, context_);
}

std::unique_ptr<CHttpConnection> CInternetSession::GetHttpConnection(const std::string& server, std::uint16_t port) {
  if (!handle_) throw CInternetException(ERROR_INVALID_HANDLE);
  HINTERNET connection = InternetConnectA(handle_, server.c_str(), port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0,
                                          context_);
  if (!connection) throw CInternetException(GetLastError());
  return std::make_unique<CHttpConnection>(connection);
}

CInternetFile::~CInternetFile() { Close(); }

void CInternetFile::Close() {
  if (handle_) {
    InternetCloseHandle(handle_);
    handle_ = nullptr;
  }
}

long CInternetFile::Read(void* buffer, std::uint32_t size) {
  if (!handle_) return -1;
  DWORD got = 0;
  if (!InternetReadFile(handle_, buffer, size, &got)) return -1;
  if (got > 0) return static_cast<long>(got);
  if (!ftp_) return 0;
  // The end of an FTP data connection: closing the file reads the server's
  // final reply, which tells a complete transfer (226) from an aborted one.
  Close();
  return LastReplyCode() >= 400 ? -1 : 0;
}

CHttpConnection::~CHttpConnection() { Close(); }

void CHttpConnection::Close() {
  if (handle_) {
    InternetCloseHandle(handle_);
    handle_ = nullptr;
  }
}

std::unique_ptr<CInternetFile> CHttpConnection::Get(const std::string& object, std::uint64_t offset,
                                                    std::uint32_t& error) {
  error = 0;
  if (!handle_) {
    error = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  const char* types[] = {"*/*", nullptr};
  HINTERNET request = HttpOpenRequestA(
      handle_, "GET", object.c_str(), nullptr, nullptr, types,
      INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_KEEP_CONNECTION,
      1);
  if (!request) {
    error = GetLastError();
    return nullptr;
  }
  const std::string range = offset > 0 ? "Range: bytes=" + std::to_string(offset) + "-\r\n" : std::string();
  if (!HttpSendRequestA(request, range.empty() ? nullptr : range.c_str(), static_cast<DWORD>(range.size()), nullptr,
                        0)) {
    error = GetLastError();
    InternetCloseHandle(request);
    return nullptr;
  }
  auto file = std::make_unique<CInternetFile>(request, false);
  DWORD status = 0, length = sizeof status, index = 0;
  if (HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length, &index)) {
    file->status = status;
  }
  file->lengthTold = ParseContentLength(ResponseHeader(request, HTTP_QUERY_CONTENT_LENGTH), file->length);
  file->rangeTold = ParseContentRange(ResponseHeader(request, HTTP_QUERY_CONTENT_RANGE), file->range);
  return file;
}

CFtpConnection::~CFtpConnection() { Close(); }

void CFtpConnection::Close() {
  // Closing the session may already have ended this handle inside the
  // service; closing it again then only reports an invalid handle.
  if (handle_) {
    InternetCloseHandle(handle_);
    handle_ = nullptr;
  }
}

bool CFtpConnection::IsAlive() {
  if (!handle_) return false;
  char folder[MAX_PATH + 1] = {};
  DWORD length = sizeof folder;
  return FtpGetCurrentDirectoryA(handle_, folder, &length) != FALSE;
}

bool CFtpConnection::GetFile(const std::string& remoteFile, const std::string& localFile, bool failIfExists,
                             std::uint32_t attributes, std::uint32_t flags, std::uintptr_t context) {
  lastRefusal_ = 0;
  if (!handle_) return false;
  if (FtpGetFileA(handle_, remoteFile.c_str(), localFile.c_str(), failIfExists, attributes, flags, context)) {
    return true;
  }
  lastRefusal_ = ServerRefusal();
  return false;
}

std::unique_ptr<CInternetFile> CFtpConnection::OpenFile(const std::string& remoteFile, std::uint64_t offset) {
  lastRefusal_ = 0;
  if (!handle_) return nullptr;
  const bool restarted = offset > 0 && Restart(offset);
  // A restart the server refused is followed by the whole file; one that got
  // no answer at all means the connection is gone.
  if (offset > 0 && !restarted && lastRefusal_ == 0) return nullptr;
  HINTERNET file = FtpOpenFileA(handle_, remoteFile.c_str(), GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, context_);
  if (!file) {
    lastRefusal_ = ServerRefusal();
    return nullptr;
  }
  lastRefusal_ = 0;
  auto opened = std::make_unique<CInternetFile>(file, true);
  opened->start = restarted ? offset : 0;
  return opened;
}

bool CFtpConnection::Restart(std::uint64_t offset) {
  // A server takes REST only in binary mode, and only for the transfer
  // command that follows it; FtpOpenFileA sends TYPE I and the data
  // connection's PORT before its RETR, which leave the restart as it is.
  const std::string rest = "REST " + std::to_string(offset);
  if (FtpCommandA(handle_, FALSE, FTP_TRANSFER_TYPE_BINARY, "TYPE I", context_, nullptr) &&
      FtpCommandA(handle_, FALSE, FTP_TRANSFER_TYPE_BINARY, rest.c_str(), context_, nullptr)) {
    return true;
  }
  const int code = LastReplyCode();
  lastRefusal_ = code >= 400 ? code : 0;
  return false;
}

CFtpFileFind::CFtpFileFind(CFtpConnection* connection, std::uintptr_t context)
    : connection_(connection), context_(context) {}

CFtpFileFind::~CFtpFileFind() { Close(); }

bool CFtpFileFind::FindFile(const std::string& name, std::uint32_t flags) {
  Close();
  if (!connection_ || !connection_->Handle()) return false;
  WIN32_FIND_DATAA data{};
  find_ = FtpFindFirstFileA(connection_->Handle(), name.empty() ? nullptr : name.c_str(), &data, flags, context_);
  if (!find_) return false;
  next_.name = data.cFileName;
  next_.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  hasNext_ = true;
  return true;
}

bool CFtpFileFind::FindNextFile() {
  if (!hasNext_) return false;
  current_ = next_;
  hasCurrent_ = true;
  hasNext_ = false;
  WIN32_FIND_DATAA data{};
  if (find_ && InternetFindNextFileA(find_, &data)) {
    next_.name = data.cFileName;
    next_.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    hasNext_ = true;
  }
  return hasNext_;
}

std::uint64_t CFtpFileFind::GetLength() const { return hasCurrent_ ? current_.size : 0; }

std::string CFtpFileFind::GetFileName() const { return hasCurrent_ ? current_.name : std::string(); }

void CFtpFileFind::Close() {
  if (find_) {
    InternetCloseHandle(find_);
    find_ = nullptr;
  }
  hasNext_ = false;
  hasCurrent_ = false;
  next_ = Match();
  current_ = Match();
}

}  // namespace framework
