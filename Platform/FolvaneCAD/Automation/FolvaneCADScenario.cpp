#include "Automation/FolvaneCADScenario.h"

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "Base/FolvaneCADText.h"

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
  bool forceable = IsStatus(row.result) || row.valueCanBeForced;
  return forceable && !QK_TString(row.name).EqualsIgnoreCase(kErrorTextOperation);
}

bool HasTextOut(const DispatchRow& row) {
  return IsStatus(row.result) && (std::strchr(row.conventionalParameters, 'S') != nullptr ||
                                  std::strchr(row.enterpriseParameters, 'S') != nullptr);
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

bool ReadStatus(const QK_TString& word, std::optional<long>* status) {
  const QK_TString prefix = "status=";
  long value = 0;
  if (!word.StartsWith(prefix) || *status || !ParseInteger(word.Substring(prefix.Length()), &value)) return false;
  if (value < SHRT_MIN || value > SHRT_MAX) return false;
  *status = value;
  return true;
}

// "first=V", or "menu=N" with a whole number.
bool ReadFirst(const QK_TString& word, std::optional<QK_TString>* first) {
  long whole = 0;
  for (const char* prefix : {"first=", "menu="}) {
    QK_TString key(prefix);
    if (!word.StartsWith(key) || *first) continue;
    QK_TString value = word.Substring(key.Length());
    if (value.Empty() || (key == "menu=" && !ParseInteger(value, &whole))) return false;
    *first = value;
    return true;
  }
  return false;
}

// The words "status=N" and "first=V" (or "menu=N"), each at most once.
// "signal=TERM" or "signal=INT", once.
bool ReadSignal(const QK_TString& word, std::optional<int>* signal) {
  if (!word.StartsWith("signal=") || *signal) return false;
  const QK_TString name = word.Substring(7);
  if (name.EqualsIgnoreCase("TERM")) *signal = SIGTERM;
  if (name.EqualsIgnoreCase("INT")) *signal = SIGINT;
  return signal->has_value();
}

bool ReadWords(const QK_TString& text, std::optional<QK_TString>* first, std::optional<long>* status,
               std::optional<int>* signal) {
  for (const QK_TString& word : Split(text.ReplaceChars('\t', ' '), ' ')) {
    if (word.Empty()) continue;
    if (!ReadStatus(word, status) && !ReadFirst(word, first) && !ReadSignal(word, signal)) return false;
  }
  return true;
}

// Cuts `marker` and what follows it off `text`; the cut part without the
// marker, or nothing when `text` has no marker.
std::optional<QK_TString> CutAt(QK_TString* text, const char* marker) {
  std::size_t at = text->Find(marker);
  if (at == QK_TString::npos) return std::nullopt;
  QK_TString tail = text->Substring(at + std::strlen(marker));
  *text = text->Substring(0, at);
  return tail;
}

bool Matches(const QK_TString& written, const FirstArgument& argument) {
  if (argument.isText) return written == argument.text;
  double number = 0;
  return ParseNumber(written, &number) && number == argument.number;
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
  std::optional<QK_TString> error = CutAt(&rest, "error=");
  std::optional<QK_TString> text = CutAt(&rest, "text=");
  std::optional<QK_TString> first;
  std::optional<long> status;
  std::optional<int> signal;
  if (!ReadWords(rest, &first, &status, &signal) || (!status && !text && !signal)) {
    *problem = "expected \"" + name + " status=N error=text\"";
    return false;
  }
  if (text && !HasTextOut(*row)) {
    *problem = "\"" + name + "\" hands out no text that text= could force";
    return false;
  }
  ForcedAnswer answer;
  answer.hasStatus = status.has_value();
  answer.status = static_cast<short>(status.value_or(0));
  answer.hasText = text.has_value();
  answer.text = text ? text->Trim() : QK_TString();
  answer.hasError = error.has_value();
  answer.error = error.value_or(QK_TString());
  answer.signal = signal.value_or(0);
  std::vector<Line>& lines = forced_[row];
  auto same = std::find_if(lines.begin(), lines.end(), [&](const Line& known) { return known.first == first; });
  if (same != lines.end()) {
    same->answer = answer;
  } else {
    lines.push_back({first, answer});
  }
  return true;
}

const ForcedAnswer* Scenario::Find(const DispatchRow& row, const std::optional<FirstArgument>& first) const {
  auto found = forced_.find(&row);
  if (found == forced_.end()) return nullptr;
  const ForcedAnswer* everyCall = nullptr;
  for (const Line& line : found->second) {
    if (!line.first) {
      everyCall = &line.answer;
    } else if (first && Matches(*line.first, *first)) {
      return &line.answer;
    }
  }
  return everyCall;
}

}  // namespace FolvaneCAD
