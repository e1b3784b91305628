// catalogue_check: reads a catalogue with the program's own parser and walk
// (FirmwareCatalogue::ReadSections) and prints what the program would offer a
// drive of each model the catalogue names, whatever firmware the drive runs.
// It reads the catalogue as a program in English and as one in Chinese
// (language 1028) reads it, and fails (exit status 1, one line on stderr for
// each fault) when the two are offered different entries, when the catalogue
// is larger than the program reads, and on every entry that the program
// would drop or that the publishing tool would read otherwise than the
// program:
//   - an entry not closed by <~item>, or never offered (nothing to compare);
//   - a <model> tag inside an entry (the section before it is not closed);
//   - no well-formed <sha256> or no <size> (a program with a key built in
//     drops it), unless --unhashed-ok reads as a program built without keys;
//   - no <fw tag, or more than one (the program downloads the last one's path);
//   - a path cut short at the program's token limit;
//   - a path that is absolute or leaves the FTP root, or holds a backslash;
//   - a model whose entries differ when its drive is the only one present
//     (sections not closed where the program's two walks agree);
//   - with --root, a file missing under the root, or whose size or SHA-256
//     differs from what its entry lists. --root may be given more than once:
//     a file is taken from the first root that holds it.
//
// With --signature, the catalogue's bytes must first carry that signature by
// one of the keys named by --key-modulus (the modulus in hexadecimal, as
// `openssl rsa -pubin -modulus` prints it), checked by the program's own
// code; otherwise it fails at once.
//
// With --files it prints instead, one a line, "PATH<TAB>SIZE<TAB>SHA-256" of
// every file a program with a key built in downloads (each path once), and
// fails only on the signature, the catalogue's size, a difference between the
// two languages and, with --root, on those files: the entries it drops are
// the publisher's to mend, not a copy's. tools/publish mirror
// copies and checks a published tree with it.
//
//   catalogue_check [--unhashed-ok] [--files] [--root FTP_ROOT ...]
//                   [--signature SIG --key-modulus HEX ...] CATALOGUE
//
// Exit status 2: the command line is wrong or a file cannot be read.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "catalogue/FirmwareCatalogue.h"
#include "catalogue/Sha256.h"
#include "catalogue/Signature.h"
#include "framework/Platform.h"

namespace {

using catalogue::CatalogueModelNames;
using catalogue::FirmwareCatalogue;
using catalogue::FirmwareItem;
using catalogue::ItemEnd;
using catalogue::ItemReading;
using catalogue::ModelEntry;
using catalogue::Offer;
using catalogue::ParseOutcome;
using catalogue::kMaxCatalogueBytes;

// The languages the program reads a catalogue in: English, and Chinese
// (Taiwan), whose users read the other description. Both must be offered
// the same entries.
constexpr std::uint16_t kLanguages[] = {1033, catalogue::kChineseTaiwan};
constexpr const char* kLanguagesDiffer =
    "read in Chinese (language 1028) the program offers other entries than read in English";

// Reads the catalogue as the program does with a drive of each model in
// `names` present, running no firmware yet, so that every entry with a text
// to compare is newer. `keyed`: as a program with a key built in, which drops
// entries without a SHA-256 (no signature is checked here).
void ReadAsProgram(FirmwareCatalogue& catalogue, const std::string& bytes, const std::vector<std::string>& names,
                   bool keyed) {
  for (const std::string& name : names) catalogue.models.push_back(ModelEntry{name, "", "", {}});
  catalogue.reader.OpenBytes(bytes);
  catalogue.ReadSections(keyed);
  catalogue.reader.Close();
}

std::string Describe(const FirmwareItem& item) {
  std::string text = item.compareBy == "version" ? "version " + item.version : "date code " + item.dateCode;
  text += "  " + item.path + "  size " + (item.size.empty() ? "-" : item.size);
  text += "  sha256 " + (item.sha256.empty() ? "-" : item.sha256);
  return text;
}

// A path the publishing tool reads below its root as the FTP server serves it
// below the login folder: relative, with "/" between non-empty names, none
// of them "." or "..".
bool IsPlainRelativePath(const std::string& path) {
  if (path.empty() || path.find('\\') != std::string::npos) return false;
  std::size_t start = 0;
  for (;;) {
    const std::size_t slash = path.find('/', start);
    const std::string name = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (name.empty() || name == "." || name == "..") return false;
    if (slash == std::string::npos) return true;
    start = slash + 1;
  }
}

// What is wrong with the file of `item` under the first of `roots` that
// holds it, or an empty text.
std::string FileFault(const FirmwareItem& item, const std::vector<std::string>& roots) {
  std::string bytes, file;
  bool read = false;
  for (const std::string& root : roots) {
    file = root + "/" + item.path;
    if ((read = platform::ReadWholeFile(file, bytes))) break;
  }
  if (!read) return "its file " + roots.front() + "/" + item.path + " cannot be read";
  if (!item.size.empty() && item.size != std::to_string(bytes.size())) {
    return "<size> " + item.size + " is not the size of " + file + ", " + std::to_string(bytes.size());
  }
  if (!item.sha256.empty() && !sha256::MatchesHex(sha256::Of(bytes), item.sha256)) {
    return "<sha256> is not the SHA-256 of " + file;
  }
  return "";
}

// What is wrong with one entry the program read, or an empty text.
std::string EntryFault(const ModelEntry& entry, const FirmwareItem& item, const ItemReading& reading,
                       ParseOutcome outcome, bool keyed, const std::vector<std::string>& roots) {
  if (reading.modelTag) return "holds a <model> tag: the section before it is not closed by <~model>";
  if (outcome != ItemEnd) return "not closed by <~item>: the program drops it";
  if (reading.pathTags == 0) return "names no file (no <fw tag)";
  if (reading.pathTags > 1) {
    return std::to_string(reading.pathTags) + " <fw tags: the program downloads only the last one's path, " +
           item.path;
  }
  if (reading.pathCut) {
    return "its path is longer than the program's limit of " + std::to_string(catalogue::kMaxTokenLength) +
           " bytes: the program reads " + item.path;
  }
  if (!IsPlainRelativePath(item.path)) return "its path " + item.path + " is not a plain path below the FTP root";
  switch (FirmwareCatalogue::Judge(entry, item, keyed)) {
    case Offer::NotNewer:
      return "never offered: its " + std::string(item.compareBy == "version" ? "<version>" : "<datecode>") +
             " is empty";
    case Offer::NoSha256:
      return catalogue::IsSha256Hex(item.sha256) ? "no <size> of its file in bytes: the program does not offer it"
                                      : "no well-formed <sha256>: the program does not offer it";
    case Offer::Offered:
      break;
  }
  return roots.empty() ? "" : FileFault(item, roots);
}

// Whether `sig` (a file) is a signature of `bytes` by one of the keys.
bool SignedBy(const std::string& bytes, const std::string& sigPath, const std::vector<std::string>& moduli) {
  std::vector<signature::PublicKey> keys;
  for (const std::string& hex : moduli) keys.push_back(signature::PublicKey::FromHex(hex));
  std::string sig;
  return platform::ReadWholeFile(sigPath, sig) && signature::VerifyWithAny(keys, bytes, sig);
}

// Adds `fault` unless it is listed already: a fault met in both languages is
// told once.
void AddFault(std::vector<std::string>& faults, const std::string& fault) {
  for (const std::string& listed : faults) {
    if (listed == fault) return;
  }
  faults.push_back(fault);
}

// The files a program with a key built in downloads when it reads `bytes` in
// `language`, each path once. A path listed twice with another size or
// SHA-256 is a fault.
std::vector<FirmwareItem> FilesAsRead(const std::string& bytes, std::uint16_t language,
                                      std::vector<std::string>& faults) {
  platform::OverrideUserLanguageId(language);
  std::vector<FirmwareItem> files;
  FirmwareCatalogue all;
  all.onItem = [&](const ModelEntry& entry, const FirmwareItem& item, const ItemReading& reading,
                   ParseOutcome outcome, bool) {
    if (!EntryFault(entry, item, reading, outcome, true, {}).empty()) return;
    for (const FirmwareItem& listed : files) {
      if (listed.path != item.path) continue;
      if (listed.sha256 != item.sha256 || listed.size != item.size)
        AddFault(faults, item.path + " is listed twice with different sizes or SHA-256");
      return;
    }
    files.push_back(item);
  };
  ReadAsProgram(all, bytes, CatalogueModelNames(bytes), true);
  return files;
}

std::string FileLine(const FirmwareItem& item) { return item.path + "\t" + item.size + "\t" + item.sha256; }

// --files: the files a program with a key built in downloads, each checked
// under `roots` when there are any. Returns the exit status.
int ListFiles(const std::string& path, const std::string& bytes, const std::vector<std::string>& roots) {
  std::vector<std::string> faults, lines[2];
  for (int i = 0; i < 2; ++i) {
    for (const FirmwareItem& item : FilesAsRead(bytes, kLanguages[i], faults)) {
      lines[i].push_back(FileLine(item));
      if (i == 0 && !roots.empty()) {
        const std::string fault = FileFault(item, roots);
        if (!fault.empty()) faults.push_back(item.path + ": " + fault);
      }
    }
  }
  if (lines[0] != lines[1]) faults.push_back(kLanguagesDiffer);
  for (const std::string& line : lines[0]) std::printf("%s\n", line.c_str());
  for (const std::string& fault : faults) std::fprintf(stderr, "%s: %s\n", path.c_str(), fault.c_str());
  return faults.empty() ? 0 : 1;
}

// Reads the catalogue in `language` as the program does with a drive of each
// of the models `names` present, and as with each alone. Adds the faults of
// every entry to `faults`, and what a drive of each model is offered to
// `offered`, as the lines the check prints.
void JudgeAsRead(const std::string& bytes, const std::vector<std::string>& names, bool keyed,
                 const std::vector<std::string>& roots, std::uint16_t language, std::vector<std::string>& faults,
                 std::vector<std::string>& offered) {
  platform::OverrideUserLanguageId(language);
  std::vector<int> entryCount(names.size(), 0);
  FirmwareCatalogue all;
  all.onItem = [&](const ModelEntry& entry, const FirmwareItem& item, const ItemReading& reading,
                   ParseOutcome outcome, bool) {
    if (outcome != ItemEnd && reading.tags == 0 && !reading.modelTag) return;  // nothing after the last entry
    std::size_t index = 0;
    while (names[index] != entry.model) ++index;
    const int number = ++entryCount[index];
    const std::string fault = EntryFault(entry, item, reading, outcome, keyed, roots);
    if (!fault.empty()) AddFault(faults, entry.model + ", entry " + std::to_string(number) + ": " + fault);
  };
  ReadAsProgram(all, bytes, names, keyed);

  for (const ModelEntry& entry : all.models) {
    offered.push_back(entry.model + ": " + std::to_string(entry.items.size()) + " offered");
    for (const FirmwareItem& item : entry.items) offered.push_back("  " + Describe(item));
    // A drive of this model alone: the sections of the others are skipped,
    // not parsed, and must end where parsing ends them.
    FirmwareCatalogue alone;
    ReadAsProgram(alone, bytes, {entry.model}, keyed);
    std::vector<std::string> together, byItself;
    for (const FirmwareItem& item : entry.items) together.push_back(Describe(item));
    for (const FirmwareItem& item : alone.models.front().items) byItself.push_back(Describe(item));
    if (together != byItself) {
      AddFault(faults, entry.model + ": offered " + std::to_string(byItself.size()) +
                           " entries when it is the only drive, " + std::to_string(together.size()) +
                           " beside the other models: a section is not closed by <~model> where it should be");
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  bool keyed = true, files = false;
  std::string path, sigPath;
  std::vector<std::string> roots, moduli;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--unhashed-ok") {
      keyed = false;
    } else if (arg == "--files") {
      files = true;
    } else if (arg == "--root" && i + 1 < argc) {
      roots.push_back(argv[++i]);
    } else if (arg == "--signature" && i + 1 < argc) {
      sigPath = argv[++i];
    } else if (arg == "--key-modulus" && i + 1 < argc) {
      moduli.push_back(argv[++i]);
    } else if (path.empty() && !arg.empty() && arg[0] != '-') {
      path = arg;
    } else {
      path.clear();
      break;
    }
  }
  if (path.empty() || sigPath.empty() != moduli.empty()) {
    std::fprintf(stderr,
                 "usage: catalogue_check [--unhashed-ok] [--files] [--root FTP_ROOT ...] "
                 "[--signature SIG --key-modulus HEX ...] CATALOGUE\n");
    return 2;
  }
  std::string bytes;
  if (!platform::ReadWholeFile(path, bytes)) {
    std::fprintf(stderr, "%s: cannot be read\n", path.c_str());
    return 2;
  }
  if (!sigPath.empty() && !SignedBy(bytes, sigPath, moduli)) {
    std::fprintf(stderr, "%s: %s is not a signature of these bytes by the maker's key\n", path.c_str(),
                 sigPath.c_str());
    return 1;
  }
  if (bytes.size() > kMaxCatalogueBytes) {
    std::fprintf(stderr, "%s: %zu bytes, more than the %zu the program reads\n", path.c_str(), bytes.size(),
                 kMaxCatalogueBytes);
    return 1;
  }
  if (files) return ListFiles(path, bytes, roots);

  const std::vector<std::string> names = CatalogueModelNames(bytes);
  std::vector<std::string> faults, offered[2];
  for (int i = 0; i < 2; ++i) JudgeAsRead(bytes, names, keyed, roots, kLanguages[i], faults, offered[i]);
  if (offered[0] != offered[1]) faults.push_back(kLanguagesDiffer);
  for (const std::string& line : offered[0]) std::printf("%s\n", line.c_str());
  for (const std::string& fault : faults) std::fprintf(stderr, "%s: %s\n", path.c_str(), fault.c_str());
  return faults.empty() ? 0 : 1;
}
