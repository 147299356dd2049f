// The sections of a design-information document and the rows of a shop
// card's output document, the "Results" document that gathers the design
// documents of one export, and the small steps of the export around them.
#include <xercesc/dom/DOM.hpp>

#include "DRAVOInterface.h"
#include "QK_EException.h"
#include "QK_TFile.h"
#include "ShapejobCodes.h"
#include "TW_TTask.h"
#include "TaskError.h"
#include "XUtilityXml.h"

namespace CAD {

namespace {

using xercesc::DOMDocument;
using xercesc::DOMElement;

const QK_TString kAllPrintItems(L"ALL_PRINT_ITEMS");
// Text parameters end in "$", which an XML name cannot hold.
const QK_TString kTextMark(L"$");
const QK_TString kTextMarkInName(L"__TXT");

DOMElement* CreateElement(DOMDocument& document, const QK_TString& name) {
  return document.createElement(ToXmlText(name).c_str());
}

void SetAttribute(DOMElement& element, const char* name, const QK_TString& value) {
  element.setAttribute(ToXmlText(name).c_str(), ToXmlText(value).c_str());
}

void SetText(DOMDocument& document, DOMElement& element, const QK_TString& text) {
  element.appendChild(document.createTextNode(ToXmlText(text).c_str()));
}

// The "PrintItemList" of an embedded design: one "Item" per "name:ups"
// piece of `value`; pieces without ":" name no item.
void AppendPrintItemList(DOMDocument& document, DOMElement& design, const QK_TString& value) {
  DOMElement* list = CreateElement(document, "PrintItemList");
  std::size_t start = 0;
  while (start <= value.Length()) {
    std::size_t end = value.Find(",", start);
    if (end == QK_TString::npos) end = value.Length();
    const QK_TString piece = value.Substring(start, end - start);
    const std::size_t colon = piece.Find(":");
    if (colon != QK_TString::npos) {
      DOMElement* item = AppendElement(document, *list, "Item");
      SetAttribute(*item, "Name", piece.Substring(0, colon));
      SetAttribute(*item, "No_Of_UPs", piece.Substring(colon + 1));
    }
    start = end + 1;
  }
  design.appendChild(list);
}

}  // namespace

void DRAVOInterface::AppendCustomElement(DOMDocument& document, DOMElement& parent,
                                         const StringMapList& values) {
  DOMElement* custom = AppendElement(document, parent, "Custom");
  for (const StringMap& map : values) {
    for (const auto& [name, value] : map) AppendTextElement(document, *custom, name, value);
  }
}

void DRAVOInterface::AppendCustomElementWithCleanup(DOMDocument& document, DOMElement& parent,
                                                    const StringMapList& values,
                                                    const std::vector<QK_TURL>& thumbnails,
                                                    const PlotList& plots, const QK_TURL& results) {
  try {
    AppendCustomElement(document, parent, values);
  } catch (...) {
    // The results document cannot be completed: nothing of this export stays.
    for (const auto& plot : plots) QK_TFile::Remove(QK_TURL::FromString(plot.second));
    for (const QK_TURL& thumbnail : thumbnails) QK_TFile::Remove(thumbnail);
    QK_TFile::Remove(results);
    Report(Severity::kError, "shapejobs.error.addcustomvariabletoxmlfail");
    QK_THROW(TaskError());
  }
}

void DRAVOInterface::AppendDesignElement(DOMDocument& document, DOMElement& parent,
                                         const DesignInfo& design) {
  DOMElement* element = CreateElement(document, "Design");
  AppendTextElement(document, *element, "DesignName", design.designName);
  AppendTextElement(document, *element, "BoardCode", design.boardCode);
  AppendTextElement(document, *element, "BoardDesc", design.boardDescription);
  AppendTextElement(document, *element, "Units", design.units);
  AppendTextElement(document, *element, "ProdBlankAreaInCM2",
                    QK_TString::Format("%f", design.productBlankArea));
  for (const auto& [name, value] : design.values) {
    DOMElement* variable = AppendElement(document, *element, "Variable");
    SetAttribute(*variable, "name", name);
    SetAttribute(*variable, "value", value);
  }
  parent.appendChild(element);
}

void DRAVOInterface::AppendDocplotsElement(DOMDocument& document, DOMElement& parent, const PlotList& plots) {
  if (plots.empty()) return;
  DOMElement* docplots = CreateElement(document, "Docplots");
  for (const auto& [name, location] : plots) {
    DOMElement* menu = AppendElement(document, *docplots, "Menu");
    SetAttribute(*menu, "Name", name);
    SetAttribute(*menu, "URL", QK_TURL::FromString(location).ToString(true));
  }
  parent.appendChild(docplots);
}

void DRAVOInterface::AppendMenusElement(DOMDocument& document, DOMElement& parent,
                                        const ParameterGroups& groups, const MenuList& menus) {
  DOMElement* element = CreateElement(document, "Menus");
  for (std::size_t i = 0; i < groups.size(); ++i) {
    DOMElement* menu = AppendElement(document, *element, "Menu");
    SetAttribute(*menu, "name", menus.at(i).first);
    SetAttribute(*menu, "type", menus.at(i).second);
    for (const StringMap& parameter : groups[i]) {
      for (const auto& [name, value] : parameter) {
        AppendTextElement(document, *menu, name.Replace(kTextMark, kTextMarkInName), value);
      }
    }
  }
  parent.appendChild(element);
}

void DRAVOInterface::AppendOutputRow(DOMDocument& document, DOMElement& parent, const OutputsInfo& output,
                                     const QK_TString& path) {
  DOMElement* row = CreateElement(document, "Output");
  SetAttribute(*row, "Name", output.Name);
  if (path.Empty()) {
    SetAttribute(*row, "Copies", QK_TString::Format("%u", static_cast<unsigned int>(output.Copies)));
  } else {
    SetAttribute(*row, "OutputPathName", path);
  }
  SetAttribute(*row, "Result", "Success");
  parent.appendChild(row);
}

void DRAVOInterface::AppendThumbnailElement(DOMDocument& document, DOMElement& parent,
                                            const QK_TURL& thumbnail, std::int16_t status) {
  DOMElement* element = CreateElement(document, "Thumbnail");
  DOMElement* path = AppendElement(document, *element, "Path");
  if (status == Status::kDone) SetText(document, *path, thumbnail.ToString(true));
  parent.appendChild(element);
}

void DRAVOInterface::AppendEmbeddedDesignsElement(DOMDocument& document, DOMElement& parent,
                                                  const EmbeddedDesigns& designs) {
  DOMElement* element = CreateElement(document, "EmbeddedDesigns");
  for (const auto& [designName, values] : designs) {
    DOMElement* design = AppendElement(document, *element, "Design");
    SetAttribute(*design, "Name", designName);
    for (const auto& [name, value] : values) {
      if (name.EqualsIgnoreCase(kAllPrintItems)) {
        AppendPrintItemList(document, *design, value);
        continue;
      }
      DOMElement* variable = AppendElement(document, *design, "Variable");
      SetAttribute(*variable, "Name", name);
      SetAttribute(*variable, "Value", value);
    }
  }
  parent.appendChild(element);
}

void DRAVOInterface::AppendPrintItemsElement(DOMDocument& document, DOMElement& parent,
                                             const PrintItemList& items) {
  DOMElement* element = CreateElement(document, "PrintItems");
  for (const PrintItemInfo& info : items) {
    DOMElement* item = CreateElement(document, "Item");
    if (!info.address.Empty()) SetAttribute(*item, "URL", info.address.ToString(true));
    if (!info.id.Empty()) SetAttribute(*item, "Id", info.id);
    if (!info.name.Empty()) SetAttribute(*item, "Name", info.name);
    for (const auto& [number, name] : info.layers) {
      DOMElement* layer = AppendElement(document, *item, "Layer");
      SetAttribute(*layer, "Id", number);
      SetAttribute(*layer, "Name", name);
    }
    element->appendChild(item);
  }
  parent.appendChild(element);
}

std::uint32_t DRAVOInterface::AppendToResultsDocument(const QK_TURL& results, const QK_TURL& document,
                                                      std::uint32_t& appended) {
  ++appended;
  // The first document of an export starts the file anew, whatever it held.
  const XmlDocument gathered = appended == 1 ? CreateXmlDocument("Results") : ParseXMLFile(results);
  const XmlDocument design = ParseXMLFile(document);
  xercesc::DOMNode* copy = gathered->importNode(design->getDocumentElement(), true);
  gathered->getDocumentElement()->appendChild(copy);
  WriteXmlDocument(*gathered, results);
  return appended;
}

void DRAVOInterface::SaveReferencedDesignLocally(QK_TString& design, std::int32_t& warningFlag) {
  // Only a design of the database needs a local copy; that is how the
  // split opens its design too.
  if (IsDatabaseReference(design)) design = OpenSplitDesign(design, warningFlag);
}

void DRAVOInterface::MergeCustomVariables(const ShopCardTicketData& record, CustomVariableList& variables) {
  for (const auto& candidate : record.customVariables) {
    if (!candidate) continue;
    bool known = false;
    for (const auto& present : variables) {
      if (present && present->name.EqualsIgnoreCase(candidate->name)) known = true;
    }
    if (!known) variables.push_back(candidate);
  }
}

}  // namespace CAD
