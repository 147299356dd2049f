#include "ShopCardTicketBuilder.h"

#include <string>

#include <xalanc/DOMSupport/XalanDocumentPrefixResolver.hpp>
#include <xalanc/PlatformSupport/XSLException.hpp>
#include <xalanc/XPath/NodeRefList.hpp>
#include <xalanc/XPath/XPathEvaluator.hpp>
#include <xalanc/XalanDOM/XalanDocument.hpp>
#include <xalanc/XalanDOM/XalanNode.hpp>
#include <xalanc/XalanSourceTree/XalanSourceTreeDOMSupport.hpp>
#include <xalanc/XalanSourceTree/XalanSourceTreeInit.hpp>
#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>

#include "QK_EException.h"
#include "ShopCardTicketException.h"
#include "TaskError.h"

namespace CAD {

namespace {

const char kXPathPrefix[] = "xpath:";
const std::size_t kXPathPrefixLength = sizeof kXPathPrefix - 1;

using Presence = TicketReader::Presence;

template <class Exception>
[[noreturn]] void Throw(const QK_TString& message, unsigned int line) {
  ThrowTicketException<Exception>(message, ShopCardTicketBuilder::kSourceFile, line);
  QK_NotReached();
}

// The value of `key` in `dict` as a text; a missing key or another kind of
// value is named in the exception.
const QK_TString& TextEntry(const QK_TDict& dict, const char* key, const char* owner) {
  const QK_TAny* value = dict.Find(key);
  if (value == nullptr) {
    Throw<QK_EException>(QK_TString::Format("An entry of the ticket parameter %s has no %s", owner, key), __LINE__);
  }
  if (!value->Is(QK_TAny::Kind::String)) {
    Throw<QK_EException>(QK_TString::Format("The %s of an entry of the ticket parameter %s is a %s, not a text", key,
                                            owner, QK_TAny::KindName(value->GetKind())),
                         __LINE__);
  }
  return value->AsString();
}

QK_TString ExtensionOf(const QK_TString& path) {
  const std::size_t dot = path.FindLast('.');
  return dot == QK_TString::npos ? QK_TString() : path.Substring(dot + 1);
}

}  // namespace

const TicketFamily ShopCardTicketBuilder::kFamily = {
    ShopCardTicketBuilder::kSourceFile,
    &ThrowTicketException<ShopCardNonWellformedXMLException>,
    &ThrowTicketException<ShopCardInvalidXpathException>,
    /*retryWithoutText=*/true,
};

ShopCardTicketBuilder::ShopCardTicketBuilder(AT_TTicket& ticket, const QK_TURL& inputFile,
                                             ShopCardTicketData& record, TW_TTask& task)
    : task_(task), inputFile_(inputFile), record_(record), reader_(task, ticket, inputFile, kFamily) {}

ShopCardTicketBuilder::~ShopCardTicketBuilder() = default;

bool ShopCardTicketBuilder::BuildTicketData(const QK_TString& kind, StringMapList& exportedDesigns) {
  ReadExportSwitches();
  ReadThumbnailValues();
  if (kind == kExportCadDesign) ReadExportCommandScript();
  if (record_.exportCustomVariables) ReadCustomVariablesFromTicket();
  ReadInputFile(kind, exportedDesigns);
  return true;
}

bool ShopCardTicketBuilder::ReadSwitch(const char* key) {
  const QK_TAny* value = reader_.Parameter(key);
  if (value == nullptr) return false;
  if (!value->Is(QK_TAny::Kind::Bool)) {
    Throw<QK_EException>(QK_TString::Format("The ticket parameter %s is a %s, not a boolean", key,
                                            QK_TAny::KindName(value->GetKind())),
                         __LINE__);
  }
  return value->AsBool();
}

QK_TString ShopCardTicketBuilder::ResolvedText(const char* key) {
  const QK_TAny* value = reader_.Parameter(key);
  QK_TString resolved;
  if (value == nullptr) return resolved;
  if (!value->Is(QK_TAny::Kind::String)) {
    Throw<QK_EException>(QK_TString::Format("The ticket parameter %s is a %s, not a text", key,
                                            QK_TAny::KindName(value->GetKind())),
                         __LINE__);
  }
  return reader_.ResolveVeltropName(resolved, value->AsString());
}

void ShopCardTicketBuilder::ReadExportSwitches() {
  record_.exportMenuVariables = ReadSwitch("EXPORT_MENU_VARIABLES");
  record_.exportCustomVariables = ReadSwitch("EXPORT_CUSTOM_VARIABLES");
  record_.exportDocPlots = ReadSwitch("EXPORT_DOCPLOTS");
  record_.exportThumbnail = ReadSwitch("EXPORT_THUMBNAIL");
}

// Document plots take the thumbnail's size; only a thumbnail has a quality.
void ShopCardTicketBuilder::ReadThumbnailValues() {
  if (!record_.exportThumbnail && !record_.exportDocPlots) return;
  record_.thumbnailWidth = reader_.Read("THUMBNAIL_WIDTH", Presence::kOptional, "Width").value;
  record_.thumbnailHeight = reader_.Read("THUMBNAIL_HEIGHT", Presence::kOptional, "Height").value;
  if (record_.exportThumbnail) {
    record_.thumbnailQuality = reader_.Read("THUMBNAIL_QUALITY", Presence::kOptional, "Quality").value;
  }
}

// A shop card takes its scripts from its XML ticket instead.
void ShopCardTicketBuilder::ReadExportCommandScript() {
  const QK_TString script =
      NormaliseCommandScript(reader_.Read("COMMAND_SCRIPT", Presence::kOptional, "CommandScript"));
  if (!script.Empty()) record_.commandScript = script;
}

void ShopCardTicketBuilder::ReadCustomVariablesFromTicket() {
  const QK_TAny* selectType = reader_.Parameter("selectType");
  if (selectType != nullptr && !selectType->Is(QK_TAny::Kind::String)) {
    Throw<QK_EException>(QK_TString::Format("The ticket parameter selectType is a %s, not a text",
                                            QK_TAny::KindName(selectType->GetKind())),
                         __LINE__);
  }
  const QK_TString select = selectType == nullptr ? QK_TString() : selectType->AsString();
  if (select == "veltrop") {
    record_.customVariables = ReadCustomVariablesByVeltrop();
    return;
  }
  if (select != "xpath") return;

  const QK_TString names = ResolvedText("VARIABLE_NAMES");
  const QK_TString types = ResolvedText("VARIABLE_TYPES");
  const QK_TString expressions = ResolvedText("VARIABLE_EXPRESSIONS");
  if (names.Empty() || types.Empty() || expressions.Empty()) {
    task_.AddMessage(1, "StandardVariables.Type",
                     {QK_TAny("Names : %s , Type : %s, Expression : %s"), QK_TAny(names), QK_TAny(types),
                      QK_TAny(expressions)});
    return;
  }
  CustomVariableList variables;
  ReadCustomVariablesByXPath(names, types, expressions, variables);
  record_.customVariables = std::move(variables);
}

CustomVariableList ShopCardTicketBuilder::ReadCustomVariablesByVeltrop() {
  const char kKey[] = "CUSTOM_VARIABLES";
  const QK_TAny* list = reader_.Parameter(kKey);
  if (list == nullptr) {
    Throw<QK_EException>(QK_TString::Format("The ticket has no value for the mandatory parameter %s", kKey),
                         __LINE__);
  }
  if (!list->Is(QK_TAny::Kind::Array)) {
    Throw<QK_EException>(QK_TString::Format("The ticket parameter %s is a %s, not a list", kKey,
                                            QK_TAny::KindName(list->GetKind())),
                         __LINE__);
  }
  CustomVariableList variables;
  for (const QK_TAny& entry : list->AsArray()) {
    if (!entry.Is(QK_TAny::Kind::Dict)) {
      Throw<QK_EException>(QK_TString::Format("An entry of the ticket parameter %s is a %s, not a dictionary", kKey,
                                              QK_TAny::KindName(entry.GetKind())),
                           __LINE__);
    }
    const QK_TDict& dict = entry.AsDict();
    auto variable = std::make_shared<CustomVariable>();
    QK_TString resolved;
    variable->name = reader_.ResolveVeltropName(resolved, TextEntry(dict, "KEY", kKey)).Trim();
    variable->type = reader_.ResolveVeltropName(resolved, TextEntry(dict, "TYPE", kKey)).Trim();
    variable->expression = reader_.ResolveVeltropName(resolved, TextEntry(dict, "EXPRESSION", kKey)).Trim();
    variables.push_back(std::move(variable));
  }
  return variables;
}

void ShopCardTicketBuilder::ReadCustomVariablesByXPath(const QK_TString& names, const QK_TString& types,
                                                       const QK_TString& expressions,
                                                       CustomVariableList& variables) {
  const QK_TString message = QK_TString::Format("Name : %s , Type : %s, Expression : %s", names.c_str(),
                                                types.c_str(), expressions.c_str());
  const QK_TString* values[] = {&names, &types, &expressions};
  const char* keys[] = {"VARIABLE_NAMES", "VARIABLE_TYPES", "VARIABLE_EXPRESSIONS"};
  QK_TString xpaths[3];
  for (int i = 0; i < 3; ++i) {
    if (!IsXPathValue(*values[i])) {
      Throw<QK_EException>(QK_TString::Format("The ticket parameter %s is not an \"xpath:\" value: %s", keys[i],
                                              values[i]->c_str()),
                           __LINE__);
    }
    xpaths[i] = values[i]->Substring(kXPathPrefixLength);
    if (xpaths[i].Empty()) Throw<XpathVarResolveException>(message, __LINE__);
    // Ticket values are untrusted: no XPath may reach other documents.
    if (CallsDocument(xpaths[i])) {
      Throw<ShopCardInvalidXpathException>(
          QK_TString::Format("Param Name : %s , Xpath : %s", keys[i], xpaths[i].c_str()), __LINE__);
    }
  }

  reader_.LoadTicketXml();
  try {
    xalanc::MemoryManager& manager = xalanc::XalanMemMgrs::getDefaultXercesMemMgr();
    xalanc::XalanSourceTreeInit sourceTreeInit(manager);
    xalanc::XPathEvaluator evaluator;
    xalanc::XalanDocumentPrefixResolver resolver(reader_.Document());
    xalanc::XalanSourceTreeDOMSupport& domSupport = *reader_.DOMSupport();
    xalanc::XalanNode* context =
        evaluator.selectSingleNode(domSupport, reader_.Document(), ToXalan("/").c_str(), resolver);
    if (context == nullptr) Throw<QK_EException>("ContextNode not found.", __LINE__);

    xalanc::NodeRefList nodes[3] = {xalanc::NodeRefList(manager), xalanc::NodeRefList(manager),
                                    xalanc::NodeRefList(manager)};
    for (int i = 0; i < 3; ++i) {
      evaluator.selectNodeList(nodes[i], domSupport, context, ToXalan(xpaths[i]).c_str(), resolver);
    }
    const auto count = nodes[0].getLength();
    // Every name needs its type and expression; surplus ones are ignored.
    if (count == 0 || nodes[1].getLength() < count || nodes[2].getLength() < count) {
      Throw<XpathVarResolveException>(message, __LINE__);
    }
    for (xalanc::NodeRefList::size_type i = 0; i < count; ++i) {
      auto variable = std::make_shared<CustomVariable>();
      variable->name = FromXalan(nodes[0].item(i)->getNodeValue()).Trim();
      variable->type = FromXalan(nodes[1].item(i)->getNodeValue()).Trim();
      variable->expression = FromXalan(nodes[2].item(i)->getNodeValue()).Trim();
      variables.push_back(std::move(variable));
    }
  } catch (const xalanc::XSLException& e) {
    task_.AddMessage(2, "shapejobs.message.xalanxpathevaluatevariablesexception",
                     {QK_TAny(names), QK_TAny(types), QK_TAny(expressions),
                      QK_TAny(XPathErrorPosition(e.getLineNumber())), QK_TAny(XPathErrorPosition(e.getColumnNumber())),
                      QK_TAny(FromXalan(e.getMessage()))});
    QK_THROW(TaskError());
  }
}

void ShopCardTicketBuilder::ReadInputFile(const QK_TString& kind, StringMapList& exportedDesigns) {
  if (!ExtensionOf(inputFile_.LocalName()).EqualsIgnoreCase("XML")) {
    ReadDesignFileLocation();
    return;
  }
  const bool exportKind = kind.EqualsIgnoreCase(kExportCadDesign);
  bool singleDesign = false;
  if (exportKind) {
    try {
      StringMapList designs = ReadExportedDesigns();
      if (designs.size() > 1) {
        exportedDesigns = std::move(designs);
      } else {
        singleDesign = true;
      }
    } catch (const QK_EException&) {
      throw;  // a file that is no well-formed XML fails the build
    } catch (const xercesc::XMLException& e) {
      task_.AddMessage(0, "Exception.message", QK_TAny(QK_TString(XMLChToUtf8String(e.getMessage()))));
    } catch (...) {
      task_.AddMessage(0, "UnexpectedException");
    }
  }
  if (kind.EqualsIgnoreCase(kBuildShopCard) || (exportKind && singleDesign)) ReadXmlTicket(!exportKind);
}

std::unique_ptr<xercesc::InputSource> ShopCardTicketBuilder::OpenInput(const QK_TURL& file) {
  xercesc::MemoryManager* manager = xercesc::XMLPlatformUtils::fgMemoryManager;
  XMLCh* transcoded = Utf8ToXMLCh(file.LocalName().str(), manager);
  const std::basic_string<XMLCh> path(transcoded);
  manager->deallocate(transcoded);
  return std::make_unique<xercesc::LocalFileInputSource>(path.c_str(), manager);
}

// The input is the design file itself: only its name and folder are taken.
void ShopCardTicketBuilder::ReadDesignFileLocation() {
  const QK_TString path = inputFile_.LocalName().ReplaceChars('\\', '/');
  const std::size_t slash = path.FindLast('/');
  if (slash == QK_TString::npos) {
    record_.designName = path;
    record_.designPath = path;
    return;
  }
  record_.designName = path.Substring(slash + 1);
  record_.designPath = path.Substring(0, slash);
}

}  // namespace CAD
