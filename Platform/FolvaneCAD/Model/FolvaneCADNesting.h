// The sheet-and-one-up geometry of a manufacturing file (FolvaneCADLayout.h)
// and the nesting operations on it. Lengths are in the layout's unit; y
// grows upwards from the sheet's lower left corner.
//
// - Usable area: the sheet less its margins.
// - A one-up's cell: its design's outline w x h (the rectangle around its
//   lines), turned by 90 degrees when its placement says so, then rotated;
//   every quarter turn swaps w and h, and the allowance nestX and nestY.
//   The design turns about its cell (FolvaneCADShape.h).
// - n copies along an axis of size s with gap g need n*s + (n-1)*g - floor(n/2)*a,
//   where a is what a reversed pair saves: nestY between the rows of a
//   reverse-row nest (code 2), nestX between the columns of a reverse-column
//   nest (code 3), half of that for their align kinds (4, 5), 0 otherwise;
//   a is at most s. In those nests every second row (column) is reversed,
//   turned by 180 degrees, and moved by a towards the row (column) before
//   it.
// - Cutting the allowance: a is also at most what keeps the blanks of such a
//   pair apart (their cut contours, FolvaneCADShape.h, may touch but not
//   overlap; without a gap between them). When the pair overlaps at the
//   declared a, a is cut to the largest allowance below it at which they do
//   not, found by halving between 0 (where the cells only touch) and the
//   declared one, less 1e-4 of the unit for rounding; for contours that
//   interlock at more than one depth that may be a smaller allowance that
//   keeps them apart too. A design without a cut contour is its rectangle,
//   so its reversed copies save nothing.
// - Blank area: the one-up's, as FolvaneCADShape.h defines it. Scrap
//   (#WASTEHSHT): the share of the effective sheet that the blanks of all
//   ups leave, in percent, 100 x (1 - sum of ups x blank area / sheet
//   area); never below 0, and 0 without a sheet.
// - Fits: the most rows (columns) that fit the usable height (width) of the
//   sheet as set, at most kMaximumUps.
// - The block: the placed grids side by side from left to right, gapX
//   between them; its size is #MANSIZEX / #MANSIZEY.
// - Effective sheet: width L + block width + R when the width is trimmed,
//   else the sheet's; height B + block height + T when the height is
//   trimmed, else the sheet's. The block lies in its usable area at the
//   layout's position.
//
// The operations answer false (0 for an index) with the reason and leave the
// layout as it was when their arguments do not fit.
#pragma once

#include <vector>

#include "Model/FolvaneCADLayout.h"

namespace FolvaneCAD {

struct Size {
  double width = 0;
  double height = 0;
};

struct GridFit {
  long rows = 0;
  long columns = 0;
};

bool SetSheet(Layout* layout, double width, double height, const Margins& margins, QK_TString* error);
// The code 1 to 5 and the gaps between columns (x) and rows (y).
bool SetNestData(Layout* layout, long code, double gapX, double gapY, QK_TString* error);
// Appends the design as a one-up, in the layout's unit and turned when the
// layout's orientation is set and differs from the design's industry code;
// its index from 1, or 0 for a design without an outline.
long AddOneup(Layout* layout, Design design, QK_TString* error);
// What fits of one-up `index` (from 1) at the pending rotation.
bool FitOf(const Layout& layout, long index, GridFit* fit, QK_TString* error);
// Places rows x columns of one-up `index` showing `printItem` (0 the whole
// design). The alternative placement gives it the pending rotation, the
// plain one none; either way the grid must fit.
bool PlaceGrid(Layout* layout, long index, long printItem, long rows, long columns, bool alternative,
               QK_TString* error);
// A multiple of 90 degrees, kept as the pending rotation (0 to 270).
bool SetRotation(Layout* layout, double degrees, QK_TString* error);
bool SetPosition(Layout* layout, long position, QK_TString* error);
// 0 or 1 each: may the height (vertical) and the width (horizontal) shrink.
bool SetTrim(Layout* layout, long vertical, long horizontal, QK_TString* error);
// Drops the one-ups, the trim options, the pending rotation and the position.
void ResetNesting(Layout* layout);

// The one-up's cell on the sheet at `rotation` (turned as it was added).
Size OneupSize(const EmbeddedDesign& oneup, int rotation);
Size BlockSize(const Layout& layout);
Size EffectiveSheet(const Layout& layout);
// Columns of all placed grids side by side, and the rows of the tallest.
long TotalColumns(const Layout& layout);
long TotalRows(const Layout& layout);

// One copy of a placed one-up: the lower left corner of its cell and its
// turn in degrees (the added turn, the rotation and a reversal together).
struct PlacedCopy {
  const EmbeddedDesign* oneup = nullptr;
  double x = 0;
  double y = 0;
  int degrees = 0;
};

std::vector<PlacedCopy> PlacedCopies(const Layout& layout);
// Where a point of the copy's design lies on the sheet.
void ToSheet(const PlacedCopy& copy, double x, double y, double* sheetX, double* sheetY);

}  // namespace FolvaneCAD
