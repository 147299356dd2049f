// The nest of one nesting type and rotation: the nesting driver, the nest
// pass (start sheet, placing, sheet fit, scripts, save) and the two sheet
// fits that follow the placing.
#include <boost/lexical_cast.hpp>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "DRAVOInterface.h"
#include "DravoException.h"
#include "ShapejobCodes.h"
#include "TW_TTask.h"

namespace CAD {

namespace {

const QK_TString kTimeScriptCommand(L"EXE ");
// SetOption72 and SetOption36 before the manufacturing file is saved.
constexpr std::int16_t kOptionOff = 0;
const char kInvalidNestingTypeText[] =
    "Invalid Nesting Type: %s. Expected Nesting Type values are: 'Straight Nest', 'Reverse 2nd Row Nest', "
    "'Reverse 2nd Row Align Nest', 'Reverse 2nd Column Nest', 'Reverse 2nd Column Align Nest' or 'All'. ";

QK_TString Number(double value) { return QK_TString::Format("%f", value); }

// The nesting-type code of a ticket text, or 0 when it is no whole number.
std::int32_t NestingCodeOf(const QK_TString& text) {
  try {
    return boost::lexical_cast<std::int32_t>(text.str());
  } catch (const boost::bad_lexical_cast&) {
    return 0;
  }
}

bool IsNestingCode(std::int32_t code) {
  return code >= NestingType::kStraight && code <= NestingType::kReverseSecondColumnAlign;
}

// The strategies that size the sheet: a start sheet, the sheet fit.
bool SizesSheet(const LayoutNestingInfo& record) {
  return record.allocationStrategy >= AllocationStrategy::kGrowToMinimum &&
         record.allocationStrategy <= AllocationStrategy::kStrategyTwo;
}

bool AnyLimitFlag(const LayoutNestingInfo& record) {
  return record.exceedsMaxX || record.exceedsMaxY || record.belowMinX || record.belowMinY;
}

// The sheet a growing nest starts from: one one-up with the margins and one
// gutter, or the minimum sheet plus one one-up. A direction with a minimum
// but none in the other keeps the largest sheet there.
void SetStartSheet(LayoutNestingInfo& record, const DesignInfo& design) {
  const bool along = record.orientationCode == design.industryCode;
  const double across = along ? design.manufacturingSizeX : design.manufacturingSizeY;
  const double down = along ? design.manufacturingSizeY : design.manufacturingSizeX;
  const bool minimumX = record.minSheetSizeX != 0.0;
  const bool minimumY = record.minSheetSizeY != 0.0;
  if (minimumX && minimumY) {
    record.sheetX = record.minSheetSizeX + across;
    record.sheetY = record.minSheetSizeY + down;
    return;
  }
  if (!minimumX) record.sheetX = record.leftMargin + across + record.rightMargin + record.gutterX;
  if (!minimumY) record.sheetY = record.topMargin + down + record.bottomMargin + record.gutterY;
}

// The failures of the placing steps that the nest pass reports and turns
// into InvalidMandatoryParameterValueExceptionHandler with a fixed text.
enum class FailureArgument { kNone, kLayoutError, kOwnText };

struct NestPassFailure {
  const char* key;
  FailureArgument argument;
  const char* text;
};

template <class Exception>
struct CaughtAs {
  NestPassFailure failure;
};

const auto kNestPassFailures = std::make_tuple(
    CaughtAs<SetSheetSizeException>{{"shapejobs.message.setsheetsizefail", FailureArgument::kLayoutError,
                                     "Failed in setting sheet size"}},
    CaughtAs<SetNestDataFailedException>{{"shapejobs.message.setnestdatafailed",
                                          FailureArgument::kLayoutError, "Failed in setting nest data"}},
    CaughtAs<OneupAddException>{{"shapejobs.message.failtoaddoneup", FailureArgument::kLayoutError,
                                 "Failed in adding oneup on the sheet"}},
    CaughtAs<OneupExceedMaxException>{
        {"shapejobs.message.oneupsexceedmax", FailureArgument::kNone, "Failed because One Ups exceeds max"}},
    CaughtAs<NestFailedException>{
        {"shapejobs.message.nestingfailed", FailureArgument::kLayoutError, "Nesting failed"}},
    CaughtAs<ShrinkSheetException>{
        {"shapejobs.message.shrinksheetfailed", FailureArgument::kLayoutError, "Shrink sheet failed"}},
    CaughtAs<std::invalid_argument>{
        {"shapejobs.message.invalidargument", FailureArgument::kOwnText, "Failed due to invalid argument"}},
    CaughtAs<PositioningFailedException>{
        {"shapejobs.message.positionfailed", FailureArgument::kLayoutError, "Positioning failed"}},
    CaughtAs<RotationFailedException>{
        {"shapejobs.message.rotationfailed", FailureArgument::kLayoutError, "Rotation failed"}});

QK_TString OwnText(const std::exception& caught) { return caught.what(); }
QK_TString OwnText(const QK_EException& caught) { return caught.QK_Message(); }

// `body` inside one catch clause per row, the first row innermost so that
// the rows are tried in the table's order; `handle` gets the row and the
// caught exception's own text and does not return.
template <class Body, class Handle>
int CatchNestPassFailures(Body&& body, Handle&&) {
  return body();
}

template <class Body, class Handle, class First, class... Rest>
int CatchNestPassFailures(Body&& body, Handle&& handle, const CaughtAs<First>& first,
                          const CaughtAs<Rest>&... rest) {
  const auto guarded = [&]() -> int {
    try {
      return body();
    } catch (const First& caught) {
      return handle(first.failure, OwnText(caught));
    }
  };
  return CatchNestPassFailures(guarded, handle, rest...);
}

// What decides the next placement of the sheet fit: when a pass would place
// again exactly as the pass before, the CAD application will answer the
// same again.
struct SheetFitState {
  double readX, readY, sheetX, sheetY;
  bool exceedsMaxX, exceedsMaxY, belowMinX, belowMinY;

  bool operator==(const SheetFitState& other) const {
    return readX == other.readX && readY == other.readY && sheetX == other.sheetX && sheetY == other.sheetY &&
           exceedsMaxX == other.exceedsMaxX && exceedsMaxY == other.exceedsMaxY &&
           belowMinX == other.belowMinX && belowMinY == other.belowMinY;
  }
};

SheetFitState FitStateOf(const LayoutNestingInfo& record, double x, double y) {
  return {x,
          y,
          record.sheetX,
          record.sheetY,
          record.exceedsMaxX,
          record.exceedsMaxY,
          record.belowMinX,
          record.belowMinY};
}

// Strategy 0 grows the sheet by one one-up towards the minimum, across
// first; the step along a direction is the one-up's own size there when
// the nest keeps the design's orientation. True when the sheet grew.
bool GrowTowardsMinimum(LayoutNestingInfo& record, const DesignInfo& design, double x, double y) {
  const bool along = record.orientationCode == design.industryCode;
  if (x < record.minSheetSizeX) {
    record.sheetX += along ? design.manufacturingSizeX : design.manufacturingSizeY;
    return true;
  }
  if (y < record.minSheetSizeY) {
    record.sheetY += along ? design.manufacturingSizeY : design.manufacturingSizeX;
    return true;
  }
  return false;
}

// Turns a cross-grain nest to the grain and saves it as the manufacturing
// file; a save with remarks makes the pass's result a warning.
int SaveNest(DRAVOInterface& cad, LayoutNestingInfo& record, std::int16_t orientationCode, int result) {
  if (record.crossGrain.EqualsIgnoreCase(kYes)) {
    const bool across = record.grainCode != orientationCode;
    if (across) cad.SetOption28(record.grainCode);
    record.crossGrainUsed = across ? kYes : kNo;
  }
  cad.SetOption72(kOptionOff);
  cad.SetOption36(kOptionOff);
  return cad.SaveDesign(record.mfgFilePath) == Status::kDoneWithRemarks ? NestPassResult::kWarning : result;
}

}  // namespace

void DRAVOInterface::RunNesting(LayoutNestingInfo& record, const QK_TString& baseName, QK_TURL& mfgLocation,
                                const LOTicketParam& ticket, bool namePerRotation, const QK_TURL& tryFolder,
                                double rotation, int& nestingCodeOut, const QK_TString& nestingTypeCode,
                                const LayoutTemplateNames& names, std::int16_t orientationCode,
                                std::int32_t designCode, QK_TString& nestingTypeSwapText,
                                QK_TString& gutterSwapText, const QK_TString& ticketDesignPath,
                                const DesignInfo& namedDesignInfo, const DesignInfo& pathDesignInfo,
                                QK_TString timeScript, int& passResult) {
  try {
    if (namePerRotation) {
      mfgLocation = tryFolder.Child(baseName + QK_TString::Format("_%d", static_cast<int>(rotation)));
      ChangeExtension(mfgLocation, kManufacturingExtension);
      if (reporter != nullptr) reporter->RegisterTempFile(mfgLocation);
    }
    // The local path itself: the URL text without its scheme would keep the
    // percent escapes of blanks and other characters in the file name.
    record.mfgFilePath = mfgLocation.ToString(true);
    const std::int32_t code = NestingCodeOf(nestingTypeCode);
    nestingCodeOut = code;
    record.nestingCode = code;
    if (!IsNestingCode(code)) {
      ReleaseLayoutObject();
      Report(Severity::kError, "shapejobs.error.invalidnestingtype", QK_TAny(nestingTypeCode));
      QK_THROW(InvalidNestingTypeExceptionHandler(
          QK_TString::Format(kInvalidNestingTypeText, nestingTypeCode.c_str())));
    }
    const bool turned = orientationCode != designCode;
    if (turned && code != NestingType::kStraight) nestingTypeSwapText = kTrue;
    record.nestingTypeSwap = nestingTypeSwapText;
    if (turned) gutterSwapText = kTrue;
    record.gutterSwap = gutterSwapText;
    if (!names.designName.Empty()) {
      passResult = RunNestPass(record, ticket, orientationCode, namedDesignInfo, timeScript);
    } else if (!ticketDesignPath.Empty()) {
      passResult = RunNestPass(record, ticket, orientationCode, pathDesignInfo, timeScript);
    }
  } catch (const InvalidMandatoryParameterValueExceptionHandler& caught) {
    QK_THROW(InvalidMandatoryParameterValueExceptionHandler(caught.QK_Message()));
  } catch (const InvalidNestingTypeExceptionHandler& caught) {
    QK_THROW(InvalidNestingTypeExceptionHandler(caught.QK_Message()));
  }
}

int DRAVOInterface::RunNestPass(LayoutNestingInfo& record, const LOTicketParam& ticket,
                                std::int16_t orientationCode, const DesignInfo& design,
                                QK_TString timeScript) {
  // A failing script is reported with the control's error text.
  const auto ranScript = [this](const QK_TString& command) {
    if (RunCommand(command) == Status::kDone) return true;
    Report(Severity::kError, "shapejobs.message.dravoerrorstring", QK_TAny(GetErrorString()));
    return false;
  };
  const auto pass = [&]() -> int {
    if (SizesSheet(record)) {
      if (record.allocationStrategy == AllocationStrategy::kGrowToMinimum &&
          record.fillSheet.EqualsIgnoreCase("YES")) {
        SetStartSheet(record, design);
      }
      Report(Severity::kInformation, "shapejobs.message.sheetsizeX", QK_TAny(Number(record.sheetX)));
      Report(Severity::kInformation, "shapejobs.message.sheetsizeY", QK_TAny(Number(record.sheetY)));
    }
    PlacePrintItem(record, design, ticket);
    if (SizesSheet(record)) FitNestingSheetSize(record, design, ticket, 0.0, 0.0);
    const bool fits = FitClippingSheetSize(record);
    int result = NestPassResult::kClean;
    if (!ticket.commandScript.Empty()) {
      Report(Severity::kInformation, "shapejobs.message.runpostcommandscript", QK_TAny(ticket.commandScript));
      if (!ranScript(ticket.commandScript)) result = NestPassResult::kWarning;
    }
    const QK_TString script =
        timeScript.StartsWith(kFileScheme) ? QK_TURL(timeScript).ToString(true) : QK_TString();
    if (!ranScript(kTimeScriptCommand + script)) result = NestPassResult::kNotSaved;
    if (!fits) return NestPassResult::kNotSaved;
    if (record.mfgFilePath.Empty()) return result;
    return SaveNest(*this, record, orientationCode, result);
  };
  const auto fail = [this](const NestPassFailure& failure, const QK_TString& ownText) -> int {
    if (reporter != nullptr) {
      switch (failure.argument) {
        case FailureArgument::kNone:
          Report(Severity::kError, failure.key);
          break;
        case FailureArgument::kLayoutError:
          Report(Severity::kError, failure.key, QK_TAny(GetLayoutErrorString()));
          break;
        case FailureArgument::kOwnText:
          Report(Severity::kError, failure.key, QK_TAny(ownText));
          break;
      }
    }
    ReleaseLayoutObject();
    QK_THROW(InvalidMandatoryParameterValueExceptionHandler(QK_TString(failure.text)));
  };
  return std::apply([&](const auto&... rows) { return CatchNestPassFailures(pass, fail, rows...); },
                    kNestPassFailures);
}

void DRAVOInterface::SetMFGTemplate(const QK_TString& reference) {
  if (IsDatabaseReference(reference)) {
    Report(Severity::kInformation, "shapejobs.message.settingmfgtemplate", QK_TAny(DatabaseDesignName(reference)));
    OpenDesign(reference);
    return;
  }
  Report(Severity::kInformation, "shapejobs.message.settingmfgtemplate", QK_TAny(FileNameOfPath(reference)));
  OpenDesign(reference.StartsWith(kFileScheme) ? LocalPathFromFileURL(reference) : reference);
}

void DRAVOInterface::FitNestingSheetSize(LayoutNestingInfo& record, const DesignInfo& design,
                                         const LOTicketParam& ticket, double previousX, double previousY) {
  const bool clip = record.shrinkSheet.EqualsIgnoreCase(kYes);
  // Clamps one direction to `limit`, reporting the sheet read and `warning`.
  const auto clamp = [this](double& sheet, double limit, bool& flag, const char* sheetKey, double read,
                            const char* warning) {
    sheet = limit;
    flag = true;
    Report(Severity::kInformation, sheetKey, QK_TAny(Number(read)));
    Report(Severity::kWarning, warning);
  };
  SheetFitState placed{};
  for (int pass = 0; pass < kMaximumSheetFitPasses; ++pass) {
    const double x = ReadFloatText(EvaluateStringExpression("#SHTSIZEX"));
    const double y = ReadFloatText(EvaluateStringExpression("#SHTSIZEY"));
    bool done = true;
    if (record.allocationStrategy == AllocationStrategy::kGrowToMinimum && x != previousX && y != previousY) {
      if (GrowTowardsMinimum(record, design, x, y)) done = false;
      if (clip && x > record.sheetSizeX) {
        clamp(record.sheetX, record.minSheetSizeX, record.exceedsMaxX, "shapejobs.message.nesting.sheetsizeX",
              x, "shapejobs.warning.exceedMaxsheetsizeX");
        done = false;
      }
      if (clip && y > record.sheetSizeY) {
        clamp(record.sheetY, record.minSheetSizeY, record.exceedsMaxY, "shapejobs.message.nesting.sheetsizeY",
              y, "shapejobs.warning.exceedMaxsheetsizeY");
        done = false;
      }
    }
    if (clip && x < record.minSheetSizeX) {
      clamp(record.sheetX, record.minSheetSizeX, record.belowMinX, "shapejobs.message.nesting.sheetsizeX", x,
            "shapejobs.warning.belowMinsheetsizeX");
      done = false;
    }
    if (clip && y < record.minSheetSizeY) {
      clamp(record.sheetY, record.minSheetSizeY, record.belowMinY, "shapejobs.message.nesting.sheetsizeY", y,
            "shapejobs.warning.belowMinsheetsizeY");
      done = false;
    }
    if (done) return;
    // Placing again as the pass before did would only read the same sheet.
    const SheetFitState next = FitStateOf(record, x, y);
    if (pass > 0 && next == placed) return;
    placed = next;
    ResetLayout();
    SetOption29(static_cast<std::int16_t>(record.option29Code));
    SetOption28(record.orientationCode);
    PlacePrintItem(record, design, ticket);
    previousX = x;
    previousY = y;
  }
}

bool DRAVOInterface::FitClippingSheetSize(const LayoutNestingInfo& record) {
  if (!record.fillSheet.EqualsIgnoreCase(kYes) || record.allocationStrategy == AllocationStrategy::kUnset ||
      record.allocationStrategy > AllocationStrategy::kStrategyTwo) {
    return true;
  }
  const double x = ReadFloatText(EvaluateStringExpression("#SHTSIZEX"));
  const double y = ReadFloatText(EvaluateStringExpression("#SHTSIZEY"));
  const bool limited = AnyLimitFlag(record);
  Report(Severity::kInformation,
         limited ? "shapejobs.message.clipping.sheetsizeX" : "shapejobs.message.nesting.sheetsizeX",
         QK_TAny(Number(x)));
  Report(Severity::kInformation,
         limited ? "shapejobs.message.clipping.sheetsizeY" : "shapejobs.message.nesting.sheetsizeY",
         QK_TAny(Number(y)));
  bool fits = true;
  // Reports `warning` and refuses the sheet.
  const auto refuse = [this, &fits](const char* warning) {
    fits = false;
    Report(Severity::kWarning, warning);
  };
  if (record.allocationStrategy == AllocationStrategy::kGrowToMinimum) {
    if (x > record.sheetSizeX) {
      refuse("shapejobs.warning.exceedMaxsheetsizeX");
    } else if (y > record.sheetSizeY) {
      refuse("shapejobs.warning.exceedMaxsheetsizeY");
    }
  }
  if (record.shrinkSheet.EqualsIgnoreCase(kNo)) {
    if (x < record.minSheetSizeX) {
      refuse("shapejobs.warning.belowMinsheetsizeX");
    } else if (y < record.minSheetSizeY) {
      refuse("shapejobs.warning.belowMinsheetsizeY");
    }
  }
  return fits;
}

QK_TString DRAVOInterface::GetNestingTypeCode(const QK_TString& code) {
  static const char* const kKeywords[][2] = {
      {"1", "StraightNest"},          {"2", "ReverseSecondRow"},      {"3", "ReverseSecondCol"},
      {"4", "ReverseSecondRowAlign"}, {"5", "ReverseSecondColAlign"},
  };
  for (const auto& keyword : kKeywords) {
    if (code == keyword[0]) return keyword[1];
  }
  return code;
}

}  // namespace CAD
