#include "app/CommandLine.h"

#include "Deployment.h"

namespace app {

std::vector<std::string> CommandWords(const std::string& commandLine) {
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
  return words;
}

bool FindOption(const std::string& commandLine, const std::string& name, std::string& value) {
  const std::vector<std::string> words = CommandWords(commandLine);
  for (std::size_t i = 1; i < words.size(); ++i) {
    std::string option = words[i];
    for (char& c : option) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (option != "/" + name && option != "-" + name) continue;
    value = i + 1 < words.size() ? words[i + 1] : std::string();
    return true;
  }
  return false;
}

std::string LocalSourceFolder(const std::string& commandLine, const std::string& programPath) {
  std::string folder;
  if (FindOption(commandLine, "source", folder) && !folder.empty()) return folder;
  const std::size_t slash = programPath.find_last_of("\\/");
  if (slash == std::string::npos) return deployment::localSourceFolder;
  return programPath.substr(0, slash + 1) + deployment::localSourceFolder;
}

}  // namespace app
