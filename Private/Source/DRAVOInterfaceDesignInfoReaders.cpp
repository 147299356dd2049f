// What the design-information operations read of the open design: the
// menus of its standard, the designs laid out in a manufacturing file, and
// its print items with their layers and thumbnails.
#include <cmath>
#include <string>
#include <xercesc/dom/DOM.hpp>

#include "DRAVOInterfaceDesignInfo.h"
#include "DravoException.h"
#include "ShapejobCodes.h"
#include "XUtilityXml.h"

namespace CAD {

namespace {

// The standard's menus are read with this parameter set, whatever the
// design's industry and unit.
const QK_TString kMenuParameterSet(L"Corrugated - Inch - Single design parameters");
// The four values of the menu-XML call for the menus of a whole standard.
constexpr std::int16_t kMenuXmlOptions[] = {2, 0, 0, 0};
// The menu type of a style-choice menu in the menu XML.
const QK_TString kStyleChoiceType(L"3");

// What GetPrintItemCount, GetPrintItemName and CheckPrintItem count or
// name: the print items of the design, or the layers of the current one;
// kLayerOfItem asks whether a layer belongs to a print item.
namespace PrintItemKind {
constexpr std::int32_t kPrintItem = 1, kLayer = 2, kLayerOfItem = 3;
}  // namespace PrintItemKind
// Layer 0, listed with every print item, and switched on for its thumbnail.
constexpr std::int32_t kBaseLayer = 0;
constexpr std::int16_t kLayerOn = 1;

bool IsNativeDesign(const QK_TString& kind) {
  return kind.EqualsIgnoreCase("KPX") || kind.EqualsIgnoreCase("DESIGN");
}

QK_TString NameOf(const xercesc::DOMNode& node) { return FromXerces(node.getNodeName()); }

// The attribute of an element; "" for a missing one and for other nodes.
QK_TString AttributeOf(const xercesc::DOMNode& node, const char* name) {
  if (node.getNodeType() != xercesc::DOMNode::ELEMENT_NODE) return QK_TString();
  return FromXerces(static_cast<const xercesc::DOMElement&>(node).getAttribute(ToXmlText(name).c_str()));
}

// A size as the design information writes it: rounded to three decimals
// (halves away from zero), written with six.
QK_TString RoundedSize(double value) { return QK_TString::Format("%f", std::round(value * 1000.0) / 1000.0); }

}  // namespace

DRAVOInterface::ParameterGroups DRAVOInterface::ReadDesignParameters(const QK_TString& design,
                                                                     const QK_TURL& menuFile, MenuList& menus,
                                                                     const QK_TString& kind,
                                                                     std::int32_t& warningFlag) {
  ParameterGroups groups;
  try {
    OpenStandard(design, kDesignStandardOption, StandardUnit::kInch, QK_TString(), kMenuParameterSet);
    GetMenuXml(menuFile.LocalName(), kMenuXmlOptions[0], kMenuXmlOptions[1], kMenuXmlOptions[2],
               kMenuXmlOptions[3]);
    const XmlDocument document = ParseXMLFile(menuFile);
    if (!IsNativeDesign(kind)) return groups;

    xercesc::DOMNode* menu = document->getDocumentElement();
    while (menu != nullptr && NameOf(*menu) != "Menu") menu = menu->getFirstChild();
    if (menu == nullptr)
      QK_THROW(InvalidNodeException(QK_TString("shapejobs.message.nodenotfound"), QK_TAny("Menu")));

    for (; menu != nullptr; menu = menu->getNextSibling()) {
      menus.emplace_back(AttributeOf(*menu, "name"),
                         AttributeOf(*menu, "type") == kStyleChoiceType ? "Style Choice" : "Variable");
      StringMapList group;
      xercesc::DOMNode* parameters = menu->getFirstChild();
      for (xercesc::DOMNode* node = parameters != nullptr ? parameters->getFirstChild() : nullptr;
           node != nullptr; node = node->getNextSibling()) {
        const QK_TString name = NameOf(*node);
        if (name == "Variable") {
          const QK_TString parameter = AttributeOf(*node, "name");
          group.push_back({{parameter, GetVariableValue(parameter)}});
        } else if (name == "StyleChoice") {
          // The choice's number alone, without a unit or anything after it.
          const QK_TString parameter = AttributeOf(*node, "variable");
          const int choice = std::stoi(GetVariableValue(parameter).str());
          group.push_back({{parameter, QK_TString::Format("%d", choice)}});
        }
      }
      groups.push_back(std::move(group));
    }
  } catch (const InvalidNodeException& e) {
    Report(Severity::kWarning, "shapejobs.warning.nodenotfound", QK_TAny(e.QK_Message()));
    warningFlag = 1;
  } catch (const DravoError& e) {
    Report(Severity::kError, "shapejobs.message.error", QK_TAny(e.QK_Message()));
    QK_THROW(DravoError());
  }
  return groups;
}

DRAVOInterface::EmbeddedDesigns DRAVOInterface::ReadEmbeddedDesigns() {
  EmbeddedDesigns designs;
  auto text = [this](const char* expression) { return EvaluateStringExpression(expression).Trim(); };
  try {
    const auto count = static_cast<std::int32_t>(EvaluateNumericExpression("#NDESIGNSA"));
    // Print items are numbered across the designs; a design without any
    // still takes one number.
    std::int32_t item = 1;
    for (std::int32_t d = 1; d <= count; ++d) {
      PreparePrintItems(d, true);
      StringMap values;
      values["GRAIN_DIRECTION"] = text("#GRAIN$");
      values["NO_OF_UPS"] = text("#NUPD");
      values["BLANK_LENGTH"] = RoundedSize(EvaluateNumericExpression("#MANSIZEX"));
      values["BLANK_HEIGHT"] = RoundedSize(EvaluateNumericExpression("#MANSIZEY"));
      const QK_TString name = text("#W$");
      const auto items = static_cast<std::int32_t>(EvaluateNumericExpression("#NITEMS"));
      if (items <= 0) {
        ++item;
      } else {
        Report(Severity::kInformation, "shapejobs.message.exportingprintitems");
        QK_TString list;
        for (std::int32_t j = item; j < item + items; ++j) {
          CreatePrintItems(j, true);
          const QK_TString piece = text("#ITEM$") + ":" + text("#NUPP");
          list = list.Empty() ? piece : list + "," + piece;
        }
        values["ALL_PRINT_ITEMS"] = list;
        item += items;
      }
      // A second design of the same name keeps the first one's values.
      designs.emplace(name, std::move(values));
    }
  } catch (const InvalidExpressionException& e) {
    Report(Severity::kError, "shapejobs.message.invalidexpression", QK_TAny(e.QK_Message()));
    QK_THROW(DravoError());
  }
  return designs;
}

DRAVOInterface::PrintItemList DRAVOInterface::ExportPrintItems(bool report) {
  PrintItemList items;
  const std::int32_t count = GetPrintItemCount(PrintItemKind::kPrintItem);
  if (count <= 0) return items;
  if (report) Report(Severity::kInformation, "shapejobs.message.exportingprintitems");
  for (std::int32_t i = 1; i <= count; ++i) {
    CreatePrintItems(i, true);
    PrintItemInfo info;
    const std::int32_t layers = GetPrintItemCount(PrintItemKind::kLayer);
    info.layers.emplace(QK_TString::Format("%d", kBaseLayer),
                        GetPrintItemName(PrintItemKind::kLayer, kBaseLayer));
    for (std::int32_t j = layers; j >= 1; --j) {
      if (CheckPrintItem(i, PrintItemKind::kLayerOfItem, j) != Status::kDone) continue;
      info.layers.emplace(QK_TString::Format("%d", j), GetPrintItemName(PrintItemKind::kLayer, j));
    }
    info.id = QK_TString::Format("%d", i);
    info.name = GetPrintItemName(PrintItemKind::kPrintItem, i);
    items.push_back(std::move(info));
  }
  return items;
}

DRAVOInterface::PrintItemList DRAVOInterface::CreatePrintItemThumbnails(
    const QK_TURL& base, std::int16_t width, std::int16_t height, std::int32_t& warningFlag,
    const QK_TString& baseName, std::int32_t designIndex, std::uint32_t quality, const DeliveredLocations& delivered) {
  if (GetPrintItemCount(PrintItemKind::kPrintItem) <= 0) return PrintItemList();
  Report(Severity::kInformation, "shapejobs.message.creatingprintitems");
  PrintItemList items = ExportPrintItems(false);
  for (std::size_t index = 0; index < items.size(); ++index) {
    const auto i = static_cast<std::int32_t>(index + 1);
    CreatePrintItems(i, true);
    SetLayer(kBaseLayer, kLayerOn);
    const QK_TString name = GetPrintItemName(PrintItemKind::kPrintItem, i);
    QK_TURL image = base;
    image.SetFileName(SanitizeFileName(
        designIndex == kNoDesignIndex ? QK_TString::Format("%s_%s.JPG", baseName.c_str(), name.c_str())
                                      : QK_TString::Format("%s_%s_%d.JPG", baseName.c_str(), name.c_str(),
                                                           static_cast<int>(designIndex))));
    image = delivered.FreeLocation(image, reporter);
    const QK_TString path = image.LocalName();
    const std::int16_t status = ExportThumbnailImage(*this, path, width, height, quality);
    if (status != Status::kDone) {
      warningFlag = 1;
      Report(Severity::kWarning, "shapejobs.message.failedtogenerateprintitemthumbnail", QK_TAny(path),
             QK_TAny(GetErrorString()));
    }
    // Listed also when it failed; only a written image is an output.
    items[index].address = image;
    items[index].exported = status == Status::kDone;
  }
  return items;
}

}  // namespace CAD
