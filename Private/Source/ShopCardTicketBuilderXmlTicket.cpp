// The XML ticket of a shop card (or of an export of one design): one
// "Design" element, the document element or the first one below it, whose
// attributes name the design and whose direct children give its variables,
// command scripts, save location and outputs. Attribute texts are taken as
// they stand.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <boost/lexical_cast.hpp>
#include <xercesc/dom/DOMAttr.hpp>
#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/dom/DOMElement.hpp>
#include <xercesc/dom/DOMException.hpp>
#include <xercesc/dom/DOMNodeList.hpp>
#include <xercesc/sax/SAXException.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/XMLString.hpp>

#include "QK_EException.h"
#include "ShopCardTicketBuilder.h"
#include "ShopCardTicketException.h"
#include "XUtilityXml.h"

namespace CAD {

namespace {

using xercesc::DOMElement;
using XmlName = std::basic_string<XMLCh>;

XmlName ToXmlName(const char* name) { return XmlName(name, name + std::char_traits<char>::length(name)); }

bool HasName(const DOMElement& element, const char* name) {
  return xercesc::XMLString::equals(element.getTagName(), ToXmlName(name).c_str());
}

// The attribute's text, or nothing when the element has no such attribute.
std::optional<QK_TString> Attribute(const DOMElement& element, const char* name) {
  const xercesc::DOMAttr* attribute = element.getAttributeNode(ToXmlName(name).c_str());
  if (attribute == nullptr) return std::nullopt;
  return FromXerces(attribute->getValue());
}

QK_TString AttributeText(const DOMElement& element, const char* name) {
  return Attribute(element, name).value_or(QK_TString());
}

// The attribute's text when it is present and not empty.
std::optional<QK_TString> NonEmptyAttribute(const DOMElement& element, const char* name) {
  std::optional<QK_TString> text = Attribute(element, name);
  if (text && text->Empty()) return std::nullopt;
  return text;
}

// Calls `read` for each direct child element named `name`, in order.
template <class Read>
void ForEachChild(const DOMElement& parent, const char* name, Read read) {
  for (const DOMElement* child = parent.getFirstElementChild(); child != nullptr;
       child = child->getNextElementSibling()) {
    if (HasName(*child, name)) read(*child);
  }
}

// One record per direct child element named `name`, in order, each field
// taken from its attribute ("" when absent).
template <class Item>
std::vector<std::shared_ptr<Item>> ChildRecords(const DOMElement& parent, const char* name,
                                                std::initializer_list<std::pair<const char*, QK_TString Item::*>> fields) {
  std::vector<std::shared_ptr<Item>> items;
  ForEachChild(parent, name, [&](const DOMElement& element) {
    auto item = std::make_shared<Item>();
    for (const auto& [attribute, field] : fields) (*item).*field = AttributeText(element, attribute);
    items.push_back(std::move(item));
  });
  return items;
}

const DOMElement* FirstChild(const DOMElement& parent, const char* name) {
  for (const DOMElement* child = parent.getFirstElementChild(); child != nullptr;
       child = child->getNextElementSibling()) {
    if (HasName(*child, name)) return child;
  }
  return nullptr;
}

// The document element when it is a "Design", else the first "Design"
// below it in document order.
const DOMElement* FindDesignElement(const xercesc::DOMDocument& document) {
  const DOMElement* root = document.getDocumentElement();
  if (root == nullptr) return nullptr;
  if (HasName(*root, "Design")) return root;
  const xercesc::DOMNodeList* designs = root->getElementsByTagName(ToXmlName("Design").c_str());
  if (designs == nullptr || designs->getLength() == 0) return nullptr;
  return static_cast<const DOMElement*>(designs->item(0));
}

// A whole number, or 0 when the attribute is absent or empty.
std::int32_t IntegerAttribute(const DOMElement& element, const char* name) {
  const std::optional<QK_TString> text = NonEmptyAttribute(element, name);
  if (!text) return 0;
  try {
    return boost::lexical_cast<std::int32_t>(text->str());
  } catch (const boost::bad_lexical_cast&) {
    ThrowShopCard<BadArgumentsException>(QK_TString(name) + " ", __LINE__);
  }
}

// A number of copies: digits only, from 0 (the output makes nothing) to
// 65535.
std::uint16_t CopiesOf(const QK_TString& text) {
  const std::string& digits = text.str();
  if (!digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos) {
    try {
      const unsigned long value = boost::lexical_cast<unsigned long>(digits);
      if (value <= 65535) return static_cast<std::uint16_t>(value);
    } catch (const boost::bad_lexical_cast&) {
      // too large: reported below
    }
  }
  ThrowShopCard<BadArgumentsException>("Copies ", __LINE__);
}

// The ticket is read as untrusted XML; an error of it fails as
// NonWellFormedXMLException, other failures of the library as QK_EException.
DomPtr<xercesc::DOMDocument> ParseDesignXml(const QK_TURL& inputFile) {
  const QK_TString& path = inputFile.LocalName();
  try {
    return ParseUntrustedDom(inputFile, &ThrowTicketException<NonWellFormedXMLException>,
                             ShopCardTicketBuilder::kSourceName);
  } catch (const xercesc::OutOfMemoryException&) {
    ThrowShopCard<QK_EException>(QK_TString::Format("Out of memory while reading the XML ticket %s", path.c_str()),
                                 __LINE__);
  } catch (const xercesc::SAXException& e) {
    ThrowShopCard<QK_EException>(FromXerces(e.getMessage()), __LINE__);
  } catch (const xercesc::XMLException& e) {
    ThrowShopCard<QK_EException>(QK_TString::Format("XML exception at line %d in file %s:%s",
                                                    static_cast<int>(e.getSrcLine()), path.c_str(),
                                                    FromXerces(e.getMessage()).c_str()),
                                 __LINE__);
  } catch (const xercesc::DOMException& e) {
    ThrowShopCard<QK_EException>(FromXerces(e.getMessage()), __LINE__);
  }
}

}  // namespace

void ShopCardTicketBuilder::ReadXmlTicket(bool shopCard) {
  const DomPtr<xercesc::DOMDocument> document = ParseDesignXml(inputFile_);
  const DOMElement* design = FindDesignElement(*document);
  if (design == nullptr) {
    ThrowShopCard<InvalidShopCardTicketException>("shapejobs.message.ticketnodenotfound", __LINE__);
  }

  ReadDesignAttributes(*design);
  const DOMElement* variables = FirstChild(*design, "Variables");
  if (!shopCard) {
    // An export's own variables replace those of the ticket parameters.
    if (variables != nullptr) ReadCustomVariables(*variables);
    ReadOutputs(*design);
    return;
  }
  if (variables != nullptr) ReadStandardVariables(*variables);
  // The scripts are children of the design element or of one container.
  if (const DOMElement* first = FirstChild(*design, "CommandScript")) {
    ReadCommandScripts(FirstChild(*first, "CommandScript") != nullptr ? *first : *design);
  }
  const DOMElement* save = FirstChild(*design, "Save");
  record_.hasSave = save != nullptr;
  if (save != nullptr) ReadSave(*save);
  ReadOutputs(*design);
}

void ShopCardTicketBuilder::ReadDesignAttributes(const DOMElement& design) {
  record_.designName = AttributeText(design, "Name");
  record_.project = AttributeText(design, "Project");
  record_.version = IntegerAttribute(design, "Version");
  record_.designPath = AttributeText(design, "Path");
  record_.rebuildDesign = IntegerAttribute(design, "RebuildDesign");
  record_.layerClasses = AttributeText(design, "LayerClasses");
  record_.designNotFoundPath = AttributeText(design, "DesignNotFoundPath");
}

void ShopCardTicketBuilder::ReadStandardVariables(const DOMElement& variables) {
  record_.variables =
      ChildRecords<Variable>(variables, "Variable", {{"Name", &Variable::Name}, {"Value", &Variable::Value}});
}

void ShopCardTicketBuilder::ReadCustomVariables(const DOMElement& variables) {
  record_.customVariables = ChildRecords<CustomVariable>(
      variables, "Variable",
      {{"name", &CustomVariable::name}, {"type", &CustomVariable::type}, {"expression", &CustomVariable::expression}});
}

void ShopCardTicketBuilder::ReadCommandScripts(const DOMElement& parent) {
  record_.commandScripts = ChildRecords<CommandScript>(
      parent, "CommandScript", {{"Name", &CommandScript::Name}, {"RunAt", &CommandScript::RunAt}});
}

void ShopCardTicketBuilder::ReadSave(const DOMElement& save) {
  record_.saveName = AttributeText(save, "Name");
  record_.savePath = AttributeText(save, "Path");
}

// One output needs no target; with two or more, each needs Copies or an
// output path.
void ShopCardTicketBuilder::ReadOutputs(const DOMElement& design) {
  OutputsList outputs;
  bool firstLacksTarget = false;
  ForEachChild(design, "Output", [&](const DOMElement& element) {
    auto output = std::make_shared<OutputsInfo>();
    const std::optional<QK_TString> copies = Attribute(element, "Copies");
    if (copies) output->SetCopies(CopiesOf(*copies));
    output->Name = AttributeText(element, "Name");
    if (std::optional<QK_TString> printItem = NonEmptyAttribute(element, "PrintItem")) output->PrintItem = *printItem;
    output->SetSampleType(NonEmptyAttribute(element, "SampleType").value_or(QK_TString("1")));
    if (std::optional<QK_TString> path = NonEmptyAttribute(element, "OutputPathName")) {
      output->OutputPathName = QK_TURL(*path);
    }
    const bool lacksTarget = !copies && output->OutputPathName.Empty();
    if (outputs.empty()) {
      firstLacksTarget = lacksTarget;
    } else if (lacksTarget || firstLacksTarget) {
      ThrowShopCard<BadArgumentsException>("OutputPathName or Copies ", __LINE__);
    }
    outputs.push_back(std::move(output));
  });
  record_.outputs = std::move(outputs);
}

}  // namespace CAD
