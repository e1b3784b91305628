// Where a downloaded firmware file is saved.
#pragma once

#include <string>

namespace install {

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

}  // namespace install
