#include "Model/FolvaneCADDocument.h"

#include <filesystem>

#include "Base/FolvaneCADText.h"

namespace FolvaneCAD {

std::unique_ptr<Document> Document::Load(const QK_TString& path, QK_TString* error) {
  std::error_code ignored;
  if (!std::filesystem::is_regular_file(path.str(), ignored)) {
    *error = "Design file not found: " + path;
    return nullptr;
  }
  QK_TXmlElement root;
  QK_TString reason;
  if (!ReadXmlFile(path, &root, &reason)) {
    *error = "Design file could not be read: " + path + ": " + reason;
    return nullptr;
  }
  if (root.name == "Design") {
    Design design;
    if (ReadDesign(root, &design, &reason)) return std::make_unique<Document>(std::move(design), path);
  } else if (root.name == "Layout") {
    Layout layout;
    if (ReadLayout(root, &layout, &reason)) return std::make_unique<Document>(std::move(layout), path);
  } else {
    reason = "the root element is <" + root.name + ">, not <Design> or <Layout>";
  }
  *error = "Design file could not be read: " + path + ": " + reason;
  return nullptr;
}

Document::Document(Design design, QK_TString path)
    : kind_(Kind::kDesign), path_(std::move(path)), design_(std::move(design)) {}

Document::Document(Layout layout, QK_TString path)
    : kind_(Kind::kLayout), path_(std::move(path)), layout_(std::move(layout)) {}

bool Document::Save(const QK_TString& path, QK_TString* error) {
  QK_TXmlElement root = kind_ == Kind::kDesign ? DesignElement(design_) : LayoutElement(layout_);
  if (!WriteXmlFile(path, root, error)) return false;
  path_ = path;
  return true;
}

Design* Document::CurrentDesign() {
  if (kind_ == Kind::kDesign) return &design_;
  if (currentDesign_ < 1 || currentDesign_ > static_cast<int>(layout_.designs.size())) return nullptr;
  return &layout_.designs[currentDesign_ - 1].design;
}

const Design* Document::CurrentDesign() const { return const_cast<Document*>(this)->CurrentDesign(); }

bool Document::SelectDesign(int number) {
  if (kind_ != Kind::kLayout || number < 1 || number > static_cast<int>(layout_.designs.size())) return false;
  if (number != currentDesign_) currentPrintItem_ = 0;
  currentDesign_ = number;
  return true;
}

bool Document::MakePrintItemCurrent(int number) {
  if (kind_ == Kind::kDesign) {
    if (number < 1 || number > static_cast<int>(design_.printItems.size())) return false;
    currentPrintItem_ = number;
    return true;
  }
  int first = 1;
  for (std::size_t d = 0; d < layout_.designs.size(); ++d) {
    int items = static_cast<int>(layout_.designs[d].design.printItems.size());
    int span = items > 0 ? items : 1;
    if (number >= first && number < first + span) {
      if (items == 0) return false;
      SelectDesign(static_cast<int>(d) + 1);
      currentPrintItem_ = number - first + 1;
      return true;
    }
    first += span;
  }
  return false;
}

Unit Document::unit() const { return kind_ == Kind::kDesign ? design_.unit : layout_.unit; }

void Document::SetUnit(Unit unit) {
  if (kind_ == Kind::kDesign) {
    design_.SetUnit(unit);
  } else {
    layout_.SetUnit(unit);
  }
}

bool Document::FocusDesign(int number) {
  if (!SelectDesign(number)) return false;
  designFirst_ = true;
  return true;
}

namespace {

std::optional<Value> DesignLookup(const Design* design, const DesignView& view, const QK_TString& name) {
  if (design == nullptr) return std::nullopt;
  if (const Variable* variable = design->FindVariable(name)) return variable->value;
  return DesignSystemValue(view, name);
}

std::optional<Value> LayoutLookup(const Layout& layout, const QK_TString& name) {
  if (const Variable* variable = layout.FindVariable(name)) return variable->value;
  return LayoutSystemValue(layout, name);
}

}  // namespace

std::optional<Value> Document::Lookup(const QK_TString& name) const {
  const Design* design = CurrentDesign();
  if (kind_ == Kind::kDesign || designFirst_) {
    if (std::optional<Value> value = DesignLookup(design, CurrentView(), name)) return value;
    return kind_ == Kind::kLayout ? LayoutLookup(layout_, name) : std::nullopt;
  }
  if (std::optional<Value> value = LayoutLookup(layout_, name)) return value;
  return DesignLookup(design, CurrentView(), name);
}

std::optional<Value> Document::CallFunction(const QK_TString& name, const std::vector<Value>& arguments,
                                            QK_TString* error) const {
  const Design* design = CurrentDesign();
  bool wholeLayout = kind_ == Kind::kLayout && !(designFirst_ && design != nullptr);
  auto lengthOfType = [&](int type) {
    if (wholeLayout) return LayoutLengthOfType(layout_, type);
    return design != nullptr ? design->LengthOfType(type) : 0.0;
  };
  return LineLengthFunction(name, arguments, lengthOfType, error);
}

DesignView Document::ViewOf(int number) const {
  DesignView view;
  if (kind_ == Kind::kDesign) {
    view.design = &design_;
    view.name = design_.name.Empty() ? BaseName(path_) : design_.name;
  } else if (number >= 1 && number <= static_cast<int>(layout_.designs.size())) {
    const EmbeddedDesign& embedded = layout_.designs[number - 1];
    view.design = &embedded.design;
    view.name = embedded.design.name.Empty() ? QK_TString::Format("Design %d", number) : embedded.design.name;
    view.ups = embedded.ups;
  }
  return view;
}

DesignView Document::CurrentView() const {
  DesignView view = ViewOf(kind_ == Kind::kDesign ? 1 : currentDesign_);
  view.currentPrintItem = currentPrintItem_;
  return view;
}

std::vector<QK_TString> Document::Remarks() const {
  if (kind_ == Kind::kDesign) return design_.remarks;
  std::vector<QK_TString> remarks;
  for (const EmbeddedDesign& embedded : layout_.designs) {
    remarks.insert(remarks.end(), embedded.design.remarks.begin(), embedded.design.remarks.end());
  }
  return remarks;
}

}  // namespace FolvaneCAD
