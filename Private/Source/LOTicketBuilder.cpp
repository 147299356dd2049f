#include "LOTicketBuilder.h"

#include <cctype>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include <xalanc/DOMSupport/DOMServices.hpp>
#include <xalanc/DOMSupport/XalanDocumentPrefixResolver.hpp>
#include <xalanc/PlatformSupport/XSLException.hpp>
#include <xalanc/XPath/NodeRefList.hpp>
#include <xalanc/XPath/XPathEvaluator.hpp>
#include <xalanc/XalanSourceTree/XalanSourceTreeDOMSupport.hpp>
#include <xalanc/XalanSourceTree/XalanSourceTreeInit.hpp>
#include <xalanc/XalanSourceTree/XalanSourceTreeParserLiaison.hpp>
#include <xalanc/XalanTransformer/XalanSourceTreeWrapperParsedSource.hpp>
#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>

#include "LOTickeException.h"
#include "QKM_TClient.h"
#include "QK_TArray.h"
#include "QK_TDict.h"
#include "TaskError.h"

namespace CAD {

namespace {

using Presence = TicketReader::Presence;
constexpr Presence kMandatory = Presence::kMandatory;
constexpr Presence kOptional = Presence::kOptional;

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


// A plain (not "xpath:") value that is empty is neither stored nor logged.
bool IsBlankPlainValue(const TicketValue& value) { return !value.fromXPath && value.value.Empty(); }

[[noreturn]] void ThrowInvalidXPath(const QK_TString& parameterName, const QK_TString& xpath, unsigned int line) {
  ThrowTicketException<LOInvalidXpathException>(
      QK_TString::Format("Param Name : %s , Xpath : %s", parameterName.c_str(), xpath.c_str()), kSourceName, line);
  QK_NotReached();
}

void RefuseDocumentCalls(const QK_TString& parameterName, const QK_TString& xpath) {
  if (CallsDocument(xpath)) ThrowInvalidXPath(parameterName, xpath, __LINE__);
}

// The text of `key` in one entry of the list parameter `listKey`.
const QK_TString& EntryText(const QK_TDict& entry, const char* key, const char* listKey) {
  const QK_TAny* value = entry.Find(key);
  if (value == nullptr) {
    QK_THROW(QK_EException(QK_TString::Format("An entry of the ticket parameter %s has no %s", listKey, key)));
  }
  if (!value->Is(QK_TAny::Kind::String)) {
    QK_THROW(QK_EException(QK_TString::Format("The %s of an entry of the ticket parameter %s is a %s, not a text",
                                              key, listKey, QK_TAny::KindName(value->GetKind()))));
  }
  return value->AsString();
}

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

LOTicketBuilder::~LOTicketBuilder() = default;

bool LOTicketBuilder::BuildTicketData() {
  const QK_TString recordXPath = ReadRecordXPath();
  const ParameterSources sources = ReadParameterSources();
  if (!ReadTemplateRecords(recordXPath, sources)) return false;
  ReadDesignSelection();
  record_.units = ReadValue("UNITS", kMandatory, "Units", "units").value;
  ReadNestingTypes();
  ReadOutputs();
  ReadCustomVariables();
  ReadPreview();
  ReadPosition();
  record_.commandScript =
      NormaliseCommandScript(ReadValue("COMMAND_SCRIPT", kMandatory, "CommandScript", "commandscript"));
  record_.layoutForProduction = Flag("IS_LAYOUT_FOR_PRODUCTION", kOptional, false);
  ReadDesignInfo();
  ReadCrossGrain();
  return true;
}

// ---- manufacturing templates ----

QK_TString LOTicketBuilder::ReadRecordXPath() {
  QK_TString resolved;
  const QK_TString value = reader_.ResolveVeltropName(resolved, RawText("XML_ELEMENT_NAME", kMandatory)).Trim();
  task_.AddMessage(0, "shapejobs.info.RootNode", QK_TAny(value));
  if (value.Empty()) FailInvalidValue("shapejobs.message.rootnodeempty");
  if (!IsXPathValue(value)) ThrowInvalidXPath("RootNode", value, __LINE__);
  const QK_TString xpath = value.Substring(QK_TString("xpath:").Length());
  RefuseDocumentCalls("RootNode", xpath);
  return xpath;
}

ParameterSources LOTicketBuilder::ReadParameterSources() {
  static const char kList[] = "LAYOUT_XML_ELEMENT";
  ParameterSources sources;
  for (const QK_TAny& item : DictList(kList)) {
    const QK_TDict& entry = item.AsDict();
    const QK_TString& rawElement = EntryText(entry, "LAYOUT_PARAM_XML_ELEMENT", kList);
    QK_TString name, element, fallback;
    reader_.ResolveVeltropName(name, EntryText(entry, "LAYOUT_PARAM", kList));
    reader_.ResolveVeltropName(element, rawElement);
    reader_.ResolveVeltropName(fallback, EntryText(entry, "LAYOUT_PARAM_DEFAULT_VALUE", kList));
    if (name.Empty()) continue;
    element = element.Replace("xpath:", "");
    ParameterSource source;
    if (!element.Empty()) {
      source.xpath = element;
    } else if (rawElement.Empty() && IsXPathValue(fallback)) {
      source.xpath = fallback.Replace("xpath:", "");
    } else {
      source.defaultValue = fallback;
    }
    RefuseDocumentCalls(name, source.xpath);
    sources.emplace(name, std::move(source));  // a repeated parameter keeps its first source
  }
  return sources;
}

bool LOTicketBuilder::ReadTemplateRecords(const QK_TString& recordXPath, const ParameterSources& sources) {
  const QK_TString stylesheetPath = task_.TempFile(".xsl").LocalName();
  const QK_TString resultPath = task_.TempFile(".xml").LocalName();
  // The input is parsed once, for the transform and every "xpath:" value;
  // a file that is not XML fails here as LONonWellformedXMLException.
  reader_.LoadTicketXml();
  // The reader owns the parser liaison that its DOM support names.
  xalanc::XalanSourceTreeParserLiaison& liaison = *reader_.Liaison();
  const xalanc::XalanSourceTreeWrapperParsedSource input(liaison.mapDocument(reader_.Document()), liaison,
                                                         *reader_.DOMSupport());
  TemplateTransform(LayoutTemplateFieldNames(), sources, recordXPath).Run(input, stylesheetPath, resultPath);

  LayoutSAXHandler handler(LayoutTemplateFieldNames(), kRecordPath);
  try {
    xercesc::SecurityManager securityManager;  // bounds entity expansion
    securityManager.setEntityExpansionLimit(kEntityExpansionLimit);
    std::unique_ptr<xercesc::SAX2XMLReader> reader(xercesc::XMLReaderFactory::createXMLReader());
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpaces, true);
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreValidation, true);
    reader->setFeature(xercesc::XMLUni::fgXercesDynamic, true);  // only against a grammar the document names
    reader->setFeature(xercesc::XMLUni::fgXercesLoadExternalDTD, false);
    reader->setProperty(xercesc::XMLUni::fgXercesSecurityManager, &securityManager);
    reader->setContentHandler(&handler);
    reader->setErrorHandler(&handler);
    xercesc::LocalFileInputSource source(ToXmlText(resultPath).c_str());
    reader->parse(source);
  } catch (const LOTickeException&) {
    throw;
  } catch (const xercesc::SAXParseException& e) {
    task_.AddMessage(0, "Exception.message", QK_TAny(QK_TString(XMLChToUtf8String(e.getMessage()))));
    return false;
  } catch (const xercesc::XMLException& e) {
    task_.AddMessage(0, "Exception.message", QK_TAny(QK_TString(XMLChToUtf8String(e.getMessage()))));
    return false;
  } catch (...) {
    task_.AddMessage(0, "UnexpectedException");
    return false;
  }
  templateRecords_ = std::move(handler.Records());
  return true;
}

// ---- design selection ----

void LOTicketBuilder::ReadDesignSelection() {
  record_.selectDesign = RawText("SELECT_DESIGN", kMandatory);
  const bool enterprise = record_.databaseKind.EqualsIgnoreCase("Enterprise");
  if (enterprise && record_.selectDesign.EqualsIgnoreCase("project")) {
    ReadProjectReference();
    return;
  }
  const char* pathKey = nullptr;
  if (enterprise && record_.selectDesign.EqualsIgnoreCase("path")) {
    pathKey = "ENTERPRISE_PATH";
  } else if (record_.databaseKind.EqualsIgnoreCase("Conventional")) {
    pathKey = "STANDARD_PATH";
  }
  const TicketValue path = pathKey != nullptr ? reader_.Read(pathKey, kOptional, "DesignName") : TicketValue();
  reader_.Log("designname", path.value);
  record_.designPath = path.value;
}

void LOTicketBuilder::ReadProjectReference() {
  record_.projectName = ReadValue("PROJECT_NAME", kMandatory, "ProjectName", "projectname").value;
  record_.designName = ReadValue("ENT_STD_NAME", kMandatory, "Enterprise-DesignName", "designname").value;
  record_.version = 0;
  const TicketValue version = reader_.Read("VERSION", kMandatory, "Version");
  if (!IsBlankPlainValue(version)) task_.AddMessage(0, "Version.Value", QK_TAny(version.value));
  if (!version.value.Empty()) {
    // Read as std::stoi reads: leading blanks and a sign, up to the first
    // character that is not a digit.
    try {
      record_.version = std::stoi(version.value.str(), nullptr, 10);
    } catch (const std::logic_error&) {
      task_.AddMessage(2, "shapejobs.message.invalidversion", QK_TAny(version.value));
      QK_THROW(TaskError());
    }
  }

  if (record_.projectName.Empty() || record_.designName.Empty()) {
    task_.AddMessage(1, "shapejobs.warning.blankprojectordesignname");
    record_.designPath = QK_TString();
  } else if (record_.version < 1) {
    record_.designPath = QK_TString::Format("@%s:%s", record_.projectName.c_str(), record_.designName.c_str());
  } else {
    record_.designPath = QK_TString::Format("@%s:%d:%s", record_.projectName.c_str(), record_.version,
                                            record_.designName.c_str());
  }
}

// ---- nesting, outputs ----

void LOTicketBuilder::ReadNestingTypes() {
  static const char kList[] = "NESTING_TYPES";
  const QK_TArray& entries = DictList(kList);
  std::set<QK_TString> codes;
  if (entries.Empty()) codes.insert("1");
  for (const QK_TAny& entry : entries) {
    const TicketValue value = ResolveValue(EntryText(entry.AsDict(), "NESTING_TYPE", kList), "NestingType");
    if (!IsBlankPlainValue(value)) reader_.Log("nestingtype", value.value);
    if (value.value.Empty()) continue;
    AddNestingCodes(value.value, codes);
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
  task_.AddMessage(2, "shapejobs.error.invalidnesttypevalue", QK_TAny(nestingType));
}

void LOTicketBuilder::ReadOutputs() {
  record_.mfgOutputFileName = ReadKeepingNames("MFG_OUTPUT_FILE_NAME", "MFGOutputName");
  const QK_TString mfgFolder = ReadKeepingNames("MFG_OUTPUT_FOLDER", "MFGOutputDirectory");
  if (mfgFolder.Empty()) FailInvalidValue("shapejobs.message.mfgpathempty");
  record_.mfgOutputFolder = mfgFolder;

  record_.xmlOutputFileName = ReadValue("XML_OUTPUT_FILE_NAME", kMandatory, "ReportName", "reportname").value;
  const QK_TString reportFolder = reader_.Read("XML_OUTPUT_FOLDER", kMandatory, "ReportDirectory").value;
  if (reportFolder.Empty()) FailInvalidValue("shapejobs.message.reportpathempty");
  task_.SetOutputDirRaw(QK_TURL(reportFolder));
  reader_.Log("reportdirectory", task_.OutputDir().LocalName());
  record_.xmlOutputFolder = task_.OutputDir();
}

// ---- custom variables ----

void LOTicketBuilder::ReadCustomVariables() {
  record_.exportCustomVariables = Flag("EXPORT_CUSTOM_VARIABLES", kOptional, false);
  if (!record_.exportCustomVariables) return;
  const QK_TString selectType = RawText("selectType", kOptional).Trim();
  if (selectType.EqualsIgnoreCase("xpath")) {
    QK_TString names, types, expressions;
    reader_.ResolveVeltropName(names, RawText("VARIABLE_NAMES", kOptional));
    reader_.ResolveVeltropName(types, RawText("VARIABLE_TYPES", kOptional));
    reader_.ResolveVeltropName(expressions, RawText("VARIABLE_EXPRESSIONS", kOptional));
    if (names.Empty() || types.Empty() || expressions.Empty()) {
      task_.AddMessage(1, "StandardVariables.Type",
                       {QK_TAny("Names : %s , Type : %s, Expression : %s"), QK_TAny(names), QK_TAny(types),
                        QK_TAny(expressions)});
      return;
    }
    reader_.LoadTicketXml();
    ReadCustomVariablesByXPath(names, types, expressions);
  } else if (selectType.EqualsIgnoreCase("veltrop")) {
    ReadCustomVariablesFromList();
  }
}

void LOTicketBuilder::ReadCustomVariablesByXPath(const QK_TString& names, const QK_TString& types,
                                                 const QK_TString& expressions) {
  if (!IsXPathValue(names) || !IsXPathValue(types) || !IsXPathValue(expressions)) {
    ThrowVariableResolve(names, types, expressions, __LINE__);
  }
  const std::size_t prefix = QK_TString("xpath:").Length();
  const QK_TString xpaths[3] = {names.Substring(prefix), types.Substring(prefix), expressions.Substring(prefix)};
  static const char* const kParameterNames[3] = {"VariableNames", "VariableTypes", "VariableExpressions"};
  for (int i = 0; i < 3; ++i) RefuseDocumentCalls(kParameterNames[i], xpaths[i]);

  CustomVariableList variables;
  try {
    xalanc::XalanSourceTreeInit sourceTreeInit(xalanc::XalanMemMgrs::getDefaultXercesMemMgr());
    xalanc::XPathEvaluator evaluator;
    xalanc::XalanDocumentPrefixResolver resolver(reader_.Document());
    xalanc::XalanNode* context =
        evaluator.selectSingleNode(*reader_.DOMSupport(), reader_.Document(), ToXalan("/").c_str(), resolver);
    if (context == nullptr) QK_THROW(QK_EException(QK_TString("ContextNode not found.")));
    xalanc::NodeRefList lists[3];
    for (int i = 0; i < 3; ++i) {
      evaluator.selectNodeList(lists[i], *reader_.DOMSupport(), context, ToXalan(xpaths[i]).c_str(), resolver);
    }
    const auto count = lists[0].getLength();
    // Every name needs its type and expression.
    if (count == 0 || lists[1].getLength() < count || lists[2].getLength() < count) {
      ThrowVariableResolve(xpaths[0], xpaths[1], xpaths[2], __LINE__);
    }
    for (xalanc::NodeRefList::size_type i = 0; i < count; ++i) {
      auto variable = std::make_shared<CustomVariable>();
      variable->name = NodeText(*lists[0].item(i)).Trim();
      variable->type = NodeText(*lists[1].item(i)).Trim();
      variable->expression = NodeText(*lists[2].item(i)).Trim();
      variables.push_back(std::move(variable));
    }
  } catch (const xalanc::XSLException& e) {
    task_.AddMessage(2, "shapejobs.message.xalanxpathevaluatevariablesexception",
                     {QK_TAny(names), QK_TAny(types), QK_TAny(expressions),
                      QK_TAny(XPathErrorPosition(e.getLineNumber())), QK_TAny(XPathErrorPosition(e.getColumnNumber())),
                      QK_TAny(QK_TString(XMLChToUtf8String(e.getMessage().c_str(), e.getMessage().length())))});
    QK_THROW(TaskError());
  }
  record_.customVariables = std::move(variables);
}

void LOTicketBuilder::ReadCustomVariablesFromList() {
  static const char kList[] = "CUSTOM_VARIABLES";
  CustomVariableList variables;
  for (const QK_TAny& item : DictList(kList)) {
    const QK_TDict& entry = item.AsDict();
    auto variable = std::make_shared<CustomVariable>();
    QK_TString resolved;
    variable->name = reader_.ResolveVeltropName(resolved, EntryText(entry, "KEY", kList)).Trim();
    variable->type = reader_.ResolveVeltropName(resolved, EntryText(entry, "TYPE", kList)).Trim();
    variable->expression = reader_.ResolveVeltropName(resolved, EntryText(entry, "EXPRESSION", kList)).Trim();
    variables.push_back(std::move(variable));
  }
  record_.customVariables = std::move(variables);
}

// ---- preview and workflow ----

void LOTicketBuilder::ReadPreview() {
  record_.generatePreview = Flag("GENERATE_PREVIEW", kMandatory, false);
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

  if (!Flag("IS_LAUNCH_WF", kOptional, false)) return;
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

// ---- position, design facts, cross grain ----

void LOTicketBuilder::ReadPosition() {
  TicketValue position = reader_.Read("POSITION", kOptional, "Position");
  if (IsBlankPlainValue(position)) position.value = "Center Bottom";
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

void LOTicketBuilder::ReadDesignInfo() {
  DBInfo info = record_.dbInfo;
  ReadDesignPeople(reader_, info);
  record_.dbInfo = info;
}

void LOTicketBuilder::ReadCrossGrain() {
  TicketValue crossGrain = reader_.Read("CROSS_GRAIN", kOptional, "CrossGrain");
  if (IsBlankPlainValue(crossGrain)) crossGrain.value = "No";
  reader_.Log("crossgrain", crossGrain.value);
  record_.crossGrain = crossGrain.value;
}

// ---- reading parameters ----

QK_TString LOTicketBuilder::RawText(const char* key, Presence presence) const {
  const QK_TAny* value = reader_.Parameter(key);
  if (value == nullptr) {
    if (presence == kOptional) return QK_TString();
    QK_THROW(QK_EException(QK_TString::Format("The ticket has no value for the mandatory parameter %s", key)));
  }
  if (!value->Is(QK_TAny::Kind::String)) {
    QK_THROW(QK_EException(QK_TString::Format("The ticket parameter %s is a %s, not a text", key,
                                              QK_TAny::KindName(value->GetKind()))));
  }
  return value->AsString();
}

bool LOTicketBuilder::Flag(const char* key, Presence presence, bool fallback) const {
  const QK_TAny* value = reader_.Parameter(key);
  if (value == nullptr) {
    if (presence == kOptional) return fallback;
    QK_THROW(QK_EException(QK_TString::Format("The ticket has no value for the mandatory parameter %s", key)));
  }
  if (!value->Is(QK_TAny::Kind::Bool)) {
    QK_THROW(QK_EException(QK_TString::Format("The ticket parameter %s is a %s, not a boolean", key,
                                              QK_TAny::KindName(value->GetKind()))));
  }
  return value->AsBool();
}

const QK_TArray& LOTicketBuilder::DictList(const char* key) const {
  const QK_TAny* value = reader_.Parameter(key);
  if (value == nullptr) {
    QK_THROW(QK_EException(QK_TString::Format("The ticket has no value for the mandatory parameter %s", key)));
  }
  if (!value->Is(QK_TAny::Kind::Array)) {
    QK_THROW(QK_EException(QK_TString::Format("The ticket parameter %s is a %s, not a list", key,
                                              QK_TAny::KindName(value->GetKind()))));
  }
  for (const QK_TAny& entry : value->AsArray()) {
    if (!entry.Is(QK_TAny::Kind::Dict)) {
      QK_THROW(QK_EException(QK_TString::Format("An entry of the ticket parameter %s is a %s, not a dictionary", key,
                                                QK_TAny::KindName(entry.GetKind()))));
    }
  }
  return value->AsArray();
}

TicketValue LOTicketBuilder::ResolveValue(const QK_TString& raw, const char* parameterName) {
  QK_TString resolved;
  reader_.ResolveVeltropName(resolved, raw);
  TicketValue result;
  if (IsXPathValue(resolved)) {
    reader_.LoadTicketXml();
    QK_TString evaluated;
    reader_.EvaluateParamXPath(resolved, evaluated, parameterName);
    result.value = evaluated.Trim();
    result.fromXPath = true;
  } else {
    result.value = resolved.Trim();
  }
  return result;
}

TicketValue LOTicketBuilder::ReadValue(const char* key, Presence presence, const char* parameterName,
                                       const char* logName) {
  TicketValue value = reader_.Read(key, presence, parameterName);
  if (!IsBlankPlainValue(value)) reader_.Log(logName, value.value);
  return value;
}

QK_TString LOTicketBuilder::ReadKeepingNames(const char* key, const char* parameterName) {
  const QK_TString raw = RawText(key, kMandatory);
  if (IsXPathValue(raw)) return ResolveValue(raw, parameterName).value;
  return raw.Trim();
}

void LOTicketBuilder::FailInvalidValue(const char* messageKey, const std::vector<QK_TAny>& arguments,
                                       const QK_TString& exceptionMessage) {
  task_.AddMessage(2, messageKey, arguments);
  ThrowTicketException<InvalidValueException>(exceptionMessage, kSourceName, __LINE__);
  QK_NotReached();
}

void LOTicketBuilder::ThrowVariableResolve(const QK_TString& names, const QK_TString& types,
                                           const QK_TString& expressions, unsigned int line) {
  ThrowTicketException<LOXpathVarResolveException>(
      QK_TString::Format("Name : %s , Type : %s, Expression : %s", names.c_str(), types.c_str(), expressions.c_str()),
      kSourceName, line);
  QK_NotReached();
}

}  // namespace CAD
