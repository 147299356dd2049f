#include "Automation/FolvaneCADDispatchTable.h"

#include <utility>

namespace FolvaneCAD {

VARTYPE TypeOf(Result result) {
  switch (result) {
    case Result::kNothing: return VT_EMPTY;
    case Result::kStatus: return VT_I2;
    case Result::kShort: return VT_I2;
    case Result::kLongStatus: return VT_I4;
    case Result::kCount: return VT_I4;
    case Result::kNumber: return VT_R8;
    case Result::kText: return VT_BSTR;
    case Result::kObject: return VT_DISPATCH;
  }
  return VT_EMPTY;
}

bool IsStatus(Result result) { return result == Result::kStatus || result == Result::kLongStatus; }

DISPID DispatchRow::IdOn(Flavour flavour) const {
  return flavour == Flavour::kConventional ? conventionalId : enterpriseId;
}

const char* DispatchRow::ParametersOn(Flavour flavour) const {
  return flavour == Flavour::kConventional ? conventionalParameters : enterpriseParameters;
}

DispatchTable::DispatchTable(const char* object, std::vector<DispatchRow> rows)
    : object_(object), rows_(std::move(rows)) {}

// A table holds a few dozen rows: a scan costs less than keeping maps.
const DispatchRow* DispatchTable::Find(Flavour flavour, DISPID id, WORD kind) const {
  if (id == kAbsent) return nullptr;
  for (const DispatchRow& row : rows_) {
    if (row.IdOn(flavour) == id && (row.kind & kind) != 0) return &row;
  }
  return nullptr;
}

const DispatchRow* DispatchTable::FindByName(const QK_TString& name) const {
  for (const DispatchRow& row : rows_) {
    if (name.EqualsIgnoreCase(row.name)) return &row;
  }
  return nullptr;
}

}  // namespace FolvaneCAD
