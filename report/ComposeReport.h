// The report for support: `VornUpdate.exe /report FILE` (or -report) scans
// the drives, fetches the catalogue and writes what it saw as plain English
// text, without a window. Composing the text is window-free; the program
// gathers the facts (WriteReport.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "update/UpdateHistory.h"
#include "update/ScannedDrive.h"

namespace report {

struct ReportFacts {
  std::string program;          // file name and version
  std::string windows;          // version and build
  std::string language;         // the user's language identifier and the texts it selects
  std::string written;          // local time of the report
  std::string transport;        // the scan's back end
  bool scanWorked = false;      // the back end could be used
  std::vector<update::ScannedDrive> drives;
  std::vector<std::string> scanMessages;   // what the scan would have shown
  std::string source;           // which source was used, in words, and why
  std::string server;           // where the catalogue was fetched from
  bool serverReached = false;
  bool catalogueArrived = false;
  std::string catalogue;        // the catalogue's bytes as they arrived
  std::string verification;     // the signature check's result, in words
  bool catalogueUsable = false; // verified, or a build that checks no signature
  bool hashRequired = false;    // entries without a SHA-256 are not offered
  std::vector<std::string> fetchMessages;  // what the fetch would have shown
  std::uint64_t acceptedSerial = 0;  // the highest catalogue serial accepted before; 0: none
  std::string historyFile;      // empty: no folder found for it
  std::vector<update::UpdateRecord> history;
};

// How many history records the report lists, the newest.
inline constexpr std::size_t kReportHistoryRecords = 10;

// The report, CR LF line ends.
std::string ComposeReport(const ReportFacts& facts);

// The exit code of a report run: 0 when the scan and the fetch worked; 1 is
// added when the scan could not run, 2 when no usable catalogue arrived.
int ReportExitCode(const ReportFacts& facts);

}  // namespace report
