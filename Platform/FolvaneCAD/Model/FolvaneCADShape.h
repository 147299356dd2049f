// The shape of a design as the nesting sees it (the rules are in
// FolvaneCADNesting.h): the rectangle around its lines, its cut contour with
// the blank area inside it, and how far a copy turned by 180 degrees may
// nest into it. A design computes its shape once from its lines and keeps
// it until they change (Design::Shape), so that no query walks the lines.
//
// - Cut contour: the closed outline of the design's cut lines (type 1).
//   Lines whose ends meet (to 1e-6 of the unit) are chained; the chain of
//   the largest area that closes on itself is the outline, and the closed
//   chains inside it are holes cut out of the blank. There is no cut
//   contour when no chain closes or when the outline crosses itself.
// - Blank area: the area inside the cut contour less its holes; without a
//   cut contour the area of the rectangle around the lines.
#pragma once

#include <map>
#include <tuple>
#include <vector>

#include <boost/geometry/geometries/point_xy.hpp>
#include <boost/geometry/geometries/polygon.hpp>

#include "Model/FolvaneCADDesign.h"

namespace FolvaneCAD {

using ShapePoint = boost::geometry::model::d2::point_xy<double>;
using ShapePolygon = boost::geometry::model::polygon<ShapePoint>;

// Turns of a design, in whole degrees.
constexpr int kQuarterTurn = 90;
constexpr int kHalfTurn = 180;
constexpr int kFullTurn = 360;
// True for a turn by 90 or 270 degrees (the design's sides exchanged).
constexpr bool IsQuarterTurn(int degrees) { return (degrees / kQuarterTurn) % 2 == 1; }

class DesignShape {
 public:
  explicit DesignShape(const std::vector<Line>& lines);

  const Extent& extent() const { return extent_; }
  bool HasContour() const { return hasContour_; }
  double BlankArea() const { return blankArea_; }

  // Where point (x, y) of the design lies in its cell, the rectangle around
  // its lines, when it is turned by `degrees` (0, 90, 180 or 270) about the
  // cell so that the turned cell's lower left corner stays at (0, 0).
  void InCell(int degrees, double x, double y, double* u, double* v) const;

  // The most that `wanted` (not negative) allows by which a copy turned by
  // `degrees` + 180 may move towards a copy turned by `degrees` in the next
  // cell along x (`alongX`) or y, without the two blanks overlapping
  // (FolvaneCADNesting.h). Computed once per question.
  double PairAllowance(int degrees, bool alongX, double wanted) const;

 private:
  ShapePolygon Turned(int degrees, double shiftX, double shiftY) const;
  bool Overlap(int degrees, bool alongX, double allowance) const;

  Extent extent_;
  ShapePolygon contour_;
  bool hasContour_ = false;
  double blankArea_ = 0;
  mutable std::map<std::tuple<int, bool, double>, double> allowances_;
};

}  // namespace FolvaneCAD
