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
//   Standard.ConditionCheck menu=3 status=2 error=Too deep for the width
//   Standard.Plot status=5 menu=2 error=The plotter is out of paper
//   FinalCheck status=2
//
// The word before the blanks is "Object.Operation", or an operation alone,
// which means the main control ("Control."), so that files written before
// objects could be named keep working; a bare name that the main control
// has no status operation of means the one other object that has it (two
// such objects make the line ambiguous). Objects: Control (main control),
// Standard (standards component; its Menu and MenuItem objects answer no
// status), Connection, Company, Person (design database) and DesignRecord;
// the layout object joins them once it has a dispatch table. Operations are the names in the object's dispatch table
// (MainControlTable, StandardComponentTable and the others in Components/).
// Names compare without regard to case. After the name: "status=N" (a
// 16-bit number) and optionally "menu=N", in either order, then optionally
// "error=" and the rest of the line as the error text.
//
// "menu=N" forces the answer only of the calls whose first argument, a
// 16-bit number (the menu of the standards component's checks and plots),
// is N; it wins over a line of the same operation without it.
//
// A forced status of 2 or more is a failure: the operation is not carried
// out, the status is answered and the text (or "Forced failure of <name>")
// becomes the object's last error text. A forced status of 0 or 1 lets the
// operation run; when it succeeds (status 0), the forced status is answered
// and the text, when given, becomes the last error text. Objects without an
// error text of their own forget the text (the design record hands it to its
// main control). Only operations that answer a status can be forced, and not
// ErrorText, whose answer is what forcing sets. Lines that cannot be used
// are reported on standard error and skipped.
//
// The files that calls write can be followed in a journal as well
// (FOLVANECAD_JOURNAL, FolvaneCADJournal.h).
#pragma once

#include <map>
#include <optional>
#include <ostream>
#include <utility>
#include <vector>

#include "Automation/FolvaneCADDispatchTable.h"

namespace FolvaneCAD {

// The object that a line without an object name means.
constexpr char kDefaultScenarioObject[] = "Control";

struct ForcedAnswer {
  short status = 0;
  bool hasError = false;
  QK_TString error;

  // 2 and more: the operation is not carried out.
  bool Fails() const { return status >= 2; }
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

  // The forced answer of the row, or null; `menu` is the call's first
  // argument when that is a 16-bit number.
  const ForcedAnswer* Find(const DispatchRow& row, std::optional<long> menu = std::nullopt) const;

 private:
  bool ReadLine(const QK_TString& line, const DispatchTables& tables, QK_TString* problem);

  // By row and menu (none: every call of the row).
  std::map<std::pair<const DispatchRow*, std::optional<long>>, ForcedAnswer> forced_;
};

}  // namespace FolvaneCAD
