// The manufacturing-file (layout) model of the CAD stand-in and its element.
//
// A manufacturing file (".MFG") holds one <Layout> element with the sheet
// size and the designs laid out on it, each a complete <Design> element (see
// FolvaneCADDesign.h) with its number of ups on the sheet:
//
//   <Layout name="sheet-1" unit="mm" sheetWidth="1020" sheetHeight="720">
//     <Design name="tuck-end" ups="6" industry="2" unit="mm"> ... </Design>
//   </Layout>
//
// Unknown attributes and elements are kept and written back unchanged.
#pragma once

#include <vector>

#include "Model/FolvaneCADDesign.h"

namespace FolvaneCAD {

struct EmbeddedDesign {
  Design design;
  int ups = 1;
};

struct Layout {
  QK_TString name;
  Unit unit = Unit::kMillimetre;
  double sheetWidth = 0;
  double sheetHeight = 0;
  std::vector<EmbeddedDesign> designs;
  Attributes keptAttributes;
  std::vector<QK_TXmlElement> keptElements;

  // Changes the unit of the sheet and of every design on it.
  void SetUnit(Unit newUnit);
};

// Reads a <Layout> element; false with the reason when a value is not valid.
bool ReadLayout(const QK_TXmlElement& element, Layout* layout, QK_TString* error);
QK_TXmlElement LayoutElement(const Layout& layout);

}  // namespace FolvaneCAD
