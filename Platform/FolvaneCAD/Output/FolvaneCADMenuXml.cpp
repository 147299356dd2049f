#include "Output/FolvaneCADMenuXml.h"

namespace FolvaneCAD {

namespace {

QK_TXmlElement ItemElement(const StandardMenu& menu, const StandardItem& item) {
  if (menu.kind == static_cast<short>(MenuKind::kWholeNumberItems)) {
    return MakeElement("StyleChoice", {{"variable", item.name}});
  }
  return MakeElement("Variable", {{"name", item.name}});
}

}  // namespace

QK_TXmlElement MenusElement(const Standard& standard) {
  QK_TXmlElement menus = MakeElement("Menus");
  for (const StandardMenu& menu : standard.menus) {
    QK_TXmlElement element = MakeElement("Menu", {{"name", menu.title}, {"type", QK_TString::Format("%d", menu.kind)}});
    QK_TXmlElement variables = MakeElement("Variables");
    for (const StandardItem& item : menu.items) variables.children.push_back(ItemElement(menu, item));
    element.children.push_back(std::move(variables));
    menus.children.push_back(std::move(element));
  }
  return menus;
}

bool WriteMenuXml(const QK_TString& path, const Standard& standard, QK_TString* error) {
  return WriteXmlFile(path, MenusElement(standard), error, XmlLayout::kCompact);
}

}  // namespace FolvaneCAD
