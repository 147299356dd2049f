#include "Model/FolvaneCADLayout.h"

#include "Output/FolvaneCADText.h"

namespace FolvaneCAD {

void Layout::SetUnit(Unit newUnit) {
  double factor = MillimetresPer(unit) / MillimetresPer(newUnit);
  sheetWidth *= factor;
  sheetHeight *= factor;
  for (EmbeddedDesign& embedded : designs) embedded.design.SetUnit(newUnit);
  unit = newUnit;
}

namespace {

QK_TString AtLine(const QK_TXmlElement& element, const QK_TString& reason) {
  return QK_TString::Format("line %u: ", element.line) + reason;
}

bool ReadSheet(const QK_TXmlElement& element, Layout* layout, QK_TString* error) {
  AttributeReader reader(element);
  layout->name = reader.TakeOr("name", "");
  QK_TString unit = reader.TakeOr("unit", "mm");
  QK_TString width = reader.TakeOr("sheetWidth", "0");
  QK_TString height = reader.TakeOr("sheetHeight", "0");
  layout->keptAttributes = reader.Rest();
  if (!unit.EqualsIgnoreCase("mm") && !unit.EqualsIgnoreCase("inch")) {
    *error = AtLine(element, "unit=\"" + unit + "\" is not mm or inch");
    return false;
  }
  layout->unit = unit.EqualsIgnoreCase("inch") ? Unit::kInch : Unit::kMillimetre;
  if (!ParseNumber(width, &layout->sheetWidth) || !ParseNumber(height, &layout->sheetHeight)) {
    *error = AtLine(element, "the sheet size \"" + width + "\" x \"" + height + "\" is not a pair of numbers");
    return false;
  }
  return true;
}

// The ups belong to the layout, not to the design, so they are taken off the
// element before the design reads the rest.
bool ReadEmbedded(const QK_TXmlElement& element, EmbeddedDesign* embedded, QK_TString* error) {
  QK_TXmlElement designElement = element;
  AttributeReader reader(element);
  QK_TString ups = reader.TakeOr("ups", "1");
  designElement.attributes = reader.Rest();
  long count = 0;
  if (!ParseInteger(ups, &count) || count < 0 || count > kMaximumUps) {
    *error = AtLine(element, "ups=\"" + ups + "\" is not a number of ups");
    return false;
  }
  embedded->ups = static_cast<int>(count);
  return ReadDesign(designElement, &embedded->design, error);
}

}  // namespace

bool ReadLayout(const QK_TXmlElement& element, Layout* layout, QK_TString* error) {
  *layout = Layout();
  if (!ReadSheet(element, layout, error)) return false;
  for (const QK_TXmlElement& child : element.children) {
    if (child.name != "Design") {
      layout->keptElements.push_back(child);
      continue;
    }
    layout->designs.emplace_back();
    if (!ReadEmbedded(child, &layout->designs.back(), error)) return false;
  }
  return true;
}

QK_TXmlElement LayoutElement(const Layout& layout) {
  QK_TXmlElement element = MakeElement("Layout");
  if (!layout.name.Empty()) element.attributes.emplace_back("name", layout.name);
  element.attributes.emplace_back("unit", UnitName(layout.unit));
  element.attributes.emplace_back("sheetWidth", FormatNumber(layout.sheetWidth));
  element.attributes.emplace_back("sheetHeight", FormatNumber(layout.sheetHeight));
  element.attributes.insert(element.attributes.end(), layout.keptAttributes.begin(), layout.keptAttributes.end());
  for (const EmbeddedDesign& embedded : layout.designs) {
    QK_TXmlElement designElement = DesignElement(embedded.design);
    designElement.attributes.insert(designElement.attributes.begin() + (embedded.design.name.Empty() ? 0 : 1),
                                    {"ups", QK_TString::Format("%d", embedded.ups)});
    element.children.push_back(designElement);
  }
  element.children.insert(element.children.end(), layout.keptElements.begin(), layout.keptElements.end());
  return element;
}

}  // namespace FolvaneCAD
