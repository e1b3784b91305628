// The one exception the zip reader throws (besides the file exceptions of the
// archive file itself).
#pragma once

#include <string>

#include "framework/Exception.h"

namespace zip {

class CZipException : public CException {
 public:
  // Cause codes.
  enum Cause {
    generic = 1,
    streamEnd = 2,
    needDictionary = 3,
    systemError = 4,
    streamError = 5,
    dataError = 6,
    outOfMemory = 7,
    bufferError = 8,
    versionError = 9,
    badCall = 10,          // bad parameter or call out of order
    badArchive = 11,       // not a valid archive, or an unsupported one
    badCrc = 12,           // CRC-32 mismatch
  };

  // The reader's own internal codes; zlib's return codes are the others.
  enum InternalCode {
    kBadCall = -102,
    kBadArchive = -103,
    kBadCrc = -105,
  };

  CZipException(std::string archivePath, int cause)
      : archivePath(std::move(archivePath)), cause(cause) {}

  // Maps an internal code (a zlib return code or one of InternalCode) to its cause.
  static int CauseOf(int internalCode);

  std::string What() const override;

  std::string archivePath;  // empty when the archive file was not open
  int cause;
};

}  // namespace zip
