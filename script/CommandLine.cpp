#include "script/CommandLine.h"

namespace script {

std::vector<std::string> CommandLineWords(const std::string& commandLine) {
  std::vector<std::string> words;
  std::size_t at = 0;
  while (at < commandLine.size()) {
    while (at < commandLine.size() && (commandLine[at] == ' ' || commandLine[at] == '\t')) ++at;
    if (at >= commandLine.size()) break;
    std::string word;
    bool quoted = false;
    for (; at < commandLine.size(); ++at) {
      const char c = commandLine[at];
      if (c == '"') {
        quoted = !quoted;
      } else if ((c == ' ' || c == '\t') && !quoted) {
        break;
      } else {
        word += c;
      }
    }
    words.push_back(word);
  }
  if (!words.empty()) words.erase(words.begin());  // the program's own name
  return words;
}

bool IsSwitch(const std::string& word, const char* name) {
  if (word.size() < 2 || (word[0] != '/' && word[0] != '-')) return false;
  std::string lower = word.substr(1);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower == name;
}

namespace {

constexpr const char* kModes[] = {"check", "update", "report"};
constexpr const char* kOptions[] = {"model", "source", "log"};

bool IsProgramSwitch(const std::string& word) {
  for (const char* name : kModes) {
    if (IsSwitch(word, name)) return true;
  }
  for (const char* name : kOptions) {
    if (IsSwitch(word, name)) return true;
  }
  return IsSwitch(word, "yes");
}

ScriptMode ModeOf(const std::string& word) {
  if (IsSwitch(word, "check")) return ScriptMode::Check;
  if (IsSwitch(word, "update")) return ScriptMode::Update;
  if (IsSwitch(word, "report")) return ScriptMode::Report;
  return ScriptMode::None;
}

}  // namespace

ScriptRequest ParseScriptRequest(const std::string& commandLine) {
  ScriptRequest request;
  const std::vector<std::string> words = CommandLineWords(commandLine);
  const auto fail = [&request](const std::string& error) {
    if (request.error.empty()) request.error = error;
  };
  // The word after `i` when it is an option's value: there, and no switch.
  const auto valueAfter = [&words](std::size_t i) {
    return i + 1 < words.size() && !words[i + 1].empty() && !IsProgramSwitch(words[i + 1]);
  };
  bool modelGiven = false;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    const ScriptMode mode = ModeOf(word);
    if (mode != ScriptMode::None) {
      if (request.mode != ScriptMode::None) fail("give only one of /check, /update and /report");
      request.mode = mode;
      if (mode == ScriptMode::Report && valueAfter(i)) request.reportFile = words[++i];
      continue;
    }
    if (IsSwitch(word, "yes")) {
      request.yes = true;
      continue;
    }
    std::string* value = IsSwitch(word, "model")    ? &request.model
                         : IsSwitch(word, "source") ? &request.source
                         : IsSwitch(word, "log")    ? &request.log
                                                    : nullptr;
    if (value == nullptr) {
      fail("unknown word on the command line: " + word);
      continue;
    }
    if (!valueAfter(i)) {
      fail(word + " needs a value after it");
      continue;
    }
    modelGiven = modelGiven || value == &request.model;
    *value = words[++i];
  }
  if (request.mode == ScriptMode::Check && (request.yes || modelGiven)) fail("/yes and /model go with /update only");
  // Without a mode the line is the wizard's, which reads only /source.
  if (request.mode == ScriptMode::None) request.error.clear();
  return request;
}

}  // namespace script
