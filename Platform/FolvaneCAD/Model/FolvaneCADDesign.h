// The design data model of the CAD stand-in and its file element.
//
// A design file (".kpx") holds one <Design> element:
//
//   <Design name="tuck-end" industry="2" unit="mm" boardCode="FC-350"
//           boardDescription="Folding boxboard 350 g" printSide="2" grain="1"
//           description="Reverse tuck end carton">
//     <Variable name="L" type="numeric" value="60"/>
//     <Variable name="CUSTOMER$" type="text" value="Acme"/>
//     <Layer name="Cut" on="1"/>
//     <PrintItem name="Front" layers="1,3" ups="1"/>
//     <Line x1="0" y1="0" x2="60" y2="0" layer="1" type="2"/>
//     <Remark>Glue flap narrower than 12 mm</Remark>
//   </Design>
//
// - industry: 1 corrugated, 2 folding carton (default 2); unit: mm or inch
//   (default mm); printSide: 1 inside, 2 outside; grain: 1 vertical,
//   2 horizontal (0 or missing: not set). name defaults to the file name.
// - Variable: type numeric (value a decimal number) or text; without a type,
//   a value that is a number makes it numeric.
// - Layer: numbered from 1 in file order; on="0" switches it off. Layer 0 is
//   the design's base geometry ("Base"), part of every print item.
// - PrintItem: the layers that make it up (numbers, comma separated) and its
//   number of ups (default 1).
// - Line: outline geometry in the design's unit on a layer (default 0); it is
//   what the exported images show. Its type says what the die does there:
//   1 cut (default), 2 crease, 3 perforation, 0 no die line (artwork), or
//   any other whole number up to 1000; LENTYPE(n) adds up the lengths of
//   the lines of type n.
// - nestX, nestY (attributes of <Design>, in its unit, default 0): the
//   allowance by which a reversed copy of the design nests into its
//   neighbour across (nestX) and along (nestY) on a manufacturing sheet
//   (Model/FolvaneCADNesting.h); not negative.
// - Remark: a note that a save reports (status 1, "saved with remarks").
// Attributes and elements that the stand-in does not know are kept and
// written back unchanged.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "Base/FolvaneCADXml.h"
#include "Model/FolvaneCADExpression.h"

namespace FolvaneCAD {

enum class Unit { kMillimetre = 1, kInch = 2 };

// Limits of what a design file may ask the stand-in to count.
constexpr int kMaximumLayers = 10000;
constexpr int kMaximumUps = 10000;
constexpr int kMaximumLineType = 1000;
QK_TString UnitName(Unit unit);
double MillimetresPer(Unit unit);

struct Variable {
  QK_TString name;
  Value value;
  Attributes keptAttributes;
};

struct Layer {
  QK_TString name;
  bool on = true;
  Attributes keptAttributes;
};

struct PrintItem {
  QK_TString name;
  std::vector<int> layers;  // layer numbers from 1
  int ups = 1;
  Attributes keptAttributes;

  bool HasLayer(int layer) const;
};

constexpr int kCutLine = 1;

struct Line {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  int layer = 0;
  Attributes keptAttributes;
  int type = kCutLine;
};

class DesignShape;  // Model/FolvaneCADShape.h

// The smallest rectangle around a design's lines.
struct Extent {
  bool empty = true;
  double minX = 0, minY = 0, maxX = 0, maxY = 0;

  double Width() const { return maxX - minX; }
  double Height() const { return maxY - minY; }
  void Add(double x, double y);
};

struct Design {
  QK_TString name;
  int industry = 2;
  Unit unit = Unit::kMillimetre;
  QK_TString boardCode;
  QK_TString boardDescription;
  int printSide = 0;
  int grain = 0;
  QK_TString description;
  // The nesting allowance (see above).
  double nestX = 0;
  double nestY = 0;
  std::vector<Variable> variables;
  std::vector<Layer> layers;
  std::vector<PrintItem> printItems;
  std::vector<QK_TString> remarks;
  Attributes keptAttributes;
  std::vector<QK_TXmlElement> keptElements;

  // Variable names compare without regard to case. They are found through
  // an index of the names, so a design of a thousand variables is not
  // rescanned for each; the index takes in variables appended to
  // `variables` by itself and is rebuilt when it no longer fits.
  Variable* FindVariable(const QK_TString& name);
  const Variable* FindVariable(const QK_TString& name) const;
  // Gives the variable so named the value (and its type), adding it when
  // the design has none.
  void SetVariable(const QK_TString& name, const Value& value);
  // Changes the unit; line coordinates and the nesting allowance are
  // converted so that the geometry keeps its size. Variables are left as
  // they are.
  void SetUnit(Unit newUnit);
  // Removes layer `number` (from 1) with its lines; print items forget it and
  // the layers above it move down by one.
  void RemoveLayer(int number);

  // The outline geometry. Its shape (FolvaneCADShape.h) is computed from the
  // lines when it is first asked for and kept until they change, so lines
  // change only through the design.
  const std::vector<Line>& lines() const { return lines_; }
  void SetLines(std::vector<Line> lines);
  void AddLine(const Line& line);
  const DesignShape& Shape() const;
  const Extent& LineExtent() const;
  // The length of the lines of `type`.
  double LengthOfType(int type) const;

 private:
  void IndexVariables() const;

  std::vector<Line> lines_;
  // Shared by copies of the design, dropped when its lines change.
  mutable std::shared_ptr<const DesignShape> shape_;

  mutable std::unordered_map<std::string, std::size_t> variableIndex_;
  mutable std::size_t indexedVariables_ = 0;
};

// Reads a <Design> element; false with the reason when a value is not valid.
bool ReadDesign(const QK_TXmlElement& element, Design* design, QK_TString* error);
QK_TXmlElement DesignElement(const Design& design);
// A <Variable> element, as designs and manufacturing files hold them.
bool ReadVariable(const QK_TXmlElement& element, Variable* variable, QK_TString* error);
QK_TXmlElement VariableElement(const Variable& variable);

}  // namespace FolvaneCAD
