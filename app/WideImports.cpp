// The compiler's own run-time code (libgcc: its thread mutexes and its
// start-up search for a shared libgcc) calls three wide-character functions
// that Windows 95/98/Me export only as stubs that fail. Defining their import
// slots here binds those calls to the ANSI forms below instead, so the
// program neither imports them nor depends on how a stub fails. Linked into
// the 32-bit program only; the 64-bit one starts on the NT line, which has
// them all.
#include <windows.h>

#include <string>

namespace {

// The names these calls pass are plain ASCII (a library file name) or null.
std::string Narrow(const wchar_t* text) {
  std::string narrow;
  for (; *text != L'\0'; ++text) narrow.push_back(*text < 0x80 ? static_cast<char>(*text) : '?');
  return narrow;
}

HANDLE WINAPI AnsiCreateSemaphore(LPSECURITY_ATTRIBUTES security, LONG initial, LONG maximum,
                                  LPCWSTR name) {
  if (name == nullptr) return CreateSemaphoreA(security, initial, maximum, nullptr);
  return CreateSemaphoreA(security, initial, maximum, Narrow(name).c_str());
}

HMODULE WINAPI AnsiGetModuleHandle(LPCWSTR name) {
  if (name == nullptr) return GetModuleHandleA(nullptr);
  return GetModuleHandleA(Narrow(name).c_str());
}

HMODULE WINAPI AnsiLoadLibrary(LPCWSTR name) {
  if (name == nullptr) return nullptr;
  return LoadLibraryA(Narrow(name).c_str());
}

}  // namespace

// The import slots, under the decorated names the i386 callers read.
extern "C" {
void* wideCreateSemaphore __asm__("__imp__CreateSemaphoreW@16") =
    reinterpret_cast<void*>(&AnsiCreateSemaphore);
void* wideGetModuleHandle __asm__("__imp__GetModuleHandleW@4") =
    reinterpret_cast<void*>(&AnsiGetModuleHandle);
void* wideLoadLibrary __asm__("__imp__LoadLibraryW@4") =
    reinterpret_cast<void*>(&AnsiLoadLibrary);
}
