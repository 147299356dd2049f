#include "Components/FolvaneCADDesignRecord.h"

#include "Components/FolvaneCADMainControl.h"

namespace FolvaneCAD {

namespace {

// The design attribute each method writes.
enum class RecordField { kCustomer, kOwner, kDesigner, kSalesperson };

const char* AttributeOf(RecordField field) {
  switch (field) {
    case RecordField::kCustomer: return "customerId";
    case RecordField::kOwner: return "ownerId";
    case RecordField::kDesigner: return "designerId";
    case RecordField::kSalesperson: return "salespersonId";
  }
  return "";
}

using F = RecordField;
using R = Result;

}  // namespace

const DispatchTable& DesignRecordTable() {
  static const DispatchTable table("DesignRecord", {
    Row(F::kCustomer, "SetCustomer", kMethod, 1, kAbsent, "ll", "", R::kStatus),
    Row(F::kOwner, "SetOwner", kMethod, 3, kAbsent, "ll", "", R::kStatus),
    Row(F::kDesigner, "SetDesigner", kMethod, 4, kAbsent, "ll", "", R::kStatus),
    Row(F::kSalesperson, "SetSalesperson", kMethod, 5, kAbsent, "ll", "", R::kStatus),
  });
  return table;
}

DesignRecordObject::DesignRecordObject(MainControl* control)
    : StandInObject(DesignRecordTable(), Flavour::kConventional), control_(control) {
  control_->AddRef();
}

DesignRecordObject::~DesignRecordObject() { control_->Release(); }

Answer DesignRecordObject::Perform(const DispatchRow& row, const Arguments& args) {
  return Answer::Status(control_->SetRecordId(AttributeOf(static_cast<RecordField>(row.operation)), args.Integer(0)));
}

void DesignRecordObject::SetLastError(const QK_TString& text) { control_->SetLastError(text); }

}  // namespace FolvaneCAD
