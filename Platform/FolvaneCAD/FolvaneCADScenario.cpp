#include "FolvaneCADScenario.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "FolvaneCADText.h"

namespace FolvaneCAD {

Scenario Scenario::FromEnvironment() {
  const char* path = std::getenv("FOLVANECAD_SCENARIO");
  if (path == nullptr || *path == '\0') return Scenario();
  return Read(LocalPath(path), std::cerr);
}

Scenario Scenario::Read(const QK_TString& path, std::ostream& warnings) {
  Scenario scenario;
  std::ifstream in(path.str());
  if (!in) {
    warnings << "FolvaneCAD: scenario file " << path << " cannot be read\n";
    return scenario;
  }
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    QK_TString problem;
    if (!scenario.ReadLine(QK_TString(line).Trim(), &problem)) {
      warnings << "FolvaneCAD: scenario file " << path << " line " << number << ": " << problem << "\n";
    }
  }
  return scenario;
}

bool Scenario::ReadLine(const QK_TString& line, QK_TString* problem) {
  if (line.Empty() || line.StartsWith("#")) return true;
  std::size_t blank = line.str().find_first_of(" \t");
  QK_TString name = line.Substring(0, blank);
  QK_TString rest = blank == std::string::npos ? QK_TString() : line.Substring(blank + 1).Trim();
  const OperationRow* row = FindOperationByName(name);
  if (row == nullptr || row->result != VT_I2 || row->operation == Operation::kErrorText) {
    *problem = "\"" + name + "\" is not an operation that answers a status";
    return false;
  }
  // "status=N", then optionally "error=" and the rest of the line.
  std::size_t errorAt = rest.Find("error=");
  QK_TString statusPart = (errorAt == QK_TString::npos ? rest : rest.Substring(0, errorAt)).Trim();
  long status = 0;
  if (!statusPart.StartsWith("status=") || !ParseInteger(statusPart.Substring(7), &status) || status < -32768 ||
      status > 32767) {
    *problem = "expected \"" + name + " status=N error=text\"";
    return false;
  }
  ForcedAnswer& forced = forced_[row->operation];
  forced.status = static_cast<short>(status);
  forced.hasError = errorAt != QK_TString::npos;
  forced.error = forced.hasError ? rest.Substring(errorAt + 6) : QK_TString();
  return true;
}

const ForcedAnswer* Scenario::Find(Operation operation) const {
  auto found = forced_.find(operation);
  return found == forced_.end() ? nullptr : &found->second;
}

}  // namespace FolvaneCAD
