// Linked into every test program with windows: an exception that one of its
// handlers lets escape fails the test that is running, with the report line.
#include <gtest/gtest.h>

#include "framework/EscapedException.h"

namespace {

void FailRunningTest(const std::string& report) { ADD_FAILURE() << report; }

const bool kInstalled = (framework::SetEscapedExceptionHook(&FailRunningTest), true);

}  // namespace
