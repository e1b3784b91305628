#include "app/ReportCommand.h"

#include <windows.h>

#include <vector>

#include "ProgramInfo.h"
#include "app/DriveSnapshot.h"
#include "app/SupportReport.h"
#include "app/UpdateFollowUp.h"
#include "catalogue/CatalogueFetcher.h"
#include "catalogue/CatalogueIssue.h"
#include "catalogue/FirmwareCatalogue.h"
#include "framework/File.h"
#include "framework/Language.h"
#include "framework/Platform.h"
#include "messages/ShowMessages.h"
#include "scsi/ScsiTransport.h"

namespace app {
namespace {

// The texts of messages the wizard would show, for the report instead.
std::vector<std::string> TextsOf(const messages::UserMessages& shown) {
  std::vector<std::string> texts;
  for (const messages::UserMessage& message : shown) {
    std::string text = message.text;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    texts.push_back(text);
  }
  return texts;
}

std::string WindowsVersion() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExA(&version)) return "unknown";
  const char* line = version.dwPlatformId == VER_PLATFORM_WIN32_NT ? "NT line" : "9x line";
  // The 9x line keeps its build number in the low word only.
  const DWORD build = version.dwPlatformId == VER_PLATFORM_WIN32_NT ? version.dwBuildNumber
                                                                    : (version.dwBuildNumber & 0xFFFF);
  std::string text = std::string(line) + ", version " + std::to_string(version.dwMajorVersion) + "." +
                     std::to_string(version.dwMinorVersion) + " build " + std::to_string(build);
  std::string servicePack = version.szCSDVersion;
  servicePack.erase(0, servicePack.find_first_not_of(' '));
  servicePack.erase(servicePack.find_last_not_of(' ') + 1);
  if (!servicePack.empty()) text += " " + servicePack;
  return text;
}

std::string LanguageText() {
  const std::uint16_t id = platform::UserLanguageId();
  return std::to_string(id) + " (" + (IsChinese(LanguageOf(id)) ? "Chinese" : "English") + " texts)";
}

// Where the catalogue was fetched from: the source's catalogue file.
std::string ServerText(CatalogueFetcher& fetcher) {
  Source& source = fetcher.InUse();
  if (source.Kind() == SourceKind::Folder) return FolderSource::PathOf(source.Where(), kCatalogueName);
  return source.Where() + kCatalogueName;
}

// Which source the fetch used, and why the ones before it were passed.
std::string SourceText(const CatalogueFetcher& fetcher) {
  std::string text;
  switch (fetcher.sourceKind) {
    case SourceKind::Folder: text = "local folder, nothing fetched over the network"; break;
    case SourceKind::Ftp: text = "FTP server"; break;
    case SourceKind::Http: text = "HTTP mirror, the FTP server could not be reached"; break;
    default: text = "none reached: neither the FTP server nor the HTTP mirror answered"; break;
  }
  if (fetcher.sourceKind != SourceKind::Folder && !fetcher.localFolder.empty() &&
      platform::FileExists(fetcher.localFolder)) {
    text += "; the folder " + fetcher.localFolder + " holds no " + kCatalogueName;
  }
  return text;
}

void FetchCatalogue(ReportFacts& facts, const std::string& localFolder) {
  CatalogueFetcher fetcher;
  fetcher.localFolder = localFolder;
  facts.serverReached = fetcher.FetchCatalogue();
  facts.source = SourceText(fetcher);
  facts.server = ServerText(fetcher);
  FirmwareCatalogue catalogue;
  facts.hashRequired = !catalogue.trustedKeys.empty();
  // Held to the serial accepted before, as the wizard holds it; the report
  // keeps no serial itself.
  facts.acceptedSerial = ReadAcceptedSerial(SerialFileBeside(facts.historyFile));
  catalogue.acceptedSerial = facts.acceptedSerial;
  facts.catalogueArrived = !fetcher.localCataloguePath.empty() &&
                           platform::ReadWholeFile(fetcher.localCataloguePath, facts.catalogue);
  if (!facts.catalogueArrived) {
    facts.verification = "nothing to check: no catalogue arrived";
  } else if (!catalogue.LoadCatalogue(fetcher.localCataloguePath)) {
    facts.verification = catalogue.signatureRefused
                             ? "refused: the maker's signature is missing or wrong, the catalogue is not used"
                         : catalogue.replayRefused
                             ? "refused: signed, but older than a catalogue accepted before (serial " +
                                   std::to_string(catalogue.issue.serial) + " below " +
                                   std::to_string(facts.acceptedSerial) + "), the catalogue is not used"
                             : "the catalogue could not be read";
  } else {
    facts.catalogueUsable = true;
    facts.verification = catalogue.trustedKeys.empty() ? "not checked: this build trusts no signing key"
                                                       : "signed by the maker, signature verified";
  }
  facts.fetchMessages = TextsOf(messages::FetchFailureMessages(fetcher.failures));
  ReleaseCatalogue(catalogue, fetcher);
}

}  // namespace

int WriteSupportReport(const std::string& file, ScsiTransport& transport, const std::string& localFolder) {
  ReportFacts facts;
  facts.program = std::string(VORN_ORIGINAL_FILENAME) + " " + VORN_VERSION_TEXT;
  facts.windows = WindowsVersion();
  facts.language = LanguageText();
  facts.written = LocalTimeText();
  facts.transport = transport.isNt ? "SCSI pass-through" : "ASPI, WNASPI32.DLL";
  facts.scanWorked = transport.isNt || transport.aspiLibrary != nullptr;
  facts.drives = SnapshotDrives(transport);
  facts.scanMessages = TextsOf(messages::DriveProblemMessages(transport.TakeProblems(), messages::WindowsSystemTexts()));
  facts.historyFile = HistoryFilePath(transport.isNt);
  FetchCatalogue(facts, localFolder);
  facts.history = install::ReadHistory(facts.historyFile);

  const int code = ReportExitCode(facts);
  if (file.empty()) return code + kReportNotWritten;
  const std::string text = ComposeReport(facts);
  try {
    CFile output;
    if (!output.Open(file, CFile::modeCreate | CFile::modeWrite)) return code + kReportNotWritten;
    output.Write(text.data(), static_cast<unsigned>(text.size()));
    output.Close();
  } catch (const CFileException&) {
    return code + kReportNotWritten;
  }
  return code;
}

}  // namespace app
