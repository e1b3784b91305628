// The maker's drives found on this machine and the firmware the catalogue
// offers for each: built from the drive table, filled from the local copy of
// the catalogue file, released when the wizard closes.
//
// Catalogue file structure: a sequence of model sections, "<model>", the model
// name token, entries (see FirmwareItem.h), "<~model>". Between sections every
// token other than "<model>" is passed over. A section whose model no present
// drive has is skipped token by token up to its first "<~model>".
#pragma once

#include <functional>
#include <list>
#include <string>
#include <vector>

#include "catalogue/CatalogueIssue.h"
#include "catalogue/CatalogueReader.h"
#include "catalogue/FirmwareItem.h"
#include "catalogue/Signature.h"

namespace scsi {
class DriveIdentification;
}  // namespace scsi

namespace catalogue {

// One present drive of the maker and the items offered for it.
struct ModelEntry {
  std::string model;     // product identification up to its first space
  std::string revision;  // firmware revision
  std::string dateCode;  // date code, "/" removed
  std::vector<FirmwareItem> items;  // offered items, in file order
  int driveIndex = -1;   // the drive's place in the scan's table
};

// Whether version or date code `a` is newer than `b`: runs of digits compare
// by their value, every other byte by its unsigned value; when everything
// compares equal the byte order decides, so the longer text wins a tie. Where
// the numbers have as many digits on both sides this is the byte order.
//   1.10 > 1.9     1.30 > 1.3     1.30B > 1.30     030601 > 030512
bool VersionGreater(const std::string& a, const std::string& b);

// Why an entry of a drive's model is offered to that drive or not.
enum class Offer {
  Offered,   // newer than what the drive runs, and listed as the build requires
  NotNewer,  // not newer by the text it is compared by (an empty text never is)
  // Newer, but listed without a well-formed "<sha256>", or without a "<size>"
  // of 1 to 15 digits (more than 0), where both are required.
  NoSha256,
};

// The model names of the catalogue `text`'s sections, in file order, each
// once: the names the section walk reads where it looks for a section.
std::vector<std::string> CatalogueModelNames(const std::string& text);

// The most bytes a catalogue may have; a larger one is refused before it is
// verified or parsed (the maker's is a few kilobytes).
inline constexpr std::size_t kMaxCatalogueBytes = 1024 * 1024;

// Where the maker's signature of the catalogue at `cataloguePath` is kept:
// beside it, with ".sig" appended, as on the server.
std::string SignaturePathFor(const std::string& cataloguePath);

class FirmwareCatalogue {
 public:
  // Trusts the keys built into the program.
  explicit FirmwareCatalogue(std::size_t readerCapacity = CatalogueReader::kDefaultCapacity);

  // Appends one entry per drive of the maker, in drive-table order, and
  // returns how many entries `models` then holds. Does not empty `models`
  // first, so calling it twice lists every drive twice.
  int BuildModelList(scsi::DriveIdentification& drives);

  // False, touching nothing, when no file exists at `localPath`. Otherwise
  // reads the file once and deletes it; a file of more than
  // kMaxCatalogueBytes is not used (its signature deleted too), and the
  // result is false. With trusted keys, the bytes read must carry a maker's
  // signature in the file SignaturePathFor(localPath) (also deleted): without
  // one the catalogue is not used, `signatureRefused` is set and the result
  // is false. With trusted keys, a catalogue whose serial
  // (its `issue`, read in every build) is below `acceptedSerial` is an older
  // list replayed: not used, `replayRefused` set, the result false. Then
  // parses the bytes into the entries' items and returns true, even when
  // nothing matched.
  bool LoadCatalogue(const std::string& localPath);

  // The checking part of LoadCatalogue: reads the file at `localPath` once
  // into `text`, deletes it and its signature, and holds the bytes to the
  // signature and the serial as LoadCatalogue does (same flags, same
  // result), without parsing them. `text` holds the bytes read either way.
  bool ReadVerified(const std::string& localPath, std::string& text);

  // The sections of the open `reader`, up to the end of its data, into the
  // entries' items. The reading part of LoadCatalogue. With `hashRequired`
  // (a build that checks signatures) an entry is offered only when it lists
  // its SHA-256 and size (Judge).
  void ReadSections(bool hashRequired);

  // The first entry whose model equals the name of the next "<model>" section
  // that has one; sections without a matching entry are skipped. Null at the
  // end of the data.
  ModelEntry* FindNextModel();
  // Passes over tokens up to and including "<~model>", or to the end.
  void SkipModelSection();
  // Parses the entries of the current section, whose model is `entry`'s,
  // and gives each complete one to every entry of that model that Judge
  // offers it to: each drive is offered what is newer than it runs. Returns
  // ModelEnd or FileEnd.
  ParseOutcome ParseModelItems(ModelEntry& entry, bool hashRequired);
  // Whether `item` is newer than what the drive runs: by version when
  // `compareBy` is exactly "version", else by date code, both compared by
  // VersionGreater; an empty text is never newer.
  static bool IsOffered(const ModelEntry& entry, const FirmwareItem& item);
  // The offer rule: IsOffered, and with `hashRequired` (a build with trusted
  // keys) a well-formed "<sha256>" and a size (StampedSize) as well.
  static Offer Judge(const ModelEntry& entry, const FirmwareItem& item, bool hashRequired);

  // The first entry whose model equals `model` byte for byte, or null.
  ModelEntry* FindModel(const std::string& model);
  // Takes `entry` out of `models`; an entry not in the list is ignored.
  // Pointers to the other entries stay valid.
  void RemoveModel(const ModelEntry* entry);
  void ClearModels();

  // Teardown when the wizard window goes. In order: runs `closeConnection`
  // (the owner of the FTP connection passes its close step here; may be
  // empty), closes `reader` if open, clears `models`, and deletes the file at
  // `localCataloguePath` and its signature if left. Safe to run more than once.
  void ReleaseCatalogue(const std::string& localCataloguePath,
                        const std::function<void()>& closeConnection = {});

  std::list<ModelEntry> models;  // a list, so entries keep their addresses
  // The makers' public keys a catalogue must be signed with; empty: a build
  // for servers that publish no signature, whose catalogues are used unsigned.
  std::vector<signature::PublicKey> trustedKeys;
  // Set by LoadCatalogue when a catalogue arrived without a valid signature.
  bool signatureRefused = false;
  // The highest serial accepted before (ReadAcceptedSerial), set by the
  // caller before LoadCatalogue; 0: none.
  std::uint64_t acceptedSerial = 0;
  // Set by LoadCatalogue when a signed catalogue's serial is below
  // `acceptedSerial`.
  bool replayRefused = false;
  // The serial and issue date of the catalogue LoadCatalogue read last.
  CatalogueIssue issue;
  // When set, told of every entry ParseModelItems reads, kept or not, with
  // how ParseItem ended and what it met (for tools/catalogue-check).
  std::function<void(const ModelEntry& entry, const FirmwareItem& item, const ItemReading& reading,
                     ParseOutcome outcome, bool kept)>
      onItem;
  CatalogueReader reader;

 private:
  std::string token;  // reused by the section walk, so it allocates once
};

}  // namespace catalogue
