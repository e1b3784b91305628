#include "update/FetchedCatalogue.h"

#include <windows.h>

#include "Deployment.h"
#include "update/UpdateEngine.h"
#include "catalogue/FirmwareCatalogue.h"
#include "framework/Platform.h"

namespace update {

std::string CatalogueCopyPath(const std::string& workFolder) {
  if (workFolder.empty()) return std::string();
  return workFolder + "\\catalogue-" + std::to_string(platform::ProcessId()) + ".idx";
}

bool UseSource(catalogue::CatalogueFetcher& fetcher, const std::string& source, const std::string& historyFile) {
  fetcher.localCopyPath = CatalogueCopyPath(WorkRoot(historyFile));
  if (source.empty()) {
    // The folder beside the program, when it holds a catalogue, then the
    // servers.
    const std::string programFolder = platform::ProgramFolder();
    fetcher.localFolder =
        programFolder.empty() ? std::string() : programFolder + "\\" + deployment::localSourceFolder;
    fetcher.onlyLocalFolder = false;
    return true;
  }
  // A folder, a share, a CD or a USB stick, and nothing else: the run takes
  // nothing from the servers when it cannot read it. An address is no
  // folder this program reads.
  fetcher.localFolder = source;
  fetcher.onlyLocalFolder = true;
  return source.find("://") == std::string::npos;
}

FetchedCatalogue VerifyFetchedCatalogue(const catalogue::CatalogueFetcher& fetcher,
                                        catalogue::FirmwareCatalogue& catalogue, const std::string& serialFile,
                                        bool keepSerial) {
  FetchedCatalogue fetched;
  fetched.source = SourceText(fetcher);
  fetched.server = ServerText(fetcher);
  fetched.hashRequired = !catalogue.trustedKeys.empty();
  fetched.acceptedSerial = catalogue::ReadAcceptedSerial(serialFile);
  catalogue.acceptedSerial = fetched.acceptedSerial;
  fetched.arrived = !fetcher.localCataloguePath.empty() && platform::FileExists(fetcher.localCataloguePath);
  if (!fetched.arrived) return fetched;
  fetched.usable = catalogue.ReadVerified(fetcher.localCataloguePath, fetched.text);
  fetched.signatureRefused = catalogue.signatureRefused;
  fetched.replayRefused = catalogue.replayRefused;
  fetched.issue = catalogue.issue;
  const bool newerSerial = fetched.hashRequired && catalogue.issue.serial > fetched.acceptedSerial;
  if (fetched.usable && keepSerial && newerSerial) {
    fetched.serialNotKept = !catalogue::RememberAcceptedSerial(serialFile, catalogue);
  }
  return fetched;
}

FetchedCatalogue FetchVerifiedCatalogue(catalogue::CatalogueFetcher& fetcher, const std::string& serialFile,
                                        bool keepSerial) {
  const bool reached = fetcher.FetchCatalogue();
  catalogue::FirmwareCatalogue catalogue;
  FetchedCatalogue fetched = VerifyFetchedCatalogue(fetcher, catalogue, serialFile, keepSerial);
  fetched.reached = reached;
  return fetched;
}

std::string ServerText(const catalogue::CatalogueFetcher& fetcher) {
  const catalogue::Source& source = fetcher.InUse();
  if (source.Kind() == catalogue::SourceKind::Folder) {
    const std::string path = std::string(catalogue::kCatalogueFolder) + catalogue::kCatalogueName;
    return static_cast<const catalogue::FolderSource&>(source).LocalPath(path);
  }
  return source.Where() + catalogue::kCatalogueName;
}

std::string SourceText(const catalogue::CatalogueFetcher& fetcher) {
  switch (fetcher.sourceKind) {
    case catalogue::SourceKind::Folder: return "local folder, nothing fetched over the network";
    case catalogue::SourceKind::Ftp: return "FTP server";
    case catalogue::SourceKind::Http: return "HTTP mirror, the FTP server could not be reached";
    default: break;
  }
  if (fetcher.onlyLocalFolder) {
    return "none: the folder " + fetcher.localFolder + " holds no " + catalogue::kCatalogueName;
  }
  return "none reached: neither the FTP server nor the HTTP mirror answered";
}

std::string VerificationText(const FetchedCatalogue& fetched) {
  if (!fetched.arrived) return "nothing to check: no catalogue arrived";
  if (fetched.signatureRefused) return "refused: the maker's signature is missing or wrong, the catalogue is not used";
  if (fetched.replayRefused) {
    return "refused: signed, but older than a catalogue accepted before (serial " +
           std::to_string(fetched.issue.serial) + " below " + std::to_string(fetched.acceptedSerial) +
           "), the catalogue is not used";
  }
  if (!fetched.usable) return "the catalogue could not be read";
  return fetched.hashRequired ? "signed by the maker, signature verified"
                              : "not checked: this build trusts no signing key";
}

void ReleaseFetch(catalogue::CatalogueFetcher& fetcher) { fetcher.Release(); }

}  // namespace update
