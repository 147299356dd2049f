#include "Model/FolvaneCADCommand.h"

#include <filesystem>
#include <fstream>
#include <string>

#include "Base/FolvaneCADText.h"

namespace FolvaneCAD {

namespace {

// The design-record field that a command file can set.
constexpr char kDescriptionField[] = "DBREC.DESC$";

QK_TString Unquoted(const QK_TString& text) {
  if (text.Length() >= 2 && text.StartsWith("\"") && text.EndsWith("\"")) {
    return text.Substring(1, text.Length() - 2);
  }
  return text;
}

// The first blank-separated word of `line`; `rest` receives what follows it.
QK_TString FirstWord(const QK_TString& line, QK_TString* rest) {
  std::size_t blank = line.str().find_first_of(" \t");
  if (blank == std::string::npos) {
    *rest = QK_TString();
    return line;
  }
  *rest = line.Substring(blank + 1).Trim();
  return line.Substring(0, blank);
}

bool ReadAssignment(const QK_TString& arguments, Assignment* assignment, QK_TString* reason) {
  std::size_t equals = arguments.Find("=");
  if (equals == QK_TString::npos || arguments.Substring(0, equals).Trim().Empty()) {
    *reason = "expected dset NAME = value";
    return false;
  }
  assignment->name = arguments.Substring(0, equals).Trim();
  if (assignment->name.StartsWith("#")) {
    *reason = "the computed value " + assignment->name + " cannot be set";
    return false;
  }
  QK_TString text = arguments.Substring(equals + 1).Trim();
  if (text.StartsWith("'")) {
    std::size_t last = text.FindLast('\'');
    assignment->value = Value::Text(last > 0 ? text.Substring(1, last - 1) : text.Substring(1));
    return true;
  }
  double number = 0.0;
  bool quoted = text.Length() >= 2 && text.StartsWith("\"") && text.EndsWith("\"");
  assignment->value = !quoted && ParseNumber(text, &number) ? Value::Number(number, text) : Value::Text(Unquoted(text));
  return true;
}

// One line of a command file; blank and comment lines add nothing.
bool ReadLine(const QK_TString& raw, std::vector<Assignment>* assignments, QK_TString* reason) {
  QK_TString line = raw.Trim();
  if (line.Empty() || line.StartsWith(";") || line.StartsWith("#")) return true;
  QK_TString arguments;
  QK_TString command = FirstWord(line, &arguments);
  if (!command.EqualsIgnoreCase("dset")) {
    *reason = "unknown command \"" + command + "\"";
    return false;
  }
  Assignment assignment;
  if (!ReadAssignment(arguments, &assignment, reason)) return false;
  assignments->push_back(std::move(assignment));
  return true;
}

bool ReadCommandFile(const QK_TString& path, std::vector<Assignment>* assignments, QK_TString* error) {
  std::error_code ignored;
  std::ifstream in(path.str());
  if (!std::filesystem::is_regular_file(path.str(), ignored) || !in) {
    *error = "Command file not found: " + path;
    return false;
  }
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    QK_TString reason;
    if (!ReadLine(QK_TString(line), assignments, &reason)) {
      *error = QK_TString::Format("Command file %s line %d: ", path.c_str(), number) + reason;
      return false;
    }
  }
  return true;
}

}  // namespace

bool ReadCommand(const QK_TString& command, std::vector<Assignment>* assignments, QK_TString* error) {
  QK_TString argument;
  QK_TString name = FirstWord(command.Trim(), &argument);
  if (name.Empty()) {
    *error = "Empty command";
    return false;
  }
  if (!name.EqualsIgnoreCase("EXE")) {
    *error = "Unknown command: " + name;
    return false;
  }
  if (argument.Empty()) {
    *error = "EXE without a command file";
    return false;
  }
  return ReadCommandFile(LocalPath(Unquoted(argument)), assignments, error);
}

void Apply(const std::vector<Assignment>& assignments, Design* design) {
  for (const Assignment& assignment : assignments) {
    if (assignment.name.EqualsIgnoreCase(kDescriptionField)) {
      design->description = assignment.value.AsText();
    } else {
      design->SetVariable(assignment.name, assignment.value);
    }
  }
}

void Apply(const std::vector<Assignment>& assignments, Layout* layout) {
  for (const Assignment& assignment : assignments) layout->SetVariable(assignment.name, assignment.value);
}

}  // namespace FolvaneCAD
