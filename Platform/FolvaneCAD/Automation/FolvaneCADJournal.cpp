#include "Automation/FolvaneCADJournal.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "Base/FolvaneCADText.h"

namespace FolvaneCAD {

namespace {

QK_TString Argument(char parameter, const Arguments& args, unsigned int index) {
  switch (parameter) {
    case 's': return QuotedText(args.Text(index));
    case 'x':
      return args.IsText(index) ? QuotedText(args.Text(index))
                                : QK_TString::Format("%ld", args.Integer(index));
    case 'r': return FormatNumber(args.Real(index));
    case 'd': return "<object>";
    case 'S': case 'R': return "<out>";
    default: return QK_TString::Format("%ld", args.Integer(index));
  }
}

QK_TString Line(const char* object, const DispatchRow& row, const char* parameters, const Arguments& args,
                const Answer& answer, const QK_TString& written) {
  std::vector<QK_TString> arguments;
  for (unsigned int i = 0; parameters[i] != '\0'; ++i) arguments.push_back(Argument(parameters[i], args, i));
  QK_TString line =
      QK_TString(object) + "." + row.name + "(" + Join(arguments, ", ") + ") = " + answer.Summary();
  if (!written.Empty()) line += " -> " + written;
  return line;
}

}  // namespace

Journal Journal::FromEnvironment() {
  Journal journal;
  const char* path = std::getenv("FOLVANECAD_JOURNAL");
  if (path != nullptr) journal.path_ = LocalPath(path);
  return journal;
}

void Journal::Record(const char* object, const DispatchRow& row, const char* parameters,
                     const Arguments& args, const Answer& answer, const QK_TString& written) const {
  if (path_.Empty() || !row.writesFile) return;
  std::ofstream out(path_.str(), std::ios::app);
  out << Line(object, row, parameters, args, answer, written) << "\n";
  if (!out) std::cerr << "FolvaneCAD: journal file " << path_ << " cannot be written\n";
}

}  // namespace FolvaneCAD
