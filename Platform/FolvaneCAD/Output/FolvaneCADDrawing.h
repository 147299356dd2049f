// What a picture of the open document shows. A design: its lines on the base
// layer and on the layers that are switched on, limited to the current print
// item's layers when one is current, each layer in its own colour; a grey
// outline when none of its lines is visible. A manufacturing file: the
// effective sheet's outline, its usable area inside the margins, and every
// copy of each placed one-up where the nesting put it (turned, rotated and
// reversed, showing its print item's layers; Model/FolvaneCADNesting.h);
// designs that were never placed are drawn once per up, one row per design.
#pragma once

#include <vector>

#include "Model/FolvaneCADDocument.h"
#include "Output/FolvaneCADImage.h"

namespace FolvaneCAD {

std::vector<Segment> DrawDocument(const Document& document);
// A design alone, with print item `currentItem` current (from 1; 0 none).
std::vector<Segment> DrawDesign(const Design& design, int currentItem);

}  // namespace FolvaneCAD
