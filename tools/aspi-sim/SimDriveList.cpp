#include "tools/aspi-sim/SimDriveList.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace aspisim {
namespace {

constexpr std::size_t kInquirySize = 96;

bool ParseNumber(const std::string& text, long limit, int& value) {
  if (text.empty() || text.size() > 9 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  const long number = std::stol(text);
  if (number > limit) return false;
  value = static_cast<int>(number);
  return true;
}

// Checks and stores the four texts of a device.
std::string StoreTexts(const std::vector<std::string>& texts, SimDrive& drive) {
  if (texts[0].size() > 8) return "vendor longer than 8";
  if (texts[1].size() > 16) return "product longer than 16";
  if (texts[2].size() > 5) return "revision longer than 5";
  if (texts[3].size() > 20) return "date code longer than 20";
  drive.vendor = texts[0];
  drive.product = texts[1];
  drive.revision = texts[2];
  drive.dateCode = texts[3];
  return std::string();
}

std::string ParseDelay(const std::string& text, SimDrive& drive) {
  if (text == "never") {
    drive.delayMs = kNeverEnds;
    return std::string();
  }
  int delay = 0;
  if (!ParseNumber(text, 600000, delay)) return "bad delay";
  drive.delayMs = static_cast<unsigned>(delay);
  return std::string();
}

// One option word (see the header); `kind` gets the option it sets.
std::string ParseOption(const std::string& word, SimDrive& drive, std::string& kind) {
  if (word == "empty" || word == "disc" || word == "tray-open") {
    kind = "medium";
    drive.medium = word == "disc" ? Medium::kDisc : word == "tray-open" ? Medium::kTrayOpen : Medium::kEmpty;
    return std::string();
  }
  if (word.compare(0, 5, "busy=") == 0) {
    kind = "busy count";
    int count = 0;
    if (word == "busy=always") {
      drive.busy = kBusyAlways;
    } else if (ParseNumber(word.substr(5), 999999999, count)) {
      drive.busy = static_cast<unsigned>(count);
    } else {
      return "bad busy count";
    }
    return std::string();
  }
  kind = "delay";
  if (word == "never" || (word[0] >= '0' && word[0] <= '9')) return ParseDelay(word, drive);
  return "unknown word \"" + word + "\"";
}

// The option words after the date code, each option at most once.
std::string ParseOptions(const std::string& text, SimDrive& drive) {
  std::istringstream stream(text);
  std::vector<std::string> kinds;
  for (std::string word, kind; stream >> word;) {
    const std::string error = ParseOption(word, drive, kind);
    if (!error.empty()) return error;
    if (std::find(kinds.begin(), kinds.end(), kind) != kinds.end()) return "more than one " + kind;
    kinds.push_back(kind);
  }
  return std::string();
}

std::string ParseNumbers(const std::string& adapter, const std::string& target,
                         const std::string& lun, const std::string& type, SimDrive& drive) {
  if (!ParseNumber(adapter, 255, drive.adapter)) return "bad adapter";
  if (!ParseNumber(target, 7, drive.target)) return "bad target (0 to 7)";
  if (!ParseNumber(lun, 7, drive.lun)) return "bad LUN (0 to 7)";
  if (!ParseNumber(type, 31, drive.deviceType)) return "bad device type";
  return std::string();
}

// The short form without bars: every text is one word, the options follow.
std::string ParseWords(const std::string& line, SimDrive& drive) {
  std::istringstream stream(line);
  std::vector<std::string> words;
  for (std::string word; words.size() < 8 && stream >> word;) words.push_back(word);
  if (words.size() != 8) return "expected |vendor|product|revision|date code| or eight words";
  std::string error = ParseNumbers(words[0], words[1], words[2], words[3], drive);
  if (error.empty()) error = StoreTexts({words[4], words[5], words[6], words[7]}, drive);
  std::string options;
  std::getline(stream, options);
  if (error.empty()) error = ParseOptions(options, drive);
  return error;
}

// Parses one device line into `drive`; an empty result means success.
std::string ParseDrive(const std::string& line, SimDrive& drive) {
  const std::size_t bar = line.find('|');
  if (bar == std::string::npos) return ParseWords(line, drive);
  std::istringstream numbers(line.substr(0, bar));
  std::string adapter, target, lun, type, extra;
  numbers >> adapter >> target >> lun >> type;
  if (numbers >> extra) return "too many numbers before the texts";
  const std::string error = ParseNumbers(adapter, target, lun, type, drive);
  if (!error.empty()) return error;

  std::vector<std::string> texts;
  std::size_t start = bar + 1;
  for (std::size_t next; (next = line.find('|', start)) != std::string::npos; start = next + 1) {
    texts.push_back(line.substr(start, next - start));
  }
  std::string rest = line.substr(start);
  if (texts.size() == 5 && rest.find_first_not_of(" \t\r") == std::string::npos) {
    // The options may also stand between a fifth pair of bars.
    rest = texts.back();
    texts.pop_back();
  }
  if (texts.size() != 4) return "expected four texts between bars";
  const std::string textError = StoreTexts(texts, drive);
  return textError.empty() ? ParseOptions(rest, drive) : textError;
}

void Put(std::vector<std::uint8_t>& data, std::size_t offset, const std::string& text,
         std::size_t width, char pad) {
  for (std::size_t i = 0; i < width; ++i) {
    data[offset + i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : pad);
  }
}

// CHECK CONDITION with fixed-format sense data.
CommandAnswer CheckCondition(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  CommandAnswer answer;
  answer.status = kCheckCondition;
  answer.sense[0] = 0x70;  // current error, fixed format
  answer.sense[2] = key;
  answer.sense[7] = 10;    // additional sense length: bytes 8 to 17
  answer.sense[12] = asc;
  answer.sense[13] = ascq;
  return answer;
}

}  // namespace

SimDriveList ParseSimDrives(const std::string& text) {
  SimDriveList list;
  int highestAdapter = -1;
  bool adaptersGiven = false;
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    if (line.compare(first, 8, "adapters") == 0) {
      std::istringstream words(line.substr(first + 8));
      std::string count, extra;
      words >> count;
      if (!ParseNumber(count, 255, list.adapterCount) || (words >> extra)) {
        list.errors.push_back("line " + std::to_string(number) + ": bad adapter count");
      } else {
        adaptersGiven = true;
      }
      continue;
    }
    SimDrive drive;
    const std::string error = ParseDrive(line, drive);
    if (!error.empty()) {
      list.errors.push_back("line " + std::to_string(number) + ": " + error);
      continue;
    }
    highestAdapter = std::max(highestAdapter, drive.adapter);
    list.drives.push_back(drive);
  }
  if (!adaptersGiven) list.adapterCount = highestAdapter + 1;
  return list;
}

std::vector<std::uint8_t> InquiryData(const SimDrive& drive) {
  std::vector<std::uint8_t> data(kInquirySize, 0);
  data[0] = static_cast<std::uint8_t>(drive.deviceType);
  data[2] = 2;  // SCSI-2
  data[3] = 2;  // response data format
  data[4] = kInquirySize - 5;
  Put(data, 8, drive.vendor, 8, ' ');
  Put(data, 16, drive.product, 16, ' ');
  Put(data, 32, drive.revision, 5, ' ');
  Put(data, 40, drive.dateCode, drive.dateCode.size(), '\0');
  return data;
}

CommandAnswer AnswerCommand(SimDrive& drive, const std::uint8_t* cdb) {
  const CommandAnswer working = CheckCondition(0x02, 0x04, drive.busyAscq);  // not ready, busy
  switch (cdb[0]) {
    case 0x00:  // TEST UNIT READY
      if (drive.busy != 0) {
        if (drive.busy != kBusyAlways) --drive.busy;
        return working;
      }
      if (drive.medium == Medium::kDisc) return CommandAnswer();
      // Not ready, medium not present: tray closed, or tray open.
      return CheckCondition(0x02, 0x3A, drive.medium == Medium::kEmpty ? 0x01 : 0x02);
    case 0x1B: {  // START STOP UNIT
      if (drive.busy != 0) return working;
      const bool loadEject = (cdb[4] & 0x02) != 0, start = (cdb[4] & 0x01) != 0;
      if (loadEject && !start) {
        drive.medium = Medium::kTrayOpen;
      } else if (loadEject && drive.medium == Medium::kTrayOpen) {
        drive.medium = Medium::kEmpty;
      }
      return CommandAnswer();
    }
    case 0x12:  // INQUIRY
      return CommandAnswer();
    default:
      return CheckCondition(0x05, 0x20, 0x00);  // illegal request, invalid command
  }
}

}  // namespace aspisim

namespace aspisim {

std::string FormatSimDrive(const SimDrive& drive) {
  std::vector<std::string> options;
  if (drive.delayMs == kNeverEnds) {
    options.push_back("never");
  } else if (drive.delayMs != 0) {
    options.push_back(std::to_string(drive.delayMs));
  }
  if (drive.medium == Medium::kDisc) options.push_back("disc");
  if (drive.medium == Medium::kTrayOpen) options.push_back("tray-open");
  if (drive.busy == kBusyAlways) {
    options.push_back("busy=always");
  } else if (drive.busy != 0) {
    options.push_back("busy=" + std::to_string(drive.busy));
  }
  std::string line = std::to_string(drive.adapter) + " " + std::to_string(drive.target) + " " +
                     std::to_string(drive.lun) + " " + std::to_string(drive.deviceType) + " |" + drive.vendor + "|" +
                     drive.product + "|" + drive.revision + "|" + drive.dateCode + "|";
  for (std::size_t i = 0; i < options.size(); ++i) line += (i == 0 ? "" : " ") + options[i];
  return line;
}

std::string ChangeSimDrives(const std::string& text, const std::string& product, const std::string& revision,
                            bool remove) {
  std::string changed;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    const std::string line = text.substr(start, end - start);
    start = end;
    const SimDriveList parsed = ParseSimDrives(line);
    if (parsed.drives.size() != 1 || parsed.drives[0].product != product) {
      changed += line;
      continue;
    }
    if (remove) continue;
    SimDrive drive = parsed.drives[0];
    drive.revision = revision;
    const std::size_t body = line.find_last_not_of("\r\n");
    changed += FormatSimDrive(drive) + line.substr(body == std::string::npos ? 0 : body + 1);
  }
  return changed;
}

std::string WinePath(std::string path) {
  if (!path.empty() && path[0] == '/') {
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
    path = "Z:" + path;
  }
  return path;
}

std::string LogAddress(int adapter, int target, int lun) {
  return std::to_string(adapter) + ":" + std::to_string(target) + ":" + std::to_string(lun);
}

std::string LogHex(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value & 0xFF);
  return text;
}

void AppendLogLine(const std::string& path, const std::string& line) {
  if (path.empty()) return;
  if (FILE* file = std::fopen(path.c_str(), "a")) {
    std::fprintf(file, "%s\n", line.c_str());
    std::fclose(file);
  }
}

}  // namespace aspisim
