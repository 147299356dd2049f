#include "Output/FolvaneCADDrawing.h"

#include <algorithm>
#include <functional>

#include "Model/FolvaneCADNesting.h"

namespace FolvaneCAD {

namespace {

constexpr Colour kGrey = {150, 150, 150};
constexpr Colour kMarginGrey = {190, 190, 190};

Colour LayerColour(int layer) {
  static const Colour kPalette[] = {{200, 0, 0}, {0, 70, 200}, {0, 140, 0}, {170, 0, 170}, {230, 120, 0}, {0, 140, 140}};
  if (layer == 0) return Colour{0, 0, 0};
  return kPalette[(layer - 1) % 6];
}

bool Visible(const Design& design, const PrintItem* item, int layer) {
  if (layer == 0) return true;
  return design.layers[layer - 1].on && (item == nullptr || item->HasLayer(layer));
}

void AddRectangle(double x1, double y1, double x2, double y2, Colour colour, std::vector<Segment>* out) {
  out->push_back({x1, y1, x2, y1, colour});
  out->push_back({x2, y1, x2, y2, colour});
  out->push_back({x2, y2, x1, y2, colour});
  out->push_back({x1, y2, x1, y1, colour});
}

// The rectangle that stands for a design none of whose lines is visible: its
// outline, or 100 mm x 75 mm when it has no lines at all.
Extent PlaceholderExtent(const Design& design) {
  Extent extent = design.LineExtent();
  if (extent.empty) {
    double size = 100.0 / MillimetresPer(design.unit);
    extent.Add(0, 0);
    extent.Add(size, size * 0.75);
  }
  return extent;
}

// Where a point of a design lies in the picture.
using Placing = std::function<void(double x, double y, double* px, double* py)>;

void AddPlaced(double x1, double y1, double x2, double y2, Colour colour, const Placing& place,
               std::vector<Segment>* out) {
  Segment segment{0, 0, 0, 0, colour};
  place(x1, y1, &segment.x1, &segment.y1);
  place(x2, y2, &segment.x2, &segment.y2);
  out->push_back(segment);
}

// The design's visible lines, placed.
void AddDesign(const Design& design, int currentItem, const Placing& place, std::vector<Segment>* out) {
  const PrintItem* item = currentItem >= 1 && currentItem <= static_cast<int>(design.printItems.size())
                              ? &design.printItems[currentItem - 1]
                              : nullptr;
  std::size_t before = out->size();
  for (const Line& line : design.lines()) {
    if (!Visible(design, item, line.layer)) continue;
    AddPlaced(line.x1, line.y1, line.x2, line.y2, LayerColour(line.layer), place, out);
  }
  if (out->size() == before) {
    Extent e = PlaceholderExtent(design);
    AddPlaced(e.minX, e.minY, e.maxX, e.minY, kGrey, place, out);
    AddPlaced(e.maxX, e.minY, e.maxX, e.maxY, kGrey, place, out);
    AddPlaced(e.maxX, e.maxY, e.minX, e.maxY, kGrey, place, out);
    AddPlaced(e.minX, e.maxY, e.minX, e.minY, kGrey, place, out);
  }
}

Placing MovedBy(double dx, double dy) {
  return [dx, dy](double x, double y, double* px, double* py) {
    *px = x + dx;
    *py = y + dy;
  };
}

// The effective sheet's outline and, in a lighter grey, its usable area.
void AddSheet(const Layout& layout, std::vector<Segment>* out) {
  Size sheet = EffectiveSheet(layout);
  if (sheet.width <= 0 || sheet.height <= 0) return;
  AddRectangle(0, 0, sheet.width, sheet.height, kGrey, out);
  const Margins& m = layout.margins;
  bool margins = m.left + m.right + m.bottom + m.top > 0;
  if (margins && m.left + m.right < sheet.width && m.bottom + m.top < sheet.height) {
    AddRectangle(m.left, m.bottom, sheet.width - m.right, sheet.height - m.top, kMarginGrey, out);
  }
}

// Designs that were never placed, such as those of files written by hand:
// each drawn once per up, one row per design.
void AddUnplaced(const Layout& layout, std::vector<Segment>* out) {
  double rowY = 0;
  for (const EmbeddedDesign& embedded : layout.designs) {
    if (embedded.placement.Placed()) continue;
    Extent extent = PlaceholderExtent(embedded.design);
    double gap = 0.1 * std::max(extent.Width(), extent.Height());
    rowY += gap;
    for (int up = 0; up < std::max(embedded.ups, 1); ++up) {
      double x = gap + up * (extent.Width() + gap) - extent.minX;
      AddDesign(embedded.design, 0, MovedBy(x, rowY - extent.minY), out);
    }
    rowY += extent.Height();
  }
}

std::vector<Segment> DrawLayout(const Layout& layout) {
  std::vector<Segment> segments;
  AddSheet(layout, &segments);
  for (const PlacedCopy& copy : PlacedCopies(layout)) {
    Placing onSheet = [&copy](double x, double y, double* px, double* py) { ToSheet(copy, x, y, px, py); };
    AddDesign(copy.oneup->design, copy.oneup->placement.printItem, onSheet, &segments);
  }
  AddUnplaced(layout, &segments);
  return segments;
}

}  // namespace

std::vector<Segment> DrawDocument(const Document& document) {
  if (const Layout* layout = document.layout()) return DrawLayout(*layout);
  return DrawDesign(*document.CurrentDesign(), document.currentPrintItem());
}

std::vector<Segment> DrawDesign(const Design& design, int currentItem) {
  std::vector<Segment> segments;
  AddDesign(design, currentItem, MovedBy(0, 0), &segments);
  return segments;
}

}  // namespace FolvaneCAD
