// What to offer and what to do for each of the maker's drives, decided once
// for the wizard, the support report and the script modes (/check,
// /update), so that they never disagree on what a drive is offered.
//
// The planner reads the verified catalogue with the program's section walk
// and offer rule (FirmwareCatalogue::ReadSections and Judge), judges every
// entry of a drive's model for that drive, picks the newest of those
// offered, and looks in the update history for an earlier attempt at that
// very update that did not take. It shows nothing and touches no file.
#pragma once

#include <string>
#include <vector>

#include "catalogue/FirmwareCatalogue.h"
#include "update/UpdateHistory.h"
#include "update/ScannedDrive.h"

namespace update {

// What an unattended update does with a drive.
enum class PlannedAction {
  NothingNewer,      // the catalogue offers the drive nothing newer than it runs
  Update,            // flash the newest offered
  // The newest offered was flashed on this drive, from the revision it still
  // runs, and did not take (the history's newest record of the drive says
  // "not applied"). Flashing it again unattended would repeat the same
  // attempt at every run; a person decides, in the wizard.
  NotAppliedBefore,
};

struct PlannedEntry {
  catalogue::FirmwareItem item;
  catalogue::Offer offer = catalogue::Offer::NotNewer;
};

struct DrivePlan {
  ScannedDrive drive;
  // Every complete entry of the drive's model as the walk read it, in file
  // order, each judged for this drive.
  std::vector<PlannedEntry> entries;
  std::vector<catalogue::FirmwareItem> offers;  // the entries offered, in file order
  int newest = -1;                   // index in `offers` of the newest; -1: none
  PlannedAction action = PlannedAction::NothingNewer;
  UpdateRecord earlier;              // with NotAppliedBefore: the attempt that did not take

  // The newest offer, or null.
  const catalogue::FirmwareItem* Newest() const {
    return newest < 0 ? nullptr : &offers[static_cast<std::size_t>(newest)];
  }
};

// One plan per drive of the maker in `drives`, in their order. `catalogue`
// is the verified catalogue text; with `hashRequired` (a build that checks
// signatures) an entry without a well-formed SHA-256 is not offered.
// `history` is the update history, its open records already settled.
std::vector<DrivePlan> PlanUpdates(const std::vector<ScannedDrive>& drives, const std::string& catalogue,
                                   bool hashRequired, const std::vector<UpdateRecord>& history = {});

// Whether offer `a` is newer than offer `b`: by version (VersionGreater), and
// between equal versions (an entry compared by date code alone may list
// none) by date code. Of offers that are equally new the first listed counts
// as the newest.
bool NewerOffer(const catalogue::FirmwareItem& a, const catalogue::FirmwareItem& b);

// The history record of updating `drive` to `item`: the drive's model,
// address and revision, the version installed (the entry's version, or its
// date code when it lists no version), the file's name and SHA-256. The time
// and the verdict are the caller's to set.
UpdateRecord RecordOfUpdate(const ScannedDrive& drive, const catalogue::FirmwareItem& item);

// One complete entry of the catalogue with the model of its section.
struct ListedEntry {
  std::string model;
  catalogue::FirmwareItem item;
};

// Every complete entry of every section of `catalogue`, in file order: the
// walk as it reads the catalogue with a drive of each model it names
// present.
std::vector<ListedEntry> ListCatalogue(const std::string& catalogue, bool hashRequired);

// The wizard's offers: each entry of `catalogue.models` (one per drive of
// the maker, from BuildModelList) gets as its items the offers PlanUpdates
// gives its drive from the verified catalogue `text`. A build with trusted
// keys requires a hash of each entry.
void OfferFirmware(catalogue::FirmwareCatalogue& catalogue, const std::string& text);

}  // namespace update
