// The manufacturing-file (layout) model of the CAD stand-in and its element.
//
// A manufacturing file (".MFG") holds one <Layout> element with the sheet,
// its settings and variables, and the designs laid out on it (the one-ups),
// each a complete <Design> element (see FolvaneCADDesign.h) with its number
// of ups on the sheet and, once the nesting placed it, its grid:
//
//   <Layout name="sheet-1" unit="mm" sheetWidth="1020" sheetHeight="720"
//           marginLeft="10" marginRight="10" marginBottom="10" marginTop="10"
//           nestCode="2" gapX="3" gapY="3" orientation="1" position="7"
//           trimHeight="1" trimWidth="0" diePress="Press A">
//     <Variable name="LAY.SHT1.SIZEX" type="numeric" value="1020"/>
//     <Design name="tuck-end" ups="6" rows="2" columns="3" printItem="1"
//             rotation="180" turned="1" industry="2" unit="mm"> ... </Design>
//   </Layout>
//
// - unit mm or inch (default mm); sheetWidth/sheetHeight and the four
//   margins (default 0) in that unit: the sheet the nesting places on.
// - nestCode 1 straight, 2 reverse second row, 3 reverse second column,
//   4 and 5 their align kinds (default 1); gapX between columns and gapY
//   between rows (default 0), in the layout's unit.
// - orientation 1 vertical, 2 horizontal, 0 or missing not set: the last
//   orientation the layout was given; one-ups added while it differs from
//   their design's industry code are turned by 90 degrees.
// - position 0 to 8: where the placed block lies in the sheet's usable
//   area, column by position % 3 (left, centre, right) and row by
//   position / 3 (top, centre, bottom); default 6, left bottom.
// - trimHeight / trimWidth 0 or 1: the sheet height (width) shrinks to the
//   placed block and the margins.
// - diePress: the name of the die press (#DPRSNAME$).
// - Variable: the layout's variables, as a design's (FolvaneCADDesign.h).
//   Every numeric one is a length in the layout's unit (sheet sizes,
//   margins, gutters, press limits) and changes with it.
// - On a <Design>: ups (default 1); rows and columns of its grid (both 0 or
//   missing: not placed; placed, the ups are rows x columns); printItem the
//   print item it shows (from 1; 0 or missing the whole design); rotation 0,
//   90, 180 or 270 degrees; turned 1 when it lies turned by 90 degrees.
//
// Unknown attributes and elements are kept and written back unchanged.
#pragma once

#include <vector>

#include "Model/FolvaneCADDesign.h"

namespace FolvaneCAD {

constexpr int kStraightNest = 1;
constexpr int kReverseRowNest = 2;
constexpr int kReverseColumnNest = 3;
constexpr int kReverseRowAlignNest = 4;
constexpr int kReverseColumnAlignNest = 5;

constexpr int kNoOrientation = 0;
constexpr int kVertical = 1;
constexpr int kHorizontal = 2;

constexpr int kFirstPosition = 0;
constexpr int kLastPosition = 8;
constexpr int kLeftBottom = 6;

struct Margins {
  double left = 0, right = 0, bottom = 0, top = 0;
};

// Where a one-up lies: its grid (none while rows is 0), the print item it
// shows, its rotation, and whether it was turned to the layout's orientation
// when it was added.
struct Placement {
  bool turned = false;
  int rows = 0;
  int columns = 0;
  int printItem = 0;
  int rotation = 0;

  bool Placed() const { return rows > 0; }
};

struct EmbeddedDesign {
  Design design;
  int ups = 1;
  Placement placement;
};

struct Layout {
  QK_TString name;
  Unit unit = Unit::kMillimetre;
  double sheetWidth = 0;
  double sheetHeight = 0;
  Margins margins;
  int nestCode = kStraightNest;
  double gapX = 0;
  double gapY = 0;
  int orientation = kNoOrientation;
  int position = kLeftBottom;
  bool trimHeight = false;
  bool trimWidth = false;
  QK_TString diePress;
  std::vector<Variable> variables;
  std::vector<EmbeddedDesign> designs;
  // The rotation that the next alternative placement gives its one-up; the
  // nesting keeps it while the file is open, it is not saved.
  int pendingRotation = 0;
  Attributes keptAttributes;
  std::vector<QK_TXmlElement> keptElements;

  // Changes the unit of the sheet, its settings and numeric variables, and
  // of every design on it.
  void SetUnit(Unit newUnit);
  // Variable names compare without regard to case.
  const Variable* FindVariable(const QK_TString& name) const;
  void SetVariable(const QK_TString& name, const Value& value);
};

// Reads a <Layout> element; false with the reason when a value is not valid.
bool ReadLayout(const QK_TXmlElement& element, Layout* layout, QK_TString* error);
QK_TXmlElement LayoutElement(const Layout& layout);

}  // namespace FolvaneCAD
