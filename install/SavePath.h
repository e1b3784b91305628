// Where a downloaded firmware file is saved.
#pragma once

#include <string>

// Forces the firmware file's own extension onto the place the user chose:
// `*pathOut` becomes `chosenPath`, except that when `chosenExt` (the chosen
// name's extension, without the dot, as the save-file dialog reports it)
// differs byte for byte from `defaultExt`, the chosen extension is replaced
// by `defaultExt`, or `defaultExt` is added when the name has none.
//   D:\fw\new.txt  -> D:\fw\new.zip     D:\fw\new.ZIP -> D:\fw\new.zip
//   D:\fw\new.jpeg -> D:\fw\new.zip     D:\fw\new     -> D:\fw\new.zip
// An empty `defaultExt` leaves the chosen path as it is.
void AdjustSavePath(const std::string& defaultExt, const std::string& chosenExt,
                    const std::string& chosenPath, std::string* pathOut);

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
