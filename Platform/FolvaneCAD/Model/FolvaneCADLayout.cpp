#include "Model/FolvaneCADLayout.h"

#include "Base/FolvaneCADText.h"
#include "Model/FolvaneCADAttributeReading.h"

namespace FolvaneCAD {

void Layout::SetUnit(Unit newUnit) {
  double factor = MillimetresPer(unit) / MillimetresPer(newUnit);
  for (double* length : {&sheetWidth, &sheetHeight, &margins.left, &margins.right, &margins.bottom, &margins.top,
                         &gapX, &gapY}) {
    *length *= factor;
  }
  for (Variable& variable : variables) {
    if (!variable.value.isText) variable.value = Value::Number(variable.value.number * factor);
  }
  for (EmbeddedDesign& embedded : designs) embedded.design.SetUnit(newUnit);
  unit = newUnit;
}

const Variable* Layout::FindVariable(const QK_TString& name) const {
  for (const Variable& variable : variables) {
    if (variable.name.EqualsIgnoreCase(name)) return &variable;
  }
  return nullptr;
}

void Layout::SetVariable(const QK_TString& name, const Value& value) {
  if (Variable* variable = const_cast<Variable*>(FindVariable(name))) {
    variable->value = value;
  } else {
    variables.push_back(Variable{name, value, {}});
  }
}

namespace {

constexpr long kRightAngle = 90;

bool ReadUnit(const QK_TXmlElement& element, AttributeReader& reader, Layout* layout, QK_TString* error) {
  QK_TString unit = reader.TakeOr("unit", "mm");
  if (!unit.EqualsIgnoreCase("mm") && !unit.EqualsIgnoreCase("inch")) {
    *error = AtLine(element, "unit=\"" + unit + "\" is not mm or inch");
    return false;
  }
  layout->unit = unit.EqualsIgnoreCase("inch") ? Unit::kInch : Unit::kMillimetre;
  return true;
}

bool ReadSheetSize(const QK_TXmlElement& element, AttributeReader& reader, Layout* layout, QK_TString* error) {
  QK_TString width = reader.TakeOr("sheetWidth", "0");
  QK_TString height = reader.TakeOr("sheetHeight", "0");
  if (!ParseNumber(width, &layout->sheetWidth) || !ParseNumber(height, &layout->sheetHeight)) {
    *error = AtLine(element, "the sheet size \"" + width + "\" x \"" + height + "\" is not a pair of numbers");
    return false;
  }
  return true;
}

// The margins, the nest data and the options.
bool ReadSettings(const QK_TXmlElement& element, AttributeReader& reader, Layout* layout, QK_TString* error) {
  int trimHeight = 0;
  int trimWidth = 0;
  bool ok = TakeNumber(reader, element, "marginLeft", &layout->margins.left, error) &&
            TakeNumber(reader, element, "marginRight", &layout->margins.right, error) &&
            TakeNumber(reader, element, "marginBottom", &layout->margins.bottom, error) &&
            TakeNumber(reader, element, "marginTop", &layout->margins.top, error) &&
            TakeWholeNumber(reader, element, "nestCode", kStraightNest, kReverseColumnAlignNest, &layout->nestCode,
                            error) &&
            TakeNumber(reader, element, "gapX", &layout->gapX, error) &&
            TakeNumber(reader, element, "gapY", &layout->gapY, error) &&
            TakeCode(reader, element, "orientation", {kNoOrientation, kVertical, kHorizontal}, &layout->orientation,
                     error) &&
            TakeWholeNumber(reader, element, "position", kFirstPosition, kLastPosition, &layout->position, error) &&
            TakeCode(reader, element, "trimHeight", {0, 1}, &trimHeight, error) &&
            TakeCode(reader, element, "trimWidth", {0, 1}, &trimWidth, error);
  layout->trimHeight = trimHeight == 1;
  layout->trimWidth = trimWidth == 1;
  layout->diePress = reader.TakeOr("diePress", "");
  return ok;
}

bool ReadSheet(const QK_TXmlElement& element, Layout* layout, QK_TString* error) {
  AttributeReader reader(element);
  layout->name = reader.TakeOr("name", "");
  bool ok = ReadUnit(element, reader, layout, error) && ReadSheetSize(element, reader, layout, error) &&
            ReadSettings(element, reader, layout, error);
  layout->keptAttributes = reader.Rest();
  return ok;
}

bool ReadPlacement(const QK_TXmlElement& element, AttributeReader& reader, Placement* placement,
                   QK_TString* error) {
  int turned = 0;
  bool ok = TakeWholeNumber(reader, element, "rows", 0, kMaximumUps, &placement->rows, error) &&
            TakeWholeNumber(reader, element, "columns", 0, kMaximumUps, &placement->columns, error) &&
            TakeWholeNumber(reader, element, "printItem", 0, kMaximumUps, &placement->printItem, error) &&
            TakeCode(reader, element, "rotation", {0, kRightAngle, 2 * kRightAngle, 3 * kRightAngle},
                     &placement->rotation, error) &&
            TakeCode(reader, element, "turned", {0, 1}, &turned, error);
  placement->turned = turned == 1;
  if (!ok) return false;
  bool bothOrNone = (placement->rows == 0) == (placement->columns == 0);
  if (!bothOrNone || static_cast<long>(placement->rows) * placement->columns > kMaximumUps) {
    *error = AtLine(element, QK_TString::Format("a grid of %d rows and %d columns cannot be placed", placement->rows,
                                                placement->columns));
    return false;
  }
  return true;
}

// The ups and the placement belong to the layout, not to the design, so they
// are taken off the element before the design reads the rest.
bool ReadEmbedded(const QK_TXmlElement& element, EmbeddedDesign* embedded, QK_TString* error) {
  QK_TXmlElement designElement = element;
  AttributeReader reader(element);
  QK_TString ups = reader.TakeOr("ups", "1");
  if (!ReadPlacement(element, reader, &embedded->placement, error)) return false;
  designElement.attributes = reader.Rest();
  long count = 0;
  if (!ParseInteger(ups, &count) || count < 0 || count > kMaximumUps) {
    *error = AtLine(element, "ups=\"" + ups + "\" is not a number of ups");
    return false;
  }
  const Placement& placement = embedded->placement;
  embedded->ups = placement.Placed() ? placement.rows * placement.columns : static_cast<int>(count);
  if (!ReadDesign(designElement, &embedded->design, error)) return false;
  if (placement.printItem > static_cast<int>(embedded->design.printItems.size())) {
    *error = AtLine(element, QK_TString::Format("printItem=\"%d\" names no print item of the design",
                                                placement.printItem));
    return false;
  }
  return true;
}

bool ReadChild(const QK_TXmlElement& child, Layout* layout, QK_TString* error) {
  if (child.name == "Design") {
    layout->designs.emplace_back();
    return ReadEmbedded(child, &layout->designs.back(), error);
  }
  if (child.name != "Variable") {
    layout->keptElements.push_back(child);
    return true;
  }
  Variable variable;
  if (!ReadVariable(child, &variable, error)) return false;
  if (layout->FindVariable(variable.name) != nullptr) {
    *error = AtLine(child, "variable " + variable.name + " is defined twice");
    return false;
  }
  layout->variables.push_back(std::move(variable));
  return true;
}

void AddNumber(Attributes& attributes, const char* name, double value) {
  if (value != 0) attributes.emplace_back(name, FormatNumber(value));
}

void AddWhole(Attributes& attributes, const char* name, int value, int usual) {
  if (value != usual) attributes.emplace_back(name, QK_TString::Format("%d", value));
}

void AddSettings(const Layout& layout, Attributes& attributes) {
  AddNumber(attributes, "marginLeft", layout.margins.left);
  AddNumber(attributes, "marginRight", layout.margins.right);
  AddNumber(attributes, "marginBottom", layout.margins.bottom);
  AddNumber(attributes, "marginTop", layout.margins.top);
  AddWhole(attributes, "nestCode", layout.nestCode, kStraightNest);
  AddNumber(attributes, "gapX", layout.gapX);
  AddNumber(attributes, "gapY", layout.gapY);
  AddWhole(attributes, "orientation", layout.orientation, kNoOrientation);
  AddWhole(attributes, "position", layout.position, kLeftBottom);
  AddWhole(attributes, "trimHeight", layout.trimHeight ? 1 : 0, 0);
  AddWhole(attributes, "trimWidth", layout.trimWidth ? 1 : 0, 0);
  if (!layout.diePress.Empty()) attributes.emplace_back("diePress", layout.diePress);
}

// The layout's attributes of a design go after its name.
QK_TXmlElement EmbeddedElement(const EmbeddedDesign& embedded) {
  QK_TXmlElement element = DesignElement(embedded.design);
  const Placement& placement = embedded.placement;
  Attributes own = {{"ups", QK_TString::Format("%d", embedded.ups)}};
  AddWhole(own, "rows", placement.rows, 0);
  AddWhole(own, "columns", placement.columns, 0);
  AddWhole(own, "printItem", placement.printItem, 0);
  AddWhole(own, "rotation", placement.rotation, 0);
  AddWhole(own, "turned", placement.turned ? 1 : 0, 0);
  element.attributes.insert(element.attributes.begin() + (embedded.design.name.Empty() ? 0 : 1), own.begin(),
                            own.end());
  return element;
}

}  // namespace

bool ReadLayout(const QK_TXmlElement& element, Layout* layout, QK_TString* error) {
  *layout = Layout();
  if (!ReadSheet(element, layout, error)) return false;
  for (const QK_TXmlElement& child : element.children) {
    if (!ReadChild(child, layout, error)) return false;
  }
  return true;
}

QK_TXmlElement LayoutElement(const Layout& layout) {
  QK_TXmlElement element = MakeElement("Layout");
  if (!layout.name.Empty()) element.attributes.emplace_back("name", layout.name);
  element.attributes.emplace_back("unit", UnitName(layout.unit));
  element.attributes.emplace_back("sheetWidth", FormatNumber(layout.sheetWidth));
  element.attributes.emplace_back("sheetHeight", FormatNumber(layout.sheetHeight));
  AddSettings(layout, element.attributes);
  element.attributes.insert(element.attributes.end(), layout.keptAttributes.begin(), layout.keptAttributes.end());
  for (const Variable& variable : layout.variables) element.children.push_back(VariableElement(variable));
  for (const EmbeddedDesign& embedded : layout.designs) element.children.push_back(EmbeddedElement(embedded));
  element.children.insert(element.children.end(), layout.keptElements.begin(), layout.keptElements.end());
  return element;
}

}  // namespace FolvaneCAD
