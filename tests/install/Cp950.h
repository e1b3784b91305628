// Converts UTF-8 text to code page 950 with the platform's own converter, so
// that tests can check hand-escaped Chinese bytes against an independent
// source.
#pragma once

#include <string>

std::string Utf8ToCp950(const std::string& utf8);
