// The values of a finished layout: the facts of the open manufacturing file,
// its template entry and its nest as the name/value pairs of the layout
// report.
#include <cmath>

#include "DRAVOInterface.h"

namespace CAD {

namespace {

const QK_TString kMillimetresWord(L"millimeters");
const QK_TString kInchesWord(L"inches");
constexpr double kMetresPerInch = 0.0254;
constexpr double kMillimetresPerMetre = 1000.0;
// "m2Per1000Sheets" is the product of the sheet's sides over this, the
// figure the layout reports have always carried.
constexpr double kPerThousandSheetsDivisor = 100.0;
constexpr double kGutterResolution = 1000.0;  // gutters to the nearest thousandth
constexpr int kAreaRatioPercentage = 100;

// How a value is read from the open layout: a text expression (trimmed), a
// number in the layout's unit, or a line length in metres.
enum class ValueKind { kText, kNumber, kMetres };

struct LayoutValue {
  const char* key;
  const char* expression;
  ValueKind kind;
  // A second length added before the conversion, or null.
  const char* addedExpression;
};

// The values before the sheet's size and after it, in the order they go in.
const LayoutValue kValuesBeforeSheet[] = {
    {"GrainDirection", "#GRAIN$", ValueKind::kText, nullptr},
    {"KnifeToKnifeLength", "#CUTSIZEX", ValueKind::kNumber, nullptr},
    {"KnifeToKnifeWidth", "#CUTSIZEY", ValueKind::kNumber, nullptr},
};
const LayoutValue kValuesAfterSheet[] = {
    {"ScrapPercent", "#WASTEHSHT", ValueKind::kNumber, nullptr},
    {"Area", "#AREA", ValueKind::kNumber, nullptr},
    {"OneupsInXDirection", "#NCROSS", ValueKind::kText, nullptr},
    {"OneupsInYDirection", "#NBACK", ValueKind::kText, nullptr},
    {"TotalOneUps", "#NUP", ValueKind::kText, nullptr},
    {"PrfLineLength", "LENTYPE(3)", ValueKind::kNumber, nullptr},
    {"CreaseLineLength", "LENTYPE(2)", ValueKind::kNumber, nullptr},
    {"ScrLineLength", "LENTYPE(2)", ValueKind::kMetres, "LENTYPE(223)"},
    {"SlitLineLength", "LENTYPE(1)", ValueKind::kMetres, nullptr},
    {"DiePress", "#DPRSNAME$", ValueKind::kText, nullptr},
};

QK_TString Number(double value) { return QK_TString::Format("%f", value); }

QK_TString UnitWord(std::int16_t unit) {
  if (unit == UnitCode::kMillimetres) return kMillimetresWord;
  if (unit == UnitCode::kInches) return kInchesWord;
  return QK_TString();
}

// A length of the layout's unit in metres; a unit of neither kind as read.
double InMetres(double length, const QK_TString& unitWord) {
  if (unitWord.EqualsIgnoreCase(kInchesWord)) return length * kMetresPerInch;
  if (unitWord.EqualsIgnoreCase(kMillimetresWord)) return length / kMillimetresPerMetre;
  return length;
}

// Halves away from zero, as std::round does.
double ToThousandths(double value) { return std::round(value * kGutterResolution) / kGutterResolution; }

}  // namespace

void DRAVOInterface::CollectLayoutValues(StringMap& values, const QK_TURL& mfg, const StringMap& entry,
                                         const LayoutNestingInfo& record, const LayoutTemplateNames& names,
                                         QK_TString gutterSwap, QK_TString nestingTypeSwap) {
  // A key already present keeps its earlier value.
  const auto put = [&values](const char* key, const QK_TString& value) { values.emplace(key, value); };
  const auto read = [this, &put](const LayoutValue& value, const QK_TString& unitWord) {
    if (value.kind == ValueKind::kText) {
      put(value.key, EvaluateStringExpression(value.expression).Trim());
      return;
    }
    double number = EvaluateNumericExpression(value.expression);
    if (value.addedExpression != nullptr) number += EvaluateNumericExpression(value.addedExpression);
    put(value.key, Number(value.kind == ValueKind::kMetres ? InMetres(number, unitWord) : number));
  };

  put("MFGFilePath", mfg.ToString());
  put("FormatClass", names.formatClass);
  put("MFGTemplate", names.mfgTemplate);
  const QK_TString printItem = ValueOf(entry, "Print Item");
  if (!printItem.Empty()) put("PrintItem", printItem.ToUpper());
  const QK_TString unitWord = UnitWord(GetUnit());
  put("Units", unitWord);
  for (const LayoutValue& value : kValuesBeforeSheet) read(value, unitWord);
  const double sheetX = EvaluateNumericExpression("#SHTSIZEX");
  put("SheetLength", Number(sheetX));
  const double sheetY = EvaluateNumericExpression("#SHTSIZEY");
  put("SheetWidth", Number(sheetY));
  put("m2Per1000Sheets", Number(sheetY * sheetX / kPerThousandSheetsDivisor));
  for (const LayoutValue& value : kValuesAfterSheet) read(value, unitWord);
  put("GutterX", Number(ToThousandths(record.gutterX)));
  put("GutterY", Number(ToThousandths(record.gutterY)));
  put("AreaRatioPercentage", QK_TString::Format("%d", kAreaRatioPercentage));
  put("GutterSwap", gutterSwap);
  put("NestingTypeSwap", nestingTypeSwap);
  put("CrossGrain", record.crossGrain);
}

}  // namespace CAD
