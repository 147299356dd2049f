// The read-only values that the CAD stand-in computes for expressions and
// variable reads (names compare without regard to case):
//
//   design:  #W$ name, #AREA blank area (FolvaneCADShape.h), #MANSIZEX /
//            #MANSIZEY manufacturing size, #GRAIN$ grain ("Vertical",
//            "Horizontal" or ""), #NITEMS number of print items, #ITEM$ /
//            #NUPP name and ups of the current print item, #NUPD ups of the
//            design on its layout (1 alone)
//   layout:  #NDESIGNSA number of designs (one-ups), LAY.UNIT$ "M" or "I",
//            #SHTSIZEX / #SHTSIZEY the effective sheet, #MANSIZEX /
//            #MANSIZEY and #CUTSIZEX / #CUTSIZEY the placed block, #AREA the
//            effective sheet's area, #WASTEHSHT its scrap in percent
//            (FolvaneCADNesting.h), #NCROSS columns and #NBACK rows placed
//            (FolvaneCADNesting.h), #NUP ups, #GRAIN$ the layout's
//            orientation ("Vertical", "Horizontal" or ""), #DPRSNAME$ the
//            die press
//   both:    LENTYPE(n) the length of the lines of type n: of the design, or
//            of every up of every design on the layout
//
// Sizes are in the design's (layout's) unit; a design's sizes are those of
// the rectangle around its lines.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "Model/FolvaneCADExpression.h"
#include "Model/FolvaneCADLayout.h"

namespace FolvaneCAD {

// A design as the values see it.
struct DesignView {
  const Design* design = nullptr;
  QK_TString name;
  int ups = 1;
  int currentPrintItem = 0;  // from 1; 0 none
};

std::optional<Value> DesignSystemValue(const DesignView& view, const QK_TString& name);
std::optional<Value> LayoutSystemValue(const Layout& layout, const QK_TString& name);

// LENTYPE(n) with `lengthOfType` the length of the lines of a type; nothing
// for another function, and also when the arguments do not fit (with the
// reason in `error`).
std::optional<Value> LineLengthFunction(const QK_TString& name, const std::vector<Value>& arguments,
                                        const std::function<double(int)>& lengthOfType, QK_TString* error);
// The length of the lines of `type` over every up of every design.
double LayoutLengthOfType(const Layout& layout, int type);

}  // namespace FolvaneCAD
