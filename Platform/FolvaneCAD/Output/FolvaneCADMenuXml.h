// The menu description of a standard, as the standards component writes it
// for its callers:
//
//   <Menus><Menu name="Dimensions" type="3"><Variables><StyleChoice variable="L"/>...</Variables></Menu>
//   <Menu name="Texts" type="2"><Variables><Variable name="ARTICLE$"/>...</Variables></Menu></Menus>
//
// (one line in the file). name is the menu's title, type its kind; the
// items of a whole-number menu are StyleChoice elements, the others
// Variable elements. The file holds no blanks between elements, since its
// readers walk first children and next siblings.
#pragma once

#include "Model/FolvaneCADStandard.h"

namespace FolvaneCAD {

QK_TXmlElement MenusElement(const Standard& standard);
// False with the reason when the file cannot be written.
bool WriteMenuXml(const QK_TString& path, const Standard& standard, QK_TString* error);

}  // namespace FolvaneCAD
