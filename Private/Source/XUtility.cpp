#include "XUtility.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include <xalanc/DOMSupport/XalanDocumentPrefixResolver.hpp>
#include <xalanc/PlatformSupport/XSLException.hpp>
#include <xalanc/XPath/NodeRefList.hpp>
#include <xalanc/XPath/XObject.hpp>
#include <xalanc/XPath/XPathEvaluator.hpp>
#include <xalanc/XalanDOM/XalanDOMString.hpp>
#include <xalanc/XalanDOM/XalanNode.hpp>
#include <xalanc/XalanSourceTree/XalanSourceTreeContentHandler.hpp>
#include <xalanc/XalanSourceTree/XalanSourceTreeDOMSupport.hpp>
#include <xalanc/XalanSourceTree/XalanSourceTreeDocument.hpp>
#include <xalanc/XalanSourceTree/XalanSourceTreeInit.hpp>
#include <xalanc/XalanSourceTree/XalanSourceTreeParserLiaison.hpp>
#include <xalanc/XalanTransformer/XalanSourceTreeWrapperParsedSource.hpp>
#include <xercesc/util/XMLException.hpp>

#include "QK_EException.h"
#include "ShapejobCodes.h"
#include "TaskError.h"
#include "XUtilityXPath.h"

namespace CAD {

namespace {

const char kXPathPrefix[] = "xpath:";

struct DesignPersonKey {
  const char* key;
  const char* parameterName;
  const char* logName;
  QK_TString DBInfo::*field;
};

const DesignPersonKey kDesignPeople[] = {
    {"DESIGN_DESC", "DesignDescription", "designDescription", &DBInfo::designDescription},
    {"CUSTOMER_NAME", "CustomerName", "customerName", &DBInfo::customerName},
    {"CUSTOMER_LOCATION", "CustomerLocation", "customerLocation", &DBInfo::customerLocation},
    {"OWNER_NAME", "OwnerName", "ownerName", &DBInfo::ownerName},
    {"OWNER_LOCATION", "OwnerLocation", "ownerLocation", &DBInfo::ownerLocation},
    {"SALESPERSON_FIRST_NAME", "SalespersonFirstName", "salespersonFirstName", &DBInfo::salespersonFirstName},
    {"SALESPERSON_LAST_NAME", "SalespersonLastName", "salespersonLastName", &DBInfo::salespersonLastName},
    {"DESIGNER_FIRST_NAME", "DesignerFirstName", "designerFirstName", &DBInfo::designerFirstName},
    {"DESIGNER_LAST_NAME", "DesignerLastName", "designerLastName", &DBInfo::designerLastName},
};

// A line or column of an XPath engine error, -1 when it is unknown (the
// engine marks that with the largest value of its type).
template <class Position>
long long XPathErrorPosition(Position position) {
  return position == static_cast<Position>(-1) ? -1LL : static_cast<long long>(position);
}

// Reports `messageKey` with `arguments` as an error and ends the input.
[[noreturn]] void FailReported(TW_TTask& task, const char* messageKey, const std::vector<QK_TAny>& arguments) {
  task.AddMessage(Severity::kError, messageKey, arguments);
  QK_THROW(TaskError());
}

// Reports an error of the XPath engine as `messageKey` with `arguments`,
// then its line, column and text, and ends the input.
[[noreturn]] void FailXPathEngine(TW_TTask& task, const char* messageKey, std::vector<QK_TAny> arguments,
                                  const xalanc::XSLException& e) {
  arguments.insert(arguments.end(),
                   {QK_TAny(XPathErrorPosition(e.getLineNumber())), QK_TAny(XPathErrorPosition(e.getColumnNumber())),
                    QK_TAny(FromXalan(e.getMessage()))});
  FailReported(task, messageKey, arguments);
}

bool EndsWithText(const QK_TString& expression) { return expression.EndsWith("/text()"); }

std::shared_ptr<CustomVariable> MakeCustomVariable(const QK_TString& name, const QK_TString& type,
                                                   const QK_TString& expression) {
  auto variable = std::make_shared<CustomVariable>();
  variable->name = name;
  variable->type = type;
  variable->expression = expression;
  return variable;
}

}  // namespace

// ---- TicketReader: the ticket as it holds it ----

TicketReader::TicketReader(TW_TTask& task, AT_TTicket& ticket, const QK_TURL& inputFile, const TicketFamily& family)
    : task_(task), ticket_(ticket), inputFile_(inputFile), family_(family) {
  InitializeXmlLibraries();
}

TicketReader::~TicketReader() = default;

const QK_TAny* TicketReader::Parameter(const char* key, Presence presence, QK_TAny::Kind kind,
                                       const char* kindName) const {
  const QK_TAny* value = ticket_.GetParameters().Find(key);
  if (value == nullptr && presence == kMandatory) {
    QK_THROW(QK_EException(QK_TString::Format("The ticket has no value for the mandatory parameter %s", key)));
  }
  if (value != nullptr && !value->Is(kind)) {
    QK_THROW(QK_EException(QK_TString::Format("The ticket parameter %s is a %s, not a %s", key,
                                              QK_TAny::KindName(value->GetKind()), kindName)));
  }
  return value;
}

QK_TString TicketReader::Text(const char* key, Presence presence) const {
  const QK_TAny* value = Parameter(key, presence, QK_TAny::Kind::String, "text");
  return value != nullptr ? value->AsString() : QK_TString();
}

bool TicketReader::Flag(const char* key, Presence presence) const {
  const QK_TAny* value = Parameter(key, presence, QK_TAny::Kind::Bool, "boolean");
  return value != nullptr && value->AsBool();
}

const QK_TArray& TicketReader::List(const char* key) const {
  return Parameter(key, kMandatory, QK_TAny::Kind::Array, "list")->AsArray();
}

const QK_TArray& TicketReader::DictList(const char* key) const {
  const QK_TArray& list = List(key);
  for (const QK_TAny& entry : list) Entry(entry, key);
  return list;
}

const QK_TDict& TicketReader::Entry(const QK_TAny& entry, const char* listKey) {
  if (!entry.Is(QK_TAny::Kind::Dict)) {
    QK_THROW(QK_EException(QK_TString::Format("An entry of the ticket parameter %s is a %s, not a dictionary",
                                              listKey, QK_TAny::KindName(entry.GetKind()))));
  }
  return entry.AsDict();
}

const QK_TString& TicketReader::EntryText(const QK_TDict& entry, const char* key, const char* listKey) {
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

std::vector<std::vector<QK_TString>> TicketReader::ResolvedEntries(const char* listKey,
                                                                   const std::vector<const char*>& fields) {
  std::vector<std::vector<QK_TString>> entries;
  for (const QK_TAny& item : List(listKey)) {
    const QK_TDict& entry = Entry(item, listKey);
    std::vector<QK_TString>& texts = entries.emplace_back();
    for (const char* field : fields) texts.push_back(Resolve(EntryText(entry, field, listKey)).Trim());
  }
  return entries;
}

// ---- TicketReader: values ----

QK_TString TicketReader::Resolve(const QK_TString& text) {
  QK_TString resolved;
  if (!task_.GetTName().Resolve(text, resolved)) {
    task_.AddMessage(Severity::kError, "shapejobs.message.couldnotresolve", QK_TAny(text));
    QK_THROW(QK_EException(QK_TString::Format("Veltrop: %s failed to resolved:", text.c_str())));
  }
  return resolved;
}

TicketValue TicketReader::Value(const QK_TString& resolved, const char* parameterName) {
  const std::optional<QK_TString> xpath = XPathOf(resolved);
  if (!xpath) return {resolved.Trim()};
  return {EvaluateXPath(resolved, *xpath, parameterName).Trim(), true};
}

TicketValue TicketReader::ReadAndLog(const char* key, Presence presence, const char* parameterName,
                                     const char* logName) {
  TicketValue value = Read(key, presence, parameterName);
  Log(logName, value.value);
  return value;
}

TicketValue TicketReader::ReadAndLogUnlessEmpty(const char* key, Presence presence, const char* parameterName,
                                                const char* logName) {
  TicketValue value = Read(key, presence, parameterName);
  // What an XPath finds is logged even when empty; only an empty text is not.
  if (!value.Blank()) Log(logName, value.value);
  return value;
}

void TicketReader::Log(const char* logName, const QK_TString& value) {
  task_.AddMessage(Severity::kInformation, QK_TString::Format("shapejobs.%s.value", logName), QK_TAny(value));
}

// ---- TicketReader: XPaths ----

std::optional<QK_TString> TicketReader::XPathOf(const QK_TString& value) {
  if (!value.StartsWith(kXPathPrefix)) return std::nullopt;
  return value.Substring(sizeof kXPathPrefix - 1);
}

void TicketReader::RefuseDocumentCalls(const QK_TString& expression, const char* parameterName) const {
  if (CallsDocument(expression)) ThrowInvalidXPath(parameterName, expression);
  if (const std::optional<QK_TString> problem = UntrustedXPathProblem(expression)) {
    ThrowInvalidXPath(parameterName, expression, *problem);
  }
}

void TicketReader::ThrowInvalidXPath(const char* parameterName, const QK_TString& expression,
                                     const QK_TString& reason) const {
  QK_TString message = QK_TString::Format("Param Name : %s , Xpath : %s", parameterName, expression.c_str());
  if (!reason.Empty()) message += " , Reason : " + reason;
  family_.throwInvalidXPath(message, family_.sourceFile, __LINE__);
  QK_NotReached();
}

void TicketReader::LoadTicketXml() {
  if (document_ != nullptr) return;
  xalanc::XalanSourceTreeInit sourceTreeInit(XalanMemory());
  domSupport_ = std::make_unique<xalanc::XalanSourceTreeDOMSupport>();
  liaison_ = std::make_unique<xalanc::XalanSourceTreeParserLiaison>(*domSupport_);
  domSupport_->setParserLiaison(liaison_.get());
  // The tree is built by the untrusted-XML reader, so that the input gets
  // its limits.
  xalanc::XalanSourceTreeDocument* tree = liaison_->createXalanSourceTreeDocument();
  xalanc::XalanSourceTreeContentHandler builder(XalanMemory(), tree);
  try {
    ParseUntrustedXml(inputFile_, {&builder, &builder, &builder, true}, family_.throwNotWellFormed,
                      family_.sourceFile);
  } catch (const xercesc::XMLException& e) {
    // A file that cannot be read has no position in the document.
    ThrowParseError(family_.throwNotWellFormed, family_.sourceFile, -1, -1, FromXerces(e.getMessage()));
  }
  document_ = tree;
}

std::unique_ptr<xalanc::XalanParsedSource> TicketReader::ParsedInput() const {
  return std::make_unique<xalanc::XalanSourceTreeWrapperParsedSource>(liaison_->mapDocument(document_), *liaison_,
                                                                      *domSupport_);
}

QK_TString TicketReader::EvaluateXPath(const QK_TString& value, QK_TString expression, const char* parameterName) {
  LoadTicketXml();
  RefuseDocumentCalls(expression, parameterName);
  try {
    xalanc::XalanSourceTreeInit sourceTreeInit(XalanMemory());
    xalanc::XPathEvaluator evaluator;
    xalanc::XalanDocumentPrefixResolver resolver(document_);
    for (;;) {
      const xalanc::XalanDOMString xpath = ToXalan(expression);
      xalanc::XalanNode* node = evaluator.selectSingleNode(*domSupport_, document_, xpath.c_str(), resolver);
      if (node != nullptr) return NodeText(*node);
      if (!family_.retryWithoutText || !EndsWithText(expression)) break;
      expression = expression.Substring(0, expression.Length() - 7);
    }
  } catch (const xalanc::XSLException& e) {
    FailXPathEngine(task_, "shapejobs.message.xalanxpathevaluateexception",
                    {QK_TAny(parameterName), QK_TAny(value)}, e);
  }
  ThrowInvalidXPath(parameterName, expression);
}

std::vector<std::vector<QK_TString>> TicketReader::SelectNodeLists(const std::vector<ListXPath>& xpaths,
                                                                   SelectedText text,
                                                                   std::vector<QK_TAny> reportArguments) {
  for (const ListXPath& xpath : xpaths) RefuseDocumentCalls(xpath.expression, xpath.parameterName);
  LoadTicketXml();
  std::vector<std::vector<QK_TString>> lists;
  try {
    xalanc::XalanSourceTreeInit sourceTreeInit(XalanMemory());
    xalanc::XPathEvaluator evaluator;
    xalanc::XalanDocumentPrefixResolver resolver(document_);
    xalanc::XalanNode* context = nullptr;
    if (document_ != nullptr) {
      context = evaluator.selectSingleNode(*domSupport_, document_, ToXalan("/").c_str(), resolver);
    }
    if (context == nullptr) QK_THROW(QK_EException(QK_TString("ContextNode not found.")));
    for (const ListXPath& xpath : xpaths) {
      xalanc::NodeRefList nodes(XalanMemory());
      evaluator.selectNodeList(nodes, *domSupport_, context, ToXalan(xpath.expression).c_str(), resolver);
      std::vector<QK_TString>& texts = lists.emplace_back();
      for (xalanc::NodeRefList::size_type i = 0; i < nodes.getLength(); ++i) {
        const xalanc::XalanNode& node = *nodes.item(i);
        texts.push_back(text == SelectedText::kNodeValue ? FromXalan(node.getNodeValue()) : NodeText(node));
      }
    }
  } catch (const xalanc::XSLException& e) {
    FailXPathEngine(task_, "shapejobs.message.xalanxpathevaluatevariablesexception", std::move(reportArguments), e);
  }
  return lists;
}

// ---- what several builders read ----

void ReadDesignPeople(TicketReader& reader, DBInfo& info) {
  for (const DesignPersonKey& person : kDesignPeople) {
    info.*person.field = reader.ReadAndLog(person.key, kOptional, person.parameterName, person.logName).value;
  }
}

std::int32_t VersionNumber(TicketReader& reader, const QK_TString& version) {
  if (version.Empty()) return 0;  // an XPath that found an empty version
  try {
    return std::stoi(version.str(), nullptr, 10);
  } catch (const std::logic_error&) {  // no number, or one that does not fit
    FailReported(reader.Task(), "shapejobs.message.invalidversion", {QK_TAny(version)});
  }
}

void ReadEnterpriseDesign(TicketReader& reader, const char* nameKey, const char* nameLogName,
                          const EnterpriseDesign& into) {
  const TicketValue project = reader.ReadAndLogUnlessEmpty("PROJECT_NAME", kMandatory, "ProjectName", "projectname");
  if (!project.Blank()) into.project = project.value;
  const TicketValue name = reader.ReadAndLogUnlessEmpty(nameKey, kMandatory, "Enterprise-StandardName", nameLogName);
  if (!name.Blank()) into.name = name.value;
  const TicketValue version = reader.ReadAndLogUnlessEmpty("VERSION", kMandatory, "Version", "version");
  if (!version.Blank()) into.version = VersionNumber(reader, version.value);
}

void ReadCommandScript(TicketReader& reader, QK_TString& into) {
  const QK_TString script =
      NormaliseCommandScript(reader.ReadAndLog("COMMAND_SCRIPT", kMandatory, "CommandScript", "commandscript"));
  if (!script.Empty()) into = script;
}

CustomVariableList ReadCustomVariableList(TicketReader& reader, const char* key) {
  CustomVariableList variables;
  for (const std::vector<QK_TString>& texts : reader.ResolvedEntries(key, {"KEY", "TYPE", "EXPRESSION"})) {
    variables.push_back(MakeCustomVariable(texts[0], texts[1], texts[2]));
  }
  return variables;
}

std::optional<CustomVariableXPaths> ReadCustomVariableXPaths(TicketReader& reader) {
  CustomVariableXPaths values{reader.ResolvedText("VARIABLE_NAMES", kOptional),
                              reader.ResolvedText("VARIABLE_TYPES", kOptional),
                              reader.ResolvedText("VARIABLE_EXPRESSIONS", kOptional)};
  if (values.names.Empty() || values.types.Empty() || values.expressions.Empty()) {
    std::vector<QK_TAny> arguments = values.ReportArguments();
    arguments.insert(arguments.begin(), QK_TAny("Names : %s , Type : %s, Expression : %s"));
    reader.Task().AddMessage(Severity::kWarning, "StandardVariables.Type", arguments);
    return std::nullopt;
  }
  return values;
}

std::optional<CustomVariableList> SelectCustomVariables(TicketReader& reader, const CustomVariableXPaths& values,
                                                        const std::vector<ListXPath>& xpaths, SelectedText text) {
  const std::vector<std::vector<QK_TString>> lists = reader.SelectNodeLists(xpaths, text, values.ReportArguments());
  const std::size_t count = lists[0].size();
  if (count == 0 || lists[1].size() < count || lists[2].size() < count) return std::nullopt;
  CustomVariableList variables;
  for (std::size_t i = 0; i < count; ++i) {
    variables.push_back(MakeCustomVariable(lists[0][i].Trim(), lists[1][i].Trim(), lists[2][i].Trim()));
  }
  return variables;
}

}  // namespace CAD
