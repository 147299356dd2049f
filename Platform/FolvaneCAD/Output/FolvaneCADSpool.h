// Where an output of the main control goes when its caller names no file:
// the spool folder of the data folder, a new file for every output,
//
//   <data folder>/spool/<output name>-<n>.pdf
//
// where n is the smallest number from 1 whose file does not exist yet, and
// every character of the output name that a file name cannot hold
// (/ \ : * ? " < > | and control characters) is "_".
#pragma once

#include "QK_TString.h"

namespace FolvaneCAD {

QK_TString SanitizedFileName(const QK_TString& name);

// The next spool file of the output; makes the spool folder when it is
// missing. False with the reason when it cannot be made.
bool NextSpoolFile(const QK_TString& dataFolder, const QK_TString& outputName, QK_TString* path,
                   QK_TString* error);

}  // namespace FolvaneCAD
