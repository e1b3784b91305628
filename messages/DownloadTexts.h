// Texts of the download window, in each language. The Chinese texts are
// code page 950 bytes.
#pragma once

#include <cstdint>
#include <string>

#include "catalogue/TransferMeter.h"
#include "framework/Language.h"

namespace messages {

struct DownloadTexts {
  const char* windowTitle;
  const char* saveButton;
  const char* cancelButton;
  const char* startStatus;   // while the file is fetched
  const char* endStatus;     // after the file has arrived
  const char* failedStatus;  // after a transfer that failed
  const char* failedMessage; // the message dialog after a failed transfer
  // The message dialog when the chosen folder cannot take the download.
  const char* folderRefusedMessage;
  // The message dialog when the file that arrived is not the one the
  // catalogue lists (its SHA-256 differs): it was deleted, nothing installed.
  const char* notAsPublishedMessage;
  // Follows the file's name in the question asked before a file that the
  // save-file dialog did not ask about is replaced.
  const char* replaceQuestionTail;
  // The message dialog when the chosen place already holds the file the
  // catalogue lists (its SHA-256): it is not fetched again.
  const char* alreadyThereMessage;
  // The line under the bar, in pieces: the amount out of the whole ("%1 of
  // %2"), the amount when the whole is unknown, then the rate and the time
  // left when they are known.
  const char* progressAmount;
  const char* progressAmountOnly;
  const char* progressRate;
  const char* progressSecondsLeft;
  const char* progressMinutesLeft;
};

const DownloadTexts& DownloadTextsFor(framework::Language language);

// The line under the bar for `figures` ("1.2 MB of 2.0 MB, 45 KB/s, about
// 18 s left").
std::string ProgressLine(const DownloadTexts& texts, const catalogue::TransferFigures& figures);
// A byte count as the line shows it: "950 KB" below 1 MB, else "1.2 MB".
std::string AmountText(std::uint64_t bytes);

}  // namespace messages
