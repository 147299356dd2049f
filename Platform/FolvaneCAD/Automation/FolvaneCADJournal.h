// The journal of the files that the stand-in writes. When the environment
// variable FOLVANECAD_JOURNAL names a file, every call of an operation that
// writes a file appends one line to it, also when the call fails: SaveDesign,
// WriteOutput, ExportImage and ExportThumbnail of the main control, and
// SaveStandard, MenuXml and Plot of the standards component (the rows marked
// WritesFile in their dispatch tables).
//
//   Control.WriteOutput("card", 1, "/out/card.pdf") = 0 -> /out/card.pdf
//   Control.WriteOutput("card", 1, "") = 0 -> /data/spool/card-1.pdf
//   Standard.Plot(3, 2, "/out/box_Style.JPG", 1, 200, 150) = 1
//   Control.ExportThumbnail("/out/x.bmp") = 2
//
// A line holds the object and the operation as scenario files name them,
// the arguments in call order (texts in double quotes, with \" \\ \t \n \r
// escaped; numbers as they came; an object as <object>, an out-parameter as
// <out>), "=" and the answer (a status; "exception:" and its text for an
// automation error), then "->" and the file when the call wrote one. The
// variable is read when an object is created, as the scenario file is; a
// journal that cannot be written to is reported on standard error.
#pragma once

#include "Automation/FolvaneCADAnswer.h"
#include "Automation/FolvaneCADArguments.h"
#include "Automation/FolvaneCADDispatchTable.h"

namespace FolvaneCAD {

class Journal {
 public:
  // The journal FOLVANECAD_JOURNAL names; none without the variable.
  static Journal FromEnvironment();

  // Appends the line of a call of `row` (on an object named `object`, with
  // `parameters` the row's letters on its flavour) when the row writes a
  // file; `written` is the file the call wrote, or empty.
  void Record(const char* object, const DispatchRow& row, const char* parameters, const Arguments& args,
              const Answer& answer, const QK_TString& written) const;

 private:
  QK_TString path_;
};

}  // namespace FolvaneCAD
