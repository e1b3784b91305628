// CD-ROM drive letters for the simulated drives, made at run time through
// Wine's mount manager (its own extension, IOCTL_MOUNTMGR_DEFINE_UNIX_DRIVE,
// the call winecfg makes), so that a test can give a running prefix as many
// drive letters as its drives file lists devices, without restarting the
// prefix's wineserver. Under Wine only.
#pragma once

#include <string>

namespace simletters {

// Gives the devices that the drives file at `drivesFile` (a Windows path on
// Z:, or a Unix absolute path) lists their letters, in the file's order from
// D: on: each letter's raw device is a file marked for the pass-through
// stand-in (SgioSim.cpp) that names the device's address and the drives
// file, written in the folder "sim-letters" beside the drives file. CD-ROM
// letters after the last one given are taken away. Returns the letters given
// ("DEF"), or a line saying what failed, starting with "error: ".
std::string GiveLetters(const std::string& drivesFile);

}  // namespace simletters
