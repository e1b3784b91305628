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

#include "catalogue/CatalogueReader.h"
#include "catalogue/FirmwareItem.h"

class DriveIdentification;

// One present drive of the maker and the items offered for it.
struct ModelEntry {
  std::string model;     // product identification up to its first space
  std::string revision;  // firmware revision
  std::string dateCode;  // date code, "/" removed
  std::vector<FirmwareItem> items;  // offered items, in file order
};

class FirmwareCatalogue {
 public:
  explicit FirmwareCatalogue(std::size_t readerCapacity = CatalogueReader::kDefaultCapacity)
      : reader(readerCapacity) {}

  // Appends one entry per drive of the maker, in drive-table order, and
  // returns how many entries `models` then holds. Does not empty `models`
  // first, so calling it twice lists every drive twice.
  int BuildModelList(DriveIdentification& drives);

  // False, touching nothing, when no file exists at `localPath`. Otherwise
  // reads the file into the entries' items, deletes it and returns true, even
  // when the file could not be read or matched nothing.
  bool LoadCatalogue(const std::string& localPath);

  // The sections of the open `reader`, up to the end of its data, into the
  // entries' items. The reading part of LoadCatalogue.
  void ReadSections();

  // The first entry whose model equals the name of the next "<model>" section
  // that has one; sections without a matching entry are skipped. Null at the
  // end of the data.
  ModelEntry* FindNextModel();
  // Passes over tokens up to and including "<~model>", or to the end.
  void SkipModelSection();
  // Parses the entries of the current section into `entry`, keeping those
  // IsOffered accepts. Returns ModelEnd or FileEnd.
  ParseOutcome ParseModelItems(ModelEntry& entry);
  // Whether `item` is newer than what the drive runs: by version when
  // `compareBy` is exactly "version", else by date code. Newer means greater
  // in unsigned byte order; an empty text is never newer.
  static bool IsOffered(const ModelEntry& entry, const FirmwareItem& item);

  // The first entry whose model equals `model` byte for byte, or null.
  ModelEntry* FindModel(const std::string& model);
  // Takes `entry` out of `models`; an entry not in the list is ignored.
  // Pointers to the other entries stay valid.
  void RemoveModel(const ModelEntry* entry);
  void ClearModels();

  // Teardown when the wizard window goes. In order: runs `closeConnection`
  // (the owner of the FTP connection passes its close step here; may be
  // empty), closes `reader` if open, clears `models`, and deletes the file at
  // `localCataloguePath` if one is left. Safe to run more than once.
  void ReleaseCatalogue(const std::string& localCataloguePath,
                        const std::function<void()>& closeConnection = {});

  std::list<ModelEntry> models;  // a list, so entries keep their addresses
  CatalogueReader reader;

 private:
  std::string token;  // reused by the section walk, so it allocates once
};
