// The check of a downloaded firmware file against the catalogue's listing,
// made while the file is still the temporary one, before it replaces
// anything.
#pragma once

#include <string>

// Whether the file at `path` is the one the maker published: its SHA-256 is
// `listedSha256` (the entry's "<sha256>", 64 hexadecimal digits). An entry
// listed without a hash (only offered by a build that checks no signature)
// passes; a malformed hash or a file that cannot be read does not.
bool ArrivedAsListed(const std::string& path, const std::string& listedSha256);
