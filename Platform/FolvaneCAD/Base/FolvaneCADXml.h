// XML helpers of the CAD stand-in's data files: reading an element's
// attributes while keeping the ones the stand-in does not know, reading a
// file into an element tree, and writing a tree back as indented text that a
// person can read and edit.
#pragma once

#include <utility>
#include <vector>

#include "QK_TXml.h"

namespace FolvaneCAD {

using Attributes = std::vector<std::pair<QK_TString, QK_TString>>;

// Hands out an element's attributes by name; what nobody asked for is kept,
// so that a file is written back with everything it held.
class AttributeReader {
 public:
  explicit AttributeReader(const QK_TXmlElement& element) : rest_(element.attributes) {}
  // The attribute's value (and forgets it), or null when there is none.
  const QK_TString* Take(const QK_TString& name);
  // Like Take, with `fallback` when the attribute is missing.
  QK_TString TakeOr(const QK_TString& name, const QK_TString& fallback);
  const Attributes& Rest() const { return rest_; }

 private:
  Attributes rest_;
  QK_TString taken_;
};

// How a document is written: indented for people, or compact, without a
// blank between elements, for readers that walk every child node.
enum class XmlLayout { kIndented, kCompact };

// The root element of an XML file; false with the reason when the file
// cannot be read or is not well-formed.
bool ReadXmlFile(const QK_TString& path, QK_TXmlElement* root, QK_TString* error);
// Writes the document of `root`; false with the reason when the file cannot
// be written. A complete file replaces the old one, so a failed write never
// leaves half a file behind.
bool WriteXmlFile(const QK_TString& path, const QK_TXmlElement& root, QK_TString* error,
                  XmlLayout layout = XmlLayout::kIndented);

// The document: XML declaration, then the root element. Attribute values and
// text are escaped; characters that XML 1.0 cannot hold are left out. An
// element with children writes its own text (when not only blanks) first.
QK_TString WriteXml(const QK_TXmlElement& root, XmlLayout layout = XmlLayout::kIndented);

// A new element with the given name and attributes.
QK_TXmlElement MakeElement(const QK_TString& name, Attributes attributes = {});

}  // namespace FolvaneCAD
