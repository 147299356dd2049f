#include "Model/FolvaneCADStandard.h"

#include <filesystem>
#include <initializer_list>
#include <unordered_set>

#include "Base/FolvaneCADText.h"
#include "Model/FolvaneCADAttributeReading.h"
#include "Model/FolvaneCADLayout.h"

namespace FolvaneCAD {

namespace {

constexpr char kStandardElement[] = "Standard";

std::string Key(const QK_TString& name) { return name.ToLower().str(); }

bool ReadBound(const QK_TXmlElement& element, const char* name, std::optional<double>* bound, QK_TString* error) {
  const QK_TString* text = element.Attribute(name);
  if (text == nullptr) return true;
  double number = 0.0;
  if (!ParseNumber(*text, &number)) {
    *error = AtLine(element, QK_TString::Format("%s=\"%s\" is not a number", name, text->c_str()));
    return false;
  }
  *bound = number;
  return true;
}

bool ReadItem(const QK_TXmlElement& element, StandardItem* item, QK_TString* error) {
  const QK_TString* name = element.Attribute("name");
  item->name = name != nullptr ? name->Trim() : QK_TString();
  if (item->name.Empty()) {
    *error = AtLine(element, "<Item> without a name");
    return false;
  }
  const QK_TString* type = element.Attribute("type");
  if (type != nullptr && !type->EqualsIgnoreCase("numeric") && !type->EqualsIgnoreCase("text")) {
    *error = AtLine(element, "item " + item->name + " has the type \"" + *type + "\"; numeric or text was expected");
    return false;
  }
  item->numeric = type == nullptr || type->EqualsIgnoreCase("numeric");
  const QK_TString* value = element.Attribute("default");
  item->defaultValue = value != nullptr ? *value : QK_TString();
  return ReadBound(element, "min", &item->minimum, error) && ReadBound(element, "max", &item->maximum, error);
}

// The comparison of a test: the first run of < > = ! outside quoted text.
bool SplitTest(const QK_TString& test, StandardCondition* condition) {
  const std::string& text = test.str();
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') quoted = !quoted;
    if (quoted || std::string("<>=!").find(text[i]) == std::string::npos) continue;
    std::size_t length = i + 1 < text.size() && (text[i + 1] == '=' || (text[i] == '<' && text[i + 1] == '>')) ? 2 : 1;
    std::string comparison = text.substr(i, length);
    if (comparison == "==") comparison = "=";
    if (comparison == "!=") comparison = "<>";
    if (comparison == "!") return false;
    condition->comparison = QK_TString(comparison);
    condition->left = QK_TString(text.substr(0, i)).Trim();
    condition->right = QK_TString(text.substr(i + length)).Trim();
    return !condition->left.Empty() && !condition->right.Empty();
  }
  return false;
}

bool ReadCondition(const QK_TXmlElement& element, StandardCondition* condition, QK_TString* error) {
  const QK_TString* test = element.Attribute("test");
  if (test == nullptr || !SplitTest(*test, condition)) {
    *error = AtLine(element, "a condition needs test=\"expression comparison expression\" (< <= > >= = <>)");
    return false;
  }
  const QK_TString* severity = element.Attribute("severity");
  if (severity != nullptr && !severity->EqualsIgnoreCase("warning") && !severity->EqualsIgnoreCase("error")) {
    *error = AtLine(element, "severity=\"" + *severity + "\" is not warning or error");
    return false;
  }
  condition->severity =
      severity != nullptr && severity->EqualsIgnoreCase("error") ? ConditionSeverity::kError : ConditionSeverity::kWarning;
  condition->message = element.text.Trim().Empty() ? "Condition " + *test + " is not met" : element.text.Trim();
  return true;
}

// A <Failure> of one of `allowed` operations, kept by operation.
bool ReadFailure(const QK_TXmlElement& element, std::initializer_list<const char*> allowed,
                 ForcedFailures* failures, QK_TString* error) {
  const QK_TString* operation = element.Attribute("operation");
  const char* known = nullptr;
  for (const char* name : allowed) {
    if (operation != nullptr && operation->Trim().EqualsIgnoreCase(name)) known = name;
  }
  QK_TString names;
  for (const char* name : allowed) names += QK_TString(names.Empty() ? "" : " or ") + name;
  if (known == nullptr) {
    *error = AtLine(element, "a <Failure> here forces the operation " + names);
    return false;
  }
  const QK_TString* statusText = element.Attribute("status");
  long status = 0;
  if (statusText == nullptr || !ParseInteger(*statusText, &status) || status == 0 || status < -32768 ||
      status > 32767) {
    *error = AtLine(element, "a <Failure> needs a status, a 16-bit number other than 0");
    return false;
  }
  QK_TString message = element.text.Trim();
  (*failures)[Key(known)] = {static_cast<short>(status),
                             message.Empty() ? QK_TString("Forced failure of ") + known : message};
  return true;
}

bool ReadPlotted(const QK_TXmlElement& element, bool* plotted, QK_TString* error) {
  const QK_TString* plot = element.Attribute("plot");
  if (plot == nullptr) return true;
  if (!plot->EqualsIgnoreCase("yes") && !plot->EqualsIgnoreCase("no")) {
    *error = AtLine(element, "plot=\"" + *plot + "\" is not yes or no");
    return false;
  }
  *plotted = plot->EqualsIgnoreCase("yes");
  return true;
}

bool ReadMenu(const QK_TXmlElement& element, int number, std::unordered_set<std::string>* names, StandardMenu* menu,
              QK_TString* error) {
  const QK_TString* title = element.Attribute("title");
  menu->title = title != nullptr ? *title : QK_TString::Format("Menu %d", number);
  long kind = 0;
  const QK_TString* kindText = element.Attribute("kind");
  if (kindText != nullptr && (!ParseInteger(*kindText, &kind) || kind < -32768 || kind > 32767)) {
    *error = AtLine(element, "kind=\"" + *kindText + "\" is not a menu kind");
    return false;
  }
  menu->kind = static_cast<short>(kind);
  if (!ReadPlotted(element, &menu->plotted, error)) return false;
  for (const QK_TXmlElement& child : element.children) {
    if (child.name == "Item") {
      menu->items.emplace_back();
      if (!ReadItem(child, &menu->items.back(), error)) return false;
      if (!names->insert(Key(menu->items.back().name)).second) {
        *error = AtLine(child, "item " + menu->items.back().name + " is defined twice");
        return false;
      }
    } else if (child.name == "Condition") {
      menu->conditions.emplace_back();
      if (!ReadCondition(child, &menu->conditions.back(), error)) return false;
    } else if (child.name == "Failure") {
      if (!ReadFailure(child, {kPlotOperation, kConditionCheckOperation}, &menu->failures, error)) {
        return false;
      }
    }
  }
  return true;
}

bool ReadParameterSet(const QK_TXmlElement& element, Standard* standard, QK_TString* error) {
  const QK_TString* name = element.Attribute("name");
  if (name == nullptr || name->Trim().Empty()) {
    *error = AtLine(element, "<ParameterSet> without a name");
    return false;
  }
  ParameterValues& values = standard->parameterSets[Key(name->Trim())];
  for (const QK_TXmlElement& value : element.children) {
    const QK_TString* item = value.Attribute("item");
    if (value.name != "Value") continue;
    if (item == nullptr) {
      *error = AtLine(value, "<Value> without an item");
      return false;
    }
    const QK_TString* text = value.Attribute("value");
    values[Key(item->Trim())] = text != nullptr ? *text : QK_TString();
  }
  return true;
}

void ReadOutline(const QK_TXmlElement& element, Standard* standard) {
  for (const QK_TXmlElement& line : element.children) {
    if (line.name != "Line") continue;
    auto coordinate = [&line](const char* name, const char* fallback) {
      const QK_TString* text = line.Attribute(name);
      return text != nullptr ? *text : QK_TString(fallback);
    };
    standard->outline.push_back(OutlineLine{coordinate("x1", "0"), coordinate("y1", "0"), coordinate("x2", "0"),
                                            coordinate("y2", "0"), coordinate("layer", "0")});
  }
}

bool ReadStandardElement(const QK_TXmlElement& element, Standard* standard, QK_TString* error) {
  std::unordered_set<std::string> names;
  for (const QK_TXmlElement& child : element.children) {
    if (child.name == "ParameterSet") {
      if (!ReadParameterSet(child, standard, error)) return false;
    } else if (child.name == "Menu") {
      standard->menus.emplace_back();
      if (!ReadMenu(child, static_cast<int>(standard->menus.size()), &names, &standard->menus.back(), error)) {
        return false;
      }
    } else if (child.name == "Outline") {
      ReadOutline(child, standard);
    } else if (child.name == "Failure") {
      if (!ReadFailure(child, {kMenuXmlOperation}, &standard->failures, error)) return false;
    }
  }
  return true;
}

// A plain design offers its variables in one text menu.
void MenuOfVariables(Standard* standard) {
  StandardMenu menu;
  menu.title = "Variables";
  menu.kind = static_cast<short>(MenuKind::kTextItems);
  for (const Variable& variable : standard->design.variables) {
    menu.items.push_back(StandardItem{variable.name, !variable.value.isText, variable.value.AsText(), {}, {}});
  }
  standard->menus.push_back(std::move(menu));
}

bool Compare(const Value& left, const QK_TString& comparison, const Value& right, bool* holds, QK_TString* error) {
  if (left.isText || right.isText) {
    if (comparison != "=" && comparison != "<>") {
      *error = "texts can only be compared with = and <>";
      return false;
    }
    *holds = (left.AsText() == right.AsText()) == (comparison == "=");
    return true;
  }
  double a = left.number;
  double b = right.number;
  if (comparison == "<") *holds = a < b;
  else if (comparison == "<=") *holds = a <= b;
  else if (comparison == ">") *holds = a > b;
  else if (comparison == ">=") *holds = a >= b;
  else if (comparison == "=") *holds = a == b;
  else *holds = a != b;
  return true;
}

const QK_TXmlElement* StandardElementOf(const QK_TXmlElement& designElement) {
  for (const QK_TXmlElement& child : designElement.children) {
    if (child.name == kStandardElement) return &child;
  }
  return nullptr;
}

bool ReadStandardFile(const QK_TString& path, QK_TXmlElement* root, QK_TString* error) {
  std::error_code ignored;
  if (!std::filesystem::is_regular_file(path.str(), ignored)) {
    *error = "Standard file not found: " + path;
    return false;
  }
  QK_TString reason;
  if (ReadXmlFile(path, root, &reason)) return true;
  *error = "Standard " + path + " could not be read: " + reason;
  return false;
}

}  // namespace

const ForcedFailure* FindFailure(const ForcedFailures& failures, const char* operation) {
  auto found = failures.find(Key(operation));
  return found != failures.end() ? &found->second : nullptr;
}

bool ReadStandard(const QK_TXmlElement& designElement, Standard* standard, QK_TString* error) {
  *standard = Standard();
  if (designElement.name != "Design") {
    *error = "the root element is <" + designElement.name + ">, not <Design>";
    return false;
  }
  if (!ReadDesign(designElement, &standard->design, error)) return false;
  if (const QK_TXmlElement* element = StandardElementOf(designElement)) {
    return ReadStandardElement(*element, standard, error);
  }
  MenuOfVariables(standard);
  return true;
}

bool LoadStandard(const QK_TString& path, Standard* standard, QK_TString* error) {
  QK_TXmlElement root;
  QK_TString reason;
  if (!ReadStandardFile(path, &root, error)) return false;
  if (ReadStandard(root, standard, &reason)) return true;
  *error = "Standard " + path + " could not be read: " + reason;
  return false;
}

bool LoadStandardSource(const QK_TString& path, Standard* standard, StandardSource* source,
                        QK_TString* error) {
  QK_TXmlElement root;
  QK_TString reason;
  if (!ReadStandardFile(path, &root, error)) return false;
  *standard = Standard();
  Layout layout;
  bool read = false;
  if (root.name == "Layout") {
    *source = StandardSource::kLayout;
    read = ReadLayout(root, &layout, &reason);
  } else {
    *source = root.name == "Design" && StandardElementOf(root) == nullptr ? StandardSource::kPlainDesign
                                                                          : StandardSource::kStandard;
    read = ReadStandard(root, standard, &reason);
    if (*source == StandardSource::kPlainDesign) standard->menus.clear();
  }
  if (read) return true;
  *error = "Standard " + path + " could not be read: " + reason;
  return false;
}

bool ConditionHolds(const StandardCondition& condition, const ValueLookup& lookup, bool* holds, QK_TString* error) {
  Evaluation left = Evaluate(condition.left, lookup);
  Evaluation right = Evaluate(condition.right, lookup);
  const Evaluation& failed = !left.ok ? left : right;
  if (!failed.ok) {
    *error = "Invalid expression in condition " + condition.left + " " + condition.comparison + " " +
             condition.right + ": " + failed.error;
    return false;
  }
  return Compare(left.value, condition.comparison, right.value, holds, error);
}

}  // namespace FolvaneCAD
