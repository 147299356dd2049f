// The records that the layout operation and its nesting steps share: the
// layout record of one nest, the names of one manufacturing-template entry,
// the state of the one-up search, and the look-up handler that lets layout
// output names use "nestingtype", "graindirection" and "formatclass".
#pragma once

#include <cstdint>

#include "QK_TObject.h"
#include "QK_TString.h"
#include "ShapejobTicketData.h"
#include "TName.h"

namespace CAD {

// The words of layout tickets and template entries that the layout steps
// compare with (ignoring case) or write into a nest's values.
inline const QK_TString kYes(L"Yes");
inline const QK_TString kNo(L"No");
inline const QK_TString kTrue(L"true");
inline const QK_TString kFalse(L"false");
// Grain directions; "Both" asks for a pass in each.
inline const QK_TString kVertical(L"Vertical");
inline const QK_TString kHorizontal(L"Horizontal");
inline const QK_TString kBoth(L"Both");
// The extension of a layout's manufacturing file.
inline const QK_TString kManufacturingExtension(L".MFG");
// The scheme of a location text.
inline const QK_TString kFileScheme(L"file:");
// The output name that stands for the input file's name.
inline const QK_TString kInputFileName(L"<<file/>>");

// The nesting-type codes of a layout ticket ("1" to "5" as texts).
namespace NestingType {
constexpr int kStraight = 1;
constexpr int kReverseSecondRow = 2;
constexpr int kReverseSecondColumn = 3;
constexpr int kReverseSecondRowAlign = 4;
constexpr int kReverseSecondColumnAlign = 5;
}  // namespace NestingType

// The orientation of a nest and the grain of a grain pass (SetOption28);
// a code set of its own that shares the numbers 1 and 2 with NestingType.
namespace Orientation {
constexpr std::int16_t kVertical = 1;
constexpr std::int16_t kHorizontal = 2;
}  // namespace Orientation

// "Allocation Strategy" of a template entry: how the sheet is sized.
namespace AllocationStrategy {
constexpr std::int16_t kUnset = -1;
// Grow the sheet from one one-up towards the minimum sheet.
constexpr std::int16_t kGrowToMinimum = 0;
constexpr std::int16_t kStrategyOne = 1;
constexpr std::int16_t kStrategyTwo = 2;
// The fill search over one-up counts, fill pass first / strategy-one pass first.
constexpr std::int16_t kSearchFillFirst = 3;
constexpr std::int16_t kSearchStrategyOneFirst = 4;
}  // namespace AllocationStrategy

// The result of one nest pass.
namespace NestPassResult {
constexpr int kClean = 0;
// The ticket's command script failed, or the save had remarks.
constexpr int kWarning = 1;
// The time script failed, or the sheet did not fit and nothing was saved.
constexpr int kNotSaved = 2;
}  // namespace NestPassResult

// The layout record of one nest. The layout operation fills one per
// manufacturing-template entry and copies it for every nest; the nesting
// steps change the copy. Sizes are in the ticket's unit.
class LayoutNestingInfo {
 public:
  LayoutNestingInfo() = default;
  LayoutNestingInfo(const LayoutNestingInfo& other) = default;
  LayoutNestingInfo& operator=(const LayoutNestingInfo& other) = default;
  virtual ~LayoutNestingInfo() = default;

  // The entry's values by display name ("Print Item", "Allocation
  // Strategy", "Shrink Sheet Size", ...).
  StringMap parameters;
  std::int32_t nestingCode = 0;  // NestingType
  // The design to place: the reference the design-opening step returned,
  // later the temporary design of the entry's print item.
  QK_TString designPath;
  QK_TString mfgFilePath;      // local path of this nest's manufacturing file
  QK_TString nestingTypeSwap;  // "true": rows and columns of the nesting type exchanged
  QK_TString gutterSwap;       // "true": the two gutters exchanged
  double gutterX = 0.0;
  double gutterY = 0.0;
  std::int32_t oneupsX = 0;  // one-ups across asked for; the search sets it
  std::int32_t oneupsY = 0;  // one-ups down asked for
  std::int32_t maxOneupsX = 0;  // one-ups across that fit, read after adding the one-up
  std::int32_t maxOneupsY = 0;
  double leftMargin = 0.0;
  double rightMargin = 0.0;
  double topMargin = 0.0;
  double bottomMargin = 0.0;
  std::int32_t printItemIndex = 0;  // from 1: the print item named by "Print Item"
  std::int16_t grainCode = 0;       // Orientation of the grain pass; 0 before it
  QK_TString crossGrain;            // the ticket's choice, "Yes" or "No"
  QK_TString crossGrainUsed;        // "Yes" or "No": the nest ran across the grain
  // The design as the entry's "Design Name" or the ticket's designPath
  // names it.
  QK_TString designReference;
  double sheetSizeX = 0.0;  // the largest sheet
  double sheetSizeY = 0.0;
  std::int16_t orientationCode = 0;  // Orientation of this nest, given to SetOption28
  std::int32_t option29Code = 0;     // the unit code given to SetOption29
  std::int16_t allocationStrategy = AllocationStrategy::kUnset;
  double sheetX = 0.0;  // the current sheet; starts at the largest
  double sheetY = 0.0;
  double minSheetSizeX = 0.0;  // 0: no minimum
  double minSheetSizeY = 0.0;
  QK_TString fillSheet;  // "YES" or "No": as many one-ups as fit
  std::int16_t positionCode = 0;
  double rotation = 0.0;  // degrees
  QK_TString shrinkSheet;  // "Clip To Minimum"
  // Set by the sheet fit when it clamped the sheet to a limit.
  bool exceedsMaxX = false;
  bool exceedsMaxY = false;
  bool belowMinX = false;
  bool belowMinY = false;
};

// The names of one manufacturing-template entry.
class LayoutTemplateNames {
 public:
  QK_TString designReference;  // the ticket's design as the design-opening step returned it
  QK_TString mfgTemplate;
  QK_TString formatClass;
  QK_TString grainDirection;
  QK_TString designName;            // empty: the ticket's own design
  QK_TString namedDesignReference;  // the design named by designName
};

// The search over one-up counts of one entry (allocation strategies 3 and
// 4): a fill pass and a strategy-one pass record their counts, then the
// counts in between are nested column by column.
struct NestingSearchState {
  bool fillPassPending = true;
  bool strategyOnePassPending = true;
  bool searchContinues = true;
  std::int32_t nextX = -1;
  std::int32_t nextY = -1;
  std::int32_t strategyOneX = -1;  // the search ends there
  std::int32_t strategyOneY = -1;  // each column of the search ends there
  std::int32_t fillPassY = -1;     // each column of the search starts there
  std::int32_t fillPassX = -1;     // the search starts there
};

// Answers "nestingtype", "graindirection" and "formatclass" for the name
// resolver while a layout runs. The layout operation owns it on its stack
// and must remove it from the resolver before it goes.
class NTLookupHandler : public virtual TNameLookupHandler, public virtual QK_IInterface {
 public:
  bool Lookup(const QK_TString& name, const QK_TString& parameters, TName& resolver, QK_TString& value) override;
  void* QK_MostDerivedObject() const override;
  void* QK_DynamicInfo(const char* name) const override;

  QK_TString nestingType;
  std::int32_t grainDirection = 0;
  QK_TString formatClass;
};

// The single-precision reading of a sheet or manufacturing size that the
// CAD application answers as text: leading blanks allowed, trailing text
// ignored. Throws std::invalid_argument("invalid stof argument") for a
// text without a number, std::out_of_range("stof argument out of range")
// beyond the float range.
double ReadFloatText(const QK_TString& text);

}  // namespace CAD
