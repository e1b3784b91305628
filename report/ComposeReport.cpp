#include "report/ComposeReport.h"

#include <cstddef>

#include "catalogue/CatalogueIssue.h"
#include "catalogue/FirmwareItem.h"
#include "update/UpdatePlan.h"

namespace report {
namespace {

std::string OrDash(const std::string& text) { return text.empty() ? "-" : text; }

std::string EntryText(const catalogue::FirmwareItem& item) {
  return OrDash(item.fileName) + "  version " + OrDash(item.version) + "  date code " + OrDash(item.dateCode) +
         "  compared by " + (item.compareBy == "version" ? "version" : "date code");
}

// Why the planner offers or does not offer an entry to `drive`.
std::string OfferText(const update::ScannedDrive& drive, const update::PlannedEntry& entry) {
  switch (entry.offer) {
    case catalogue::Offer::Offered:
      return "offered";
    case catalogue::Offer::NoSha256:
      return "not offered: no SHA-256 or size listed";
    case catalogue::Offer::NotNewer:
      break;
  }
  if (entry.item.compareBy == "version") return "not offered: not newer than revision " + OrDash(drive.revision);
  return "not offered: not newer than date code " + OrDash(drive.dateCode);
}

void AddLine(std::string& text, const std::string& line) { text += line + "\r\n"; }

void AddDrives(std::string& text, const ReportFacts& facts) {
  AddLine(text, "Drives (" + facts.transport + (facts.scanWorked ? "" : ", could not scan") + "): " +
                    std::to_string(facts.drives.size()) + " found");
  for (const update::ScannedDrive& drive : facts.drives) {
    AddLine(text, "  " + drive.address + "  vendor " + OrDash(drive.vendor) + "  product " + OrDash(drive.product) +
                      "  revision " + OrDash(drive.revision) + "  date code " + OrDash(drive.dateCode) + "  " +
                      (drive.maker ? "the maker's drive" : "another maker's drive"));
  }
  for (const std::string& message : facts.scanMessages) AddLine(text, "  message: " + message);
}

// The catalogue's serial beside the highest accepted before, and its age on
// the day the report was written.
void AddIssue(std::string& text, const ReportFacts& facts) {
  const catalogue::CatalogueIssue issue = catalogue::ReadCatalogueIssue(facts.catalogue);
  const auto serialText = [](std::uint64_t serial) { return serial == 0 ? std::string("none") : std::to_string(serial); };
  AddLine(text, "  serial: " + serialText(issue.serial) + " (highest accepted before: " +
                    serialText(facts.acceptedSerial) + ")");
  long days = 0;
  if (!catalogue::IssueAgeDays(issue.issued, facts.written, days)) {
    AddLine(text, "  issued: " + (issue.issued.empty() ? std::string("not listed") : issue.issued));
  } else if (days >= 0) {
    AddLine(text, "  issued: " + issue.issued + ", " + std::to_string(days) + (days == 1 ? " day" : " days") + " old");
  } else {
    AddLine(text, "  issued: " + issue.issued + ", " + std::to_string(-days) + (days == -1 ? " day" : " days") +
                      " after this computer's date");
  }
}

void AddCatalogue(std::string& text, const ReportFacts& facts) {
  AddLine(text, "Catalogue");
  AddLine(text, "  Source: " + facts.source);
  AddLine(text, "  Server: " + facts.server);
  AddLine(text, std::string("  server reached: ") + (facts.serverReached ? "yes" : "no"));
  AddLine(text, std::string("  catalogue arrived: ") +
                    (facts.catalogueArrived ? "yes, " + std::to_string(facts.catalogue.size()) + " bytes" : "no"));
  AddLine(text, "  verification: " + facts.verification);
  if (facts.catalogueArrived) AddIssue(text, facts);
  for (const std::string& message : facts.fetchMessages) AddLine(text, "  message: " + message);
}

void AddOffers(std::string& text, const ReportFacts& facts) {
  AddLine(text, "Offers");
  if (!facts.catalogueUsable) {
    AddLine(text, "  none: no usable catalogue");
    return;
  }
  const std::vector<update::DrivePlan> plans = update::PlanUpdates(facts.drives, facts.catalogue, facts.hashRequired);
  const std::vector<update::ListedEntry> listed = update::ListCatalogue(facts.catalogue, facts.hashRequired);
  for (const update::DrivePlan& plan : plans) {
    const update::ScannedDrive& drive = plan.drive;
    AddLine(text, "  " + drive.model + " at " + drive.address + " (revision " + OrDash(drive.revision) +
                      ", date code " + OrDash(drive.dateCode) + "):");
    for (const update::PlannedEntry& entry : plan.entries) {
      AddLine(text, "    " + EntryText(entry.item) + ": " + OfferText(drive, entry));
    }
    std::string others;
    for (const update::ListedEntry& entry : listed) {
      if (entry.model != drive.model) others += (others.empty() ? "" : ", ") + entry.model + " " + OrDash(entry.item.version);
    }
    if (!others.empty()) AddLine(text, "    not offered, for another model: " + others);
  }
  if (plans.empty()) AddLine(text, "  none: no drive of the maker was found");
}

void AddHistory(std::string& text, const ReportFacts& facts) {
  const std::size_t count = facts.history.size();
  const std::size_t first = count > kReportHistoryRecords ? count - kReportHistoryRecords : 0;
  AddLine(text, "History (" + std::to_string(count - first) + " of " + std::to_string(count) + " records)");
  AddLine(text, "  History file: " + OrDash(facts.historyFile));
  for (std::size_t i = first; i < count; ++i) AddLine(text, "  " + update::FormatRecord(facts.history[i]));
}

}  // namespace

std::string ComposeReport(const ReportFacts& facts) {
  std::string text;
  AddLine(text, "VORN Firmware Update: report for support");
  AddLine(text, "Program: " + facts.program);
  AddLine(text, "Windows: " + facts.windows);
  AddLine(text, "Language: " + facts.language);
  AddLine(text, "Written: " + facts.written);
  AddLine(text, "");
  AddDrives(text, facts);
  AddLine(text, "");
  AddCatalogue(text, facts);
  AddLine(text, "");
  AddOffers(text, facts);
  AddLine(text, "");
  AddHistory(text, facts);
  AddLine(text, "");
  AddLine(text, std::string("Result: scan ") + (facts.scanWorked ? "worked" : "failed") + ", catalogue " +
                    (facts.catalogueUsable ? "fetched and usable" : "not usable") + ", exit code " +
                    std::to_string(ReportExitCode(facts)));
  return text;
}

int ReportExitCode(const ReportFacts& facts) {
  return (facts.scanWorked ? 0 : 1) + (facts.catalogueUsable ? 0 : 2);
}

}  // namespace report
