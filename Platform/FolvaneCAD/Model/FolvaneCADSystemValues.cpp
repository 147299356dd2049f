#include "Model/FolvaneCADSystemValues.h"

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
  Extent extent = design.LineExtent();
  if (key == "#AREA") return Value::Number(extent.Width() * extent.Height());
  if (key == "#MANSIZEX") return Value::Number(extent.Width());
  if (key == "#MANSIZEY") return Value::Number(extent.Height());
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
  if (key == "#SHTSIZEX") return Value::Number(layout.sheetWidth);
  if (key == "#SHTSIZEY") return Value::Number(layout.sheetHeight);
  return std::nullopt;
}

}  // namespace FolvaneCAD
