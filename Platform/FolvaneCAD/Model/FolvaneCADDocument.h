// The document open in the CAD stand-in's main control: a design file or a
// manufacturing file (told apart by the root element, not the extension),
// where it was read from, and which design and print item are current.
//
// Names in expressions and variable reads: in a design, its variables, then
// its computed values (FolvaneCADSystemValues.h). In a manufacturing file
// the layout comes first: its variables, its computed values, then the
// current design's variables and values; after FocusDesign the current
// design comes first instead, until ReleaseFocus.
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

  // Makes design `number` of a layout current and first in look-ups; false
  // when there is no such design.
  bool FocusDesign(int number);
  void ReleaseFocus() { designFirst_ = false; }

  // A variable or computed value, in the order above.
  std::optional<Value> Lookup(const QK_TString& name) const;
  // The functions of expressions (LENTYPE); see FunctionLookup.
  std::optional<Value> CallFunction(const QK_TString& name, const std::vector<Value>& arguments,
                                    QK_TString* error) const;
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
  bool designFirst_ = false;
};

}  // namespace FolvaneCAD
