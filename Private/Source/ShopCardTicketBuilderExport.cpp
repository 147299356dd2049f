// The export pass: one SAX pass over an export XML file that turns every
// design element into a map from key to text. A design map holds the
// design element's attributes, "CommandScript" (its trimmed text), the
// attributes of "Thumbnail" elements and one "VariableN" entry per
// "Variable" element (its attribute names and values joined with ",").
// Within one design the first occurrence of a key wins.
#include <memory>

#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLUni.hpp>

#include "ShopCardTicketBuilder.h"
#include "ShopCardTicketException.h"

namespace CAD {

namespace {

const char kDesignPath[] = "/Designs/Design";

QK_TString Text(const XMLCh* text) { return QK_TString(XMLChToUtf8String(text)); }

}  // namespace

class ExportSAXHandler : public xercesc::DefaultHandler {
 public:
  void SetDesignPath(const QK_TString& path) { designPath_ = path; }
  StringMapList& GetDesigns() { return designs_; }

  void startElement(const XMLCh* uri, const XMLCh* localName, const XMLCh* qualifiedName,
                    const xercesc::Attributes& attributes) override;
  void endElement(const XMLCh* uri, const XMLCh* localName, const XMLCh* qualifiedName) override;
  void characters(const XMLCh* characters, XMLSize_t length) override;
  // Prints the error and ends the parse with it.
  void fatalError(const xercesc::SAXParseException& exception) override;

 private:
  bool InDesignElement() const { return currentPath_ == designPath_; }
  void InsertAttributes(const xercesc::Attributes& attributes);
  void InsertVariable(const xercesc::Attributes& attributes);

  QK_TString designPath_;
  StringMapList designs_;
  QK_TString currentPath_;  // "/" and the name of each open element
  StringMap values_;        // the design being read
  QK_TString text_;         // text of the open CommandScript element
  QK_TString lastElement_;  // name of the element last started
  bool collecting_ = false;
  // Counts over the whole file, so that variable keys never repeat.
  unsigned long variableCount_ = 0;
};

void ExportSAXHandler::startElement(const XMLCh*, const XMLCh*, const XMLCh* qualifiedName,
                                    const xercesc::Attributes& attributes) {
  const QK_TString name = Text(qualifiedName);
  currentPath_ += "/";
  currentPath_ += name;
  if (InDesignElement()) {
    values_.clear();
    InsertAttributes(attributes);
  } else if (name == "CommandScript") {
    collecting_ = true;
  } else if (name == "Thumbnail") {
    InsertAttributes(attributes);
  } else if (name == "Variable") {
    InsertVariable(attributes);
  }
  lastElement_ = name;
}

void ExportSAXHandler::endElement(const XMLCh*, const XMLCh*, const XMLCh*) {
  if (collecting_ && !lastElement_.Empty() && !InDesignElement()) {
    values_.emplace(lastElement_, text_.Trim());
    lastElement_ = QK_TString();
    text_ = QK_TString();
    collecting_ = false;
  }
  if (InDesignElement()) {
    if (!values_.empty()) designs_.push_back(std::move(values_));
    values_.clear();
    collecting_ = false;
    lastElement_ = QK_TString();
    text_ = QK_TString();
  }
  currentPath_ = currentPath_.Substring(0, currentPath_.FindLast('/'));
}

void ExportSAXHandler::characters(const XMLCh* characters, XMLSize_t length) {
  if (collecting_) text_ += QK_TString(XMLChToUtf8String(characters, length));
}

// The error ends the pass; its text and position reach the task in the
// not-well-formed exception (standard output carries the task's events).
void ExportSAXHandler::fatalError(const xercesc::SAXParseException& exception) { throw exception; }

void ExportSAXHandler::InsertAttributes(const xercesc::Attributes& attributes) {
  for (XMLSize_t i = 0; i < attributes.getLength(); ++i) {
    values_.emplace(Text(attributes.getLocalName(i)), Text(attributes.getValue(i)));
  }
}

void ExportSAXHandler::InsertVariable(const xercesc::Attributes& attributes) {
  QK_TString joined;
  for (XMLSize_t i = 0; i < attributes.getLength(); ++i) {
    if (i > 0) joined += ",";
    joined += Text(attributes.getLocalName(i));
    joined += ",";
    joined += Text(attributes.getValue(i));
  }
  if (joined.Empty()) return;
  ++variableCount_;
  values_.emplace(QK_TString::Format("Variable%lu", variableCount_), std::move(joined));
}

StringMapList ShopCardTicketBuilder::ReadExportedDesigns() {
  xercesc::MemoryManager* manager = xercesc::XMLPlatformUtils::fgMemoryManager;
  xercesc::SecurityManager securityManager;  // bounds entity expansion
  securityManager.setEntityExpansionLimit(kEntityExpansionLimit);
  std::unique_ptr<xercesc::SAX2XMLReader> reader(xercesc::XMLReaderFactory::createXMLReader(manager));
  // The file is untrusted: nothing outside it is read.
  reader->setFeature(xercesc::XMLUni::fgSAX2CoreValidation, false);
  reader->setFeature(xercesc::XMLUni::fgXercesLoadExternalDTD, false);
  reader->setFeature(xercesc::XMLUni::fgXercesDisableDefaultEntityResolution, true);
  reader->setProperty(xercesc::XMLUni::fgXercesSecurityManager, &securityManager);
  ExportSAXHandler handler;
  handler.SetDesignPath(kDesignPath);
  reader->setContentHandler(&handler);
  reader->setErrorHandler(&handler);
  try {
    std::unique_ptr<xercesc::InputSource> input = OpenInput(inputFile_);
    reader->parse(*input);
  } catch (const xercesc::SAXParseException& e) {
    ThrowTicketException<NonWellFormedXMLException>(
        QK_TString::Format("Error at line %d column %d:%s", static_cast<int>(e.getLineNumber()),
                           static_cast<int>(e.getColumnNumber()), Text(e.getMessage()).c_str()),
        kSourceFile, __LINE__);
    QK_NotReached();
  }
  return std::move(handler.GetDesigns());
}

}  // namespace CAD
