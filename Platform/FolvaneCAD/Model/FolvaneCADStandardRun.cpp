#include "Model/FolvaneCADStandardRun.h"

#include <utility>

#include "Base/FolvaneCADText.h"

namespace FolvaneCAD {

namespace {

constexpr char kParameterSetAttribute[] = "parameterSet";

std::string Key(const QK_TString& name) { return name.ToLower().str(); }

QK_TString DefaultOf(const StandardItem& item, const ParameterValues* set) {
  if (set != nullptr) {
    auto found = set->find(Key(item.name));
    if (found != set->end()) return found->second;
  }
  return item.defaultValue;
}

// Why a numeric item's value is refused, or nothing.
bool ValueFits(const StandardItem& item, const QK_TString& value, QK_TString* error) {
  if (!item.numeric) return true;
  double number = 0.0;
  if (!ParseNumber(value, &number)) {
    *error = "The value \"" + value + "\" of " + item.name + " is not a number";
    return false;
  }
  if ((item.minimum && number < *item.minimum) || (item.maximum && number > *item.maximum)) {
    *error = "The value " + value.Trim() + " of " + item.name + " is outside " +
             FormatNumber(item.minimum.value_or(number)) + " to " + FormatNumber(item.maximum.value_or(number));
    return false;
  }
  return true;
}

void SetAttribute(Attributes& attributes, const char* name, const QK_TString& value) {
  for (auto& attribute : attributes) {
    if (attribute.first == name) {
      attribute.second = value;
      return;
    }
  }
  attributes.emplace_back(name, value);
}

}  // namespace

StandardRun::StandardRun(Standard standard, Unit unit, QK_TString parameterSet)
    : standard_(std::move(standard)), unit_(unit), parameterSet_(std::move(parameterSet)) {
  auto set = standard_.parameterSets.find(Key(parameterSet_.Trim()));
  const ParameterValues* values = set != standard_.parameterSets.end() ? &set->second : nullptr;
  for (int m = 1; m <= MenuCount(); ++m) {
    defaults_.emplace_back();
    for (int i = 1; i <= static_cast<int>(Menu(m).items.size()); ++i) {
      defaults_.back().push_back(DefaultOf(Item(m, i), values));
      items_.emplace(Key(Item(m, i).name), Position{m, i});
    }
  }
  values_ = defaults_;
  conditionsChecked_.assign(standard_.menus.size(), false);
}

bool StandardRun::HasItem(int menu, int item) const {
  return HasMenu(menu) && item >= 1 && item <= static_cast<int>(Menu(menu).items.size());
}

void StandardRun::TakeValuesOf(const Design& design) {
  for (const auto& [key, position] : items_) {
    if (const Variable* variable = design.FindVariable(Item(position.menu, position.item).name)) {
      SetItemValue(position.menu, position.item, variable->value.AsText());
    }
  }
}

short StandardRun::ValueCheck(int menu, QK_TString* error) const {
  if (!HasMenu(menu)) {
    *error = QK_TString::Format("The standard has no menu %d", menu);
    return kValueRefused;
  }
  for (int i = 1; i <= static_cast<int>(Menu(menu).items.size()); ++i) {
    if (!ValueFits(Item(menu, i), ItemValue(menu, i), error)) return kValueRefused;
  }
  return kCheckPassed;
}

short StandardRun::ConditionCheck(int menu, QK_TString* error) {
  if (!HasMenu(menu)) {
    *error = QK_TString::Format("The standard has no menu %d", menu);
    return kConditionError;
  }
  conditionsChecked_[menu - 1] = true;
  bool broken = false;
  if (!ConditionsHold(menu, ConditionSeverity::kError, error, &broken)) return kConditionError;
  if (!ConditionsHold(menu, ConditionSeverity::kWarning, error, &broken)) {
    return broken ? kConditionError : kConditionWarning;
  }
  return kCheckPassed;
}

short StandardRun::FinalCheck(QK_TString* error) const {
  for (int m = 1; m <= MenuCount(); ++m) {
    bool broken = false;
    if (!conditionsChecked_[m - 1] && !ConditionsHold(m, ConditionSeverity::kError, error, &broken)) {
      return kFinalCheckFailed;
    }
  }
  return kCheckPassed;
}

bool StandardRun::ConditionsHold(int menu, ConditionSeverity severity, QK_TString* error, bool* broken) const {
  ValueLookup lookup = [this](const QK_TString& name) { return Lookup(name); };
  for (const StandardCondition& condition : Menu(menu).conditions) {
    if (condition.severity != severity) continue;
    bool holds = false;
    if (!ConditionHolds(condition, lookup, &holds, error)) {
      *broken = true;
      return false;
    }
    if (!holds) {
      *error = condition.message;
      return false;
    }
  }
  return true;
}

// A numeric item whose text is not a number stays a text, so that using it
// in arithmetic fails rather than counting as 0.
Value StandardRun::ValueOf(const Position& position) const {
  const QK_TString& text = ItemValue(position.menu, position.item);
  double number = 0.0;
  if (Item(position.menu, position.item).numeric && ParseNumber(text, &number)) return Value::Number(number, text.Trim());
  return Value::Text(text);
}

std::optional<Value> StandardRun::Lookup(const QK_TString& name) const {
  auto found = items_.find(Key(name));
  if (found != items_.end()) return ValueOf(found->second);
  if (const Variable* variable = standard_.design.FindVariable(name)) return variable->value;
  return std::nullopt;
}

bool StandardRun::Lines(std::vector<Line>* lines, QK_TString* error) const {
  *lines = standard_.design.lines();
  ValueLookup lookup = [this](const QK_TString& name) { return Lookup(name); };
  auto number = [&](const QK_TString& expression, double* value) {
    Evaluation evaluation = Evaluate(expression, lookup);
    if (evaluation.ok && !evaluation.value.isText) {
      *value = evaluation.value.number;
      return true;
    }
    *error = "Outline coordinate \"" + expression + "\" " +
             (evaluation.ok ? QK_TString("gives a text, not a number") : "is not valid: " + evaluation.error);
    return false;
  };
  for (const OutlineLine& outline : standard_.outline) {
    Line line;
    double layer = 0;
    if (!number(outline.x1, &line.x1) || !number(outline.y1, &line.y1) || !number(outline.x2, &line.x2) ||
        !number(outline.y2, &line.y2) || !number(outline.layer, &layer)) {
      return false;
    }
    line.layer = static_cast<int>(layer);
    if (line.layer < 0 || line.layer > static_cast<int>(standard_.design.layers.size())) {
      *error = "Outline layer \"" + outline.layer + "\" is not a layer of the design";
      return false;
    }
    lines->push_back(line);
  }
  return true;
}

bool StandardRun::Produce(Design* design, QK_TString* error) const {
  Design produced = standard_.design;
  std::vector<Line> lines;
  if (!Lines(&lines, error)) return false;
  produced.SetLines(std::move(lines));
  produced.unit = unit_;
  for (int m = 1; m <= MenuCount(); ++m) {
    for (int i = 1; i <= static_cast<int>(Menu(m).items.size()); ++i) {
      produced.SetVariable(Item(m, i).name, ValueOf(Position{m, i}));
    }
  }
  if (!parameterSet_.Empty()) SetAttribute(produced.keptAttributes, kParameterSetAttribute, parameterSet_);
  *design = std::move(produced);
  return true;
}

}  // namespace FolvaneCAD
