// Failure scenarios for end-to-end tests. When the environment variable
// FOLVANECAD_SCENARIO names a text file, a main control reads it when it is
// created. Each line forces the answer of one operation (names as in
// FolvaneCADOperations.cpp, without regard to case):
//
//   # comment
//   OpenDesign status=7 error=Disk on fire
//   SaveDesign status=1 error=Saved with remarks
//
// A forced status of 2 or more is a failure: the operation is not carried
// out, the status is answered and the text (or "Forced failure of <name>")
// becomes the last error text. A forced status of 0 or 1 lets the operation
// run; when it succeeds, the forced status is answered and the text, when
// given, becomes the last error text. Only operations that answer a status
// can be forced (not ErrorText). Lines that cannot be used are reported on
// standard error and skipped.
#pragma once

#include <map>
#include <ostream>

#include "FolvaneCADOperations.h"

namespace FolvaneCAD {

struct ForcedAnswer {
  short status = 0;
  bool hasError = false;
  QK_TString error;
};

class Scenario {
 public:
  static Scenario FromEnvironment();
  static Scenario Read(const QK_TString& path, std::ostream& warnings);

  // The forced answer of the operation, or null.
  const ForcedAnswer* Find(Operation operation) const;

 private:
  bool ReadLine(const QK_TString& line, QK_TString* problem);

  std::map<Operation, ForcedAnswer> forced_;
};

}  // namespace FolvaneCAD
