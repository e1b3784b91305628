// Base of the program's exception classes. Exceptions are thrown by value and
// caught by reference, so nothing has to be deleted by the handler.
#pragma once

#include <string>

namespace framework {

class CException {
 public:
  virtual ~CException() = default;
  // A short English description, for diagnostics.
  virtual std::string What() const { return "exception"; }
};

}  // namespace framework

using framework::CException;
