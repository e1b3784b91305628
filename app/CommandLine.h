// The program's command line: its words, and the options the program takes
// ("/report FILE", "/source PATH"), each read here once for every command.
#pragma once

#include <string>
#include <vector>

namespace app {

// The words of `commandLine`, which starts with the program's own name
// (quoted or not): blanks part them, double quotes group and are dropped.
std::vector<std::string> CommandWords(const std::string& commandLine);

// Whether the option `name` (such as "report") is given as "/name" or
// "-name", in any case, after the program's name; `value` then holds the
// word after it, empty when there is none.
bool FindOption(const std::string& commandLine, const std::string& name, std::string& value);

// The folder the catalogue and the firmware are taken from before any
// server: the one "/source PATH" names (a folder, a share, a CD, a USB
// stick), else the folder deployment::localSourceFolder beside the program
// at `programPath`. Whether it holds a catalogue is for the fetch to find.
std::string LocalSourceFolder(const std::string& commandLine, const std::string& programPath);

}  // namespace app
