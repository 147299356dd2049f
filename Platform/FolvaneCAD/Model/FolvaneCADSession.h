// What the main control shares with the layout object it hands out: the
// open document and the data folder under which design references resolve.
// Both hold the session, so either may be released first, and the layout
// object always acts on the document open at the moment.
#pragma once

#include <memory>

#include "Model/FolvaneCADDataRoot.h"
#include "Model/FolvaneCADDocument.h"

namespace FolvaneCAD {

struct Session {
  std::unique_ptr<Document> document;
  DataRoot dataRoot;

  // Reads the file that `reference` names: a path, or a design reference
  // "@project:name" / "@project:version:name" resolved under the data root.
  // Null with the reason when it cannot be read.
  std::unique_ptr<Document> Load(const QK_TString& reference, QK_TString* error) const;
};

}  // namespace FolvaneCAD
