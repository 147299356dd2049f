#include "Output/FolvaneCADDrawing.h"

#include <algorithm>

namespace FolvaneCAD {

namespace {

constexpr Colour kGrey = {150, 150, 150};

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

// The design's visible lines moved by (dx, dy).
void AddDesign(const Design& design, int currentItem, double dx, double dy, std::vector<Segment>* out) {
  const PrintItem* item = currentItem >= 1 && currentItem <= static_cast<int>(design.printItems.size())
                              ? &design.printItems[currentItem - 1]
                              : nullptr;
  std::size_t before = out->size();
  for (const Line& line : design.lines) {
    if (!Visible(design, item, line.layer)) continue;
    out->push_back({line.x1 + dx, line.y1 + dy, line.x2 + dx, line.y2 + dy, LayerColour(line.layer)});
  }
  if (out->size() == before) {
    Extent extent = PlaceholderExtent(design);
    AddRectangle(extent.minX + dx, extent.minY + dy, extent.maxX + dx, extent.maxY + dy, kGrey, out);
  }
}

std::vector<Segment> DrawLayout(const Layout& layout) {
  std::vector<Segment> segments;
  if (layout.sheetWidth > 0 && layout.sheetHeight > 0) {
    AddRectangle(0, 0, layout.sheetWidth, layout.sheetHeight, kGrey, &segments);
  }
  double rowY = 0;
  for (const EmbeddedDesign& embedded : layout.designs) {
    Extent extent = PlaceholderExtent(embedded.design);
    double gap = 0.1 * std::max(extent.Width(), extent.Height());
    rowY += gap;
    for (int up = 0; up < std::max(embedded.ups, 1); ++up) {
      double x = gap + up * (extent.Width() + gap) - extent.minX;
      AddDesign(embedded.design, 0, x, rowY - extent.minY, &segments);
    }
    rowY += extent.Height();
  }
  return segments;
}

}  // namespace

std::vector<Segment> DrawDocument(const Document& document) {
  if (const Layout* layout = document.layout()) return DrawLayout(*layout);
  return DrawDesign(*document.CurrentDesign(), document.currentPrintItem());
}

std::vector<Segment> DrawDesign(const Design& design, int currentItem) {
  std::vector<Segment> segments;
  AddDesign(design, currentItem, 0, 0, &segments);
  return segments;
}

}  // namespace FolvaneCAD
