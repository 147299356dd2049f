// The run-standard operation: a design generated from a parametric standard
// (a standard file or database design run by the standards component) or
// from an entry of the style catalogue (run by the main control).
#include <cstdlib>

#include "AfxDisp.h"
#include "DRAVOInterface.h"
#include "DravoException.h"
#include "ShapejobCodes.h"

namespace CAD {

namespace {

// The selector of a ticket whose standard is not in the style catalogue.
const QK_TString kNonStyleCatalog(L"nonstylecatalog");
const QK_TString kFromStandard(L"From Standard or Design");
const QK_TString kCorrugated(L"Corrugated");
const QK_TString kFoldingCarton(L"Folding Carton");

// What the operations pass where the CAD application wants a setting that
// they never vary: the flag of RunStyleStandard and the two options every
// final save is made with.
constexpr std::int16_t kStyleRunFlag = 0;
constexpr std::int16_t kSaveOption72 = 1;
constexpr std::int16_t kSaveOption36 = 0;

// A ticket word (compared ignoring case) and the code it stands for.
struct WordCode {
  const char* word;
  std::int16_t code;
};

const WordCode kPrintSides[] = {{"Outside", PrintSideCode::kOutside}, {"Inside", PrintSideCode::kInside}};
// The units as the standards component takes them, and as the main control does.
const WordCode kStandardUnits[] = {{"Inch", StandardUnit::kInch}, {"mm", StandardUnit::kMetric}};
const WordCode kControlUnits[] = {{"Inch", UnitCode::kInches}, {"mm", UnitCode::kMillimetres}};

template <std::size_t N>
const WordCode* FindWord(const WordCode (&table)[N], const QK_TString& text) {
  for (const WordCode& entry : table) {
    if (text.EqualsIgnoreCase(entry.word)) return &entry;
  }
  return nullptr;
}

QK_TString CodeText(std::int16_t code) { return QK_TString::Format("%d", code); }

bool NoGrainGiven(const QK_TString& grain) { return grain.Empty() || grain.EqualsIgnoreCase(kFromStandard); }

[[noreturn]] void ThrowInvalidGrain(const QK_TString& grain) {
  QK_THROW(InvalidGraindirectionException(
      QK_TString("GrainDirection must be Vertical, Horizontal or From Standard or Design"), QK_TAny(grain)));
}

template <std::size_t N>
std::int16_t UnitCodeOf(const WordCode (&table)[N], const QK_TString& unit) {
  const WordCode* found = FindWord(table, unit);
  if (found == nullptr) QK_THROW(InvalidUnitException(QK_TString("Unit must be MM or Inch"), QK_TAny(unit)));
  return found->code;
}

std::int16_t PrintSideOf(const QK_TString& printSide) {
  const WordCode* found = FindWord(kPrintSides, printSide);
  if (found == nullptr) {
    QK_THROW(InvalidPrintsideException(QK_TString("Printside must be Inside or Outside"), QK_TAny(printSide)));
  }
  return found->code;
}

void RequireDesignName(const RunStandardTicketData& record) {
  if (record.designName.Empty()) QK_THROW(EmptyDesignNameException(QK_TString("The Design Name is empty")));
}

void RequireBoardCode(const RunStandardTicketData& record) {
  if (record.boardCode.Empty()) QK_THROW(BoardCodeEmptyException());
}

// The leading decimal number of a text, 0 when there is none.
double LeadingNumber(const QK_TString& text) { return std::strtod(text.c_str(), nullptr); }

}  // namespace

QK_TString DRAVOInterface::IndustryOfStandard(const RunStandardTicketData& record) {
  const QK_TString& grain = record.grainDirection;
  if (grain.EqualsIgnoreCase(kHorizontal)) return kFoldingCarton;
  if (grain.EqualsIgnoreCase(kVertical)) return kCorrugated;
  if (!NoGrainGiven(grain)) ThrowInvalidGrain(grain);
  OpenDesign(LocalPathFromFileURL(record.designName));
  const std::int16_t industry = GetIndustryCode();
  CloseDesign();
  if (industry == IndustryCode::kCorrugated) return kCorrugated;
  if (industry == IndustryCode::kFoldingCarton) return kFoldingCarton;
  return grain;
}

int DRAVOInterface::GenerateDesignFromStandard(RunStandardTicketData& record) {
  if (!record.styleCatalog.EqualsIgnoreCase(kNonStyleCatalog)) return GenerateDesignFromStyle(record);
  RequireDesignName(record);
  const QK_TString industry = IndustryOfStandard(record);
  const std::int16_t unit = UnitCodeOf(kStandardUnits, record.units);
  const QK_TString unitWord = unit == StandardUnit::kInch ? "Inch" : "Metric";
  const std::int16_t printSide = PrintSideOf(record.printSide);

  int result = 0;
  Report(Severity::kInformation, "shapejobs.message.standarddesign", QK_TAny(record.designName));
  const QK_TString standardPath = OpenSplitDesign(record.designName, result);
  RequireBoardCode(record);
  Report(Severity::kInformation, "shapejobs.message.boardcode", QK_TAny(record.boardCode));
  Report(Severity::kInformation, "shapejobs.message.boarddescription", QK_TAny(record.boardDescription));
  const QK_TString parameterSet = industry + " - " + unitWord + " - Single design parameters";
  Report(Severity::kInformation, "shapejobs.message.parametersetname", QK_TAny(parameterSet));
  OpenStandard(standardPath, kOpenStandardOption, unit, QK_TString(), parameterSet);

  Report(Severity::kInformation, "shapejobs.message.runningstandarddesign");
  if (RunStandard(record.variables) != 0) result = 1;
  Report(Severity::kInformation, "shapejobs.message.runstandardrunoutputpath", QK_TAny(record.outputPath));
  const QK_TString produced = TemporaryFile(".kpx", false).LocalName();
  if (!record.outputPath.Empty()) SaveStandardDesign(produced);
  Report(Severity::kInformation, "shapejobs.message.opendesign", QK_TAny(produced));
  OpenDesign(produced);

  SetBoard(record);
  Report(Severity::kInformation, "shapejobs.message.printside", QK_TAny(CodeText(printSide)));
  SetPrintSide(printSide);
  Report(Severity::kInformation, "shapejobs.message.rebuild");
  if (static_cast<std::uint16_t>(Rebuild()) > static_cast<std::uint16_t>(Status::kDoneWithRemarks)) {
    Report(Severity::kError, "shapejobs.message.dravoerrorstring", QK_TAny(GetErrorString()));
    QK_THROW(DravoError(GetErrorString()));
  }
  if (RunPostCommandScript(record.commandScript) != 0) result = 1;
  if (SaveAndCloseDesign(record) != 0) result = 1;
  return result;
}

int DRAVOInterface::GenerateDesignFromStyle(RunStandardTicketData& record) {
  try {
    return RunStyle(record);
  } catch (COleDispatchException* caught) {
    QK_THROW(DravoRuntimeExceptionFromDispatch(QK_TString("RunStandard failed"), caught));
  } catch (CException* caught) {
    QK_THROW(DravoRuntimeExceptionFromOle(QK_TString("RunStandard failed"), caught));
  }
}

int DRAVOInterface::RunStyle(RunStandardTicketData& record) {
  int result = 0;
  const QK_TString& grain = record.grainDirection;
  // Built on first use: the grain words are constants of another file.
  static const WordCode kGrains[] = {{kVertical.c_str(), GrainCode::kVertical},
                                     {kHorizontal.c_str(), GrainCode::kHorizontal}};
  const WordCode* grainCode = FindWord(kGrains, grain);
  if (grainCode == nullptr && !NoGrainGiven(grain)) ThrowInvalidGrain(grain);
  Report(Severity::kInformation, "shapejobs.message.graindirection",
         QK_TAny(grainCode != nullptr ? CodeText(grainCode->code) : grain));
  if (grainCode != nullptr) SetOption28(grainCode->code);
  const std::int16_t unit = UnitCodeOf(kControlUnits, record.units);
  Report(Severity::kInformation, "shapejobs.message.unit", QK_TAny(CodeText(unit)));
  SetOption29(unit);
  const std::int16_t printSide = PrintSideOf(record.printSide);
  RequireDesignName(record);

  Report(Severity::kInformation, "shapejobs.message.runstandarddesign", QK_TAny(record.designName));
  SetStyleWorkspace(record.designName);
  RequireBoardCode(record);
  Report(Severity::kInformation, "shapejobs.message.boardcode", QK_TAny(record.boardCode));
  Report(Severity::kInformation, "shapejobs.message.boarddescription", QK_TAny(record.boardDescription));
  SetBoard(record);

  Report(Severity::kInformation, "shapejobs.message.runstandardsetvariables");
  for (const auto& variable : record.variables) {
    if (!variable) continue;
    Report(Severity::kInformation, "shapejobs.message.varname", QK_TAny(variable->Name));
    Report(Severity::kInformation, "shapejobs.message.varval", QK_TAny(variable->Value));
    if (variable->Name.Empty()) continue;
    const std::int16_t status = variable->Name.EndsWith("$")
                                    ? SetStringVariable(variable->Name, variable->Value)
                                    : SetNumericVariable(variable->Name, LeadingNumber(variable->Value));
    if (status != Status::kDone) {
      Report(Severity::kWarning, "shapejobs.message.variablenotexist",
             QK_TAny(variable->Name + "," + variable->Value));
      result = 1;
    }
  }

  Report(Severity::kInformation, "shapejobs.message.runningstandarddesign");
  if (RunStyleStandard(kStyleRunFlag) == Status::kDoneWithRemarks) result = 1;
  Report(Severity::kInformation, "shapejobs.message.printside", QK_TAny(CodeText(printSide)));
  SetPrintSide(printSide);
  if (RunPostCommandScript(record.commandScript) != 0) result = 1;
  Report(Severity::kInformation, "shapejobs.message.runstandardrunoutputpath", QK_TAny(record.outputPath));
  if (SaveAndCloseDesign(record) != 0) result = 1;
  return result;
}

void DRAVOInterface::SetBoard(const RunStandardTicketData& record) {
  if (record.boardDescription.Empty()) {
    SetBoardCode(record.boardCode);
  } else {
    SetBoardCodeAndDescription(record.boardCode, record.boardDescription);
  }
}

int DRAVOInterface::RunPostCommandScript(const QK_TString& script) {
  if (script.Empty()) return 0;
  Report(Severity::kInformation, "shapejobs.message.runpostcommandscript", QK_TAny(script));
  if (RunCommand(script) == Status::kDone) return 0;
  Report(Severity::kWarning, "shapejobs.message.dravoerrorstring", QK_TAny(GetErrorString()));
  return 1;
}

int DRAVOInterface::SaveAndCloseDesign(const RunStandardTicketData& record) {
  int result = 0;
  if (record.databaseKind == kConventionalKind && SetDesignPeople(record.dbInfo) == 1) result = 1;
  SetOption72(kSaveOption72);
  SetOption36(kSaveOption36);
  if (!record.outputPath.Empty() && SaveOutputDesign(record.outputPath, *record.delivered) != 0) result = 1;
  Report(Severity::kInformation, "shapejobs.message.runstandardclosingdesign");
  CloseDesign();
  Report(Severity::kInformation, "shapejobs.message.runstandardclosedesign");
  return result;
}

}  // namespace CAD
