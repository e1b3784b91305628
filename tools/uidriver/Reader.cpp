#include "tools/uidriver/Reader.h"

#include <commctrl.h>
#include <oleacc.h>

#include "tools/uidriver/UiDriver.h"

namespace uidriver {
namespace {

// IID_IAccessible. MinGW's oleacc import library takes the name for
// OLEACC.DLL's export of it and hands out the address of a jump stub.
constexpr IID kAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

std::string Utf8(const wchar_t* text, int length) {
  if (length <= 0) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, &result[0], size, nullptr, nullptr);
  return result;
}

// A text of the window's code page (as the list view's texts come) in UTF-8.
std::string Utf8FromAnsi(const std::string& text) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return Utf8(wide.data(), length);
}

// Line breaks, one or more in a row, read as " / ".
std::string OneLine(const std::string& text) {
  std::string result;
  bool broken = false;
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      broken = true;
      continue;
    }
    if (broken && !result.empty()) result += " / ";
    broken = false;
    result += c;
  }
  return result;
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string RoleWord(long role, HWND window) {
  switch (role) {
    case ROLE_SYSTEM_STATICTEXT: return "text";
    case ROLE_SYSTEM_PUSHBUTTON: return "button";
    case ROLE_SYSTEM_LIST: return "list";
    case ROLE_SYSTEM_LINK: return "link";
    case ROLE_SYSTEM_PROGRESSBAR: return "progress bar";
    case ROLE_SYSTEM_GRAPHIC: return "picture";
    default: break;
  }
  // Wine's shortfall: "client" for every window. Its class says the same.
  const std::string name = ClassOf(window);
  if (lstrcmpiA(name.c_str(), "Static") == 0) return "text";
  if (lstrcmpiA(name.c_str(), "Button") == 0) return "button";
  if (lstrcmpiA(name.c_str(), WC_LISTVIEWA) == 0) return "list";
  if (lstrcmpiA(name.c_str(), "msctls_progress32") == 0) return "progress bar";
  return "client (" + name + ")";
}

// Name, role and state of `window` as oleacc gives them; false when it gives
// no object.
HRESULT ReadObject(HWND window, std::string& name, long& role, bool& unavailable) {
  IAccessible* object = nullptr;
  const HRESULT found =
      AccessibleObjectFromWindow(window, OBJID_CLIENT, kAccessible, reinterpret_cast<void**>(&object));
  if (FAILED(found)) return found;
  if (object == nullptr) return E_POINTER;
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR text = nullptr;
  if (object->get_accName(self, &text) == S_OK && text != nullptr) {
    name = Utf8(text, static_cast<int>(SysStringLen(text)));
  }
  SysFreeString(text);
  VARIANT value;
  VariantInit(&value);
  role = 0;
  if (object->get_accRole(self, &value) == S_OK && value.vt == VT_I4) role = value.lVal;
  VariantClear(&value);
  unavailable = false;
  if (object->get_accState(self, &value) == S_OK && value.vt == VT_I4) {
    unavailable = (value.lVal & STATE_SYSTEM_UNAVAILABLE) != 0;
  }
  VariantClear(&value);
  object->Release();
  return S_OK;
}

std::string Failure(const char* what, HRESULT result) {
  char text[64];
  wsprintfA(text, "%s (oleacc gives no object: 0x%08lX)", what, static_cast<unsigned long>(result));
  return text;
}

void ReadListRows(HWND list, std::vector<std::string>& rows) {
  const int columns = ListColumnCount(list);
  for (int column = 0; column < columns; ++column) {
    rows.push_back("column: " + Utf8FromAnsi(ListColumnTitle(list, column)));
  }
  for (int row = 0; row < ListRowCount(list); ++row) {
    std::string cells;
    for (int column = 0; column < columns; ++column) {
      if (column > 0) cells += " | ";
      cells += Utf8FromAnsi(ListText(list, row, column));
    }
    rows.push_back("row: " + cells);
  }
}

}  // namespace

std::vector<std::string> ReadAloud(HWND window) {
  static const bool comStarted = SUCCEEDED(CoInitialize(nullptr));
  (void)comStarted;
  std::vector<std::string> rows;
  std::string name;
  long role = 0;
  bool unavailable = false;
  const HRESULT found = ReadObject(window, name, role, unavailable);
  if (FAILED(found)) return {Failure("window", found)};
  rows.push_back("window: " + name);
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    name.clear();
    const HRESULT read = ReadObject(child, name, role, unavailable);
    if (FAILED(read)) {
      rows.push_back(Failure(ClassOf(child).c_str(), read));
      continue;
    }
    const std::string word = RoleWord(role, child);
    rows.push_back(word + (name.empty() ? "" : ": " + OneLine(name)) + (unavailable ? " (unavailable)" : ""));
    if (word == "list") ReadListRows(child, rows);
  }
  return rows;
}

}  // namespace uidriver
