// The program's command line: the switches of the runs without a window,
// read by one parser for every mode. A switch is written /name or -name, in
// any case.
#pragma once

#include <string>
#include <vector>

namespace script {

// The words of `commandLine` after the program's own name (its first word),
// split at spaces and tabs outside double quotes; the quotes only group.
std::vector<std::string> CommandLineWords(const std::string& commandLine);

// Whether `word` is the switch `name` (given in lower case).
bool IsSwitch(const std::string& word, const char* name);

enum class ScriptMode {
  None,    // no mode: the wizard
  Check,   // /check: scan, fetch, say what is newer
  Update,  // /update: flash what is newer, with /yes only
  Report,  // /report FILE: the report for support
};

struct ScriptRequest {
  ScriptMode mode = ScriptMode::None;
  bool yes = false;    // /yes: an unattended flash asked for in so many words
  std::string model;   // /model M: only the drives of model M; empty: every drive
  // /source PATH: where the catalogue and the firmware files come from;
  // empty: the program's own server. Handed to the fetch (UseSource).
  std::string source;
  std::string log;     // /log FILE; empty: UpdateLog.txt beside the history
  std::string reportFile;  // /report FILE; empty when no file follows
  std::string error;   // what is wrong with the command line; empty: nothing
};

// /check, /update or /report with their options:
//   /check [/source PATH] [/log FILE]
//   /update [/yes] [/model M] [/source PATH] [/log FILE]
//   /report FILE [/source PATH]
// Any other word, a switch of another mode, a repeated mode or an option
// without its value sets `error` (the mode is still set, so that the run
// can say so in its log; the report is written whatever else the line
// holds). A switch of the program is never taken as an option's value:
// "/report /source D:\fw" names no report file. Mode None, with no error,
// when the line asks for none of the three.
ScriptRequest ParseScriptRequest(const std::string& commandLine);

}  // namespace script
