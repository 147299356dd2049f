// The document description that the main control hands out as XML text: the
// root is DESIGN for a design and LAYOUT for a manufacturing file.
//
//   <DESIGN name="tuck-end" file="designs/tuck-end.kpx" industry="2" unit="mm"
//           boardCode=".." boardDescription=".." printSide="2" grain="1"
//           description=".." area=".." manufacturingSizeX=".." manufacturingSizeY="..">
//     <VARIABLES><VARIABLE name="L" type="numeric" value="60"/></VARIABLES>
//     <LAYERS><LAYER number="1" name="Cut" on="1"/></LAYERS>
//     <PRINTITEMS><PRINTITEM number="1" name="Front" layers="1,3" ups="1"/></PRINTITEMS>
//   </DESIGN>
//
//   <LAYOUT name=".." file=".." unit="mm" sheetWidth=".." sheetHeight=".." designCount="1">
//     <DESIGN number="1" ups="6" ...> as above </DESIGN>
//   </LAYOUT>
#pragma once

#include "Model/FolvaneCADDocument.h"

namespace FolvaneCAD {

QK_TString DescribeDocument(const Document& document);

}  // namespace FolvaneCAD
