#include "update/UpdateHistory.h"

#include <cstring>

#include "framework/File.h"
#include "framework/Platform.h"

namespace update {
namespace {

constexpr char kFieldSeparator = '\t';
constexpr int kFieldCount = 8;
constexpr const char* kEmptyField = "-";
constexpr const char* kHeader =
    "# time\tmodel\taddress\trevision before\tversion installed\tfile name\tSHA-256\tverdict";
constexpr const char* kHistoryFileName = "UpdateHistory.txt";
constexpr const char* kMakerFolder = "VORN";

const struct {
  Verdict verdict;
  const char* name;
} kVerdictNames[] = {
    {Verdict::Pending, "pending"},
    {Verdict::Verified, "verified"},
    {Verdict::NotApplied, "not applied"},
    {Verdict::DriveMissing, "drive missing"},
    {Verdict::HeldDriveChanged, "held: drive changed"},
    {Verdict::HeldOnBattery, "held: on battery"},
    {Verdict::HeldDiscInDrive, "held: disc in drive"},
    {Verdict::HeldDriveBusy, "held: drive busy"},
    {Verdict::HeldAnotherUpdate, "held: another update is running"},
};

// The bytes a field cannot hold as they are, each written as the escape
// character and a letter. The escape character before "-" or "#" stands for
// that byte: it marks a field that is "-" itself and a "#" that begins a
// field (a line that begins with "#" is a comment).
constexpr char kEscape = '\\';
const struct {
  char byte;
  char letter;
} kEscapes[] = {{'\\', '\\'}, {'\t', 't'}, {'\r', 'r'}, {'\n', 'n'}};

// The letter that stands for `byte` after the escape character, or 0.
char LetterOf(char byte) {
  for (const auto& escape : kEscapes) {
    if (escape.byte == byte) return escape.letter;
  }
  return 0;
}

// The byte that the escape character and `letter` stand for, or 0 when they
// are no escape.
char ByteOf(char letter) {
  if (letter == '-' || letter == '#') return letter;
  for (const auto& escape : kEscapes) {
    if (escape.letter == letter) return escape.byte;
  }
  return 0;
}

std::string FieldText(const std::string& value) {
  if (value.empty()) return kEmptyField;
  std::string text;
  if (value == kEmptyField || value[0] == '#') text += kEscape;
  for (char c : value) {
    const char letter = LetterOf(c);
    if (letter != 0) text += kEscape;
    text += letter != 0 ? letter : c;
  }
  return text;
}

// Undoes FieldText. The escape character before any other byte, or at the
// end, is itself, so that files written before fields were escaped read as
// they did.
std::string FieldValue(const std::string& text) {
  if (text == kEmptyField) return std::string();
  std::string value;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char byte = text[i] == kEscape && i + 1 < text.size() ? ByteOf(text[i + 1]) : 0;
    if (byte != 0) ++i;
    value += byte != 0 ? byte : text[i];
  }
  return value;
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find(kFieldSeparator, start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

std::string FolderOf(const std::string& path) {
  const std::string folder = platform::FolderPart(path);
  return folder.empty() ? folder : folder.substr(0, folder.size() - 1);
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return std::string();
  const char last = folder.back();
  return (last == '\\' || last == '/') ? folder + name : folder + framework::kPathSeparator + name;
}

// Makes the folder and its parents up to one that exists.
bool MakeFolders(const std::string& folder) {
  if (folder.empty() || framework::IsFolder(folder)) return true;
  const std::string parent = FolderOf(folder);
  if (parent != folder && !parent.empty() && !MakeFolders(parent)) return false;
  return framework::CreateFolder(folder) || framework::IsFolder(folder);
}

}  // namespace

const char* VerdictName(Verdict verdict) {
  for (const auto& entry : kVerdictNames) {
    if (entry.verdict == verdict) return entry.name;
  }
  return "pending";
}

bool UpdateRecord::SameAttempt(const UpdateRecord& other) const {
  return time == other.time && model == other.model && address == other.address &&
         revisionBefore == other.revisionBefore && versionInstalled == other.versionInstalled &&
         fileName == other.fileName && sha256 == other.sha256;
}

std::string FormatRecord(const UpdateRecord& record) {
  const std::string fields[kFieldCount] = {
      record.time,     record.model,  record.address, record.revisionBefore, record.versionInstalled,
      record.fileName, record.sha256, VerdictName(record.verdict)};
  std::string line;
  for (int i = 0; i < kFieldCount; ++i) {
    if (i > 0) line += kFieldSeparator;
    line += FieldText(fields[i]);
  }
  return line;
}

bool ParseRecord(const std::string& line, UpdateRecord& record) {
  std::string text = line;
  if (!text.empty() && text.back() == '\r') text.pop_back();
  if (text.empty() || text[0] == '#') return false;
  const std::vector<std::string> fields = SplitFields(text);
  if (fields.size() != kFieldCount) return false;
  bool known = false;
  for (const auto& entry : kVerdictNames) {
    if (fields[7] == entry.name) {
      record.verdict = entry.verdict;
      known = true;
    }
  }
  if (!known) return false;
  record.time = FieldValue(fields[0]);
  record.model = FieldValue(fields[1]);
  record.address = FieldValue(fields[2]);
  record.revisionBefore = FieldValue(fields[3]);
  record.versionInstalled = FieldValue(fields[4]);
  record.fileName = FieldValue(fields[5]);
  record.sha256 = FieldValue(fields[6]);
  return true;
}

std::vector<UpdateRecord> ParseHistory(const std::string& text) {
  std::vector<UpdateRecord> records;
  // CR LF, LF and a lone CR each end a line: no field holds either byte.
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    UpdateRecord record;
    if (ParseRecord(text.substr(start, end - start), record)) records.push_back(record);
    start = end + 1;
  }
  return records;
}

std::string FormatHistory(const std::vector<UpdateRecord>& records) {
  std::string text = std::string(kHeader) + "\r\n";
  const std::size_t first = records.size() > kHistoryRecords ? records.size() - kHistoryRecords : 0;
  for (std::size_t i = first; i < records.size(); ++i) text += FormatRecord(records[i]) + "\r\n";
  return text;
}

std::vector<UpdateRecord> ReadHistory(const std::string& path) {
  std::string text;
  if (path.empty() || !platform::ReadWholeFile(path, text)) return {};
  return ParseHistory(text);
}

bool WriteHistory(const std::string& path, const std::vector<UpdateRecord>& records) {
  if (path.empty() || !MakeFolders(FolderOf(path))) return false;
  // Another copy of the program reading the history meanwhile sees the old
  // file or the new one, never one cut short.
  return platform::ReplaceWholeFile(path, FormatHistory(records));
}

namespace {

// The records of the history at `path` before it is rewritten. False when
// the file is there but cannot be read (another program holds it): a
// rewrite would then lose every record it holds.
bool ReadForRewrite(const std::string& path, std::vector<UpdateRecord>& records) {
  std::string text;
  if (!path.empty() && platform::ReadWholeFile(path, text)) {
    records = ParseHistory(text);
    return true;
  }
  records.clear();
  return !path.empty() && !platform::FileExists(path);
}

}  // namespace

bool AppendRecord(const std::string& path, const UpdateRecord& record) {
  std::vector<UpdateRecord> records;
  if (!ReadForRewrite(path, records)) return false;
  records.push_back(record);
  return WriteHistory(path, records);
}

bool SettleRecord(const std::string& path, const UpdateRecord& attempt, Verdict verdict) {
  std::vector<UpdateRecord> records;
  if (!ReadForRewrite(path, records)) return false;
  // The newest open record of the attempt: an attempt repeated within the
  // same second is settled one record at a time.
  for (auto it = records.rbegin(); it != records.rend(); ++it) {
    const bool open = it->verdict == Verdict::Pending || it->verdict == Verdict::DriveMissing;
    if (open && it->SameAttempt(attempt)) {
      it->verdict = verdict;
      return WriteHistory(path, records);
    }
  }
  return false;
}

std::vector<UpdateRecord> RecordsToCheckAtStart(const std::vector<UpdateRecord>& records) {
  std::vector<UpdateRecord> checked;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const UpdateRecord& record = records[i];
    if (record.verdict == Verdict::DriveMissing) {
      bool superseded = false;
      for (std::size_t later = i + 1; later < records.size() && !superseded; ++later) {
        superseded = records[later].model == record.model && records[later].address == record.address;
      }
      if (superseded) continue;
    } else if (record.verdict != Verdict::Pending) {
      continue;
    }
    checked.push_back(record);
  }
  return checked;
}

std::vector<std::string> HistoryFileCandidates(bool ntLine, const std::string& appData,
                                               const std::string& programFolder,
                                               const std::string& windowsFolder) {
  std::vector<std::string> candidates;
  if (ntLine && !appData.empty()) candidates.push_back(Join(Join(appData, kMakerFolder), kHistoryFileName));
  for (const std::string& folder : {programFolder, windowsFolder}) {
    if (!folder.empty()) candidates.push_back(Join(folder, kHistoryFileName));
  }
  return candidates;
}

std::string ChooseHistoryFile(const std::vector<std::string>& candidates) {
  for (const std::string& path : candidates) {
    if (platform::FileExists(path)) return path;
  }
  for (const std::string& path : candidates) {
    if (!MakeFolders(FolderOf(path))) continue;
    if (platform::CreateNewFile(path) == platform::NewFile::kCreated) {
      platform::RemoveFile(path);
      return path;
    }
  }
  return std::string();
}

}  // namespace update
