#include "framework/FileDialog.h"

#include <commdlg.h>

#include <utility>
#include <vector>

namespace framework {

namespace {

CFileDialog::ModalHook& Hook() {
  static CFileDialog::ModalHook hook;
  return hook;
}

std::string OrEmpty(const char* text) { return text != nullptr ? text : std::string(); }

BOOL SystemDialog(bool openDialog, OPENFILENAMEA* ofn, DWORD* extendedError) {
  const BOOL chosen = openDialog ? GetOpenFileNameA(ofn) : GetSaveFileNameA(ofn);
  *extendedError = chosen ? 0 : CommDlgExtendedError();
  return chosen;
}

CFileDialog::SystemCall systemCall = &SystemDialog;

}  // namespace

CFileDialog::CFileDialog(bool openFileDialog, const char* defaultExt, const char* fileName,
                         DWORD flags, const char* filter, HWND parent)
    : open_(openFileDialog),
      defaultExt_(OrEmpty(defaultExt)),
      initialFileName_(OrEmpty(fileName)),
      flags_(flags),
      filter_(OrEmpty(filter)),
      parent_(parent) {}

void CFileDialog::SetModalHook(ModalHook hook) { Hook() = std::move(hook); }

void CFileDialog::SetSystemCallForTest(SystemCall call) {
  systemCall = call != nullptr ? call : &SystemDialog;
}

INT_PTR CFileDialog::DoModal() {
  if (!Hook()) return RunSystemDialog();
  std::string chosen;
  const INT_PTR result = Hook()(*this, &chosen);
  if (result != IDOK) return IDCANCEL;
  TakePath(chosen);
  return IDOK;
}

INT_PTR CFileDialog::RunSystemDialog() {
  // The system wants the filter's pairs separated by NULs; walk by character
  // so that a double-byte character whose second byte is '|' stays whole.
  // Walking the original text, never the copy being changed, keeps the walk
  // going past each separator.
  std::string filter = filter_;
  for (const char* p = filter_.c_str(); *p != '\0'; p = CharNextA(p)) {
    if (*p == '|') filter[static_cast<std::size_t>(p - filter_.c_str())] = '\0';
  }
  filter.push_back('\0');

  std::vector<char> file(MAX_PATH, '\0');
  initialFileName_.copy(file.data(), file.size() - 1);

  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = parent_;
  ofn.lpstrFilter = filter_.empty() ? nullptr : filter.c_str();
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrDefExt = defaultExt_.empty() ? nullptr : defaultExt_.c_str();
  ofn.Flags = flags_;
  DWORD error = 0;
  BOOL chosen = systemCall(open_, &ofn, &error);
  if (!chosen && error == CDERR_STRUCTSIZE) {
    // Windows 95/98/Me and NT 4.0 know only the record without the fields
    // Windows 2000 added at its end, and refuse the longer one.
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    chosen = systemCall(open_, &ofn, &error);
  }
  if (!chosen) return IDCANCEL;
  TakePath(file.data());
  return IDOK;
}

void CFileDialog::TakePath(const std::string& path) {
  path_ = path;
  fileOffset_ = 0;
  extensionOffset_ = 0;
  // Walk by character: a double-byte character's second byte may be '\\'.
  const char* begin = path_.c_str();
  for (const char* p = begin; *p != '\0'; p = CharNextA(p)) {
    if (*p == '\\' || *p == '/' || *p == ':') {
      fileOffset_ = static_cast<std::size_t>(p - begin) + 1;
      extensionOffset_ = 0;
    } else if (*p == '.') {
      extensionOffset_ = static_cast<std::size_t>(p - begin) + 1;
    }
  }
}

std::string CFileDialog::GetFileName() const { return path_.substr(fileOffset_); }

std::string CFileDialog::GetFileExt() const {
  return extensionOffset_ == 0 ? std::string() : path_.substr(extensionOffset_);
}

std::string CFileDialog::GetFileTitle() const {
  const std::size_t end = extensionOffset_ == 0 ? path_.size() : extensionOffset_ - 1;
  return path_.substr(fileOffset_, end - fileOffset_);
}

}  // namespace framework
