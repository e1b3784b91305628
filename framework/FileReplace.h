// Putting a finished file in place of another on the same volume, on every
// Windows from 95 on (and by rename() in the native tree).
#pragma once

#include <string>

namespace framework {

// Moves `source` to `target`, replacing a file there. MoveFileExA where the
// system has it. Windows 95/98/Me export MoveFileExA only as a stub that
// fails with ERROR_CALL_NOT_IMPLEMENTED; there the old file is first renamed
// aside, the new one moved in, and the old one deleted, or renamed back when
// the move fails. Either way a failure keeps the old file (and `source`).
bool MoveIntoPlace(const std::string& source, const std::string& target);

// The replacing move MoveIntoPlace tries first (MoveFileExA with
// MOVEFILE_REPLACE_EXISTING), leaving its failure's reason in the last-error
// code. Tests put one in that fails the way Windows 98's does; null restores
// the system's.
using ReplacingMove = bool (*)(const char* source, const char* target);
void SetReplacingMoveForTest(ReplacingMove move);

}  // namespace framework
