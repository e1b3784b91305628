// The program's command line: the switches of the runs without a window.
// A switch is written /name or -name, in any case.
#pragma once

#include <string>
#include <vector>

namespace app {

// The words of `commandLine` after the program's own name (its first word),
// split at spaces and tabs outside double quotes; the quotes only group.
std::vector<std::string> CommandLineWords(const std::string& commandLine);

// Whether `word` is the switch `name` (given in lower case).
bool IsSwitch(const std::string& word, const char* name);

enum class ScriptMode {
  None,    // neither /check nor /update: the wizard (or /report)
  Check,   // /check: scan, fetch, say what is newer
  Update,  // /update: flash what is newer, with /yes only
};

struct ScriptRequest {
  ScriptMode mode = ScriptMode::None;
  bool yes = false;    // /yes: an unattended flash asked for in so many words
  std::string model;   // /model M: only the drives of model M; empty: every drive
  // /source PATH: where the catalogue and the firmware files come from;
  // empty: the program's own server. Handed to the fetch (UseSource).
  std::string source;
  std::string log;     // /log FILE; empty: UpdateLog.txt beside the history
  std::string error;   // what is wrong with the command line; empty: nothing
};

// /check or /update with their options:
//   /check [/source PATH] [/log FILE]
//   /update [/yes] [/model M] [/source PATH] [/log FILE]
// Any other word, a switch of the other mode, a repeated mode or an option
// without its value sets `error` (the mode is still set, so that the run
// can say so in its log). Mode None, with no error, when neither /check nor
// /update is on the line.
ScriptRequest ParseScriptRequest(const std::string& commandLine);

}  // namespace app
