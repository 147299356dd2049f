#include "Output/FolvaneCADDescription.h"

#include "Base/FolvaneCADText.h"
#include "Base/FolvaneCADXml.h"

namespace FolvaneCAD {

namespace {

QK_TString Whole(long value) { return QK_TString::Format("%ld", value); }

QK_TXmlElement VariablesElement(const Design& design) {
  QK_TXmlElement element = MakeElement("VARIABLES");
  for (const Variable& variable : design.variables) {
    element.children.push_back(MakeElement("VARIABLE", {{"name", variable.name},
                                                        {"type", variable.value.isText ? "text" : "numeric"},
                                                        {"value", variable.value.AsText()}}));
  }
  return element;
}

QK_TXmlElement LayersElement(const Design& design) {
  QK_TXmlElement element = MakeElement("LAYERS");
  for (std::size_t i = 0; i < design.layers.size(); ++i) {
    const Layer& layer = design.layers[i];
    element.children.push_back(
        MakeElement("LAYER", {{"number", Whole(static_cast<long>(i) + 1)}, {"name", layer.name}, {"on", layer.on ? "1" : "0"}}));
  }
  return element;
}

QK_TXmlElement PrintItemsElement(const Design& design) {
  QK_TXmlElement element = MakeElement("PRINTITEMS");
  for (std::size_t i = 0; i < design.printItems.size(); ++i) {
    const PrintItem& item = design.printItems[i];
    std::vector<QK_TString> layers;
    for (int layer : item.layers) layers.push_back(Whole(layer));
    element.children.push_back(MakeElement("PRINTITEM", {{"number", Whole(static_cast<long>(i) + 1)},
                                                         {"name", item.name},
                                                         {"layers", Join(layers, ",")},
                                                         {"ups", Whole(item.ups)}}));
  }
  return element;
}

// Facts of one design, then its variables, layers and print items.
QK_TXmlElement DesignDescription(const DesignView& view, Attributes leading) {
  const Design& design = *view.design;
  Extent extent = design.LineExtent();
  QK_TXmlElement element = MakeElement("DESIGN", std::move(leading));
  Attributes facts = {{"name", view.name},
                      {"industry", Whole(design.industry)},
                      {"unit", UnitName(design.unit)},
                      {"boardCode", design.boardCode},
                      {"boardDescription", design.boardDescription},
                      {"printSide", Whole(design.printSide)},
                      {"grain", Whole(design.grain)},
                      {"description", design.description},
                      {"area", FormatNumber(extent.Width() * extent.Height())},
                      {"manufacturingSizeX", FormatNumber(extent.Width())},
                      {"manufacturingSizeY", FormatNumber(extent.Height())}};
  element.attributes.insert(element.attributes.end(), facts.begin(), facts.end());
  element.children.push_back(VariablesElement(design));
  element.children.push_back(LayersElement(design));
  element.children.push_back(PrintItemsElement(design));
  return element;
}

QK_TXmlElement LayoutDescription(const Document& document) {
  const Layout& layout = *document.layout();
  QK_TXmlElement element =
      MakeElement("LAYOUT", {{"name", layout.name.Empty() ? BaseName(document.path()) : layout.name},
                             {"file", document.path()},
                             {"unit", UnitName(layout.unit)},
                             {"sheetWidth", FormatNumber(layout.sheetWidth)},
                             {"sheetHeight", FormatNumber(layout.sheetHeight)},
                             {"designCount", Whole(static_cast<long>(layout.designs.size()))}});
  for (std::size_t i = 0; i < layout.designs.size(); ++i) {
    int number = static_cast<int>(i) + 1;
    element.children.push_back(DesignDescription(
        document.ViewOf(number), {{"number", Whole(number)}, {"ups", Whole(layout.designs[i].ups)}}));
  }
  return element;
}

}  // namespace

QK_TString DescribeDocument(const Document& document) {
  if (document.kind() == Document::Kind::kLayout) return WriteXml(LayoutDescription(document));
  QK_TXmlElement element = DesignDescription(document.ViewOf(1), {});
  element.attributes.insert(element.attributes.begin() + 1, {"file", document.path()});
  return WriteXml(element);
}

}  // namespace FolvaneCAD
