#include "XUtility.h"

#include <cctype>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <type_traits>

#include <xalanc/DOMSupport/DOMServices.hpp>
#include <xalanc/DOMSupport/XalanDocumentPrefixResolver.hpp>
#include <xalanc/PlatformSupport/XSLException.hpp>
#include <xalanc/XPath/XObject.hpp>
#include <xalanc/XPath/XPathEvaluator.hpp>
#include <xalanc/XalanDOM/XalanNode.hpp>
#include <xalanc/XalanSourceTree/XalanSourceTreeContentHandler.hpp>
#include <xalanc/XalanSourceTree/XalanSourceTreeDOMSupport.hpp>
#include <xalanc/XalanSourceTree/XalanSourceTreeDocument.hpp>
#include <xalanc/XalanSourceTree/XalanSourceTreeInit.hpp>
#include <xalanc/XalanSourceTree/XalanSourceTreeParserLiaison.hpp>
#include <xalanc/XalanTransformer/XalanTransformer.hpp>
#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax/EntityResolver.hpp>
#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLUni.hpp>
#include <xercesc/util/TransService.hpp>
#include <xercesc/util/XMLString.hpp>

#include "QK_EException.h"
#include "TaskError.h"

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

void TerminateXmlLibraries() {
  xalanc::XalanTransformer::terminate();
  xalanc::XPathEvaluator::terminate();
  xercesc::XMLPlatformUtils::Terminate();
}

QK_TString FromXerces(const XMLCh* text) { return QK_TString(XMLChToUtf8String(text)); }

// External DTDs and entities of an input file are never loaded: every one
// of them reads as empty.
class NoExternalEntities : public xercesc::EntityResolver {
 public:
  xercesc::InputSource* resolveEntity(const XMLCh*, const XMLCh*) override {
    static const XMLByte kNothing[] = "";
    return new xercesc::MemBufInputSource(kNothing, 0, "external entity", false);
  }
};

// Parse errors end the parse as the exception that describes them.
class ThrowingErrorHandler : public xercesc::ErrorHandler {
 public:
  void warning(const xercesc::SAXParseException&) override {}
  void error(const xercesc::SAXParseException& e) override { throw e; }
  void fatalError(const xercesc::SAXParseException& e) override { throw e; }
  void resetErrors() override {}
};

bool EndsWithText(const QK_TString& expression) { return expression.EndsWith("/text()"); }

}  // namespace

void InitializeXmlLibraries() {
  static std::once_flag once;
  std::call_once(once, [] {
    xercesc::XMLPlatformUtils::Initialize();
    xalanc::XPathEvaluator::initialize();
    xalanc::XalanTransformer::initialize();
    std::atexit(TerminateXmlLibraries);
  });
}

XmlLibraryScope::XmlLibraryScope() { xercesc::XMLPlatformUtils::Initialize(); }

XmlLibraryScope::~XmlLibraryScope() { xercesc::XMLPlatformUtils::Terminate(); }

QK_TString TicketText(const TicketReader& reader, const char* key, TicketReader::Presence presence) {
  const QK_TAny* value = reader.Parameter(key);
  if (value == nullptr) {
    if (presence == TicketReader::Presence::kOptional) return QK_TString();
    QK_THROW(QK_EException(QK_TString::Format("The ticket has no value for the mandatory parameter %s", key)));
  }
  if (!value->Is(QK_TAny::Kind::String)) {
    QK_THROW(QK_EException(
        QK_TString::Format("The ticket parameter %s is a %s, not a text", key, QK_TAny::KindName(value->GetKind()))));
  }
  return value->AsString();
}

std::optional<std::int32_t> ParseVersion(const QK_TString& text) {
  try {
    return std::stoi(text.str(), nullptr, 10);
  } catch (const std::invalid_argument&) {
  } catch (const std::out_of_range&) {
  }
  return std::nullopt;
}

QK_TString DatabaseReference(const QK_TString& project, std::int32_t version, const QK_TString& name) {
  if (version <= 0) return QK_TString::Format("@%s:%s", project.c_str(), name.c_str());
  return QK_TString::Format("@%s:%d:%s", project.c_str(), static_cast<int>(version), name.c_str());
}

void ReadDesignPeople(TicketReader& reader, DBInfo& info) {
  for (const DesignPersonKey& person : kDesignPeople) {
    info.*person.field = reader.ReadAndLog(person.key, TicketReader::Presence::kOptional, person.parameterName, person.logName).value;
  }
}

// VERSION, read as ParseVersion reads it; nothing when it is empty.
static std::optional<std::int32_t> ReadVersion(TicketReader& reader) {
  const auto version = reader.ReadAndLogUnlessEmpty("VERSION", TicketReader::Presence::kMandatory, "Version", "version");
  if (!version) return std::nullopt;
  if (version->value.Empty()) return 0;  // an XPath that found an empty version
  const std::optional<std::int32_t> number = ParseVersion(version->value);
  if (!number) {
    reader.Task().AddMessage(2, "shapejobs.message.invalidversion", QK_TAny(version->value));
    QK_THROW(TaskError());
  }
  return number;
}

static bool IsNameCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.';
}

// True when `expression` calls the XSLT document() function, which could
// read files other than the input.
bool CallsDocument(const QK_TString& expression) {
  const std::string& text = expression.str();
  static const std::string kName = "document";
  for (std::size_t at = text.find(kName); at != std::string::npos; at = text.find(kName, at + 1)) {
    if (at > 0 && IsNameCharacter(text[at - 1])) continue;
    std::size_t next = at + kName.size();
    while (next < text.size() && std::isspace(static_cast<unsigned char>(text[next]))) ++next;
    if (next < text.size() && text[next] == '(') return true;
  }
  return false;
}

void ReadEnterpriseDesign(TicketReader& reader, const char* nameKey, const char* nameLogName,
                          const EnterpriseDesign& into) {
  constexpr TicketReader::Presence kMandatory = TicketReader::Presence::kMandatory;
  if (auto project = reader.ReadAndLogUnlessEmpty("PROJECT_NAME", kMandatory, "ProjectName", "projectname")) {
    into.project = project->value;
  }
  if (auto name = reader.ReadAndLogUnlessEmpty(nameKey, kMandatory, "Enterprise-StandardName", nameLogName)) {
    into.name = name->value;
  }
  if (const auto version = ReadVersion(reader)) into.version = *version;
}

bool IsXPathValue(const QK_TString& value) { return value.StartsWith(kXPathPrefix); }

TicketReader::TicketReader(TW_TTask& task, AT_TTicket& ticket, const QK_TURL& inputFile, const TicketFamily& family)
    : task_(task), ticket_(ticket), inputFile_(inputFile), family_(family) {
  InitializeXmlLibraries();
}

TicketReader::~TicketReader() {
  // The document belongs to the liaison, which goes before its DOM support.
  document_ = nullptr;
  liaison_.reset();
  domSupport_.reset();
}

const QK_TAny* TicketReader::Parameter(const char* key) const { return ticket_.GetParameters().Find(key); }

TicketValue TicketReader::Read(const char* key, Presence presence, const char* parameterName) {
  const QK_TAny* raw = Parameter(key);
  if (raw == nullptr && presence == Presence::kMandatory) {
    QK_THROW(QK_EException(QK_TString::Format("The ticket has no value for the mandatory parameter %s", key)));
  }
  QK_TString text;
  if (raw != nullptr) {
    if (!raw->Is(QK_TAny::Kind::String)) {
      QK_THROW(QK_EException(QK_TString::Format("The ticket parameter %s is a %s, not a text", key,
                                                QK_TAny::KindName(raw->GetKind()))));
    }
    text = raw->AsString();
  }
  TicketValue result;
  QK_TString resolved;
  ResolveVeltropName(resolved, text);
  if (IsXPathValue(resolved)) {
    LoadTicketXml();
    QK_TString evaluated;
    EvaluateParamXPath(resolved, evaluated, parameterName);
    result.value = evaluated.Trim();
    result.fromXPath = true;
  } else {
    result.value = resolved.Trim();
  }
  return result;
}

TicketValue TicketReader::ReadAndLog(const char* key, Presence presence, const char* parameterName,
                                     const char* logName) {
  TicketValue value = Read(key, presence, parameterName);
  Log(logName, value.value);
  return value;
}

std::optional<TicketValue> TicketReader::ReadAndLogUnlessEmpty(const char* key, Presence presence,
                                                               const char* parameterName, const char* logName) {
  TicketValue value = Read(key, presence, parameterName);
  // What an XPath finds is kept even when empty; only an empty text is skipped.
  if (value.value.Empty() && !value.fromXPath) return std::nullopt;
  Log(logName, value.value);
  return value;
}

void TicketReader::Log(const char* logName, const QK_TString& value) {
  task_.AddMessage(0, QK_TString::Format("shapejobs.%s.value", logName), QK_TAny(value));
}

QK_TString& TicketReader::ResolveVeltropName(QK_TString& out, const QK_TString& in) {
  out = QK_TString();
  if (!task_.GetTName().Resolve(in, out)) {
    task_.AddMessage(2, "shapejobs.message.couldnotresolve", QK_TAny(in));
    QK_THROW(QK_EException(QK_TString::Format("Veltrop: %s failed to resolved:", in.c_str())));
  }
  return out;
}

bool TicketReader::LoadTicketXml() {
  if (loaded_) return true;
  xalanc::XalanSourceTreeInit sourceTreeInit(xalanc::XalanMemMgrs::getDefaultXercesMemMgr());
  domSupport_ = std::make_unique<xalanc::XalanSourceTreeDOMSupport>();
  liaison_ = std::make_unique<xalanc::XalanSourceTreeParserLiaison>(*domSupport_);
  domSupport_->setParserLiaison(liaison_.get());
  // The document is built by a reader of our own, so that untrusted input
  // gets its limits: no external DTD or entity, and a bound on entity
  // expansion.
  xalanc::XalanSourceTreeDocument* tree = liaison_->createXalanSourceTreeDocument();
  xalanc::XalanSourceTreeContentHandler builder(xalanc::XalanMemMgrs::getDefaultXercesMemMgr(), tree);
  NoExternalEntities noExternalEntities;
  ThrowingErrorHandler errors;
  xercesc::SecurityManager securityManager;
  securityManager.setEntityExpansionLimit(kEntityExpansionLimit);
  std::unique_ptr<xercesc::SAX2XMLReader> reader(xercesc::XMLReaderFactory::createXMLReader());
  reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpaces, true);
  reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpacePrefixes, true);
  reader->setFeature(xercesc::XMLUni::fgSAX2CoreValidation, false);
  reader->setFeature(xercesc::XMLUni::fgXercesLoadExternalDTD, false);
  reader->setProperty(xercesc::XMLUni::fgXercesSecurityManager, &securityManager);
  reader->setContentHandler(&builder);
  reader->setDTDHandler(&builder);
  reader->setLexicalHandler(&builder);
  reader->setEntityResolver(&noExternalEntities);
  reader->setErrorHandler(&errors);
  try {
    const std::u16string path = ToXmlText(inputFile_.LocalName());
    xercesc::LocalFileInputSource input(path.c_str());
    reader->parse(input);
  } catch (const xercesc::SAXParseException& e) {
    family_.throwNotWellFormed(QK_TString::Format("Error at line %d column %d:%s", static_cast<int>(e.getLineNumber()),
                                                  static_cast<int>(e.getColumnNumber()),
                                                  FromXerces(e.getMessage()).c_str()),
                               family_.sourceFile, __LINE__);
    QK_NotReached();
  } catch (const xercesc::XMLException& e) {
    // A file that cannot be read has no position in the document.
    family_.throwNotWellFormed(QK_TString::Format("Error at line %d column %d:%s", -1, -1,
                                                  FromXerces(e.getMessage()).c_str()),
                               family_.sourceFile, __LINE__);
    QK_NotReached();
  }
  document_ = tree;
  loaded_ = document_ != nullptr;
  return loaded_;
}

void TicketReader::EvaluateParamXPath(const QK_TString& value, QK_TString& out, const char* parameterName) {
  QK_TString expression = value.Substring(sizeof kXPathPrefix - 1);
  // Ticket values are untrusted: no XPath may reach other documents.
  if (CallsDocument(expression)) {
    family_.throwInvalidXPath(QK_TString::Format("Param Name : %s , Xpath : %s", parameterName, expression.c_str()),
                              family_.sourceFile, __LINE__);
  }
  try {
    xalanc::XalanSourceTreeInit sourceTreeInit(xalanc::XalanMemMgrs::getDefaultXercesMemMgr());
    xalanc::XPathEvaluator evaluator;
    xalanc::XalanDocumentPrefixResolver resolver(document_);
    for (;;) {
      const xalanc::XalanDOMString xpath = ToXalan(expression);
      xalanc::XalanNode* node = evaluator.selectSingleNode(*domSupport_, document_, xpath.c_str(), resolver);
      if (node != nullptr) {
        out = NodeText(*node);
        return;
      }
      if (!family_.retryWithoutText || !EndsWithText(expression)) break;
      expression = expression.Substring(0, expression.Length() - 7);
    }
  } catch (const xalanc::XSLException& e) {
    task_.AddMessage(2, "shapejobs.message.xalanxpathevaluateexception",
                     {QK_TAny(parameterName), QK_TAny(value),
                      QK_TAny(XPathErrorPosition(e.getLineNumber())), QK_TAny(XPathErrorPosition(e.getColumnNumber())),
                      QK_TAny(FromXalan(e.getMessage()))});
    QK_THROW(TaskError());
  }
  family_.throwInvalidXPath(QK_TString::Format("Param Name : %s , Xpath : %s", parameterName, expression.c_str()),
                            family_.sourceFile, __LINE__);
  QK_NotReached();
}

QK_TString NormaliseCommandScript(const TicketValue& script) {
  QK_TString value = script.value;
  bool droppedFile = false;
  if (value.StartsWith("file:")) {
    value = value.Substring(5);
    droppedFile = true;
  }
  if (!(script.fromXPath && droppedFile) && value.StartsWith("EXE file:")) value = value.Substring(9);
  if (value.StartsWith("EXE")) return value;
  if (value.Empty()) return QK_TString();
  return QK_TString("EXE ") + value;
}

XMLCh* Utf8ToXMLCh(const char* text, std::size_t length, xercesc::MemoryManager* manager) {
  if (length == 0) {
    auto* empty = static_cast<XMLCh*>(manager->allocate(sizeof(XMLCh)));
    empty[0] = 0;
    return empty;
  }
  xercesc::TranscodeFromStr transcoded(reinterpret_cast<const XMLByte*>(text), length, "UTF-8", manager);
  return transcoded.adopt();
}

XMLCh* Utf8ToXMLCh(const std::string& text, xercesc::MemoryManager* manager) {
  return Utf8ToXMLCh(text.data(), text.size(), manager);
}

char* XMLChToUtf8(const XMLCh* text, std::size_t length, xercesc::MemoryManager* manager) {
  if (length == 0) {
    auto* empty = static_cast<char*>(manager->allocate(1));
    empty[0] = '\0';
    return empty;
  }
  xercesc::TranscodeToStr transcoded(text, length, "UTF-8", manager);
  return reinterpret_cast<char*>(transcoded.adopt());
}

std::string XMLChToUtf8String(const XMLCh* text, std::size_t length) {
  xercesc::MemoryManager* manager = xercesc::XMLPlatformUtils::fgMemoryManager;
  char* bytes = XMLChToUtf8(text, length, manager);
  std::string result(bytes);
  manager->deallocate(bytes);
  return result;
}

std::string XMLChToUtf8String(const XMLCh* text) {
  if (text == nullptr) return std::string();
  return XMLChToUtf8String(text, xercesc::XMLString::stringLen(text));
}

std::u16string ToXmlText(const QK_TString& text) {
  xercesc::MemoryManager* manager = xercesc::XMLPlatformUtils::fgMemoryManager;
  XMLCh* converted = Utf8ToXMLCh(text.str(), manager);
  std::u16string result(converted);
  manager->deallocate(converted);
  return result;
}

// Through UTF-8 and UTF-16, so that characters outside the basic plane
// (surrogate pairs) stay whole.
QK_TString FromXalan(const xalanc::XalanDOMString& text) {
  return QK_TString(XMLChToUtf8String(text.c_str(), text.length()));
}

xalanc::XalanDOMString ToXalan(const QK_TString& text) {
  return xalanc::XalanDOMString(ToXmlText(text).c_str(), xalanc::XalanMemMgrs::getDefaultXercesMemMgr());
}

QK_TString NodeText(const xalanc::XalanNode& node) {
  xalanc::XalanDOMString text(xalanc::XalanMemMgrs::getDefaultXercesMemMgr());
  xalanc::DOMServices::getNodeData(node, text);
  return FromXalan(text);
}

}  // namespace CAD
