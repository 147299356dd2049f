#include "Model/FolvaneCADShape.h"

#include <boost/geometry.hpp>
#include <boost/geometry/geometries/multi_polygon.hpp>

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <utility>

namespace FolvaneCAD {

namespace bg = boost::geometry;

namespace {

using Ring = ShapePolygon::ring_type;
using Pieces = bg::model::multi_polygon<ShapePolygon>;

// Line ends this close (in the design's unit) meet.
constexpr double kSnap = 1e-6;
// An overlap smaller than this share of the blank is a rounding error of
// two outlines that touch.
constexpr double kOverlapShare = 1e-10;
// The allowance that keeps a reversed pair apart is found to this length,
// and then lessened by the margin within which the overlay of two outlines
// does not tell a thin overlap from touching.
constexpr double kAllowanceStep = 1e-6;
constexpr double kTouchingMargin = 1e-4;

// A line end, snapped so that ends that meet share a key.
struct End {
  long long x = 0;
  long long y = 0;
  bool operator==(const End& other) const { return x == other.x && y == other.y; }
};

struct EndHash {
  std::size_t operator()(const End& end) const {
    return std::hash<long long>()(end.x) * 1000003u ^ std::hash<long long>()(end.y);
  }
};

End EndOf(double x, double y) { return {std::llround(x / kSnap), std::llround(y / kSnap)}; }

// The cut lines as a graph: each line joins two ends, each end knows its
// lines.
class CutGraph {
 public:
  explicit CutGraph(const std::vector<Line>& lines) {
    for (const Line& line : lines) {
      End from = EndOf(line.x1, line.y1);
      End to = EndOf(line.x2, line.y2);
      if (line.type != kCutLine || from == to) continue;
      edges_.push_back({Node(from, line.x1, line.y1), Node(to, line.x2, line.y2)});
      lines_[edges_.back().first].push_back(edges_.size() - 1);
      lines_[edges_.back().second].push_back(edges_.size() - 1);
    }
    used_.assign(edges_.size(), false);
    next_.assign(points_.size(), 0);
  }

  // Every chain that closes on itself, each line in one chain at most.
  std::vector<Ring> ClosedRings() {
    std::vector<Ring> rings;
    for (std::size_t edge = 0; edge < edges_.size(); ++edge) {
      if (used_[edge]) continue;
      Ring ring;
      if (Walk(edge, &ring)) rings.push_back(std::move(ring));
    }
    return rings;
  }

 private:
  std::size_t Node(const End& end, double x, double y) {
    auto found = index_.emplace(end, points_.size());
    if (found.second) {
      points_.emplace_back(x, y);
      lines_.emplace_back();
    }
    return found.first->second;
  }

  // Follows unused lines from `edge` until the chain comes back to its
  // start (true) or ends.
  bool Walk(std::size_t edge, Ring* ring) {
    used_[edge] = true;
    std::size_t start = edges_[edge].first;
    std::size_t at = edges_[edge].second;
    ring->push_back(points_[start]);
    ring->push_back(points_[at]);
    while (at != start) {
      std::size_t line = 0;
      if (!NextUnused(at, &line)) return false;
      used_[line] = true;
      at = edges_[line].first == at ? edges_[line].second : edges_[line].first;
      ring->push_back(points_[at]);
    }
    return ring->size() >= 4;
  }

  bool NextUnused(std::size_t node, std::size_t* line) {
    const std::vector<std::size_t>& candidates = lines_[node];
    while (next_[node] < candidates.size() && used_[candidates[next_[node]]]) ++next_[node];
    if (next_[node] == candidates.size()) return false;
    *line = candidates[next_[node]];
    return true;
  }

  std::unordered_map<End, std::size_t, EndHash> index_;
  std::vector<ShapePoint> points_;
  std::vector<std::vector<std::size_t>> lines_;
  std::vector<std::pair<std::size_t, std::size_t>> edges_;
  std::vector<bool> used_;
  std::vector<std::size_t> next_;
};

// The outline (the closed ring of the largest area) with the rings inside it
// as holes; false when no ring encloses an area or the result is not a
// proper polygon.
bool ContourOf(std::vector<Ring> rings, ShapePolygon* contour) {
  std::size_t outer = rings.size();
  double largest = 0;
  for (std::size_t i = 0; i < rings.size(); ++i) {
    bg::correct(rings[i]);
    double area = bg::area(rings[i]);
    if (area > largest) {
      largest = area;
      outer = i;
    }
  }
  if (outer == rings.size()) return false;
  contour->outer() = rings[outer];
  for (std::size_t i = 0; i < rings.size(); ++i) {
    if (i != outer && bg::area(rings[i]) > 0 && bg::within(rings[i].front(), rings[outer])) {
      contour->inners().push_back(rings[i]);
    }
  }
  bg::correct(*contour);
  return bg::is_valid(*contour);
}

ShapePolygon RectangleOf(const Extent& extent) {
  ShapePolygon rectangle;
  bg::append(rectangle.outer(), ShapePoint(extent.minX, extent.minY));
  bg::append(rectangle.outer(), ShapePoint(extent.minX, extent.maxY));
  bg::append(rectangle.outer(), ShapePoint(extent.maxX, extent.maxY));
  bg::append(rectangle.outer(), ShapePoint(extent.maxX, extent.minY));
  bg::append(rectangle.outer(), ShapePoint(extent.minX, extent.minY));
  return rectangle;
}

}  // namespace

DesignShape::DesignShape(const std::vector<Line>& lines) {
  for (const Line& line : lines) {
    extent_.Add(line.x1, line.y1);
    extent_.Add(line.x2, line.y2);
  }
  hasContour_ = ContourOf(CutGraph(lines).ClosedRings(), &contour_);
  if (!hasContour_) {
    contour_ = RectangleOf(extent_);
    blankArea_ = extent_.empty ? 0 : extent_.Width() * extent_.Height();
    return;
  }
  blankArea_ = bg::area(contour_);
}

void DesignShape::InCell(int degrees, double x, double y, double* u, double* v) const {
  double du = x - extent_.minX;
  double dv = y - extent_.minY;
  double w = extent_.Width();
  double h = extent_.Height();
  switch (degrees) {
    case kQuarterTurn: *u = h - dv; *v = du; break;
    case kHalfTurn: *u = w - du; *v = h - dv; break;
    case kHalfTurn + kQuarterTurn: *u = dv; *v = w - du; break;
    default: *u = du; *v = dv; break;
  }
}

ShapePolygon DesignShape::Turned(int degrees, double shiftX, double shiftY) const {
  auto turn = [&](const Ring& ring) {
    Ring turned;
    turned.reserve(ring.size());
    for (const ShapePoint& point : ring) {
      double u = 0;
      double v = 0;
      InCell(degrees, point.x(), point.y(), &u, &v);
      turned.emplace_back(u + shiftX, v + shiftY);
    }
    return turned;
  };
  ShapePolygon polygon;
  polygon.outer() = turn(contour_.outer());
  for (const Ring& hole : contour_.inners()) polygon.inners().push_back(turn(hole));
  bg::correct(polygon);
  return polygon;
}

// The copy at `degrees` in the first cell, the reversed one in the next
// cell moved back by `allowance`.
bool DesignShape::Overlap(int degrees, bool alongX, double allowance) const {
  const bool quarter = IsQuarterTurn(degrees);
  double cell = alongX == quarter ? extent_.Height() : extent_.Width();
  double shift = cell - allowance;
  ShapePolygon first = Turned(degrees, 0, 0);
  ShapePolygon second = Turned((degrees + kHalfTurn) % kFullTurn, alongX ? shift : 0, alongX ? 0 : shift);
  try {
    Pieces common;
    bg::intersection(first, second, common);
    return bg::area(common) > kOverlapShare * blankArea_;
  } catch (const bg::exception&) {
    return true;  // outlines the overlay cannot take apart count as overlapping
  }
}

double DesignShape::PairAllowance(int degrees, bool alongX, double wanted) const {
  if (!(wanted > 0) || extent_.empty) return 0;
  auto key = std::make_tuple(degrees, alongX, wanted);
  auto found = allowances_.find(key);
  if (found != allowances_.end()) return found->second;
  double apart = wanted;
  if (Overlap(degrees, alongX, wanted)) {
    // With no allowance the two cells only touch, so the blanks are apart.
    apart = 0;
    double overlapping = wanted;
    while (overlapping - apart > kAllowanceStep) {
      double middle = (apart + overlapping) / 2;
      (Overlap(degrees, alongX, middle) ? overlapping : apart) = middle;
    }
    apart = std::max(0.0, apart - kTouchingMargin);
  }
  allowances_.emplace(key, apart);
  return apart;
}

}  // namespace FolvaneCAD
