// The style catalogue of the CAD stand-in: named entries that stand for
// standard files (FolvaneCADStandard.h) of the data root.
//
//   <root>/styles.xml:
//   <Styles>
//     <Style name="RSC" file="standards/rsc.kpx"/>
//   </Styles>
//
// Names compare without regard to case; file is a path inside the data
// root ("\" or "/" between folders).
#pragma once

#include "QK_TString.h"

namespace FolvaneCAD {

enum class StyleLookup { kFound, kUnknown, kUnreadable };

// The local path of the standard file of entry `name` in the catalogue of
// the data root `folder`; the reason when there is no such entry (or no
// catalogue) or the catalogue cannot be read.
StyleLookup LookUpStyle(const QK_TString& folder, const QK_TString& name, QK_TString* path, QK_TString* error);

}  // namespace FolvaneCAD
