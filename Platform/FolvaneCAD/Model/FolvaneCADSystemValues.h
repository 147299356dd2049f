// The read-only values that the CAD stand-in computes for expressions and
// variable reads (names compare without regard to case):
//
//   design:  #W$ name, #AREA blank area, #MANSIZEX / #MANSIZEY manufacturing
//            size, #GRAIN$ grain ("Vertical", "Horizontal" or ""), #NITEMS
//            number of print items, #ITEM$ / #NUPP name and ups of the current
//            print item, #NUPD ups of the design on its layout (1 alone)
//   layout:  #NDESIGNSA number of designs, #SHTSIZEX / #SHTSIZEY sheet size
//
// Sizes are in the design's unit and come from its outline (the rectangle
// around its lines), so #AREA is that rectangle's area.
#pragma once

#include <optional>

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

}  // namespace FolvaneCAD
