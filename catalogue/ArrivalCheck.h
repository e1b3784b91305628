// The check of a downloaded firmware file against the catalogue's listing,
// made while the file is still the temporary one, before it replaces
// anything, and again once it is in place, through the handle that then
// holds it until it is unpacked.
#pragma once

#include <string>

#include "framework/File.h"

namespace catalogue {

// Whether the file at `path` is the one the maker published: its SHA-256 is
// `listedSha256` (the entry's "<sha256>", 64 hexadecimal digits). An entry
// listed without a hash (only offered by a build that checks no signature)
// passes; a malformed hash or a file that cannot be read does not.
bool ArrivedAsListed(const std::string& path, const std::string& listedSha256);

// Opens `path` into `archive` for reading with writers denied and checks,
// as ArrivedAsListed does, the bytes read through that handle. True leaves
// `archive` open at its start: no one can change the file while it stays
// open, so what is read through it later is what was checked. False leaves
// it closed.
bool OpenAsListed(const std::string& path, const std::string& listedSha256, CFile& archive);

}  // namespace catalogue
