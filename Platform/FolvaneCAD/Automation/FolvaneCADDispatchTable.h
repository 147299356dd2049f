// The dispatch tables of the stand-in's automation objects. Each object
// lists its operations as rows: the name a scenario file uses, how it is
// called, its dispatch id on each flavour, its parameters and what it
// answers. StandInObject looks a call up here and checks its arguments
// against the row before the object's own code runs, so no object reads a
// bare dispatch id.
#pragma once

#include <vector>

#include "Automation/FolvaneCADFlavour.h"
#include "OleAuto.h"
#include "QK_TString.h"

namespace FolvaneCAD {

// How a row is called: the invoke flags it answers to. A row may be a
// method that can also be read as a property.
enum CallKind : WORD {
  kMethod = DISPATCH_METHOD,
  kPropertyGet = DISPATCH_PROPERTYGET,
  kPropertyPut = DISPATCH_PROPERTYPUT,
  kMethodOrGet = DISPATCH_METHOD | DISPATCH_PROPERTYGET,
};

// What a row answers. A status (16 or 32 bits) says how the call went and
// can be forced by a scenario file; the others are values (kShort a 16-bit
// one, such as a menu kind or an item count).
enum class Result { kNothing, kStatus, kLongStatus, kShort, kCount, kNumber, kText, kObject };

VARTYPE TypeOf(Result result);
bool IsStatus(Result result);

// Not on that flavour.
constexpr DISPID kAbsent = -1;

// One operation. Parameters are one letter each (CheckArguments): s BSTR,
// i I2, l I4, r R8, b BOOL, v VARIANT holding an integer, d an automation
// object, x BSTR or I2 (Arguments::IsText tells which), S out BSTR, R out R8.
struct DispatchRow {
  int operation;  // the object's own code for it, an enumerator of the object
  const char* name;
  CallKind kind;
  DISPID conventionalId;
  DISPID enterpriseId;
  const char* conventionalParameters;
  const char* enterpriseParameters;
  Result result;
  // The call writes a file: it goes into the journal (FolvaneCADJournal.h).
  bool writesFile = false;
  // A scenario file may force the value the row answers (not only statuses
  // can be forced; FolvaneCADScenario.h).
  bool valueCanBeForced = false;

  DISPID IdOn(Flavour flavour) const;
  const char* ParametersOn(Flavour flavour) const;
};

// A row from an object's own operation enumerator.
template <class Operation>
constexpr DispatchRow Row(Operation operation, const char* name, CallKind kind, DISPID conventionalId,
                          DISPID enterpriseId, const char* conventionalParameters,
                          const char* enterpriseParameters, Result result) {
  return {static_cast<int>(operation), name,       kind, conventionalId, enterpriseId, conventionalParameters,
          enterpriseParameters,        result};
}

// The row of an operation that writes a file.
constexpr DispatchRow WritesFile(DispatchRow row) {
  row.writesFile = true;
  return row;
}

// The row of an operation whose value a scenario file may force.
constexpr DispatchRow ValueCanBeForced(DispatchRow row) {
  row.valueCanBeForced = true;
  return row;
}

class DispatchTable {
 public:
  // `object` is the object's name in scenario files.
  DispatchTable(const char* object, std::vector<DispatchRow> rows);

  const char* object() const { return object_; }
  const std::vector<DispatchRow>& rows() const { return rows_; }

  // The row that a call with `id` and invoke flags `kind` reaches on an
  // object of `flavour`, or null.
  const DispatchRow* Find(Flavour flavour, DISPID id, WORD kind) const;
  // The row named so (without regard to case), or null.
  const DispatchRow* FindByName(const QK_TString& name) const;

 private:
  const char* object_;
  std::vector<DispatchRow> rows_;
};

}  // namespace FolvaneCAD
