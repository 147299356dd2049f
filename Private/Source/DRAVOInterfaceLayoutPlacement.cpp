// One-up placement: grain orientations, print-item design, fill search and the placing calls.
//
// The placing drives the held layout object: sheet, nest data, one-up,
// rotation, rows and columns, positioning and the sheet from the placed
// block. Each refused call raises its own placing exception, which the nest
// pass turns into a message.
#include <boost/lexical_cast.hpp>

#include "DRAVOInterface.h"
#include "DRAVOInterfaceShopCard.h"
#include "DravoException.h"
#include "ShapejobCodes.h"
#include "TW_TTask.h"

namespace CAD {

namespace {

const QK_TString kPrintItemName(L"Print Item");
const QK_TString kShrinkSheetSize(L"Shrink Sheet Size");
const QK_TString kAllocationStrategy(L"Allocation Strategy");

// The fill pass of the search and the strategy-one pass write these.
const QK_TString kFillSheetYes(L"YES");
const QK_TString kFillSheetNo(L"NO");
const QK_TString kShrinkSheetNo(L"NO");

// SetNestData's last argument; the program never varies it.
constexpr std::int16_t kNestDataFlag = 0;

// The argument pair of SetLayoutOption: whether the sheet height may shrink
// to the placed block, and whether its width may.
struct ShrinkOption {
  std::int16_t vertical;
  std::int16_t horizontal;
};
constexpr ShrinkOption kShrinkBoth{1, 1};
constexpr ShrinkOption kShrinkNone{0, 0};
constexpr ShrinkOption kShrinkHeight{1, 0};
constexpr ShrinkOption kShrinkWidth{0, 1};

// The words of "Shrink Sheet Size" and the option each asks for.
const struct {
  const QK_TString& word;
  ShrinkOption option;
} kShrinkWords[] = {{kVertical, kShrinkHeight}, {kHorizontal, kShrinkWidth}, {kBoth, kShrinkBoth}};

// The swapped nesting code of each reverse type: rows and columns exchanged.
const struct {
  int code;
  int swapped;
} kSwappedNestingCodes[] = {
    {NestingType::kReverseSecondRow, NestingType::kReverseSecondColumn},
    {NestingType::kReverseSecondColumn, NestingType::kReverseSecondRow},
    {NestingType::kReverseSecondRowAlign, NestingType::kReverseSecondColumnAlign},
    {NestingType::kReverseSecondColumnAlign, NestingType::kReverseSecondRowAlign},
};

// The design's name for its saved copy: the last part of a database
// reference, else the file name of the path.
QK_TString DesignNameOf(const QK_TString& reference) {
  if (IsDatabaseReference(reference)) return DatabaseDesignName(reference);
  return DRAVOInterface::FileNameOfPath(reference);
}

// The fill pass: as many one-ups as fit, the sheet grown towards the minimum.
void PrepareFillPass(LayoutNestingInfo& record) {
  record.allocationStrategy = AllocationStrategy::kGrowToMinimum;
  record.fillSheet = kFillSheetYes;
  record.shrinkSheet = kShrinkSheetNo;
}

// The allocation strategy of the "Allocation Strategy" value; unset when empty.
int StrategyOf(const LayoutNestingInfo& record) {
  const QK_TString text = ValueOf(record.parameters, kAllocationStrategy);
  return text.Empty() ? AllocationStrategy::kUnset : boost::lexical_cast<int>(text.str());
}

bool AnyLimitFlag(const LayoutNestingInfo& record) {
  return record.exceedsMaxX || record.exceedsMaxY || record.belowMinX || record.belowMinY;
}

}  // namespace

void DRAVOInterface::GetGrainOrientations(std::set<std::int16_t>& orientations, const QK_TString& grainWord,
                                          const QK_TString& crossGrain) {
  const bool both = grainWord.EqualsIgnoreCase(kBoth);
  const bool vertical = grainWord.EqualsIgnoreCase(kVertical);
  const bool horizontal = grainWord.EqualsIgnoreCase(kHorizontal);
  bool allowed = true;
  if (crossGrain.EqualsIgnoreCase(kNo)) {
    // Along the grain only: the word chooses, no word tries both.
    if (vertical) {
      orientations.insert(Orientation::kVertical);
    } else if (horizontal) {
      orientations.insert(Orientation::kHorizontal);
    } else if (both || grainWord.Empty()) {
      orientations.insert({Orientation::kVertical, Orientation::kHorizontal});
    } else {
      allowed = false;
    }
  } else if (crossGrain.EqualsIgnoreCase(kYes)) {
    // Across the grain is tried too, so a grain word must say which is along.
    allowed = vertical || horizontal || both;
    if (allowed) orientations.insert({Orientation::kVertical, Orientation::kHorizontal});
  }
  if (!allowed) {
    Report(Severity::kError, "shapejobs.message.invalidgraindirection", QK_TAny(grainWord));
    QK_THROW(InvalidGraindirException());
  }
}

void DRAVOInterface::PreparePrintItemDesign(const StringMap& entry, LayoutNestingInfo& record,
                                            const QK_TString& designReference, std::int32_t& warning) {
  const QK_TString printItem = ValueOf(entry, kPrintItemName);
  if (printItem.Empty()) return;
  try {
    OpenDesign(record.designPath);
    const std::int32_t count = GetPrintItemCount(PrintItemKind::kPrintItem);
    CloseDesign();
    if (count == 0) QK_THROW(PrintItemException());

    OpenDesign(LocalPathFromFileURL(designReference));
    QK_TURL saved;
    for (std::int32_t index = 1; index <= count; ++index) {
      if (!GetPrintItemName(PrintItemKind::kPrintItem, index).EqualsIgnoreCase(printItem)) continue;
      saved = TemporaryFile(kNativeDesignExtension.c_str(), false);
      CreatePrintItems(index, true);
      record.printItemIndex = index;
    }
    if (saved.Empty()) {
      CloseDesign();  // the step leaves no design open, even when it fails
      QK_THROW(PrintItemException());
    }

    saved.SetFileName(DesignNameOf(designReference));
    reporter->RegisterTempFile(saved);
    if (SaveDesign(saved.LocalName()) == Status::kDoneWithRemarks) warning = 1;
    record.designPath = saved.LocalName();
    CloseDesign();
  } catch (const PrintItemException&) {
    Report(Severity::kError, "shapejobs.message.printitemfailed", QK_TAny(printItem));
    QK_THROW(
        PrintItemExceptionHandler(QK_TString("Provided print item not present in the design :") + printItem));
  }
}

bool DRAVOInterface::StepNestingSearch(LayoutNestingInfo& record, NestingSearchState& state, bool fillFirst) {
  StringMap parameters = record.parameters;
  parameters[kShrinkSheetSize] = kBoth;
  record.parameters = parameters;

  if (state.fillPassPending && fillFirst) {
    PrepareFillPass(record);
    return true;
  }
  if (state.strategyOnePassPending) {
    record.allocationStrategy = AllocationStrategy::kStrategyOne;
    return true;
  }
  if (state.fillPassPending) {
    PrepareFillPass(record);
    return true;
  }

  // Both passes have their counts: the counts between them, column by column.
  // A search past the strategy-one column ends there too, so that one whose
  // strategy-one pass found fewer one-ups than the fill pass cannot run on.
  const bool atStrategyOne = state.nextX == state.strategyOneX && state.nextY == state.strategyOneY;
  if (atStrategyOne || state.nextX > state.strategyOneX) {
    record.allocationStrategy = AllocationStrategy::kStrategyOne;
    return false;
  }
  if (state.nextX == state.fillPassX && state.nextY == state.fillPassY) {
    PrepareFillPass(record);
  } else {
    record.oneupsX = state.nextX;
    record.oneupsY = state.nextY;
    record.fillSheet = kFillSheetNo;
  }
  if (state.nextY >= state.strategyOneY) {
    ++state.nextX;
    state.nextY = state.fillPassY;
  } else {
    ++state.nextY;
  }
  return true;
}

void DRAVOInterface::PlacePrintItem(LayoutNestingInfo& record, const DesignInfo&,
                                    const LOTicketParam& ticket) {
  if (SetSheetSize(record.sheetX, record.sheetY, record.leftMargin, record.rightMargin, record.bottomMargin,
                   record.topMargin) != Status::kDone) {
    QK_THROW(SetSheetSizeException());
  }
  double firstGutter = 0.0;
  double secondGutter = 0.0;
  GetNestGutters(record, firstGutter, secondGutter);
  if (SetNestData(GetEffectiveNestingCode(record), firstGutter, secondGutter, kNestDataFlag) !=
      Status::kDone) {
    QK_THROW(SetNestDataFailedException());
  }
  const std::int32_t printItem =
      ValueOf(record.parameters, kPrintItemName).Empty() ? 0 : record.printItemIndex;
  const std::int32_t oneup = AddOneup(GetOneupDesignReference(record, ticket));
  if (oneup < 1) QK_THROW(OneupAddException());
  if (layoutVersionFlag && SetRotation(record.rotation) != Status::kDone) QK_THROW(RotationFailedException());
  record.maxOneupsY = QueryOneup44(oneup);
  record.maxOneupsX = QueryOneup43(oneup);
  PlaceOneupRowsAndColumns(record, oneup, printItem);
  if (layoutVersionFlag && PositionOneups(record.positionCode) != Status::kDone) {
    QK_THROW(PositioningFailedException());
  }
  ApplyManufacturingSheetSize(record);
}

int DRAVOInterface::GetEffectiveNestingCode(const LayoutNestingInfo& record) {
  if (record.nestingTypeSwap.EqualsIgnoreCase(kTrue)) {
    for (const auto& swap : kSwappedNestingCodes) {
      if (swap.code == record.nestingCode) return swap.swapped;
    }
  }
  return record.nestingCode;
}

bool DRAVOInterface::GetNestGutters(const LayoutNestingInfo& record, double& first, double& second) {
  const bool swapped = record.gutterSwap.EqualsIgnoreCase(kTrue);
  first = swapped ? record.gutterY : record.gutterX;
  second = swapped ? record.gutterX : record.gutterY;
  return swapped;
}

void DRAVOInterface::PlaceOneupRowsAndColumns(LayoutNestingInfo& record, std::int32_t oneup,
                                              std::int32_t printItem) {
  std::int32_t rows = record.maxOneupsY;
  std::int32_t columns = record.maxOneupsX;
  if (record.fillSheet.EqualsIgnoreCase(kNo)) {
    if (record.oneupsX > record.maxOneupsX || record.oneupsY > record.maxOneupsY) {
      Report(Severity::kInformation, "shapejobs.message.maxrowsandcols",
             QK_TAny(QK_TString::Format("%d", rows)), QK_TAny(QK_TString::Format("%d", columns)));
      QK_THROW(OneupExceedMaxException());
    }
    rows = record.oneupsY;
    columns = record.oneupsX;
  } else if (!record.fillSheet.EqualsIgnoreCase(kFillSheetYes)) {
    return;
  }
  Report(Severity::kInformation, "shapejobs.message.maxrowsandcols", QK_TAny(QK_TString::Format("%d", rows)),
         QK_TAny(QK_TString::Format("%d", columns)));
  // The alternative grid also takes the rotation and positioning set around it.
  const auto grid = layoutVersionFlag ? &DRAVOInterface::PlaceOneupGridAlt : &DRAVOInterface::PlaceOneupGrid;
  if ((this->*grid)(oneup, printItem, rows, columns) != Status::kDone) QK_THROW(NestFailedException());
}

void DRAVOInterface::ApplyManufacturingSheetSize(LayoutNestingInfo& record) {
  const double manufacturingX = ReadFloatText(EvaluateStringExpression("#MANSIZEX"));
  const double manufacturingY = ReadFloatText(EvaluateStringExpression("#MANSIZEY"));
  std::int16_t status = Status::kDone;  // of the last SetLayoutOption
  const auto setOption = [&](ShrinkOption option) {
    status = SetLayoutOption(option.vertical, option.horizontal);
  };

  if (!AnyLimitFlag(record)) {
    // The sheet of the placed block; the options decide which side may shrink to it.
    SetSheetSize(record.leftMargin + manufacturingX + record.rightMargin,
                 record.topMargin + manufacturingY + record.bottomMargin, record.leftMargin,
                 record.rightMargin, record.bottomMargin, record.topMargin);
    const int strategy = StrategyOf(record);
    const bool fills = record.fillSheet.EqualsIgnoreCase(kFillSheetYes);
    if (fills &&
        (strategy == AllocationStrategy::kGrowToMinimum || strategy == AllocationStrategy::kStrategyOne)) {
      setOption(kShrinkBoth);
    } else if (fills && strategy == AllocationStrategy::kStrategyTwo) {
      setOption(kShrinkNone);
    } else {
      const QK_TString shrink = ValueOf(record.parameters, kShrinkSheetSize);
      for (const auto& word : kShrinkWords) {
        if (shrink.EqualsIgnoreCase(word.word)) setOption(word.option);
      }
    }
  } else if ((record.belowMinX && record.belowMinY) || (record.exceedsMaxX && record.exceedsMaxY)) {
    // The sheet fit has set both sides already.
    setOption(kShrinkNone);
  } else {
    if (record.belowMinX || record.exceedsMaxX) setOption(kShrinkHeight);
    if (record.belowMinY || record.exceedsMaxY) setOption(kShrinkWidth);
  }
  if (status != Status::kDone) QK_THROW(ShrinkSheetException());
}

QK_TString DRAVOInterface::GetOneupDesignReference(const LayoutNestingInfo& record,
                                                   const LOTicketParam& ticket) {
  const bool enterprise = ticket.databaseKind == kEnterpriseKind;
  if (enterprise &&
      (ticket.selectDesign.EqualsIgnoreCase("project") || IsDatabaseReference(record.designReference))) {
    return record.designReference;
  }
  return record.designPath;
}

}  // namespace CAD
