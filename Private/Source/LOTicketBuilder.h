// The layout ticket builder: turns the ticket of a layout task into the
// task-wide layout settings (LOTicketParam) and one parameter map per
// manufacturing template. The templates are not read key by key: the ticket
// says where each layout parameter stands in a record of the input XML file,
// a stylesheet generated from that description turns the input file into an
// MFGTemplateList document, and a SAX pass (LOTicketBuilderSaxHandler.h)
// reads that document back.
#pragma once

#include <map>
#include <set>
#include <vector>

#include "AT_TTicket.h"
#include "QK_TArray.h"
#include "QK_TString.h"
#include "QK_TURL.h"
#include "ShapejobTicketData.h"
#include "TW_TTask.h"
#include "XUtility.h"

namespace XALAN_CPP_NAMESPACE {
class XalanParsedSource;
}  // namespace XALAN_CPP_NAMESPACE

namespace CAD {

// Template element name (such as "FormatClass") to parameter display name
// (such as "Format Class").
using TemplateFieldNames = std::map<QK_TString, QK_TString>;

// Where the value of one layout parameter comes from: an XPath relative to
// one record, or else a fixed default.
struct ParameterSource {
  QK_TString xpath;
  QK_TString defaultValue;
};
// Parameter display name to its source.
using ParameterSources = std::map<QK_TString, ParameterSource>;

// The 21 template elements and their display names.
const TemplateFieldNames& LayoutTemplateFieldNames();

// Writes a stylesheet that makes one MFGTemplateItem per record of the input
// document (each holding every element of `fieldNames`, filled from its
// parameter's XPath or default), and runs it over the input document.
class TemplateTransform {
 public:
  TemplateTransform(const TemplateFieldNames& fieldNames, const ParameterSources& sources, QK_TString recordXPath);

  // Writes the stylesheet to `stylesheetPath`, then the transform of the
  // already parsed `input` to `resultPath` (local paths). Failures throw
  // QK_EException.
  void Run(const xalanc::XalanParsedSource& input, const QK_TString& stylesheetPath,
           const QK_TString& resultPath) const;

 private:
  void GenerateXslt(const QK_TString& stylesheetPath) const;
  void Transform(const xalanc::XalanParsedSource& input, const QK_TString& stylesheetPath,
                 const QK_TString& resultPath) const;

  const TemplateFieldNames& fieldNames_;
  const ParameterSources& sources_;
  QK_TString recordXPath_;
};

class LOTicketBuilder {
 public:
  LOTicketBuilder(AT_TTicket& ticket, const QK_TURL& inputFile, StringMapList& templateRecords,
                  LOTicketParam& record, TW_TTask& task);

  // Reads the whole ticket. False when the template document could not be
  // produced or read (reported as "Exception.message"); other failures
  // throw.
  bool BuildTicketData();

 private:
  QK_TString ReadRecordXPath();
  ParameterSources ReadParameterSources();
  bool ReadTemplateRecords(const QK_TString& recordXPath, const ParameterSources& sources);
  void ReadDesignSelection();
  void ReadProjectReference();
  void ReadNestingTypes();
  void AddNestingCodes(const QK_TString& nestingType, std::set<QK_TString>& codes);
  void ReadOutputs();
  void ReadCustomVariables();
  void ReadCustomVariablesByXPath(const CustomVariableXPaths& values);
  void ReadPreview();
  void CheckWorkflow(const QK_TString& shortName);
  void ReadPosition();
  void ReadCrossGrain();

  // Output names and folders: names in a plain value stay unresolved, for
  // the layout operation to resolve per output.
  QK_TString ReadKeepingNames(const char* key, const char* parameterName);
  // Reports `messageKey` as an error, then throws InvalidValueException.
  [[noreturn]] void FailInvalidValue(const char* messageKey, const std::vector<QK_TAny>& arguments = {},
                                     const QK_TString& exceptionMessage = QK_TString());

  TicketReader reader_;
  TW_TTask& task_;
  StringMapList& templateRecords_;
  LOTicketParam& record_;
};

}  // namespace CAD
