#include "Automation/FolvaneCADScenario.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "Output/FolvaneCADText.h"

namespace FolvaneCAD {

namespace {

// Reading the last error text cannot be forced: a forced answer is what sets it.
constexpr char kErrorTextOperation[] = "ErrorText";

DispatchTables& Registry() {
  static DispatchTables tables;
  return tables;
}

const DispatchTable* TableNamed(const QK_TString& object, const DispatchTables& tables) {
  for (const DispatchTable* table : tables) {
    if (object.EqualsIgnoreCase(table->object())) return table;
  }
  return nullptr;
}

bool CanBeForced(const DispatchRow& row) {
  return IsStatus(row.result) && !QK_TString(row.name).EqualsIgnoreCase(kErrorTextOperation);
}

const DispatchRow* ForceableRow(const DispatchTable& table, const QK_TString& operation) {
  const DispatchRow* row = table.FindByName(operation);
  return row != nullptr && CanBeForced(*row) ? row : nullptr;
}

// A bare operation name: the default object's, else the one other object's
// that has it.
const DispatchRow* BareRow(const QK_TString& operation, const DispatchTables& tables, QK_TString* problem) {
  const DispatchTable* fallback = TableNamed(kDefaultScenarioObject, tables);
  if (fallback != nullptr) {
    if (const DispatchRow* row = ForceableRow(*fallback, operation)) return row;
  }
  const DispatchRow* found = nullptr;
  for (const DispatchTable* table : tables) {
    const DispatchRow* row = table == fallback ? nullptr : ForceableRow(*table, operation);
    if (row != nullptr && found != nullptr) {
      *problem = "\"" + operation + "\" is an operation of several objects: name the object (Object." + operation + ")";
      return nullptr;
    }
    if (row != nullptr) found = row;
  }
  if (found == nullptr) *problem = "\"" + operation + "\" is not an operation that answers a status";
  return found;
}

// "Object.Operation" or "Operation" (see BareRow): the row, or null with the
// problem.
const DispatchRow* RowNamed(const QK_TString& word, const DispatchTables& tables, QK_TString* problem) {
  std::size_t dot = word.Find(".");
  if (dot == QK_TString::npos) return BareRow(word, tables, problem);
  QK_TString object = word.Substring(0, dot);
  QK_TString operation = word.Substring(dot + 1);
  const DispatchTable* table = TableNamed(object, tables);
  if (table == nullptr) {
    *problem = "\"" + object + "\" is not an object of the stand-in with a dispatch table";
    return nullptr;
  }
  const DispatchRow* row = ForceableRow(*table, operation);
  if (row == nullptr) {
    *problem = "\"" + word + "\" is not an operation that answers a status";
    return nullptr;
  }
  return row;
}

bool ReadNumber(const QK_TString& word, const char* key, long low, long high, std::optional<long>* number) {
  QK_TString prefix = QK_TString(key) + "=";
  long value = 0;
  if (!word.StartsWith(prefix) || *number || !ParseInteger(word.Substring(prefix.Length()), &value)) {
    return false;
  }
  if (value < low || value > high) return false;
  *number = value;
  return true;
}

// The words "status=N" (a 16-bit number) and "menu=N", each once, the menu
// optional.
bool ReadNumbers(const QK_TString& text, std::optional<long>* menu, std::optional<long>* status) {
  for (const QK_TString& word : Split(text.ReplaceChars('\t', ' '), ' ')) {
    if (word.Empty()) continue;
    if (!ReadNumber(word, "status", -32768, 32767, status) &&
        !ReadNumber(word, "menu", LONG_MIN, LONG_MAX, menu)) {
      return false;
    }
  }
  return status->has_value();
}

}  // namespace

void RegisterScenarioTable(const DispatchTable& table) {
  DispatchTables& tables = Registry();
  if (std::find(tables.begin(), tables.end(), &table) == tables.end()) tables.push_back(&table);
}

const DispatchTables& ScenarioTables() { return Registry(); }

Scenario Scenario::FromEnvironment() {
  const char* path = std::getenv("FOLVANECAD_SCENARIO");
  if (path == nullptr || *path == '\0') return Scenario();
  return Read(LocalPath(path), std::cerr, ScenarioTables());
}

Scenario Scenario::Read(const QK_TString& path, std::ostream& warnings, const DispatchTables& tables) {
  Scenario scenario;
  std::ifstream in(path.str());
  if (!in) {
    warnings << "FolvaneCAD: scenario file " << path << " cannot be read\n";
    return scenario;
  }
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    QK_TString problem;
    if (!scenario.ReadLine(QK_TString(line).Trim(), tables, &problem)) {
      warnings << "FolvaneCAD: scenario file " << path << " line " << number << ": " << problem << "\n";
    }
  }
  return scenario;
}

bool Scenario::ReadLine(const QK_TString& line, const DispatchTables& tables, QK_TString* problem) {
  if (line.Empty() || line.StartsWith("#")) return true;
  std::size_t blank = line.str().find_first_of(" \t");
  QK_TString name = line.Substring(0, blank);
  QK_TString rest = blank == std::string::npos ? QK_TString() : line.Substring(blank + 1).Trim();
  const DispatchRow* row = RowNamed(name, tables, problem);
  if (row == nullptr) return false;
  // "status=N" and optionally "menu=N", in either order, then optionally
  // "error=" and the rest of the line.
  std::size_t errorAt = rest.Find("error=");
  QK_TString numbers = errorAt == QK_TString::npos ? rest : rest.Substring(0, errorAt);
  std::optional<long> menu;
  std::optional<long> status;
  if (!ReadNumbers(numbers, &menu, &status)) {
    *problem = "expected \"" + name + " status=N error=text\"";
    return false;
  }
  ForcedAnswer& forced = forced_[{row, menu}];
  forced.status = static_cast<short>(*status);
  forced.hasError = errorAt != QK_TString::npos;
  forced.error = forced.hasError ? rest.Substring(errorAt + 6) : QK_TString();
  return true;
}

const ForcedAnswer* Scenario::Find(const DispatchRow& row, std::optional<long> menu) const {
  if (menu) {
    auto forMenu = forced_.find({&row, menu});
    if (forMenu != forced_.end()) return &forMenu->second;
  }
  auto found = forced_.find({&row, std::nullopt});
  return found == forced_.end() ? nullptr : &found->second;
}

}  // namespace FolvaneCAD
