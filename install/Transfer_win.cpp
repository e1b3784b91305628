#include "install/Transfer.h"

#include <windows.h>

#include "framework/FileReplace.h"
#include "install/ArrivalCheck.h"
#include "install/SavePath.h"

TransferJob transferJob;

namespace {

Transfer::ThreadStarter threadStarter = nullptr;

// Size of a local file; -1 when it cannot be read.
std::int64_t LocalFileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool Fetch(TransferJob& job) {
  const std::string partial = PartialPathFor(job.localPath);
  // A temporary file left by an earlier attempt would make the
  // fail-if-exists fetch refuse.
  DeleteFileA(partial.c_str());
  bool whole = job.connection != nullptr &&
               job.connection->GetFile(job.remotePath, partial, true, framework::kFileAttributeNormal,
                                       framework::kFtpTransferTypeBinary, 1);
  if (!whole) GetLastError();  // the cause is not reported further
  // The service may report success for a transfer cut short; a listed size
  // must then match what arrived.
  if (whole && job.listedBytes != 0 &&
      LocalFileSize(partial) != static_cast<std::int64_t>(job.listedBytes)) {
    whole = false;
  }
  if (whole && !ArrivedAsListed(partial, job.listedSha256)) {
    job.notAsListed = true;
    whole = false;
  }
  if (whole) {
    // Replaces a file the user chose to overwrite only now that the new one
    // is complete; the rename stays on one volume, beside the chosen file.
    whole = framework::MoveIntoPlace(partial, job.localPath);
  }
  if (!whole) DeleteFileA(partial.c_str());
  return whole;
}

}  // namespace

UINT TransferWorker(LPVOID parameter) {
  TransferJob& job = *static_cast<TransferJob*>(parameter);
  job.succeeded = Fetch(job);
  job.done->store(0, std::memory_order_release);
  return 0;
}

std::uint64_t ListedSize(CFtpConnection* connection, const std::string& remotePath) {
  if (connection == nullptr) return 0;
  // The results of the search are not needed: when nothing is found the
  // length reads 0.
  CFtpFileFind finder(connection, 1);
  finder.FindFile("/" + remotePath, framework::kInternetFlagReload);
  finder.FindNextFile();
  const std::uint64_t size = finder.GetLength();
  finder.Close();
  return size;
}

void Transfer::SetThreadStarter(ThreadStarter starter) { threadStarter = starter; }

bool Transfer::Start(CFtpConnection* connection, const std::string& remotePath,
                     const std::string& localPath, const std::string& listedSha256) {
  listedBytes_ = ListedSize(connection, remotePath);
  transferJob.connection = connection;
  transferJob.remotePath = remotePath;
  transferJob.localPath = localPath;
  transferJob.listedBytes = listedBytes_;
  transferJob.listedSha256 = listedSha256;
  transferJob.succeeded = false;
  transferJob.notAsListed = false;
  done_.store(1, std::memory_order_release);
  transferJob.done = &done_;
  const CWinThread* worker = threadStarter != nullptr
                                 ? threadStarter(&TransferWorker, &transferJob)
                                 : AfxBeginThread(&TransferWorker, &transferJob);
  if (worker == nullptr) {
    // No worker will ever clear the flag: the transfer is over, failed.
    done_.store(0, std::memory_order_release);
    return false;
  }
  return true;
}

void Transfer::RunEstimate(ProgressSink& sink, ProgressClock& clock) {
  RunProgressEstimate(EstimateSize(), done_, sink, clock);
}

Transfer::~Transfer() {
  while (done_.load(std::memory_order_acquire) == 1) Sleep(kIdleWaitMs);
}

bool Transfer::Succeeded() const {
  return done_.load(std::memory_order_acquire) == 0 && transferJob.succeeded;
}

bool Transfer::NotAsListed() const {
  return done_.load(std::memory_order_acquire) == 0 && transferJob.notAsListed;
}
