// Where an output of the main control goes when its caller names no file:
// the spool folder of the data folder, a new file for every output,
//
//   <data folder>/spool/<output name>-<n>.pdf
//
// where every character of the output name that a file name cannot hold
// (/ \ : * ? " < > | and control characters) is "_", and n is a number
// whose file does not exist yet: the first free one when the files of the
// name are numbered from 1 without gaps. A spool remembers, per folder and
// name, only the number to try next; it finds the first free number of a
// name by doubling and then halving (a few looks however many files there
// are) and after that tries the numbers after the last one it gave, so that
// its outputs take the same time each, however many came before them.
// A number is taken by a file, not by the call that gave it.
#pragma once

#include <string>
#include <unordered_map>

#include "QK_TString.h"

namespace FolvaneCAD {

class Spool {
 public:
  // The next spool file of the output; makes the spool folder when it is
  // missing. False with the reason when it cannot be made.
  bool NextFile(const QK_TString& dataFolder, const QK_TString& outputName, QK_TString* path, QK_TString* error);

 private:
  // The number to try next, per spool file stem (folder and name).
  std::unordered_map<std::string, long> next_;
};

}  // namespace FolvaneCAD
