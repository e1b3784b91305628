#include "framework/EscapedException.h"

#include <windows.h>

#include <cstdio>
#include <exception>

#include "framework/Exception.h"

namespace framework {
namespace {

EscapedExceptionHook escapedExceptionHook = nullptr;

// What the exception being handled says of itself.
std::string DescribeHandledException() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (const CException& e) {
    return e.What();
  } catch (...) {
    return "an exception of unknown type";
  }
}

}  // namespace

EscapedExceptionHook SetEscapedExceptionHook(EscapedExceptionHook hook) {
  const EscapedExceptionHook previous = escapedExceptionHook;
  escapedExceptionHook = hook;
  return previous;
}

void ReportEscapedException(const char* place, unsigned int message) {
  const std::string description = DescribeHandledException();
  char head[128];
  std::snprintf(head, sizeof head, "VornUpdate: exception caught in %s (message 0x%04X): ", place,
                message);
  const std::string report = head + description;
  OutputDebugStringA((report + "\n").c_str());
  if (escapedExceptionHook != nullptr) escapedExceptionHook(report);
}

}  // namespace framework
