// The internet client classes the program uses, over the system's WinINet:
// an internet session, an FTP connection made from it with a file finder on
// it, an HTTP connection, a file read from either in blocks, and the
// exception that reports a failed connection.
//
// Only what the program needs. The defaults of each call are the values the
// program passes, so callers rarely spell them out.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/HttpRange.h"

// <windows.h> maps FindNextFile to FindNextFileA; the finder's method of that
// name must mean the same in every file, so the header is taken in here, once,
// and the macro goes (Win32 callers write FindNextFileA).
#include <windows.h>
#undef FindNextFile

namespace framework {

// Opaque WinINet handle (HINTERNET), kept out of this header.
using InternetHandle = void*;

// Values of the platform's constants, pinned against <wininet.h> in the
// implementation.
inline constexpr std::uint32_t kInternetOpenTypePreconfig = 0;  // system proxy settings
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;
inline constexpr std::uint32_t kFtpTransferTypeBinary = 2;
inline constexpr std::uint32_t kInternetFlagReload = 0x80000000u;
inline constexpr std::uint16_t kInvalidPort = 0;  // the service's default port
inline constexpr std::uint32_t kInternetErrorTimeout = 12002;  // the server did not answer in time
inline constexpr std::uint32_t kInternetErrorLoginFailure = 12015;  // the FTP server refused the login (530)

// Service types reported by AfxParseURL.
inline constexpr std::uint32_t kInetServiceUnknown = 0;
inline constexpr std::uint32_t kInetServiceFtp = 1;
inline constexpr std::uint32_t kInetServiceGopher = 2;
inline constexpr std::uint32_t kInetServiceHttp = 3;
inline constexpr std::uint32_t kInetServiceHttps = 4;
inline constexpr std::uint32_t kInetServiceFile = 5;

// A failure the internet service reported; `errorCode` is its error number
// (GetLastError after the failed call).
class CInternetException {
 public:
  explicit CInternetException(std::uint32_t errorCode) : errorCode(errorCode) {}
  std::uint32_t errorCode;
};

// Splits `url` into service type, server name, object path and port, after
// canonicalising it. Returns false when the text is not a URL the service
// understands (for instance a bare host name without a scheme).
bool AfxParseURL(const std::string& url, std::uint32_t& serviceType, std::string& server,
                 std::string& object, std::uint16_t& port);

class CFtpConnection;
class CHttpConnection;

// A file being read from an FTP or HTTP connection (the handle FtpOpenFileA
// or HttpOpenRequestA gave). Closing it ends the transfer.
class CInternetFile {
 public:
  CInternetFile(InternetHandle handle, bool ftp) : handle_(handle), ftp_(ftp) {}
  ~CInternetFile();
  CInternetFile(const CInternetFile&) = delete;
  CInternetFile& operator=(const CInternetFile&) = delete;

  // Reads up to `size` bytes (InternetReadFile): the count, 0 at the end of
  // the data, -1 when the transfer failed. An FTP transfer whose end the
  // server reported as a failure (426 after a dropped data connection) also
  // gives -1: WinINet sees only the data connection's end.
  long Read(void* buffer, std::uint32_t size);

  // Of an HTTP response: its status code, its Content-Length when told
  // (`lengthTold`) and its Content-Range when told and well-formed
  // (`rangeTold`; HttpRange.h).
  std::uint32_t status = 0;
  bool lengthTold = false;
  std::uint64_t length = 0;
  bool rangeTold = false;
  ContentRange range;
  // Of an FTP file: the byte its data starts at, the offset asked for or 0
  // when the server refused the restart.
  std::uint64_t start = 0;

  void Close();

 private:
  InternetHandle handle_;
  bool ftp_;
};

// One internet session (InternetOpenA). Made by Open, which gives none when the
// service refuses a session. Closing it also ends the handles opened from it.
class CInternetSession {
 public:
  // `agent` null: the application's name. Returns null when no session can be
  // created.
  static std::unique_ptr<CInternetSession> Open(const char* agent = nullptr,
                                                std::uintptr_t context = 1,
                                                std::uint32_t accessType = kInternetOpenTypePreconfig,
                                                const char* proxyName = nullptr,
                                                const char* proxyBypass = nullptr,
                                                std::uint32_t flags = 0);
  ~CInternetSession();
  CInternetSession(const CInternetSession&) = delete;
  CInternetSession& operator=(const CInternetSession&) = delete;

  // Connects to `server` and logs in (InternetConnectA with the FTP service).
  // User and password null: anonymous login. Port 0: the FTP default.
  // Throws CInternetException when the connection or the login fails.
  std::unique_ptr<CFtpConnection> GetFtpConnection(const std::string& server,
                                                   const char* userName = nullptr,
                                                   const char* password = nullptr,
                                                   std::uint16_t port = kInvalidPort,
                                                   bool passive = false);

  // Makes a handle for requests to the HTTP server `server` on `port` (0:
  // the HTTP default) (InternetConnectA with the HTTP service); nothing is
  // sent yet. Throws CInternetException when the service refuses it.
  std::unique_ptr<CHttpConnection> GetHttpConnection(const std::string& server, std::uint16_t port);

  // Bounds the service's waits on this session and the connections made
  // from it: connecting, sending, and receiving (each `milliseconds`).
  // False when the service refused one of them.
  bool SetTimeouts(std::uint32_t milliseconds);

  // Closes the session handle; harmless when already closed.
  void Close();

  std::uintptr_t Context() const { return context_; }

 private:
  CInternetSession(InternetHandle handle, std::uintptr_t context) : handle_(handle), context_(context) {}
  InternetHandle handle_;
  std::uintptr_t context_;
};

// One logged-in FTP connection (the handle InternetConnectA returned).
class CFtpConnection {
 public:
  CFtpConnection(InternetHandle handle, std::uintptr_t context) : handle_(handle), context_(context) {}
  ~CFtpConnection();
  CFtpConnection(const CFtpConnection&) = delete;
  CFtpConnection& operator=(const CFtpConnection&) = delete;

  // Copies `remoteFile` to `localFile` in one call (FtpGetFileA). Returns
  // whether the service reports the transfer as complete. A failure the
  // server answered sets LastRefusal.
  bool GetFile(const std::string& remoteFile, const std::string& localFile, bool failIfExists = true,
               std::uint32_t attributes = kFileAttributeNormal,
               std::uint32_t flags = kFtpTransferTypeBinary, std::uintptr_t context = 1);

  // Opens `remoteFile` for reading in binary mode from byte `offset` (TYPE I
  // and REST before the RETR that FtpOpenFileA sends); when the server
  // refuses the REST, from byte 0 (the file's `start` says which). Null when
  // the server refused the file or the connection failed; a refusal sets
  // LastRefusal as GetFile does. Only one file may be open on a connection
  // at a time.
  std::unique_ptr<CInternetFile> OpenFile(const std::string& remoteFile, std::uint64_t offset);

  // The server's three-digit reply to the last GetFile or OpenFile when it refused the
  // transfer (550: no such file; 451: aborted, worth another try), or 0 when
  // that GetFile succeeded or failed without a refusal from the server (a
  // broken connection, a local file that exists).
  int LastRefusal() const { return lastRefusal_; }

  // Whether the server still answers on this connection (it is asked for
  // the current folder). False once the server or the network has closed it.
  bool IsAlive();

  // Closes the connection handle; harmless when already closed.
  void Close();

  InternetHandle Handle() const { return handle_; }
  std::uintptr_t Context() const { return context_; }

 private:
  // Sends TYPE I and REST `offset`; false, with a refusal in lastRefusal_,
  // when the server did not take them.
  bool Restart(std::uint64_t offset);

  InternetHandle handle_;
  std::uintptr_t context_;
  int lastRefusal_ = 0;
};

// Requests to one HTTP server (the handle InternetConnectA returned for the
// HTTP service).
class CHttpConnection {
 public:
  explicit CHttpConnection(InternetHandle handle) : handle_(handle) {}
  ~CHttpConnection();
  CHttpConnection(const CHttpConnection&) = delete;
  CHttpConnection& operator=(const CHttpConnection&) = delete;

  // Sends GET `object` (bypassing every cache), asking from byte `offset`
  // on with a Range header when it is not 0, and returns the response to
  // read, whatever its status. Null when no response came (no connection,
  // refused, timed out); `error` then holds the service's error number.
  std::unique_ptr<CInternetFile> Get(const std::string& object, std::uint64_t offset, std::uint32_t& error);

  void Close();

 private:
  InternetHandle handle_;
};

// Lists files on an FTP connection (FtpFindFirstFileA). As with the usual
// finder: FindFile starts the search, each FindNextFile makes the next match
// current and returns whether yet another one follows, so the last match is
// current after FindNextFile returned false. Only one search may be open on a
// connection at a time; Close ends it.
class CFtpFileFind {
 public:
  explicit CFtpFileFind(CFtpConnection* connection, std::uintptr_t context = 1);
  ~CFtpFileFind();
  CFtpFileFind(const CFtpFileFind&) = delete;
  CFtpFileFind& operator=(const CFtpFileFind&) = delete;

  // Starts a search for `name` (null or empty: everything in the current
  // folder). Returns whether anything matched.
  bool FindFile(const std::string& name, std::uint32_t flags = kInternetFlagReload);
  bool FindNextFile();

  // Size in bytes and name of the current match; 0 and "" when there is none.
  std::uint64_t GetLength() const;
  std::string GetFileName() const;

  void Close();

 private:
  struct Match {
    std::string name;
    std::uint64_t size = 0;
  };
  CFtpConnection* connection_;
  std::uintptr_t context_;
  InternetHandle find_ = nullptr;
  bool hasNext_ = false;
  Match next_;
  bool hasCurrent_ = false;
  Match current_;
};

}  // namespace framework

using framework::AfxParseURL;
using framework::CFtpConnection;
using framework::CFtpFileFind;
using framework::CInternetException;
using framework::CHttpConnection;
using framework::CInternetFile;
using framework::CInternetSession;
using framework::ContentRange;
