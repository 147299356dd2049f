#include "Model/FolvaneCADSystemValues.h"

#include <algorithm>
#include <cmath>

#include "Model/FolvaneCADNesting.h"
#include "Model/FolvaneCADShape.h"

namespace FolvaneCAD {

namespace {

QK_TString GrainWord(int grain) {
  if (grain == 1) return "Vertical";
  if (grain == 2) return "Horizontal";
  return "";
}

const PrintItem* CurrentItem(const DesignView& view) {
  int count = static_cast<int>(view.design->printItems.size());
  if (view.currentPrintItem < 1 || view.currentPrintItem > count) return nullptr;
  return &view.design->printItems[view.currentPrintItem - 1];
}

std::optional<Value> SizeValue(const Design& design, const QK_TString& key) {
  const Extent& extent = design.LineExtent();
  if (key == "#AREA") return Value::Number(design.Shape().BlankArea());
  if (key == "#MANSIZEX") return Value::Number(extent.Width());
  if (key == "#MANSIZEY") return Value::Number(extent.Height());
  return std::nullopt;
}

constexpr char kLineLengthFunction[] = "LENTYPE";
constexpr double kPercent = 100.0;

double Ups(const Layout& layout) {
  double ups = 0;
  for (const EmbeddedDesign& embedded : layout.designs) ups += embedded.ups;
  return ups;
}

// The share of the sheet that the blanks of the ups leave, in percent.
double Waste(const Layout& layout, double sheetArea) {
  if (sheetArea <= 0) return 0;
  double blanks = 0;
  for (const EmbeddedDesign& embedded : layout.designs) blanks += embedded.ups * embedded.design.Shape().BlankArea();
  return std::max(0.0, kPercent * (1 - blanks / sheetArea));
}

std::optional<Value> SheetValue(const Layout& layout, const QK_TString& key) {
  Size sheet = EffectiveSheet(layout);
  Size block = BlockSize(layout);
  if (key == "#SHTSIZEX") return Value::Number(sheet.width);
  if (key == "#SHTSIZEY") return Value::Number(sheet.height);
  if (key == "#MANSIZEX" || key == "#CUTSIZEX") return Value::Number(block.width);
  if (key == "#MANSIZEY" || key == "#CUTSIZEY") return Value::Number(block.height);
  if (key == "#AREA") return Value::Number(sheet.width * sheet.height);
  if (key == "#WASTEHSHT") return Value::Number(Waste(layout, sheet.width * sheet.height));
  return std::nullopt;
}

}  // namespace

std::optional<Value> DesignSystemValue(const DesignView& view, const QK_TString& name) {
  if (view.design == nullptr) return std::nullopt;
  QK_TString key = name.ToUpper();
  const PrintItem* item = CurrentItem(view);
  if (key == "#W$") return Value::Text(view.name);
  if (key == "#GRAIN$") return Value::Text(GrainWord(view.design->grain));
  if (key == "#NITEMS") return Value::Number(static_cast<double>(view.design->printItems.size()));
  if (key == "#NUPD") return Value::Number(view.ups);
  if (key == "#ITEM$") return Value::Text(item != nullptr ? item->name : QK_TString());
  if (key == "#NUPP") return Value::Number(item != nullptr ? item->ups : 0);
  return SizeValue(*view.design, key);
}

std::optional<Value> LayoutSystemValue(const Layout& layout, const QK_TString& name) {
  QK_TString key = name.ToUpper();
  if (key == "#NDESIGNSA") return Value::Number(static_cast<double>(layout.designs.size()));
  if (key == "LAY.UNIT$") return Value::Text(layout.unit == Unit::kInch ? "I" : "M");
  if (key == "#GRAIN$") return Value::Text(GrainWord(layout.orientation));
  if (key == "#DPRSNAME$") return Value::Text(layout.diePress);
  if (key == "#NUP") return Value::Number(Ups(layout));
  if (key == "#NCROSS") return Value::Number(static_cast<double>(TotalColumns(layout)));
  if (key == "#NBACK") return Value::Number(static_cast<double>(TotalRows(layout)));
  return SheetValue(layout, key);
}

std::optional<Value> LineLengthFunction(const QK_TString& name, const std::vector<Value>& arguments,
                                        const std::function<double(int)>& lengthOfType, QK_TString* error) {
  if (!name.EqualsIgnoreCase(kLineLengthFunction)) return std::nullopt;
  double type = arguments.size() == 1 && !arguments[0].isText ? arguments[0].number : -1;
  if (type < 0 || type > kMaximumLineType || type != std::floor(type)) {
    *error = QK_TString(kLineLengthFunction) + " takes one line type, a whole number from 0 to " +
             QK_TString::Format("%d", kMaximumLineType);
    return std::nullopt;
  }
  return Value::Number(lengthOfType(static_cast<int>(type)));
}

double LayoutLengthOfType(const Layout& layout, int type) {
  double length = 0;
  for (const EmbeddedDesign& embedded : layout.designs) length += embedded.ups * embedded.design.LengthOfType(type);
  return length;
}

}  // namespace FolvaneCAD
