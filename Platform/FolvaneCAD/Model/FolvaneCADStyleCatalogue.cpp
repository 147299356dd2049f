#include "Model/FolvaneCADStyleCatalogue.h"

#include <filesystem>

#include "Base/FolvaneCADText.h"
#include "Base/FolvaneCADXml.h"

namespace FolvaneCAD {

StyleLookup LookUpStyle(const QK_TString& folder, const QK_TString& name, QK_TString* path, QK_TString* error) {
  QK_TString catalogue = folder + "/styles.xml";
  std::error_code ignored;
  if (folder.Empty() || !std::filesystem::is_regular_file(catalogue.str(), ignored)) {
    *error = "No style catalogue (styles.xml) in the data folder \"" + folder + "\", so there is no style " + name;
    return StyleLookup::kUnknown;
  }
  QK_TXmlElement root;
  QK_TString reason;
  if (!ReadXmlFile(catalogue, &root, &reason)) {
    *error = "Style catalogue could not be read: " + catalogue + ": " + reason;
    return StyleLookup::kUnreadable;
  }
  for (const QK_TXmlElement& style : root.children) {
    const QK_TString* styleName = style.Attribute("name");
    const QK_TString* file = style.Attribute("file");
    if (style.name != "Style" || styleName == nullptr || !styleName->EqualsIgnoreCase(name.Trim())) continue;
    if (file == nullptr || file->Trim().Empty()) {
      *error = "Style " + name + " of the catalogue " + catalogue + " names no file";
      return StyleLookup::kUnreadable;
    }
    *path = folder + "/" + LocalPath(file->Trim());
    return StyleLookup::kFound;
  }
  *error = "Unknown style: " + name;
  return StyleLookup::kUnknown;
}

}  // namespace FolvaneCAD
