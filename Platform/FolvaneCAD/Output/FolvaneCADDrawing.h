// What a picture of the open document shows. A design: its lines on the base
// layer and on the layers that are switched on, limited to the current print
// item's layers when one is current, each layer in its own colour; a grey
// outline when none of its lines is visible. A manufacturing file: the
// sheet's outline with each design drawn once per up, one row per design.
#pragma once

#include <vector>

#include "Model/FolvaneCADDocument.h"
#include "Output/FolvaneCADImage.h"

namespace FolvaneCAD {

std::vector<Segment> DrawDocument(const Document& document);
// A design alone, with print item `currentItem` current (from 1; 0 none).
std::vector<Segment> DrawDesign(const Design& design, int currentItem);

}  // namespace FolvaneCAD
