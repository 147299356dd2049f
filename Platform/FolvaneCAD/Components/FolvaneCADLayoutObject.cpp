#include "Components/FolvaneCADLayoutObject.h"

#include "Model/FolvaneCADNesting.h"

namespace FolvaneCAD {

namespace {

enum class LayoutOperation {
  kSetSheetSize,
  kAddOneup,
  kColumnsThatFit,
  kRowsThatFit,
  kPlaceGrid,
  kMethod51,
  kSetLayoutOption,
  kReset,
  kErrorText,
  kSetNestData,
  kPosition,
  kValue46,
  kValue47,
  kPlaceGridAlternative,
  kSetRotation,
};

using L = LayoutOperation;
using R = Result;

constexpr short kStatusOk = 0;
constexpr short kStatusRefused = 2;
constexpr char kFileScheme[] = "file:";
constexpr char kNoLayout[] = "No manufacturing file is open";

// Operations that answer without a manufacturing file.
bool NeedsNoLayout(LayoutOperation operation) {
  return operation == L::kErrorText || operation == L::kMethod51 || operation == L::kValue46 ||
         operation == L::kValue47;
}

}  // namespace

// The ids are the same on both flavours.
const DispatchTable& LayoutObjectTable() {
  static const DispatchTable table("Layout", {
    Row(L::kSetSheetSize, "SetSheetSize", kMethod, 1, 1, "rrrrrr", "rrrrrr", R::kStatus),
    ValueCanBeForced(Row(L::kAddOneup, "AddOneup", kMethod, 2, 2, "s", "s", R::kCount)),
    ValueCanBeForced(Row(L::kColumnsThatFit, "QueryOneup43", kMethod, 3, 3, "l", "l", R::kCount)),
    ValueCanBeForced(Row(L::kRowsThatFit, "QueryOneup44", kMethod, 4, 4, "l", "l", R::kCount)),
    Row(L::kPlaceGrid, "PlaceOneupGrid", kMethod, 5, 5, "llll", "llll", R::kStatus),
    Row(L::kMethod51, "InvokeMethod51", kMethod, 6, 6, "llrrrl", "llrrrl", R::kStatus),
    Row(L::kSetLayoutOption, "SetLayoutOption", kMethod, 7, 7, "ii", "ii", R::kStatus),
    Row(L::kReset, "Reset", kMethod, 8, 8, "", "", R::kNothing),
    Row(L::kErrorText, "ErrorText", kMethod, 9, 9, "", "", R::kText),
    Row(L::kSetNestData, "SetNestData", kMethod, 10, 10, "lrri", "lrri", R::kStatus),
    Row(L::kPosition, "PositionOneups", kMethod, 12, 12, "i", "i", R::kStatus),
    Row(L::kValue46, "LayoutValue46", kMethod, 13, 13, "l", "l", R::kCount),
    Row(L::kValue47, "LayoutValue47", kMethod, 14, 14, "l", "l", R::kCount),
    Row(L::kPlaceGridAlternative, "PlaceOneupGridAlt", kMethod, 15, 15, "llll", "llll", R::kStatus),
    Row(L::kSetRotation, "SetRotation", kMethod, 16, 16, "r", "r", R::kStatus),
  });
  return table;
}

LayoutObject::LayoutObject(std::shared_ptr<Session> session, Flavour flavour)
    : StandInObject(LayoutObjectTable(), flavour), session_(std::move(session)) {}

Layout* LayoutObject::OpenLayout() const {
  return session_->document != nullptr ? session_->document->layout() : nullptr;
}

std::optional<Answer> LayoutObject::Refusal(const DispatchRow& row) {
  if (NeedsNoLayout(static_cast<LayoutOperation>(row.operation)) || OpenLayout() != nullptr) return std::nullopt;
  lastError_ = kNoLayout;
  return Answer::Failure(TypeOf(row.result), kStatusRefused);
}

Answer LayoutObject::Perform(const DispatchRow& row, const Arguments& args) {
  Layout* layout = OpenLayout();
  QK_TString error;
  switch (static_cast<LayoutOperation>(row.operation)) {
    case L::kErrorText: return Answer::Text(lastError_);
    case L::kMethod51: return Answer::Status(kStatusOk);
    case L::kValue46: return Answer::Count(0);
    case L::kValue47: return Answer::Count(0);
    case L::kSetSheetSize: {
      Margins margins{args.Real(2), args.Real(3), args.Real(4), args.Real(5)};
      return Outcome(SetSheet(layout, args.Real(0), args.Real(1), margins, &error), error);
    }
    case L::kAddOneup: return AddOneup(layout, args);
    case L::kColumnsThatFit: return Fit(layout, args, false);
    case L::kRowsThatFit: return Fit(layout, args, true);
    case L::kPlaceGrid: return Place(layout, args, false);
    case L::kPlaceGridAlternative: return Place(layout, args, true);
    case L::kSetLayoutOption: return Outcome(SetTrim(layout, args.Integer(0), args.Integer(1), &error), error);
    case L::kReset: ResetNesting(layout); return Answer::None();
    case L::kSetNestData:
      return Outcome(SetNestData(layout, args.Integer(0), args.Real(1), args.Real(2), &error), error);
    case L::kPosition: return Outcome(SetPosition(layout, args.Integer(0), &error), error);
    case L::kSetRotation: return Outcome(SetRotation(layout, args.Real(0), &error), error);
  }
  return Answer::Exception("Operation not known to the CAD stand-in");
}

Answer LayoutObject::Outcome(bool done, const QK_TString& error) {
  if (done) return Answer::Status(kStatusOk);
  lastError_ = error;
  return Answer::Status(kStatusRefused);
}

// The design is read as the main control opens one; a "file:" URL names a path.
Answer LayoutObject::AddOneup(Layout* layout, const Arguments& args) {
  QK_TString reference = args.Text(0).Trim();
  if (reference.StartsWith(kFileScheme)) reference = reference.Substring(QK_TString(kFileScheme).Length());
  QK_TString error;
  std::unique_ptr<Document> design = session_->Load(reference, &error);
  if (design != nullptr && design->kind() != Document::Kind::kDesign) {
    design.reset();
    error = "The one-up " + reference + " is a manufacturing file, not a design";
  }
  long index = design != nullptr ? FolvaneCAD::AddOneup(layout, *design->CurrentDesign(), &error) : 0;
  if (index == 0) lastError_ = error;
  return Answer::Count(index);
}

Answer LayoutObject::Fit(Layout* layout, const Arguments& args, bool rows) {
  GridFit fit;
  QK_TString error;
  if (!FitOf(*layout, args.Integer(0), &fit, &error)) {
    lastError_ = error;
    return Answer::Count(0);
  }
  return Answer::Count(rows ? fit.rows : fit.columns);
}

// (index, print item, rows, columns).
Answer LayoutObject::Place(Layout* layout, const Arguments& args, bool alternative) {
  QK_TString error;
  return Outcome(PlaceGrid(layout, args.Integer(0), args.Integer(1), args.Integer(2), args.Integer(3), alternative,
                           &error),
                 error);
}

}  // namespace FolvaneCAD
