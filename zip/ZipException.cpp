#include "zip/ZipException.h"

#include <zlib.h>

namespace zip {

int CZipException::CauseOf(int internalCode) {
  switch (internalCode) {
    case Z_STREAM_END: return streamEnd;
    case Z_NEED_DICT: return needDictionary;
    case Z_ERRNO: return systemError;
    case Z_STREAM_ERROR: return streamError;
    case Z_DATA_ERROR: return dataError;
    case Z_MEM_ERROR: return outOfMemory;
    case Z_BUF_ERROR: return bufferError;
    case Z_VERSION_ERROR: return versionError;
    case kBadCall: return badCall;
    case kBadArchive: return badArchive;
    case kBadCrc: return badCrc;
    default: return generic;
  }
}

std::string CZipException::What() const {
  return "zip error cause " + std::to_string(cause) + " in '" + archivePath + "'";
}

}  // namespace zip
