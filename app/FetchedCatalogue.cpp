#include "app/FetchedCatalogue.h"

#include "catalogue/FirmwareCatalogue.h"
#include "framework/Platform.h"

namespace app {

bool UseSource(CatalogueFetcher&, const std::string& source) {
  // The fetcher reaches the build's FTP server only; a folder, a share or a
  // mirror named here is the fetcher's to read once it can.
  return source.empty();
}

FetchedCatalogue FetchVerifiedCatalogue(CatalogueFetcher& fetcher, const std::string& serialFile, bool keepSerial) {
  FetchedCatalogue fetched;
  fetched.reached = fetcher.FetchCatalogue();
  fetched.server = ServerText(fetcher);
  FirmwareCatalogue catalogue;
  fetched.hashRequired = !catalogue.trustedKeys.empty();
  fetched.acceptedSerial = ReadAcceptedSerial(serialFile);
  catalogue.acceptedSerial = fetched.acceptedSerial;
  fetched.arrived = !fetcher.localCataloguePath.empty() && platform::FileExists(fetcher.localCataloguePath);
  if (fetched.arrived) {
    fetched.usable = catalogue.ReadVerified(fetcher.localCataloguePath, fetched.text);
    fetched.signatureRefused = catalogue.signatureRefused;
    fetched.replayRefused = catalogue.replayRefused;
    fetched.issue = catalogue.issue;
    if (fetched.usable && keepSerial) RememberAcceptedSerial(serialFile, catalogue);
  }
  return fetched;
}

std::string ServerText(const CatalogueFetcher& fetcher) {
  std::string server = "ftp://" + fetcher.serverHost;
  if (fetcher.serverPort != 0) server += ":" + std::to_string(fetcher.serverPort);
  const std::string& path = fetcher.remoteCataloguePath;
  return server + (path.empty() || path[0] != '/' ? "/" : "") + path;
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

void ReleaseFetch(CatalogueFetcher& fetcher) {
  FirmwareCatalogue none;
  ReleaseCatalogue(none, fetcher);
}

}  // namespace app
