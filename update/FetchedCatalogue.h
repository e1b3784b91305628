// The catalogue as every run takes it: fetched from the source the run was
// given, then held to the maker's signature and to the highest serial
// accepted before. The wizard fetches on a worker and verifies here; the
// runs without a window (/report, /check, /update) do both here.
#pragma once

#include <cstdint>
#include <string>

#include "catalogue/CatalogueFetcher.h"
#include "catalogue/CatalogueIssue.h"
#include "catalogue/FirmwareCatalogue.h"

namespace update {

struct FetchedCatalogue {
  std::string source;           // which source was used, in words (SourceText)
  std::string server;           // where it was fetched from (ServerText)
  bool reached = false;         // the server answered
  bool arrived = false;         // a catalogue arrived
  bool usable = false;          // arrived and verified (or a build that checks no signature)
  bool signatureRefused = false;
  bool replayRefused = false;   // signed, but older than one accepted before
  bool hashRequired = false;    // a build that checks signatures: entries need a SHA-256
  std::string text;             // the catalogue's bytes as they arrived
  catalogue::CatalogueIssue issue;
  std::uint64_t acceptedSerial = 0;  // the highest serial accepted before; 0: none
  // A newer serial was to be kept but its file could not be written: an
  // older catalogue would not be refused next time.
  bool serialNotKept = false;
};

// The one place where `/source PATH` reaches the fetch: `source` is handed
// to `fetcher` before it fetches, so that the catalogue and the firmware
// files come from there, and from nowhere else. An empty source gives the
// fetch its order: the folder deployment::localSourceFolder beside the
// program when it holds a catalogue, the FTP server, the HTTP mirror.
// False when this fetcher cannot read the source (an address, not a
// folder): the run must then fetch nothing rather than reach for another
// place than it was told.
// The catalogue's local copy goes into the work folder beside the history
// file `historyFile` (WorkRoot), under a name of this run's own
// (CatalogueCopyPath): never a place another run or user writes.
bool UseSource(catalogue::CatalogueFetcher& fetcher, const std::string& source, const std::string& historyFile);

// The local copy of this run's catalogue in `workFolder`: a name that holds
// the process id, which no other running copy of the program has. Empty
// when there is no work folder.
std::string CatalogueCopyPath(const std::string& workFolder);

// Reads the catalogue `fetcher` fetched into `catalogue`, held to the
// maker's signature and to the serial kept in `serialFile`. With
// `keepSerial`, a catalogue accepted keeps its serial there when it is
// higher; the report keeps none. The wizard reads its fetch (made on a
// worker while its first page shows) this way.
FetchedCatalogue VerifyFetchedCatalogue(const catalogue::CatalogueFetcher& fetcher,
                                        catalogue::FirmwareCatalogue& catalogue, const std::string& serialFile,
                                        bool keepSerial);

// Fetches the catalogue with `fetcher` and holds it to the maker's signature
// and to the serial kept in `serialFile`, as the wizard does. With
// `keepSerial`, a catalogue accepted keeps its serial there, as the wizard
// keeps it; the report keeps none. The fetcher keeps its connection for the
// downloads that follow; ReleaseFetch ends it.
FetchedCatalogue FetchVerifiedCatalogue(catalogue::CatalogueFetcher& fetcher, const std::string& serialFile,
                                        bool keepSerial);

// The catalogue's place in the source used: "ftp://HOST[:PORT]/pub/VORN/cdrom/odd.idx",
// the mirror's address, or the folder's file.
std::string ServerText(const catalogue::CatalogueFetcher& fetcher);

// Which source the fetch used, in words.
std::string SourceText(const catalogue::CatalogueFetcher& fetcher);

// The signature check's result in words, for the report and the logs.
std::string VerificationText(const FetchedCatalogue& fetched);

// Closes the fetcher's connection and deletes whatever copy it left.
void ReleaseFetch(catalogue::CatalogueFetcher& fetcher);

}  // namespace update
