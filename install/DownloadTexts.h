// Texts of the download window, in each language. The Chinese texts are
// code page 950 bytes.
#pragma once

#include "framework/Language.h"

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
};

const DownloadTexts& DownloadTextsFor(Language language);
