// Where the catalogue and the firmware files come from: a folder (a CD, a
// USB stick, a share), the maker's FTP server, or its HTTP mirror. Each is
// one implementation of the narrow interface below; the catalogue fetch and
// the download read every file through it, so that every check after them
// stays the same whatever the bytes came through.
//
// Paths are the catalogue's: below the FTP server's root, without a leading
// "/" ("pub/VORN/cdrom/odd.idx", "pub/VORN/cdrom/QX-1234A/fw.zip"). A folder
// or a mirror holds what the server's catalogue folder holds (odd.idx,
// odd.idx.sig, the model folders): SourceRelativePath says where a path lies
// below its top.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace catalogue {

enum class SourceKind {
  None,    // no source reached
  Folder,  // a local folder, a CD, a USB stick or a share
  Ftp,     // the maker's FTP server
  Http,    // the maker's HTTP mirror
};

// The server's folder of the catalogue, below its root.
inline constexpr const char kCatalogueFolder[] = "pub/VORN/cdrom/";
inline constexpr const char kCatalogueName[] = "odd.idx";

// Where a catalogue path lies below the top of a folder or a mirror: without
// the leading "/" and the catalogue folder when it starts with it, as it is
// otherwise.
std::string SourceRelativePath(const std::string& path);

// One file being read from a source, from the byte it was opened at.
class SourceFile {
 public:
  virtual ~SourceFile() = default;
  // The byte the data starts at: the offset asked for, or 0 when the source
  // could not start there and sends the whole file (an FTP server that
  // refuses REST).
  virtual std::uint64_t From() const = 0;
  // Up to `size` bytes into `buffer`: the count, 0 at the end of the file,
  // -1 when the transfer broke (dropped, refused halfway).
  virtual long Read(char* buffer, std::uint32_t size) = 0;
  // The whole file's size as the source tells it; 0 when it does not.
  virtual std::uint64_t Size() const = 0;
};

// How an Open ended.
enum class OpenResult {
  Opened,
  Missing,      // the source has no such file (550, 404, 410, no file): final
  Refused,      // refused for good (FTP 5xx, HTTP 401, 403, 5xx): asking again gets the same
  Failed,       // refused for now (FTP 4xx) or broken: worth another try
  Unreachable,  // no connection: refused, timed out, no such host
};

class Source {
 public:
  virtual ~Source() = default;
  virtual SourceKind Kind() const = 0;
  // Where it is, for the support report: the folder, or the address of the
  // catalogue folder on the server.
  virtual std::string Where() const = 0;
  // Makes the connection (again); a folder only checks that it is there.
  // False when the source cannot be reached.
  virtual bool Connect() = 0;
  // Whether the connection made is still usable (FTP: the server still
  // answers on it).
  virtual bool Answers() = 0;
  // Opens `path` for reading from byte `offset`. Null with the reason in
  // `result` otherwise.
  virtual std::unique_ptr<SourceFile> Open(const std::string& path, std::uint64_t offset, OpenResult& result) = 0;
  // The size of `path` as the source lists it, before a transfer; 0 when
  // unknown or not found.
  virtual std::uint64_t ListedSize(const std::string& path) = 0;
  // Ends the connection; harmless when there is none.
  virtual void Close() = 0;
};

}  // namespace catalogue
