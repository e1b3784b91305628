// A stand-in for the system's Simple MAPI library, for the link label's mail
// test: MAPISendMail writes what it was given to the file named by
// VORN_MAPI_RECORD and returns the number in VORN_MAPI_RESULT (0 when unset).
#include <windows.h>
#include <mapi.h>

#include <cstdio>
#include <cstdlib>

// Lets the test make sure that this library, not the system's, is loaded.
extern "C" int VornStandInMapi() { return 1; }

extern "C" ULONG WINAPI MAPISendMail(LHANDLE session, ULONG_PTR parent, lpMapiMessage message,
                                     FLAGS flags, ULONG reserved) {
  char path[MAX_PATH] = {};
  if (GetEnvironmentVariableA("VORN_MAPI_RECORD", path, MAX_PATH) > 0) {
    if (std::FILE* f = std::fopen(path, "w")) {
      std::fprintf(f, "session=%lu\nparent=%lu\nflags=%lu\nreserved=%lu\n",
                   static_cast<unsigned long>(session), static_cast<unsigned long>(parent),
                   static_cast<unsigned long>(flags), static_cast<unsigned long>(reserved));
      std::fprintf(f, "subject=%s\nnote=%s\nfiles=%lu\noriginator=%s\nrecipients=%lu\n",
                   message->lpszSubject ? "set" : "null", message->lpszNoteText ? "set" : "null",
                   static_cast<unsigned long>(message->nFileCount),
                   message->lpOriginator ? "set" : "null",
                   static_cast<unsigned long>(message->nRecipCount));
      for (ULONG i = 0; i < message->nRecipCount; ++i) {
        const MapiRecipDesc& r = message->lpRecips[i];
        std::fprintf(f, "class=%lu\nname=%s\naddress=%s\nentry=%lu\n",
                     static_cast<unsigned long>(r.ulRecipClass), r.lpszName ? r.lpszName : "(null)",
                     r.lpszAddress ? r.lpszAddress : "(null)",
                     static_cast<unsigned long>(r.ulEIDSize));
      }
      std::fclose(f);
    }
  }
  char result[32] = {};
  if (GetEnvironmentVariableA("VORN_MAPI_RESULT", result, sizeof result) > 0) {
    return static_cast<ULONG>(std::strtoul(result, nullptr, 10));
  }
  return SUCCESS_SUCCESS;
}
