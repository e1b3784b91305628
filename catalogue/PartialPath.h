// The files a transfer writes the bytes into before the firmware file is put
// in place: one beside the chosen file, or one kept in the work folder
// between runs under the file's hash.
#pragma once

#include <string>

namespace catalogue {

// The temporary file a transfer fetches into before the file is put in
// place: made here, new and empty, in the folder of `path`, under a name that
// no file there had ("~1", "~2", ...), so that no file of the user's is
// touched and the name is never longer than that of `path`. Empty when the
// folder cannot take a new file.
std::string ReservePartialFile(const std::string& path);

// The file a download of the file listed with `listedSha256` arrives in and
// is kept in between runs: "<sha256>.part" in `folder`, the hash in lower
// case. Empty when `folder` is empty or the hash is not 64 hexadecimal
// digits: then nothing ties the bytes to the file.
std::string KeptPartialPath(const std::string& folder, const std::string& listedSha256);

}  // namespace catalogue
