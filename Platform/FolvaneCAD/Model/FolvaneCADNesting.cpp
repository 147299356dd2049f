#include "Model/FolvaneCADNesting.h"

#include <algorithm>
#include <cmath>

#include "Base/FolvaneCADText.h"
#include "Model/FolvaneCADShape.h"

namespace FolvaneCAD {

namespace {

constexpr int kTurnsPerCircle = 4;
// Rotations beyond this many quarter turns are not taken as whole ones.
constexpr double kMostTurns = 1e9;
constexpr int kPositionsPerRow = 3;
// Sums of lengths may miss a fit by a rounding error.
constexpr double kTolerance = 1e-9;

QK_TString Number(double value) { return FormatNumber(value); }

// What the nest saves for each reversed pair along x (columns) or y (rows).
struct Savings {
  double alongX = 0;
  double alongY = 0;
};

bool ReversesRows(int code) { return code == kReverseRowNest || code == kReverseRowAlignNest; }
bool ReversesColumns(int code) { return code == kReverseColumnNest || code == kReverseColumnAlignNest; }
bool IsAlign(int code) { return code == kReverseRowAlignNest || code == kReverseColumnAlignNest; }

// The turn of a one-up placed at `rotation`, before any reversal.
int TurnOf(const Placement& placement, int rotation) {
  return ((placement.turned ? kQuarterTurn : 0) + rotation) % kFullTurn;
}

bool QuarterTurned(const Placement& placement, int rotation) {
  return IsQuarterTurn(TurnOf(placement, rotation));
}

// The declared allowance, as far as the one-up's cell and its blank allow.
Savings SavingsOf(const Layout& layout, const EmbeddedDesign& oneup, int rotation) {
  bool swapped = QuarterTurned(oneup.placement, rotation);
  double nestX = swapped ? oneup.design.nestY : oneup.design.nestX;
  double nestY = swapped ? oneup.design.nestX : oneup.design.nestY;
  double share = IsAlign(layout.nestCode) ? 0.5 : 1.0;
  Size size = OneupSize(oneup, rotation);
  int turn = TurnOf(oneup.placement, rotation);
  const DesignShape& shape = oneup.design.Shape();
  Savings savings;
  if (ReversesColumns(layout.nestCode)) {
    savings.alongX = shape.PairAllowance(turn, true, std::min(share * nestX, size.width));
  }
  if (ReversesRows(layout.nestCode)) {
    savings.alongY = shape.PairAllowance(turn, false, std::min(share * nestY, size.height));
  }
  return savings;
}

// n copies of `size` with `gap` between them, each reversed pair saving `saving`.
double RunLength(long count, double size, double gap, double saving) {
  if (count <= 0) return 0;
  return count * size + (count - 1) * gap - (count / 2) * saving;
}

// Where copy `index` of a run starts.
double RunStart(long index, double size, double gap, double saving) {
  return index * (size + gap) - ((index + 1) / 2) * saving;
}

long FitCount(double usable, double size, double gap, double saving) {
  if (size <= 0) return 0;
  double allowed = usable + kTolerance * std::max(1.0, std::fabs(usable));
  long count = 0;
  while (count < kMaximumUps && RunLength(count + 1, size, gap, saving) <= allowed) ++count;
  return count;
}

GridFit FitAt(const Layout& layout, const EmbeddedDesign& oneup, int rotation) {
  Size size = OneupSize(oneup, rotation);
  Savings savings = SavingsOf(layout, oneup, rotation);
  double usableWidth = layout.sheetWidth - layout.margins.left - layout.margins.right;
  double usableHeight = layout.sheetHeight - layout.margins.bottom - layout.margins.top;
  return {FitCount(usableHeight, size.height, layout.gapY, savings.alongY),
          FitCount(usableWidth, size.width, layout.gapX, savings.alongX)};
}

Size GridSize(const Layout& layout, const EmbeddedDesign& oneup) {
  const Placement& placement = oneup.placement;
  Size size = OneupSize(oneup, placement.rotation);
  Savings savings = SavingsOf(layout, oneup, placement.rotation);
  return {RunLength(placement.columns, size.width, layout.gapX, savings.alongX),
          RunLength(placement.rows, size.height, layout.gapY, savings.alongY)};
}

EmbeddedDesign* OneupAt(Layout* layout, long index, QK_TString* error) {
  if (index >= 1 && index <= static_cast<long>(layout->designs.size())) return &layout->designs[index - 1];
  *error = QK_TString::Format("No one-up %ld (the layout has %zu one-ups)", index, layout->designs.size());
  return nullptr;
}

// The lower left corner of the block in the effective sheet.
void BlockOrigin(const Layout& layout, double* x, double* y) {
  Size sheet = EffectiveSheet(layout);
  Size block = BlockSize(layout);
  const Margins& m = layout.margins;
  double across = (layout.position % kPositionsPerRow) / 2.0;       // 0 left, 0.5 centre, 1 right
  double down = (layout.position / kPositionsPerRow) / 2.0;         // 0 top, 0.5 centre, 1 bottom
  *x = m.left + across * (sheet.width - m.left - m.right - block.width);
  *y = m.bottom + (1 - down) * (sheet.height - m.bottom - m.top - block.height);
}

void AddGridCopies(const Layout& layout, const EmbeddedDesign& oneup, double originX, double originY,
                   std::vector<PlacedCopy>* copies) {
  const Placement& placement = oneup.placement;
  Size size = OneupSize(oneup, placement.rotation);
  Savings savings = SavingsOf(layout, oneup, placement.rotation);
  int turn = TurnOf(placement, placement.rotation);
  for (long row = 0; row < placement.rows; ++row) {
    for (long column = 0; column < placement.columns; ++column) {
      bool reversed = (ReversesRows(layout.nestCode) && row % 2 == 1) ||
                      (ReversesColumns(layout.nestCode) && column % 2 == 1);
      PlacedCopy copy;
      copy.oneup = &oneup;
      copy.x = originX + RunStart(column, size.width, layout.gapX, savings.alongX);
      copy.y = originY + RunStart(row, size.height, layout.gapY, savings.alongY);
      copy.degrees = (turn + (reversed ? kHalfTurn : 0)) % kFullTurn;
      copies->push_back(copy);
    }
  }
}

}  // namespace

bool SetSheet(Layout* layout, double width, double height, const Margins& margins, QK_TString* error) {
  if (width <= 0 || height <= 0) {
    *error = "The sheet size " + Number(width) + " x " + Number(height) + " is not positive";
    return false;
  }
  if (margins.left < 0 || margins.right < 0 || margins.bottom < 0 || margins.top < 0) {
    *error = "The sheet margins must not be negative";
    return false;
  }
  if (margins.left + margins.right >= width || margins.bottom + margins.top >= height) {
    *error = "The margins leave no room on a sheet of " + Number(width) + " x " + Number(height);
    return false;
  }
  layout->sheetWidth = width;
  layout->sheetHeight = height;
  layout->margins = margins;
  return true;
}

bool SetNestData(Layout* layout, long code, double gapX, double gapY, QK_TString* error) {
  if (code < kStraightNest || code > kReverseColumnAlignNest) {
    *error = QK_TString::Format("Unknown nest code %ld (1 to 5)", code);
    return false;
  }
  if (gapX < 0 || gapY < 0) {
    *error = "The gaps " + Number(gapX) + " and " + Number(gapY) + " must not be negative";
    return false;
  }
  layout->nestCode = static_cast<int>(code);
  layout->gapX = gapX;
  layout->gapY = gapY;
  return true;
}

long AddOneup(Layout* layout, Design design, QK_TString* error) {
  design.SetUnit(layout->unit);
  const Extent& outline = design.LineExtent();
  if (outline.empty || outline.Width() <= 0 || outline.Height() <= 0) {
    *error = "The design " + design.name + " has no outline to place";
    return 0;
  }
  EmbeddedDesign oneup;
  oneup.placement.turned = layout->orientation != kNoOrientation && layout->orientation != design.industry;
  oneup.design = std::move(design);
  oneup.ups = 0;
  layout->designs.push_back(std::move(oneup));
  return static_cast<long>(layout->designs.size());
}

bool FitOf(const Layout& layout, long index, GridFit* fit, QK_TString* error) {
  const EmbeddedDesign* oneup = OneupAt(const_cast<Layout*>(&layout), index, error);
  if (oneup == nullptr) return false;
  *fit = FitAt(layout, *oneup, layout.pendingRotation);
  return true;
}

bool PlaceGrid(Layout* layout, long index, long printItem, long rows, long columns, bool alternative,
               QK_TString* error) {
  EmbeddedDesign* oneup = OneupAt(layout, index, error);
  if (oneup == nullptr) return false;
  long items = static_cast<long>(oneup->design.printItems.size());
  if (printItem < 0 || printItem > items) {
    *error = QK_TString::Format("No print item %ld in one-up %ld (its design has %ld print items)", printItem, index,
                                items);
    return false;
  }
  if (rows < 1 || columns < 1) {
    *error = QK_TString::Format("A grid needs at least one row and one column, not %ld x %ld", rows, columns);
    return false;
  }
  int rotation = alternative ? layout->pendingRotation : 0;
  GridFit fit = FitAt(*layout, *oneup, rotation);
  if (rows > fit.rows || columns > fit.columns) {
    *error = QK_TString::Format("%ld rows and %ld columns do not fit: at most %ld rows and %ld columns fit the sheet",
                                rows, columns, fit.rows, fit.columns);
    return false;
  }
  oneup->placement.rows = static_cast<int>(rows);
  oneup->placement.columns = static_cast<int>(columns);
  oneup->placement.printItem = static_cast<int>(printItem);
  oneup->placement.rotation = rotation;
  oneup->ups = static_cast<int>(rows * columns);
  return true;
}

bool SetRotation(Layout* layout, double degrees, QK_TString* error) {
  double turns = degrees / kQuarterTurn;
  if (!(std::fabs(turns) <= kMostTurns) || turns != std::floor(turns)) {
    *error = "The rotation " + Number(degrees) + " is not a multiple of 90 degrees";
    return false;
  }
  long quarter = static_cast<long>(turns) % kTurnsPerCircle;
  layout->pendingRotation = static_cast<int>((quarter + kTurnsPerCircle) % kTurnsPerCircle) * kQuarterTurn;
  return true;
}

bool SetPosition(Layout* layout, long position, QK_TString* error) {
  if (position < kFirstPosition || position > kLastPosition) {
    *error = QK_TString::Format("Unknown position %ld (0 to 8)", position);
    return false;
  }
  layout->position = static_cast<int>(position);
  return true;
}

bool SetTrim(Layout* layout, long vertical, long horizontal, QK_TString* error) {
  auto isFlag = [](long value) { return value == 0 || value == 1; };
  if (!isFlag(vertical) || !isFlag(horizontal)) {
    *error = QK_TString::Format("Layout options are 0 or 1, not %ld and %ld", vertical, horizontal);
    return false;
  }
  layout->trimHeight = vertical == 1;
  layout->trimWidth = horizontal == 1;
  return true;
}

void ResetNesting(Layout* layout) {
  layout->designs.clear();
  layout->trimHeight = false;
  layout->trimWidth = false;
  layout->pendingRotation = 0;
  layout->position = kLeftBottom;
}

Size OneupSize(const EmbeddedDesign& oneup, int rotation) {
  const Extent& outline = oneup.design.LineExtent();
  if (outline.empty) return {};
  if (QuarterTurned(oneup.placement, rotation)) return {outline.Height(), outline.Width()};
  return {outline.Width(), outline.Height()};
}

Size BlockSize(const Layout& layout) {
  Size block;
  bool first = true;
  for (const EmbeddedDesign& oneup : layout.designs) {
    if (!oneup.placement.Placed()) continue;
    Size grid = GridSize(layout, oneup);
    block.width += grid.width + (first ? 0 : layout.gapX);
    block.height = std::max(block.height, grid.height);
    first = false;
  }
  return block;
}

Size EffectiveSheet(const Layout& layout) {
  Size block = BlockSize(layout);
  const Margins& m = layout.margins;
  return {layout.trimWidth ? m.left + block.width + m.right : layout.sheetWidth,
          layout.trimHeight ? m.bottom + block.height + m.top : layout.sheetHeight};
}

long TotalColumns(const Layout& layout) {
  long columns = 0;
  for (const EmbeddedDesign& oneup : layout.designs) columns += oneup.placement.columns;
  return columns;
}

long TotalRows(const Layout& layout) {
  long rows = 0;
  for (const EmbeddedDesign& oneup : layout.designs) rows = std::max<long>(rows, oneup.placement.rows);
  return rows;
}

std::vector<PlacedCopy> PlacedCopies(const Layout& layout) {
  std::vector<PlacedCopy> copies;
  double x = 0;
  double y = 0;
  BlockOrigin(layout, &x, &y);
  for (const EmbeddedDesign& oneup : layout.designs) {
    if (!oneup.placement.Placed()) continue;
    AddGridCopies(layout, oneup, x, y, &copies);
    x += GridSize(layout, oneup).width + layout.gapX;
  }
  return copies;
}

void ToSheet(const PlacedCopy& copy, double x, double y, double* sheetX, double* sheetY) {
  double u = 0;
  double v = 0;
  copy.oneup->design.Shape().InCell(copy.degrees, x, y, &u, &v);
  *sheetX = copy.x + u;
  *sheetY = copy.y + v;
}

}  // namespace FolvaneCAD
