// Command lines of the CAD stand-in. The one command is "EXE <file>", which
// runs a command file (the path may be quoted; "\" separates folders):
//
//   ; a comment (so is a line starting with "#"); blank lines are skipped
//   dset L = 120            numeric variable (the value is a number)
//   dset CUSTOMER$ = Acme   text variable
//   dset CODE$ = "0042"     quotes keep a text that looks like a number
//   dset NOTE$ = 'It's "B"' single quotes: the text up to the last quote of
//                           the line, quotes inside it kept
//   dset DBREC.DESC$ = '...' the design's description, not a variable
//
// On a manufacturing file every assignment sets a variable of the layout
// (such as LAY.FIL1.TIME$), DBREC.DESC$ included.
//
// Command names compare without regard to case. The whole file is read
// before anything is set, so a file with a faulty line changes nothing.
#pragma once

#include <vector>

#include "Model/FolvaneCADLayout.h"

namespace FolvaneCAD {

struct Assignment {
  QK_TString name;
  Value value;
};

// The assignments of the command; false with the reason when the command is
// unknown, the file is missing or a line is not understood.
bool ReadCommand(const QK_TString& command, std::vector<Assignment>* assignments, QK_TString* error);
// Carries the assignments out on the design.
void Apply(const std::vector<Assignment>& assignments, Design* design);
void Apply(const std::vector<Assignment>& assignments, Layout* layout);

}  // namespace FolvaneCAD
