#include "Model/FolvaneCADSession.h"

#include "Base/FolvaneCADText.h"

namespace FolvaneCAD {

std::unique_ptr<Document> Session::Load(const QK_TString& reference, QK_TString* error) const {
  QK_TString path = LocalPath(reference);
  bool isReference = reference.StartsWith("@");
  if (isReference && !dataRoot.ResolveReference(reference, &path, error)) return nullptr;
  std::unique_ptr<Document> loaded = Document::Load(path, error);
  if (loaded == nullptr && isReference) *error += " (design reference " + reference + ")";
  return loaded;
}

}  // namespace FolvaneCAD
