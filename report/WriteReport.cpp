#include "report/WriteReport.h"

#include <windows.h>

#include <vector>

#include "ProgramInfo.h"
#include "catalogue/CatalogueFetcher.h"
#include "catalogue/CatalogueIssue.h"
#include "framework/File.h"
#include "framework/Language.h"
#include "framework/Platform.h"
#include "messages/ShowMessages.h"
#include "report/ComposeReport.h"
#include "scsi/ScsiTransport.h"
#include "update/DriveSnapshot.h"
#include "update/FetchedCatalogue.h"
#include "update/UpdateEngine.h"

namespace report {
namespace {

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
  const bool chinese = framework::IsChinese(framework::LanguageOf(id));
  return std::to_string(id) + " (" + (chinese ? "Chinese" : "English") + " texts)";
}

void FetchCatalogue(ReportFacts& facts, const std::string& source) {
  catalogue::CatalogueFetcher fetcher;
  update::UseSource(fetcher, source, facts.historyFile);
  // Held to the serial accepted before, as the wizard holds it; the report
  // keeps no serial itself.
  const update::FetchedCatalogue fetched =
      update::FetchVerifiedCatalogue(fetcher, catalogue::SerialFileBeside(facts.historyFile), false);
  facts.serverReached = fetched.reached;
  facts.source = fetched.source;
  facts.server = fetched.server;
  facts.hashRequired = fetched.hashRequired;
  facts.acceptedSerial = fetched.acceptedSerial;
  facts.catalogueArrived = fetched.arrived;
  facts.catalogue = fetched.text;
  facts.catalogueUsable = fetched.usable;
  facts.verification = update::VerificationText(fetched);
  facts.fetchMessages = messages::TextsOf(messages::FetchFailureMessages(fetcher.failures));
  update::ReleaseFetch(fetcher);
}

}  // namespace

int WriteSupportReport(const std::string& file, scsi::ScsiTransport& transport, const std::string& source) {
  ReportFacts facts;
  facts.program = std::string(VORN_ORIGINAL_FILENAME) + " " + VORN_VERSION_TEXT;
  facts.windows = WindowsVersion();
  facts.language = LanguageText();
  facts.written = platform::LocalTimeText();
  facts.transport = transport.TransportName();
  facts.scanWorked = transport.ScanWorked();
  facts.drives = update::SnapshotDrives(transport);
  facts.scanMessages = messages::TextsOf(messages::DriveProblemMessages(transport.TakeProblems(), messages::WindowsSystemTexts()));
  facts.historyFile = update::HistoryFilePath(transport.isNt);
  FetchCatalogue(facts, source);
  facts.history = update::ReadHistory(facts.historyFile);

  const int code = ReportExitCode(facts);
  if (file.empty()) return code + kReportNotWritten;
  const std::string text = ComposeReport(facts);
  return platform::WriteWholeFile(file, text) ? code : code + kReportNotWritten;
}

}  // namespace report
