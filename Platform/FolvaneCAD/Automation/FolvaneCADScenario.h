// Failure scenarios for end-to-end tests. When the environment variable
// FOLVANECAD_SCENARIO names a text file, every automation object of the
// stand-in reads it when it is created. Each line forces the answer of one
// operation of one object:
//
//   # comment (blank lines are skipped too)
//   OpenDesign status=7 error=Disk on fire
//   Control.SaveDesign status=1 error=Saved with remarks
//   Standard.Login status=1 error=Refused
//   Connection.Login status=1
//   Standard.ConditionCheck first=3 status=2 error=Too deep for the width
//   Standard.Plot status=5 menu=2 error=The plotter is out of paper
//   Layout.SetRotation status=2 first=180 error=The press cannot turn it
//   Layout.AddOneup status=0
//   Layout.QueryOneup44 status=3
//   Version text=19.5.0
//   FinalCheck status=2
//
// The word before the blanks is "Object.Operation", or an operation alone,
// which means the main control ("Control."), so that files written before
// objects could be named keep working; a bare name that the main control
// has no such operation of means the one other object that has it (two
// such objects make the line ambiguous). Objects: Control (main control),
// Standard (standards component; its Menu and MenuItem objects answer no
// status), Connection, Company, Person (design database), DesignRecord and
// Layout (the layout object). Operations are the names in the object's
// dispatch table (MainControlTable, StandardComponentTable, LayoutObjectTable
// and the others in Components/). Names compare without regard to case.
//
// After the name, in any order: "status=N" (a 16-bit number) and
// optionally "first=V" (or "menu=N", the older spelling for a whole
// number), then optionally "text=" and the text up to " error=" or the end
// of the line, then optionally "error=" and the rest of the line as the
// error text.
//
// "first=V" forces the answer only of the calls whose first argument is V
// (numbers compare as numbers, so first=180 matches 180.0; texts compare
// exactly); it wins over a line of the same operation without it.
//
// A forced status of 2 or more is a failure: the operation is not carried
// out, the status is answered and the error text (or "Forced failure of
// <name>") becomes the object's last error text. A forced status of 0 or 1
// lets the operation run; when it succeeds (status 0), the forced status is
// answered and the error text, when given, becomes the last error text.
// "text=" makes a call that succeeded hand out that text in its text out-
// parameter (Version text=19.5.0: the version the main control answers);
// only operations with a text out-parameter take it.
//
// Operations that answer a value instead of a status can be forced where
// their table allows it (the layout object's AddOneup, QueryOneup43 and
// QueryOneup44): "status=N" is then the value answered instead of carrying
// the operation out (AddOneup status=0: no one-up is added, index 0), and
// the error text, when given, becomes the last error text; a forced 0
// without one sets "Forced failure of <name>".
//
// "signal=TERM" or "signal=INT" raises that signal in the process just
// before the call is carried out, as if the process were stopped from
// outside while the CAD application works; the call then goes on as the
// rest of the line says. A line needs a status, a text or a signal.
//
// Objects without an error text of their own forget the text (the design
// record hands it to its main control). Only those operations can be
// forced, and not ErrorText, whose answer is what forcing sets. Lines that
// cannot be used are reported on standard error and skipped.
//
// The files that calls write can be followed in a journal as well
// (FOLVANECAD_JOURNAL, FolvaneCADJournal.h).
#pragma once

#include <map>
#include <optional>
#include <ostream>
#include <vector>

#include "Automation/FolvaneCADDispatchTable.h"

namespace FolvaneCAD {

// The object that a line without an object name means.
constexpr char kDefaultScenarioObject[] = "Control";

struct ForcedAnswer {
  bool hasStatus = false;
  short status = 0;  // the value, for an operation that answers one
  bool hasText = false;
  QK_TString text;
  bool hasError = false;
  QK_TString error;
  int signal = 0;  // raised in the process before the call; 0 none

  // 2 and more: the operation is not carried out.
  bool Fails() const { return hasStatus && status >= 2; }
};

// A call's first argument as "first=" compares it.
struct FirstArgument {
  bool isText = false;
  double number = 0;
  QK_TString text;
};

using DispatchTables = std::vector<const DispatchTable*>;

// The tables a scenario file can name; FolvaneCAD_Install registers every
// table-driven object's. Registering a table again changes nothing.
void RegisterScenarioTable(const DispatchTable& table);
const DispatchTables& ScenarioTables();

class Scenario {
 public:
  // The file FOLVANECAD_SCENARIO names, read with the registered tables;
  // empty without the variable.
  static Scenario FromEnvironment();
  static Scenario Read(const QK_TString& path, std::ostream& warnings, const DispatchTables& tables);

  // The forced answer of a call of the row with that first argument (none
  // when the row's first parameter is no number or text), or null.
  const ForcedAnswer* Find(const DispatchRow& row, const std::optional<FirstArgument>& first = std::nullopt) const;

 private:
  struct Line {
    std::optional<QK_TString> first;  // as written; none: every call
    ForcedAnswer answer;
  };

  bool ReadLine(const QK_TString& line, const DispatchTables& tables, QK_TString* problem);

  std::map<const DispatchRow*, std::vector<Line>> forced_;
};

}  // namespace FolvaneCAD
