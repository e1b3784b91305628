// The system's file dialog (GetSaveFileNameA / GetOpenFileNameA) the
// framework's way: set up at construction, run with DoModal, read back with
// GetPathName and friends.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace framework {

class CFileDialog {
 public:
  // `filter` pairs descriptions and patterns with '|' and ends with "||",
  // e.g. "Text (*.txt)|*.txt||". `parent` owns the dialog while it is shown.
  explicit CFileDialog(bool openFileDialog, const char* defaultExt = nullptr,
                       const char* fileName = nullptr,
                       DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       const char* filter = nullptr, HWND parent = nullptr);

  // Shows the dialog and waits for the user. IDOK when a file was chosen,
  // IDCANCEL otherwise (also when the dialog could not be shown).
  INT_PTR DoModal();

  // The chosen file, after IDOK: full path, name with extension, extension
  // without its dot ("" when there is none), and the title (name without
  // extension).
  std::string GetPathName() const { return path_; }
  std::string GetFileName() const;
  std::string GetFileExt() const;
  std::string GetFileTitle() const;

  // What the dialog was asked to show.
  bool IsOpenDialog() const { return open_; }
  const std::string& DefaultExt() const { return defaultExt_; }
  const std::string& InitialFileName() const { return initialFileName_; }
  DWORD Flags() const { return flags_; }
  const std::string& Filter() const { return filter_; }
  HWND Parent() const { return parent_; }

  // The one seam for driving file choices without the system's dialog (UI
  // tests and the demo's walk-through). While a hook is set, DoModal shows
  // nothing: it calls the hook with the dialog as set up; the hook puts the
  // full path of the file the user would have chosen into `*chosenPath` and
  // returns IDOK, or returns IDCANCEL for a cancelled dialog. The name,
  // extension and title are then derived from the path as the system would
  // report them. An empty hook restores the system's dialog. The hook runs
  // on the thread that calls DoModal.
  using ModalHook = std::function<INT_PTR(const CFileDialog& dialog, std::string* chosenPath)>;
  static void SetModalHook(ModalHook hook);

  // The system's dialog call (GetOpenFileNameA or GetSaveFileNameA) with
  // CommDlgExtendedError's code after a failure. Tests put in one that
  // refuses the record size the way Windows 95/98/Me and NT 4.0 do; null
  // restores the system's.
  using SystemCall = BOOL (*)(bool openDialog, OPENFILENAMEA* ofn, DWORD* extendedError);
  static void SetSystemCallForTest(SystemCall call);

 private:
  INT_PTR RunSystemDialog();
  void TakePath(const std::string& path);

  bool open_;
  std::string defaultExt_;
  std::string initialFileName_;
  DWORD flags_;
  std::string filter_;
  HWND parent_;

  std::string path_;
  std::size_t fileOffset_ = 0;       // start of the name in path_
  std::size_t extensionOffset_ = 0;  // start of the extension; 0: none
};

}  // namespace framework

using framework::CFileDialog;
