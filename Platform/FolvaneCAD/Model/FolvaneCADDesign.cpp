#include "Model/FolvaneCADDesign.h"

#include <algorithm>
#include <cmath>

#include "Base/FolvaneCADText.h"
#include "Model/FolvaneCADAttributeReading.h"
#include "Model/FolvaneCADShape.h"

namespace FolvaneCAD {

QK_TString UnitName(Unit unit) { return unit == Unit::kInch ? "inch" : "mm"; }

double MillimetresPer(Unit unit) { return unit == Unit::kInch ? 25.4 : 1.0; }

bool PrintItem::HasLayer(int layer) const {
  return std::find(layers.begin(), layers.end(), layer) != layers.end();
}

void Extent::Add(double x, double y) {
  if (empty) {
    minX = maxX = x;
    minY = maxY = y;
    empty = false;
    return;
  }
  minX = std::min(minX, x);
  maxX = std::max(maxX, x);
  minY = std::min(minY, y);
  maxY = std::max(maxY, y);
}

// Appended variables are added to the index; an index that counts more
// variables than there are is started again. The first of two namesakes is
// the one found.
void Design::IndexVariables() const {
  if (indexedVariables_ > variables.size()) {
    variableIndex_.clear();
    indexedVariables_ = 0;
  }
  for (; indexedVariables_ < variables.size(); ++indexedVariables_) {
    variableIndex_.emplace(variables[indexedVariables_].name.ToLower().str(), indexedVariables_);
  }
}

// A hit is checked against the variable itself, so a variable renamed or
// moved in place since it was indexed makes the index start again.
Variable* Design::FindVariable(const QK_TString& name) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    IndexVariables();
    auto found = variableIndex_.find(name.ToLower().str());
    if (found == variableIndex_.end()) return nullptr;
    if (found->second < variables.size() && variables[found->second].name.EqualsIgnoreCase(name)) {
      return &variables[found->second];
    }
    variableIndex_.clear();
    indexedVariables_ = 0;
  }
  return nullptr;
}

void Design::SetVariable(const QK_TString& name, const Value& value) {
  if (Variable* variable = FindVariable(name)) {
    variable->value = value;
  } else {
    variables.push_back(Variable{name, value, {}});
  }
}

const Variable* Design::FindVariable(const QK_TString& name) const {
  return const_cast<Design*>(this)->FindVariable(name);
}

void Design::SetUnit(Unit newUnit) {
  double factor = MillimetresPer(unit) / MillimetresPer(newUnit);
  shape_.reset();
  for (Line& line : lines_) {
    line.x1 *= factor;
    line.y1 *= factor;
    line.x2 *= factor;
    line.y2 *= factor;
  }
  nestX *= factor;
  nestY *= factor;
  unit = newUnit;
}

void Design::RemoveLayer(int number) {
  if (number < 1 || number > static_cast<int>(layers.size())) return;
  layers.erase(layers.begin() + (number - 1));
  shape_.reset();
  lines_.erase(
      std::remove_if(lines_.begin(), lines_.end(), [number](const Line& line) { return line.layer == number; }),
      lines_.end());
  for (Line& line : lines_) {
    if (line.layer > number) --line.layer;
  }
  for (PrintItem& item : printItems) {
    item.layers.erase(std::remove(item.layers.begin(), item.layers.end(), number), item.layers.end());
    for (int& layer : item.layers) {
      if (layer > number) --layer;
    }
  }
}

void Design::SetLines(std::vector<Line> lines) {
  lines_ = std::move(lines);
  shape_.reset();
}

void Design::AddLine(const Line& line) {
  lines_.push_back(line);
  shape_.reset();
}

const DesignShape& Design::Shape() const {
  if (!shape_) shape_ = std::make_shared<const DesignShape>(lines_);
  return *shape_;
}

const Extent& Design::LineExtent() const { return Shape().extent(); }

double Design::LengthOfType(int type) const {
  double length = 0;
  for (const Line& line : lines_) {
    if (line.type == type) length += std::hypot(line.x2 - line.x1, line.y2 - line.y1);
  }
  return length;
}

namespace {

bool TakeUnit(AttributeReader& reader, const QK_TXmlElement& element, Unit* unit, QK_TString* error) {
  const QK_TString* text = reader.Take("unit");
  if (text == nullptr) return true;
  if (text->EqualsIgnoreCase("mm")) {
    *unit = Unit::kMillimetre;
  } else if (text->EqualsIgnoreCase("inch")) {
    *unit = Unit::kInch;
  } else {
    *error = AtLine(element, "unit=\"" + *text + "\" is not mm or inch");
    return false;
  }
  return true;
}

bool ReadOneVariable(const QK_TXmlElement& element, Variable* variable, QK_TString* error) {
  AttributeReader reader(element);
  variable->name = reader.TakeOr("name", "").Trim();
  QK_TString type = reader.TakeOr("type", "");
  QK_TString text = reader.TakeOr("value", "");
  variable->keptAttributes = reader.Rest();
  if (variable->name.Empty()) {
    *error = AtLine(element, "<Variable> without a name");
    return false;
  }
  double number = 0.0;
  bool isNumber = ParseNumber(text, &number);
  if (type.EqualsIgnoreCase("text") || (type.Empty() && !isNumber)) {
    variable->value = Value::Text(text);
  } else if (type.EqualsIgnoreCase("numeric") || type.Empty()) {
    if (!isNumber) {
      *error = AtLine(element, "numeric variable " + variable->name + " has the value \"" + text +
                                   "\", which is not a number");
      return false;
    }
    variable->value = Value::Number(number, text.Trim());
  } else {
    *error = AtLine(element, "variable " + variable->name + " has the type \"" + type +
                                 "\"; numeric or text was expected");
    return false;
  }
  return true;
}

bool ReadLayer(const QK_TXmlElement& element, Layer* layer, QK_TString* error) {
  AttributeReader reader(element);
  layer->name = reader.TakeOr("name", "");
  int on = 1;
  if (!TakeCode(reader, element, "on", {0, 1}, &on, error)) return false;
  layer->on = on == 1;
  layer->keptAttributes = reader.Rest();
  return true;
}

bool ReadLayerList(const QK_TXmlElement& element, const QK_TString& text, std::vector<int>* layers,
                   QK_TString* error) {
  if (text.Trim().Empty()) return true;
  for (const QK_TString& piece : Split(text, ',')) {
    long number = 0;
    if (!ParseInteger(piece, &number) || number < 1) {
      *error = AtLine(element, "layers=\"" + text + "\" is not a list of layer numbers");
      return false;
    }
    layers->push_back(static_cast<int>(number));
  }
  return true;
}

bool ReadPrintItem(const QK_TXmlElement& element, PrintItem* item, QK_TString* error) {
  AttributeReader reader(element);
  item->name = reader.TakeOr("name", "");
  if (!ReadLayerList(element, reader.TakeOr("layers", ""), &item->layers, error)) return false;
  item->ups = 1;
  if (!TakeWholeNumber(reader, element, "ups", 0, kMaximumUps, &item->ups, error)) return false;
  item->keptAttributes = reader.Rest();
  return true;
}

bool ReadLine(const QK_TXmlElement& element, Line* line, QK_TString* error) {
  AttributeReader reader(element);
  line->layer = 0;
  line->type = kCutLine;
  bool ok = TakeNumber(reader, element, "x1", &line->x1, error) &&
            TakeNumber(reader, element, "y1", &line->y1, error) &&
            TakeNumber(reader, element, "x2", &line->x2, error) &&
            TakeNumber(reader, element, "y2", &line->y2, error) &&
            TakeWholeNumber(reader, element, "layer", 0, kMaximumLayers, &line->layer, error) &&
            TakeWholeNumber(reader, element, "type", 0, kMaximumLineType, &line->type, error);
  line->keptAttributes = reader.Rest();
  return ok;
}

bool CheckAllowance(const QK_TXmlElement& element, const Design& design, QK_TString* error) {
  if (design.nestX >= 0 && design.nestY >= 0) return true;
  *error = AtLine(element, "the nesting allowance nestX/nestY must not be negative");
  return false;
}

bool ReadFacts(const QK_TXmlElement& element, Design* design, QK_TString* error) {
  AttributeReader reader(element);
  design->name = reader.TakeOr("name", "");
  design->boardCode = reader.TakeOr("boardCode", "");
  design->boardDescription = reader.TakeOr("boardDescription", "");
  design->description = reader.TakeOr("description", "");
  bool ok = TakeCode(reader, element, "industry", {1, 2}, &design->industry, error) &&
            TakeUnit(reader, element, &design->unit, error) &&
            TakeCode(reader, element, "printSide", {0, 1, 2}, &design->printSide, error) &&
            TakeCode(reader, element, "grain", {0, 1, 2}, &design->grain, error) &&
            TakeNumber(reader, element, "nestX", &design->nestX, error) &&
            TakeNumber(reader, element, "nestY", &design->nestY, error);
  design->keptAttributes = reader.Rest();
  return ok && CheckAllowance(element, *design, error);
}

bool ReadChild(const QK_TXmlElement& child, Design* design, QK_TString* error) {
  if (child.name == "Variable") {
    Variable variable;
    if (!ReadOneVariable(child, &variable, error)) return false;
    if (design->FindVariable(variable.name) != nullptr) {
      *error = AtLine(child, "variable " + variable.name + " is defined twice");
      return false;
    }
    design->variables.push_back(std::move(variable));
  } else if (child.name == "Layer") {
    design->layers.emplace_back();
    return ReadLayer(child, &design->layers.back(), error);
  } else if (child.name == "PrintItem") {
    design->printItems.emplace_back();
    return ReadPrintItem(child, &design->printItems.back(), error);
  } else if (child.name == "Line") {
    Line line;
    if (!ReadLine(child, &line, error)) return false;
    design->AddLine(line);
  } else if (child.name == "Remark") {
    design->remarks.push_back(child.text.Trim());
  } else {
    design->keptElements.push_back(child);
  }
  return true;
}

// Print items and lines may only name layers that the design has.
bool CheckLayerNumbers(const QK_TXmlElement& element, const Design& design, QK_TString* error) {
  int count = static_cast<int>(design.layers.size());
  for (const PrintItem& item : design.printItems) {
    for (int layer : item.layers) {
      if (layer > count) {
        *error = AtLine(element, QK_TString::Format("print item %s names layer %d, but the design has %d layers",
                                                    item.name.c_str(), layer, count));
        return false;
      }
    }
  }
  for (const Line& line : design.lines()) {
    if (line.layer < 0 || line.layer > count) {
      *error = AtLine(element, QK_TString::Format("a line lies on layer %d, but the design has %d layers",
                                                  line.layer, count));
      return false;
    }
  }
  return true;
}

QK_TString LayerList(const std::vector<int>& layers) {
  std::vector<QK_TString> pieces;
  for (int layer : layers) pieces.push_back(QK_TString::Format("%d", layer));
  return Join(pieces, ",");
}

void AddIf(Attributes& attributes, bool condition, const char* name, const QK_TString& value) {
  if (condition) attributes.emplace_back(name, value);
}

void Append(Attributes& attributes, const Attributes& kept) {
  attributes.insert(attributes.end(), kept.begin(), kept.end());
}

QK_TXmlElement OneVariableElement(const Variable& variable) {
  QK_TXmlElement element = MakeElement("Variable", {{"name", variable.name},
                                                    {"type", variable.value.isText ? "text" : "numeric"},
                                                    {"value", variable.value.text}});
  Append(element.attributes, variable.keptAttributes);
  return element;
}

QK_TXmlElement LayerElement(const Layer& layer) {
  QK_TXmlElement element = MakeElement("Layer", {{"name", layer.name}, {"on", layer.on ? "1" : "0"}});
  Append(element.attributes, layer.keptAttributes);
  return element;
}

QK_TXmlElement PrintItemElement(const PrintItem& item) {
  QK_TXmlElement element = MakeElement("PrintItem", {{"name", item.name}, {"layers", LayerList(item.layers)}});
  AddIf(element.attributes, item.ups != 1, "ups", QK_TString::Format("%d", item.ups));
  Append(element.attributes, item.keptAttributes);
  return element;
}

QK_TXmlElement LineElement(const Line& line) {
  QK_TXmlElement element = MakeElement("Line", {{"x1", FormatNumber(line.x1)},
                                                {"y1", FormatNumber(line.y1)},
                                                {"x2", FormatNumber(line.x2)},
                                                {"y2", FormatNumber(line.y2)}});
  AddIf(element.attributes, line.layer != 0, "layer", QK_TString::Format("%d", line.layer));
  AddIf(element.attributes, line.type != kCutLine, "type", QK_TString::Format("%d", line.type));
  Append(element.attributes, line.keptAttributes);
  return element;
}

}  // namespace

bool ReadVariable(const QK_TXmlElement& element, Variable* variable, QK_TString* error) {
  return ReadOneVariable(element, variable, error);
}

QK_TXmlElement VariableElement(const Variable& variable) { return OneVariableElement(variable); }

bool ReadDesign(const QK_TXmlElement& element, Design* design, QK_TString* error) {
  *design = Design();
  if (!ReadFacts(element, design, error)) return false;
  for (const QK_TXmlElement& child : element.children) {
    if (!ReadChild(child, design, error)) return false;
  }
  return CheckLayerNumbers(element, *design, error);
}

QK_TXmlElement DesignElement(const Design& design) {
  QK_TXmlElement element = MakeElement("Design");
  Attributes& attributes = element.attributes;
  AddIf(attributes, !design.name.Empty(), "name", design.name);
  attributes.emplace_back("industry", QK_TString::Format("%d", design.industry));
  attributes.emplace_back("unit", UnitName(design.unit));
  AddIf(attributes, !design.boardCode.Empty(), "boardCode", design.boardCode);
  AddIf(attributes, !design.boardDescription.Empty(), "boardDescription", design.boardDescription);
  AddIf(attributes, design.printSide != 0, "printSide", QK_TString::Format("%d", design.printSide));
  AddIf(attributes, design.grain != 0, "grain", QK_TString::Format("%d", design.grain));
  AddIf(attributes, !design.description.Empty(), "description", design.description);
  AddIf(attributes, design.nestX != 0, "nestX", FormatNumber(design.nestX));
  AddIf(attributes, design.nestY != 0, "nestY", FormatNumber(design.nestY));
  Append(attributes, design.keptAttributes);
  for (const Variable& variable : design.variables) element.children.push_back(OneVariableElement(variable));
  for (const Layer& layer : design.layers) element.children.push_back(LayerElement(layer));
  for (const PrintItem& item : design.printItems) element.children.push_back(PrintItemElement(item));
  for (const Line& line : design.lines()) element.children.push_back(LineElement(line));
  for (const QK_TString& remark : design.remarks) {
    QK_TXmlElement remarkElement = MakeElement("Remark");
    remarkElement.text = remark;
    element.children.push_back(remarkElement);
  }
  element.children.insert(element.children.end(), design.keptElements.begin(), design.keptElements.end());
  return element;
}

}  // namespace FolvaneCAD
