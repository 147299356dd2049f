// The document open in the CAD stand-in's main control: a design file or a
// manufacturing file (told apart by the root element, not the extension),
// where it was read from, and which design and print item are current.
#pragma once

#include <memory>
#include <optional>

#include "Model/FolvaneCADLayout.h"
#include "Model/FolvaneCADSystemValues.h"

namespace FolvaneCAD {

class Document {
 public:
  enum class Kind { kDesign, kLayout };

  // Reads the file at `path` (a local path); null with the reason when it
  // cannot be read or is neither a design nor a manufacturing file.
  static std::unique_ptr<Document> Load(const QK_TString& path, QK_TString* error);
  explicit Document(Design design, QK_TString path);
  explicit Document(Layout layout, QK_TString path);

  Kind kind() const { return kind_; }
  const QK_TString& path() const { return path_; }
  // Writes the document to `path`, which becomes its path.
  bool Save(const QK_TString& path, QK_TString* error);

  // The design that design operations act on: the design itself, or the
  // current design of a layout (the first until another is chosen); null for
  // a layout without designs.
  Design* CurrentDesign();
  const Design* CurrentDesign() const;
  // Null for a design file.
  Layout* layout() { return kind_ == Kind::kLayout ? &layout_ : nullptr; }
  const Layout* layout() const { return kind_ == Kind::kLayout ? &layout_ : nullptr; }

  // Designs of a layout are numbered from 1; false when there is no such one.
  bool SelectDesign(int number);
  // The current print item of the current design (from 1; 0 none).
  int currentPrintItem() const { return currentPrintItem_; }
  void SetCurrentPrintItem(int number) { currentPrintItem_ = number; }
  // Makes a print item current by its number: in a design its own number; in
  // a layout the items are numbered across the designs in order, and a
  // design without print items still takes one number. False when the number
  // names no print item.
  bool MakePrintItemCurrent(int number);

  Unit unit() const;
  void SetUnit(Unit unit);

  // A design variable of the current design, else a computed value.
  std::optional<Value> Lookup(const QK_TString& name) const;
  // What the design (or, in a layout, design `number`) looks like to the
  // computed values.
  DesignView ViewOf(int number) const;
  DesignView CurrentView() const;
  // The remarks of every design in the document.
  std::vector<QK_TString> Remarks() const;

 private:
  Kind kind_;
  QK_TString path_;
  Design design_;
  Layout layout_;
  int currentDesign_ = 1;
  int currentPrintItem_ = 0;
};

}  // namespace FolvaneCAD
