// The catalogue's issue: a serial number and an issue date that the maker
// writes into the catalogue's header (tools/publish sets them when it signs),
// so that the signature covers them. A catalogue signed once stays valid, so
// whoever answers for the FTP server could serve an older one; the program
// remembers the highest serial it has accepted and refuses a lower one.
//
// The header is the text before the first "<model>" token, which every
// reader passes over:
//
//   <serial> 42 <issued> 2026-12-08
//
// Each of "<serial>" and "<issued>" takes the next word on its own line as
// its value; the value of the last "<serial>" of the header counts, and a
// serial is 1 to 18 decimal digits. A catalogue without one, or with another
// value there, has the serial 0: the lowest, refused once any serial was
// accepted. A header where either tag has no value on its line (the line
// ends, or a tag such as "<model>" follows) is malformed and lists no issue
// at all, so that a value is never taken from past the header.
#pragma once

#include <cstdint>
#include <string>

namespace catalogue {

class FirmwareCatalogue;

struct CatalogueIssue {
  std::uint64_t serial = 0;  // 0: none listed, or not a serial
  std::string issued;        // "YYYY-MM-DD" as listed; empty: none, or not a date
};

// The issue listed in the header of the catalogue `bytes`. The header is read
// as the program reads the catalogue: tokens between white space (space and
// 0x09 to 0x0D), up to a 0x1A byte.
CatalogueIssue ReadCatalogueIssue(const std::string& bytes);

// Sets `days` to the whole days from the issue date `issued` ("YYYY-MM-DD")
// to the day of `today` (a text that starts "YYYY-MM-DD", as the program's
// local time); negative for an issue date after today. False, leaving `days`
// alone, when either is not a date of the Gregorian calendar.
bool IssueAgeDays(const std::string& issued, const std::string& today, long& days);

// Where the highest accepted serial is kept: the file "CatalogueSerial.txt"
// in the folder of the update history file `historyFile`; empty when that is
// empty.
std::string SerialFileBeside(const std::string& historyFile);

// The serial kept in the file at `path`; 0 when there is none, the file is
// missing or holds no serial.
std::uint64_t ReadAcceptedSerial(const std::string& path);

// After `catalogue` was loaded: keeps its serial in the file at `path` when it
// is higher than the one kept there. Only a build that checks signatures
// keeps serials (an unsigned serial proves nothing). True when it wrote.
bool RememberAcceptedSerial(const std::string& path, const FirmwareCatalogue& catalogue);

}  // namespace catalogue
