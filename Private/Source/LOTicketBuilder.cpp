#include "LOTicketBuilder.h"

#include <cstdlib>
#include <iterator>
#include <string>
#include <utility>

#include <xalanc/XalanTransformer/XalanParsedSource.hpp>
#include <xercesc/util/XMLException.hpp>

#include "LOTickeException.h"
#include "LOTicketBuilderSaxHandler.h"
#include "QKM_TClient.h"
#include "ShapejobCodes.h"
#include "TaskError.h"
#include "XUtilityXml.h"

namespace CAD {

namespace {

const char kSourceName[] = "LOTicketBuilder";
const char kRecordPath[] = "/MFGTemplateList/MFGTemplateItem";
const char kWorkflowKind[] = "rizu";

const TicketFamily kFamily = {kSourceName, &ThrowTicketException<LONonWellformedXMLException>,
                              &ThrowTicketException<LOInvalidXpathException>, true};

struct NestingType {
  const char* name;
  const char* code;
};
const NestingType kNestingTypes[] = {
    {"Straight Nest", "1"},
    {"Reverse 2nd Row Nest", "2"},
    {"Reverse 2nd Column Nest", "3"},
    {"Reverse 2nd Row Align Nest", "4"},
    {"Reverse 2nd Column Align Nest", "5"},
};

const char* const kPositions[] = {"Left Top",      "Center Top",   "Right Top",   "Left Center", "Center Center",
                                  "Right Center", "Left Bottom", "Center Bottom", "Right Bottom"};


// True when the ticket server knows the workflow: its answer, a list of
// the workflow's attributes, is not empty.
bool WorkflowKnown(const QK_TAny& answer) {
  if (!answer.Is(QK_TAny::Kind::Array) && !answer.Is(QK_TAny::Kind::List)) {
    QK_THROW(QK_EException(QK_TString::Format("The ticket server answered TicketAttributes with a %s, not a list",
                                              QK_TAny::KindName(answer.GetKind()))));
  }
  return !(answer.Is(QK_TAny::Kind::Array) ? answer.AsArray() : answer.AsList()).Empty();
}

}  // namespace

const TemplateFieldNames& LayoutTemplateFieldNames() {
  static const TemplateFieldNames kNames = {
      {"FormatClass", "Format Class"},
      {"MFGTemplate", "MFG Template"},
      {"DesignName", "Design Name"},
      {"PrintItem", "Print Item"},
      {"SheetSizeX", "Sheet Size X"},
      {"SheetSizeY", "Sheet Size Y"},
      {"LMargin", "Left Margin"},
      {"RMargin", "Right Margin"},
      {"TMargin", "Top Margin"},
      {"BMargin", "Bottom Margin"},
      {"GrainDirection", "Grain Direction"},
      {"Shrink", "Shrink Sheet Size"},
      {"GutterX", "Gutter X"},
      {"GutterY", "Gutter Y"},
      {"FillSheet", "Fill Sheet"},
      {"UP_X", "One Ups in X Direction"},
      {"UP_Y", "One Ups in Y Direction"},
      {"AllocationStrategy", "Allocation Strategy"},
      {"MinSheetSizeX", "Minimum Sheet Size X"},
      {"MinSheetSizeY", "Minimum Sheet Size Y"},
      {"ClipToMinimum", "Clip To Minimum"},
  };
  return kNames;
}

LOTicketBuilder::LOTicketBuilder(AT_TTicket& ticket, const QK_TURL& inputFile, StringMapList& templateRecords,
                                 LOTicketParam& record, TW_TTask& task)
    : reader_(task, ticket, inputFile, kFamily),
      task_(task),
      templateRecords_(templateRecords),
      record_(record) {}

bool LOTicketBuilder::BuildTicketData() {
  const QK_TString recordXPath = ReadRecordXPath();
  const ParameterSources sources = ReadParameterSources();
  if (!ReadTemplateRecords(recordXPath, sources)) return false;
  ReadDesignSelection();
  record_.units = reader_.ReadAndLogUnlessEmpty("UNITS", kMandatory, "Units", "units").value;
  ReadNestingTypes();
  ReadOutputs();
  ReadCustomVariables();
  ReadPreview();
  ReadPosition();
  record_.commandScript = NormaliseCommandScript(
      reader_.ReadAndLogUnlessEmpty("COMMAND_SCRIPT", kMandatory, "CommandScript", "commandscript"));
  record_.layoutForProduction = reader_.Flag("IS_LAYOUT_FOR_PRODUCTION", kOptional);
  DBInfo info = record_.dbInfo;  // filled as a copy, then written back
  ReadDesignPeople(reader_, info);
  record_.dbInfo = info;
  ReadCrossGrain();
  return true;
}

// ---- manufacturing templates ----

QK_TString LOTicketBuilder::ReadRecordXPath() {
  const QK_TString value = reader_.ResolvedText("XML_ELEMENT_NAME", kMandatory).Trim();
  task_.AddMessage(Severity::kInformation, "shapejobs.info.RootNode", QK_TAny(value));
  if (value.Empty()) FailInvalidValue("shapejobs.message.rootnodeempty");
  const std::optional<QK_TString> xpath = TicketReader::XPathOf(value);
  if (!xpath) reader_.ThrowInvalidXPath("RootNode", value);
  reader_.RefuseDocumentCalls(*xpath, "RootNode");
  return *xpath;
}

// Each parameter's source: its XML element (an XPath, with or without the
// "xpath:" prefix), else an "xpath:" default when no element is given, else
// the default as a fixed value.
ParameterSources LOTicketBuilder::ReadParameterSources() {
  static const char kList[] = "LAYOUT_XML_ELEMENT";
  ParameterSources sources;
  for (const QK_TAny& item : reader_.DictList(kList)) {
    const QK_TDict& entry = item.AsDict();
    const QK_TString& rawElement = TicketReader::EntryText(entry, "LAYOUT_PARAM_XML_ELEMENT", kList);
    const QK_TString name = reader_.Resolve(TicketReader::EntryText(entry, "LAYOUT_PARAM", kList));
    const QK_TString element = reader_.Resolve(rawElement);
    const QK_TString fallback = reader_.Resolve(TicketReader::EntryText(entry, "LAYOUT_PARAM_DEFAULT_VALUE", kList));
    if (name.Empty()) continue;
    ParameterSource source;
    source.xpath = TicketReader::XPathOf(element).value_or(element);
    if (source.xpath.Empty()) {
      const std::optional<QK_TString> fallbackXPath = TicketReader::XPathOf(fallback);
      if (rawElement.Empty() && fallbackXPath) {
        source.xpath = *fallbackXPath;
      } else {
        source.defaultValue = fallback;
      }
    }
    reader_.RefuseDocumentCalls(source.xpath, name.c_str());
    sources.emplace(name, std::move(source));  // a repeated parameter keeps its first source
  }
  return sources;
}

// The input is parsed once, for the transform and every "xpath:" value; a
// file that is not XML fails here as LONonWellformedXMLException. The
// template list that the transform writes is read back as untrusted XML
// too, since the input's texts fill it.
bool LOTicketBuilder::ReadTemplateRecords(const QK_TString& recordXPath, const ParameterSources& sources) {
  const QK_TString stylesheetPath = task_.TempFile(".xsl").LocalName();
  const QK_TURL result = task_.TempFile(".xml");
  reader_.LoadTicketXml();
  TemplateTransform(LayoutTemplateFieldNames(), sources, recordXPath)
      .Run(*reader_.ParsedInput(), stylesheetPath, result.LocalName());

  LayoutSAXHandler handler(LayoutTemplateFieldNames(), kRecordPath);
  try {
    ParseUntrustedXml(result, {&handler}, &ThrowTicketException<LONonWellformedXMLException>, kSourceName);
  } catch (const LOTickeException&) {
    throw;
  } catch (const xercesc::XMLException& e) {
    task_.AddMessage(Severity::kInformation, "Exception.message", QK_TAny(FromXerces(e.getMessage())));
    return false;
  } catch (...) {
    task_.AddMessage(Severity::kInformation, "UnexpectedException");
    return false;
  }
  templateRecords_ = std::move(handler.Records());
  return true;
}

// ---- design selection ----

void LOTicketBuilder::ReadDesignSelection() {
  record_.selectDesign = reader_.Text("SELECT_DESIGN", kMandatory);
  const bool enterprise = record_.databaseKind.EqualsIgnoreCase(kEnterpriseKind);
  if (enterprise && record_.selectDesign.EqualsIgnoreCase("project")) {
    ReadProjectReference();
    return;
  }
  const char* pathKey = nullptr;
  if (enterprise && record_.selectDesign.EqualsIgnoreCase("path")) {
    pathKey = "ENTERPRISE_PATH";
  } else if (record_.databaseKind.EqualsIgnoreCase(kConventionalKind)) {
    pathKey = "STANDARD_PATH";
  }
  record_.designPath = pathKey != nullptr ? reader_.Read(pathKey, kOptional, "DesignName").value : QK_TString();
  reader_.Log("designname", record_.designPath);
}

// Blank names only warn here and leave the design path empty.
void LOTicketBuilder::ReadProjectReference() {
  record_.projectName = reader_.ReadAndLogUnlessEmpty("PROJECT_NAME", kMandatory, "ProjectName", "projectname").value;
  record_.designName =
      reader_.ReadAndLogUnlessEmpty("ENT_STD_NAME", kMandatory, "Enterprise-DesignName", "designname").value;
  const TicketValue version = reader_.Read("VERSION", kMandatory, "Version");
  if (!version.Blank()) task_.AddMessage(Severity::kInformation, "Version.Value", QK_TAny(version.value));
  record_.version = VersionNumber(reader_, version.value);

  if (record_.projectName.Empty() || record_.designName.Empty()) {
    task_.AddMessage(Severity::kWarning, "shapejobs.warning.blankprojectordesignname");
    record_.designPath = QK_TString();
  } else {
    record_.designPath = DatabaseReference(record_.projectName, record_.version, record_.designName);
  }
}

// ---- nesting, outputs ----

void LOTicketBuilder::ReadNestingTypes() {
  static const char kList[] = "NESTING_TYPES";
  const QK_TArray& entries = reader_.DictList(kList);
  std::set<QK_TString> codes;
  if (entries.Empty()) codes.insert("1");
  for (const QK_TAny& entry : entries) {
    const TicketValue value = reader_.Evaluate(TicketReader::EntryText(entry.AsDict(), "NESTING_TYPE", kList), "NestingType");
    if (!value.Blank()) reader_.Log("nestingtype", value.value);
    if (!value.value.Empty()) AddNestingCodes(value.value, codes);
  }
  record_.nestingTypes = codes;
}

void LOTicketBuilder::AddNestingCodes(const QK_TString& nestingType, std::set<QK_TString>& codes) {
  if (nestingType.EqualsIgnoreCase("All")) {
    for (const NestingType& known : kNestingTypes) codes.insert(known.code);
    return;
  }
  for (const NestingType& known : kNestingTypes) {
    if (nestingType.EqualsIgnoreCase(known.name)) {
      codes.insert(known.code);
      return;
    }
  }
  // Kept so that the layout operation rejects it with its own message.
  codes.insert(nestingType);
  task_.AddMessage(Severity::kError, "shapejobs.error.invalidnesttypevalue", QK_TAny(nestingType));
}

void LOTicketBuilder::ReadOutputs() {
  record_.mfgOutputFileName = ReadKeepingNames("MFG_OUTPUT_FILE_NAME", "MFGOutputName");
  const QK_TString mfgFolder = ReadKeepingNames("MFG_OUTPUT_FOLDER", "MFGOutputDirectory");
  if (mfgFolder.Empty()) FailInvalidValue("shapejobs.message.mfgpathempty");
  record_.mfgOutputFolder = mfgFolder;

  record_.xmlOutputFileName =
      reader_.ReadAndLogUnlessEmpty("XML_OUTPUT_FILE_NAME", kMandatory, "ReportName", "reportname").value;
  const QK_TString reportFolder = reader_.Read("XML_OUTPUT_FOLDER", kMandatory, "ReportDirectory").value;
  if (reportFolder.Empty()) FailInvalidValue("shapejobs.message.reportpathempty");
  task_.SetOutputDirRaw(QK_TURL(reportFolder));
  reader_.Log("reportdirectory", task_.OutputDir().LocalName());
  record_.xmlOutputFolder = task_.OutputDir();
}

// ---- custom variables ----

void LOTicketBuilder::ReadCustomVariables() {
  record_.exportCustomVariables = reader_.Flag("EXPORT_CUSTOM_VARIABLES", kOptional);
  if (!record_.exportCustomVariables) return;
  const QK_TString selectType = reader_.Text("selectType", kOptional).Trim();
  if (selectType.EqualsIgnoreCase("xpath")) {
    if (const std::optional<CustomVariableXPaths> values = ReadCustomVariableXPaths(reader_)) {
      ReadCustomVariablesByXPath(*values);
    }
  } else if (selectType.EqualsIgnoreCase("veltrop")) {
    static const char kList[] = "CUSTOM_VARIABLES";
    reader_.DictList(kList);  // every entry is checked before any is read
    record_.customVariables = ReadCustomVariableList(reader_, kList);
  }
}

// Every name needs its type and expression (surplus ones are ignored),
// taken as the string values of the nodes.
void LOTicketBuilder::ReadCustomVariablesByXPath(const CustomVariableXPaths& values) {
  const auto fail = [](const QK_TString& names, const QK_TString& types, const QK_TString& expressions,
                       unsigned int line) {
    ThrowTicketException<LOXpathVarResolveException>(
        QK_TString::Format("Name : %s , Type : %s, Expression : %s", names.c_str(), types.c_str(),
                           expressions.c_str()),
        kSourceName, line);
  };
  const auto names = TicketReader::XPathOf(values.names);
  const auto types = TicketReader::XPathOf(values.types);
  const auto expressions = TicketReader::XPathOf(values.expressions);
  if (!names || !types || !expressions) fail(values.names, values.types, values.expressions, __LINE__);
  std::optional<CustomVariableList> variables = SelectCustomVariables(
      reader_, values, {{"VariableNames", *names}, {"VariableTypes", *types}, {"VariableExpressions", *expressions}},
      SelectedText::kStringValue);
  if (!variables) fail(*names, *types, *expressions, __LINE__);
  record_.customVariables = std::move(*variables);
}

// ---- preview and workflow ----

void LOTicketBuilder::ReadPreview() {
  record_.generatePreview = reader_.Flag("GENERATE_PREVIEW", kMandatory);
  if (!record_.generatePreview) return;
  const QK_TString folder = ReadKeepingNames("PREVIEW_OUTPUT_FOLDER", "PreviewDirectory");
  if (folder.Empty()) FailInvalidValue("shapejobs.message.previewfolderempty");
  record_.previewOutputFolder = folder;

  const QK_TString format =
      reader_.ReadAndLog("PREVIEW_FILE_FORMAT", kMandatory, "PreviewFileFormat", "previewfileformat").value;
  if (!format.EqualsIgnoreCase("PNG") && !format.EqualsIgnoreCase("JPEG")) {
    FailInvalidValue("shapejobs.message.invalidpreviewformat", {QK_TAny(format)});
  }
  record_.previewFileFormat = format;

  if (!reader_.Flag("IS_LAUNCH_WF", kOptional)) return;
  record_.launchWorkflow = reader_.ReadAndLog("LAUNCH_WF", kOptional, "LaunchWFName", "launchwf").value;
  const QK_TString& name = record_.launchWorkflow;
  CheckWorkflow(name.StartsWith("rizu/") ? name.Substring(5) : name);
}

void LOTicketBuilder::CheckWorkflow(const QK_TString& shortName) {
  const char* server = std::getenv("QK_SERVER");
  QKM_TClient client;
  client.SetConnectionAddress(server != nullptr ? server : "", "TicketServer", 0, QKM_TClient::kLocationDirect);
  QK_TDict request;
  request.Set("M", QK_TAny("TicketAttributes"));
  request.Set("P1", QK_TAny(kWorkflowKind));
  request.Set("P2", QK_TAny(shortName));
  request.Set("P3", QK_TAny("*"));
  if (!WorkflowKnown(client.Request(request))) {
    FailInvalidValue("shapejobs.error.workflowunavailable", {QK_TAny(shortName)}, shortName);
  }
}

// ---- position, cross grain ----

void LOTicketBuilder::ReadPosition() {
  TicketValue position = reader_.Read("POSITION", kOptional, "Position");
  if (position.Blank()) position.value = "Center Bottom";
  reader_.Log("position", position.value);
  if (position.value.Empty()) FailInvalidValue("shapejobs.message.positionempty");
  for (int code = 0; code < static_cast<int>(std::size(kPositions)); ++code) {
    if (position.value.EqualsIgnoreCase(kPositions[code])) {
      record_.position = QK_TString(std::to_string(code));
      return;
    }
  }
  FailInvalidValue("shapejobs.error.invalidpositionvalue", {QK_TAny(position.value)});
}

void LOTicketBuilder::ReadCrossGrain() {
  TicketValue crossGrain = reader_.Read("CROSS_GRAIN", kOptional, "CrossGrain");
  if (crossGrain.Blank()) crossGrain.value = "No";
  reader_.Log("crossgrain", crossGrain.value);
  record_.crossGrain = crossGrain.value;
}

// ---- reading parameters ----

QK_TString LOTicketBuilder::ReadKeepingNames(const char* key, const char* parameterName) {
  const QK_TString raw = reader_.Text(key, kMandatory);
  if (TicketReader::XPathOf(raw)) return reader_.Evaluate(raw, parameterName).value;
  return raw.Trim();
}

void LOTicketBuilder::FailInvalidValue(const char* messageKey, const std::vector<QK_TAny>& arguments,
                                       const QK_TString& exceptionMessage) {
  task_.AddMessage(Severity::kError, messageKey, arguments);
  ThrowTicketException<InvalidValueException>(exceptionMessage, kSourceName, __LINE__);
}

}  // namespace CAD
