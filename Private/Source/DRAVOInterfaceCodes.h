// The codes of the CAD application's automation calls that the operations
// and the drivers tell apart: statuses, units, grain, print side, industry,
// menu kinds. Each is named for the calls that take or answer it.
#pragma once

#include <cstdint>

namespace CAD {

// The 16-bit statuses of the CAD application that the drivers tell apart.
// What a status other than kDone means depends on the call; each is named
// for the calls that answer it.
namespace Status {
// The call did what it was asked.
constexpr std::int16_t kDone = 0;
// Done, with remarks in the error text: a design saved with information, a
// style standard whose check condition was violated, menu values or a
// document plot accepted as they are.
constexpr std::int16_t kDoneWithRemarks = 1;
// A standard's condition check or finish found a condition violated: the
// run goes on, with a warning.
constexpr std::int16_t kStandardWarning = 2;
// The value given is not one the application knows: an invalid board code
// (or board code and description).
constexpr std::int16_t kInvalidValue = 4;
// The design the call works on is not there: no design is open for the
// style workspace, or the design could not be saved.
constexpr std::int16_t kDesignUnavailable = 10;
}  // namespace Status

// The unit code of the open design (GetUnit); nothing else is a unit.
namespace UnitCode {
constexpr std::int16_t kMillimetres = 1, kInches = 2;
}  // namespace UnitCode

// The unit code that OpenStandard takes (not a UnitCode).
namespace StandardUnit {
constexpr std::int16_t kInch = 0, kMetric = 1;
}  // namespace StandardUnit
// The option of OpenStandard; the program never varies it.
constexpr std::int16_t kOpenStandardOption = 0;

// The grain code of SetOption28.
namespace GrainCode {
constexpr std::int16_t kVertical = 1, kHorizontal = 2;
}  // namespace GrainCode

// The print-side code of SetPrintSide.
namespace PrintSideCode {
constexpr std::int16_t kInside = 1, kOutside = 2;
}  // namespace PrintSideCode

// The industry of a design (GetIndustryCode).
namespace IndustryCode {
constexpr std::int16_t kCorrugated = 1, kFoldingCarton = 2;
}  // namespace IndustryCode

// The value of a numeric-variable read that marks failure: the design has
// no numeric variable of that name.
constexpr double kNoNumericValue = -2.0;

// The kind of a menu of a parametric standard. Only these two take values
// from variables; the items of any other kind are left alone.
namespace MenuKind {
// Text items: a variable's value is put as text, an item without one gets
// its default text back.
constexpr std::int16_t kText = 2;
// Whole-number items: a variable's value is put as its leading whole
// number; each item has a document plot of its own.
constexpr std::int16_t kWholeNumber = 3;
}  // namespace MenuKind

}  // namespace CAD
