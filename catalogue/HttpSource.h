// The maker's HTTP mirror of the FTP tree as a source, through WinINet's
// HTTP functions and the system's proxy settings. Its address names the
// mirror's catalogue folder; a transfer that broke goes on with a Range
// request. The mirror counts as reached once it has answered a request,
// whatever the answer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "catalogue/FetchFailure.h"
#include "catalogue/Source.h"
#include "framework/Internet.h"

namespace catalogue {

class HttpSource : public Source {
 public:
  SourceKind Kind() const override { return SourceKind::Http; }
  std::string Where() const override { return address; }
  // Opens a session with bounded waits and a handle for the mirror's
  // server; nothing is sent yet. False, with the cause in `failure`, when
  // the session or the address fails.
  bool Connect() override;
  bool Answers() override { return connection_ != nullptr; }
  std::unique_ptr<SourceFile> Open(const std::string& path, std::uint64_t offset, OpenResult& result) override;
  // A mirror lists nothing in advance: its answer to the request tells.
  std::uint64_t ListedSize(const std::string&) override { return 0; }
  void Close() override;

  // Takes `other`'s session, connection and last error; `other` is left
  // without a connection.
  void TakeOver(HttpSource& other);

  std::string address;  // the mirror's catalogue folder, ending in "/"
  bool failed = false;  // the last Connect failed for `failure`
  FetchFailure failure = FetchFailure::SessionNotCreated;
  std::uint32_t lastError = 0;  // the service's error of the last request that got no answer

 private:
  std::unique_ptr<CInternetSession> session_;
  std::unique_ptr<CHttpConnection> connection_;
  std::string top_;  // the object path of the catalogue folder, ending in "/"
};

}  // namespace catalogue
