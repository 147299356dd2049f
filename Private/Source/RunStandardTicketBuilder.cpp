#include "RunStandardTicketBuilder.h"

#include <memory>
#include <stdexcept>
#include <string>

#include <xalanc/DOMSupport/XalanDocumentPrefixResolver.hpp>
#include <xalanc/PlatformSupport/XSLException.hpp>
#include <xalanc/XPath/NodeRefList.hpp>
#include <xalanc/XPath/XPathEvaluator.hpp>
#include <xalanc/XalanDOM/XalanDOMString.hpp>
#include <xalanc/XalanDOM/XalanDocument.hpp>
#include <xalanc/XalanDOM/XalanNode.hpp>
#include <xalanc/XalanSourceTree/XalanSourceTreeDOMSupport.hpp>
#include <xalanc/XalanSourceTree/XalanSourceTreeInit.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include "QK_EException.h"
#include "RunStandardTickeException.h"
#include "TaskError.h"

namespace CAD {

namespace {

const char kSourceFile[] = "RunStandardTicketBuilder";
const char kXPathPrefix[] = "xpath:";
constexpr TicketReader::Presence kMandatory = TicketReader::Presence::kMandatory;
constexpr TicketReader::Presence kOptional = TicketReader::Presence::kOptional;

const TicketFamily kFamily = {kSourceFile, &ThrowTicketException<NonWellformedXMLException>,
                              &ThrowTicketException<InvalidXpathException>, false};


xalanc::MemoryManager& XalanMemory() { return xalanc::XalanMemMgrs::getDefaultXercesMemMgr(); }

// The text of entry `key` of one STANDARD_VARIABLES entry.
const QK_TString& EntryText(const QK_TDict& entry, const char* key) {
  const QK_TAny* value = entry.Find(key);
  if (value == nullptr) {
    QK_THROW(QK_EException(QK_TString::Format("An entry of the ticket parameter STANDARD_VARIABLES has no %s", key)));
  }
  if (!value->Is(QK_TAny::Kind::String)) {
    QK_THROW(QK_EException(
        QK_TString::Format("The %s of an entry of the ticket parameter STANDARD_VARIABLES is a %s, not a text", key,
                           QK_TAny::KindName(value->GetKind()))));
  }
  return value->AsString();
}

}  // namespace

RunStandardTicketBuilder::RunStandardTicketBuilder(AT_TTicket& ticket, const QK_TURL& inputFile,
                                                   RunStandardTicketData& record, TW_TTask& task)
    : reader_(task, ticket, inputFile, kFamily), record_(record) {}

bool RunStandardTicketBuilder::BuildTicketData() {
  record_.styleCatalog = TicketText(reader_, "STYLE_CATALOG", kMandatory);
  ReadStandard();
  record_.boardCode = reader_.ReadAndLog("BOARD_CODE", kMandatory, "BoardCode", "boardcode").value;
  record_.boardDescription = reader_.ReadAndLog("BOARD_DESC", kMandatory, "BoardDescription", "boardDescription").value;
  record_.units = reader_.ReadAndLog("UNITS", kMandatory, "Units", "units").value;
  record_.grainDirection = reader_.ReadAndLog("GRAIN_DIRECTION", kMandatory, "GrainDirection", "graindirection").value;
  record_.printSide = reader_.ReadAndLog("PRINT_SIDE", kMandatory, "Printside", "printside").value;
  const QK_TString script =
      NormaliseCommandScript(reader_.ReadAndLog("COMMAND_SCRIPT", kMandatory, "CommandScript", "commandscript"));
  if (!script.Empty()) record_.commandScript = script;
  ReadVariables();
  ReadDesignPeople(reader_, record_.dbInfo);
  return true;
}

// The standard to open: an enterprise project reference, or a path or
// style-catalogue name read from the key that the server and catalogue
// choice name.
void RunStandardTicketBuilder::ReadStandard() {
  const bool enterprise = record_.databaseKind == "Enterprise";
  const bool conventional = record_.databaseKind == "Conventional";
  const bool styleCatalog = record_.styleCatalog == "styleCatalog";
  const bool nonStyleCatalog = record_.styleCatalog == "nonStyleCatalog";
  if (enterprise && nonStyleCatalog) {
    ReadEnterpriseSelection();
  } else if (enterprise && styleCatalog) {
    ReadStandardByName("ENTERPRISE_STYLE_CATALOG_NAME");
  } else if (conventional && nonStyleCatalog) {
    ReadStandardByName("STANDARD_PATH");
  } else if (conventional && styleCatalog) {
    ReadStandardByName("STANDARD_STYLE_CATALOG_NAME");
  } else {
    ReadStandardByName(nullptr);
  }
}

void RunStandardTicketBuilder::ReadEnterpriseSelection() {
  ReadEnterpriseDesign(reader_, "ENT_STD_NAME", "standardname", {record_.projectName, record_.standardName, record_.version});
  if (record_.projectName.Empty() || record_.standardName.Empty()) {
    ThrowTicketException<BlankProjectAndDesignName>(
        QK_TString::Format("Project Name:%s , Design Name:%s", record_.projectName.c_str(),
                           record_.standardName.c_str()),
        kSourceFile, __LINE__);
  }
  record_.designName = DatabaseReference(record_.projectName, record_.version, record_.standardName);
}

// `key` null: no key names the standard, which then reads as "".
void RunStandardTicketBuilder::ReadStandardByName(const char* key) {
  const QK_TString text = key == nullptr ? QK_TString() : TicketText(reader_, key, kOptional);
  QK_TString resolved;
  reader_.ResolveVeltropName(resolved, text);
  reader_.Task().AddMessage(0, "DesignName.Value", QK_TAny(resolved));
  QK_TString value = resolved;
  if (IsXPathValue(resolved)) {
    reader_.LoadTicketXml();
    reader_.EvaluateParamXPath(resolved, value, "StandardName");
  }
  record_.designName = value.Trim();
  reader_.Log("standardname", record_.designName);
}

void RunStandardTicketBuilder::ReadVariables() {
  if (TicketText(reader_, "selectType", kMandatory) != "xpath") {
    ReadVariablesFromList();
    return;
  }
  QK_TString names;
  QK_TString values;
  reader_.ResolveVeltropName(names, TicketText(reader_, "VARIABLE_NAMES", kMandatory));
  reader_.ResolveVeltropName(values, TicketText(reader_, "VARIABLE_VALUES", kMandatory));
  if (names.Empty() || values.Empty()) {
    ThrowTicketException<StdVariablesEmptyException>(
        QK_TString::Format("Names : %s , Values : %s", names.c_str(), values.c_str()), kSourceFile, __LINE__);
  }
  reader_.LoadTicketXml();
  VariableList list;
  ReadVariablesByXPath(names, values, list);
  record_.variables = std::move(list);
}

void RunStandardTicketBuilder::ReadVariablesFromList() {
  const QK_TAny* entries = reader_.Parameter("STANDARD_VARIABLES");
  if (entries == nullptr) {
    QK_THROW(QK_EException("The ticket has no value for the mandatory parameter STANDARD_VARIABLES"));
  }
  if (!entries->Is(QK_TAny::Kind::Array)) {
    QK_THROW(QK_EException(QK_TString::Format("The ticket parameter STANDARD_VARIABLES is a %s, not a list",
                                              QK_TAny::KindName(entries->GetKind()))));
  }
  VariableList list;
  for (const QK_TAny& entry : entries->AsArray()) {
    if (!entry.Is(QK_TAny::Kind::Dict)) {
      QK_THROW(QK_EException(
          QK_TString::Format("An entry of the ticket parameter STANDARD_VARIABLES is a %s, not a dictionary",
                             QK_TAny::KindName(entry.GetKind()))));
    }
    auto variable = std::make_shared<Variable>();
    QK_TString resolved;
    variable->Name = reader_.ResolveVeltropName(resolved, EntryText(entry.AsDict(), "KEY")).Trim();
    variable->Value = reader_.ResolveVeltropName(resolved, EntryText(entry.AsDict(), "VALUE")).Trim();
    list.push_back(std::move(variable));
  }
  record_.variables = std::move(list);
}

// Pairs the nodes that the names XPath selects with those of the values
// XPath, in document order. Each must select text or attribute nodes: their
// node values are the names and values; a pair with an empty side is left
// out.
void RunStandardTicketBuilder::ReadVariablesByXPath(const QK_TString& names, const QK_TString& values,
                                                    VariableList& list) {
  if (!IsXPathValue(names) || !IsXPathValue(values)) ThrowVariableResolve(names, values, __LINE__);
  const QK_TString nameExpression = names.Substring(sizeof kXPathPrefix - 1);
  const QK_TString valueExpression = values.Substring(sizeof kXPathPrefix - 1);
  // Ticket values are untrusted: no XPath may reach other documents.
  if (nameExpression.Empty() || valueExpression.Empty() || CallsDocument(nameExpression) ||
      CallsDocument(valueExpression)) {
    ThrowVariableResolve(names, values, __LINE__);
  }
  xalanc::XalanDocument* document = reader_.Document();
  try {
    xalanc::XalanSourceTreeInit sourceTreeInit(XalanMemory());
    xalanc::XPathEvaluator evaluator;
    xalanc::XalanNode* context = nullptr;
    if (document != nullptr) {
      context = evaluator.selectSingleNode(*reader_.DOMSupport(), document, ToXalan("/").c_str());
    }
    if (context == nullptr) QK_THROW(QK_EException("ContextNode not found."));
    xalanc::XalanDocumentPrefixResolver resolver(document);
    xalanc::NodeRefList nameNodes(XalanMemory());
    xalanc::NodeRefList valueNodes(XalanMemory());
    evaluator.selectNodeList(nameNodes, *reader_.DOMSupport(), context, ToXalan(nameExpression).c_str(), resolver);
    evaluator.selectNodeList(valueNodes, *reader_.DOMSupport(), context, ToXalan(valueExpression).c_str(), resolver);
    if (nameNodes.empty() || valueNodes.empty()) ThrowVariableResolve(names, values, __LINE__);
    if (nameNodes.getLength() != valueNodes.getLength()) {
      ThrowTicketException<StdVariablesMismatchException>(
          QK_TString::Format("Variables name length : %d , Variables value length : %d",
                             static_cast<int>(nameNodes.getLength()), static_cast<int>(valueNodes.getLength())),
          kSourceFile, __LINE__);
    }
    for (xalanc::NodeRefList::size_type i = 0; i < nameNodes.getLength(); ++i) {
      const QK_TString name = FromXalan(nameNodes.item(i)->getNodeValue());
      const QK_TString value = FromXalan(valueNodes.item(i)->getNodeValue());
      if (name.Empty() || value.Empty()) continue;
      auto variable = std::make_shared<Variable>();
      variable->Name = name.Trim();
      variable->Value = value.Trim();
      list.push_back(std::move(variable));
    }
  } catch (const xalanc::XSLException& e) {
    reader_.Task().AddMessage(2, "shapejobs.message.xalanxpathevaluatevariablesexception",
                              {QK_TAny(names), QK_TAny(values), QK_TAny(XPathErrorPosition(e.getLineNumber())),
                               QK_TAny(XPathErrorPosition(e.getColumnNumber())), QK_TAny(FromXalan(e.getMessage()))});
    QK_THROW(TaskError());
  }
}

void RunStandardTicketBuilder::ThrowVariableResolve(const QK_TString& names, const QK_TString& values,
                                                    unsigned int line) {
  ThrowTicketException<XpathVariableResolveException>(
      QK_TString::Format("Name : %s , Value : %s", names.c_str(), values.c_str()), kSourceFile, line);
  QK_NotReached();
}

}  // namespace CAD
