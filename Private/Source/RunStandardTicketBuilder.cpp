#include "RunStandardTicketBuilder.h"

#include <memory>

#include "RunStandardTickeException.h"
#include "ShapejobCodes.h"
#include "XUtilityXPath.h"

namespace CAD {

namespace {

const char kSourceName[] = "RunStandardTicketBuilder";

template <class Exception>
[[noreturn]] void Throw(const QK_TString& message, unsigned int line) {
  ThrowTicketException<Exception>(message, kSourceName, line);
}

[[noreturn]] void ThrowVariableResolve(const QK_TString& names, const QK_TString& values, unsigned int line) {
  Throw<XpathVariableResolveException>(QK_TString::Format("Name : %s , Value : %s", names.c_str(), values.c_str()),
                                       line);
}

}  // namespace

const TicketFamily RunStandardTicketBuilder::kFamily = {kSourceName, &ThrowTicketException<NonWellformedXMLException>,
                                                        &ThrowTicketException<InvalidXpathException>, false};

bool RunStandardTicketBuilder::BuildTicketData() {
  record_.styleCatalog = reader_.Text("STYLE_CATALOG", kMandatory);
  ReadStandard();
  record_.boardCode = reader_.ReadAndLog("BOARD_CODE", kMandatory, "BoardCode", "boardcode").value;
  record_.boardDescription = reader_.ReadAndLog("BOARD_DESC", kMandatory, "BoardDescription", "boardDescription").value;
  record_.units = reader_.ReadAndLog("UNITS", kMandatory, "Units", "units").value;
  record_.grainDirection = reader_.ReadAndLog("GRAIN_DIRECTION", kMandatory, "GrainDirection", "graindirection").value;
  record_.printSide = reader_.ReadAndLog("PRINT_SIDE", kMandatory, "Printside", "printside").value;
  ReadCommandScript(reader_, record_.commandScript);
  ReadVariables();
  ReadDesignPeople(reader_, record_.dbInfo);
  return true;
}

// The standard to open: an enterprise project reference, or a path or
// style-catalogue name read from the key that the server and catalogue
// choice name.
void RunStandardTicketBuilder::ReadStandard() {
  const bool enterprise = record_.databaseKind == kEnterpriseKind;
  const bool conventional = record_.databaseKind == kConventionalKind;
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
    Throw<BlankProjectAndDesignName>(QK_TString::Format("Project Name:%s , Design Name:%s",
                                                        record_.projectName.c_str(), record_.standardName.c_str()),
                                     __LINE__);
  }
  record_.designName = DatabaseReference(record_.projectName, record_.version, record_.standardName);
}

// `key` null: no key names the standard, which then reads as "". The
// resolved text is reported before its XPath is evaluated.
void RunStandardTicketBuilder::ReadStandardByName(const char* key) {
  const QK_TString resolved = reader_.Resolve(key == nullptr ? QK_TString() : reader_.Text(key, kOptional));
  reader_.Task().AddMessage(Severity::kInformation, "DesignName.Value", QK_TAny(resolved));
  record_.designName = reader_.Value(resolved, "StandardName").value;
  reader_.Log("standardname", record_.designName);
}

void RunStandardTicketBuilder::ReadVariables() {
  if (reader_.Text("selectType", kMandatory) != "xpath") {
    ReadVariablesFromList();
    return;
  }
  const QK_TString names = reader_.ResolvedText("VARIABLE_NAMES", kMandatory);
  const QK_TString values = reader_.ResolvedText("VARIABLE_VALUES", kMandatory);
  if (names.Empty() || values.Empty()) {
    Throw<StdVariablesEmptyException>(QK_TString::Format("Names : %s , Values : %s", names.c_str(), values.c_str()),
                                      __LINE__);
  }
  reader_.LoadTicketXml();
  ReadVariablesByXPath(names, values);
}

void RunStandardTicketBuilder::ReadVariablesFromList() {
  VariableList list;
  for (const std::vector<QK_TString>& texts : reader_.ResolvedEntries("STANDARD_VARIABLES", {"KEY", "VALUE"})) {
    auto variable = std::make_shared<Variable>();
    variable->Name = texts[0];
    variable->Value = texts[1];
    list.push_back(std::move(variable));
  }
  record_.variables = std::move(list);
}

// Pairs the nodes that the names XPath selects with those of the values
// XPath, in document order. Each must select text or attribute nodes: their
// node values are the names and values; a pair with an empty side is left
// out.
void RunStandardTicketBuilder::ReadVariablesByXPath(const QK_TString& names, const QK_TString& values) {
  const std::optional<QK_TString> nameXPath = TicketReader::XPathOf(names);
  const std::optional<QK_TString> valueXPath = TicketReader::XPathOf(values);
  // An XPath that reaches other documents fails as one that selects nothing.
  if (!nameXPath || !valueXPath || nameXPath->Empty() || valueXPath->Empty() || CallsDocument(*nameXPath) ||
      CallsDocument(*valueXPath)) {
    ThrowVariableResolve(names, values, __LINE__);
  }
  const auto lists = reader_.SelectNodeLists({{"VARIABLE_NAMES", *nameXPath}, {"VARIABLE_VALUES", *valueXPath}},
                                             SelectedText::kNodeValue, {QK_TAny(names), QK_TAny(values)});
  const std::vector<QK_TString>& nameTexts = lists[0];
  const std::vector<QK_TString>& valueTexts = lists[1];
  if (nameTexts.empty() || valueTexts.empty()) ThrowVariableResolve(names, values, __LINE__);
  if (nameTexts.size() != valueTexts.size()) {
    Throw<StdVariablesMismatchException>(
        QK_TString::Format("Variables name length : %d , Variables value length : %d",
                           static_cast<int>(nameTexts.size()), static_cast<int>(valueTexts.size())),
        __LINE__);
  }
  VariableList list;
  for (std::size_t i = 0; i < nameTexts.size(); ++i) {
    if (nameTexts[i].Empty() || valueTexts[i].Empty()) continue;
    auto variable = std::make_shared<Variable>();
    variable->Name = nameTexts[i].Trim();
    variable->Value = valueTexts[i].Trim();
    list.push_back(std::move(variable));
  }
  record_.variables = std::move(list);
}

}  // namespace CAD
