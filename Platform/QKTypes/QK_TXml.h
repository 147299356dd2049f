// Reading small XML documents (tickets, requests, configuration files) into a
// plain element tree. External DTDs and entities are never loaded.
#pragma once

#include <utility>
#include <vector>

#include "QK_TString.h"
#include "QK_TTree.h"
#include "QK_TURL.h"

struct QK_TXmlElement {
  QK_TString name;
  std::vector<std::pair<QK_TString, QK_TString>> attributes;
  QK_TString text;  // the element's own text content, concatenated
  std::vector<QK_TXmlElement> children;
  unsigned int line = 0;

  // The attribute's value, or null when the element has none of that name.
  const QK_TString* Attribute(const QK_TString& attributeName) const;
};

class QK_TXml {
 public:
  // The root element of the document. A file that cannot be read or is not
  // well-formed throws QK_EException with the file, line, column and reason.
  static QK_TXmlElement ParseFile(const QK_TURL& location);
  static QK_TXmlElement ParseText(const QK_TString& text, const QK_TString& sourceName);

  // The tree held by the children of `element`: <Tree key="..."> elements
  // become subtrees and <Value key="..." type="..."> elements their values
  // ("string" by default, "bool", "int", "url"). Other elements are ignored.
  // A missing key, an unknown type or a value that is not of its type throws
  // QK_EException naming the line.
  static QK_TTree ReadTree(const QK_TXmlElement& element);
  // The typed value of text: "bool" (true/false/1/0), "int", "url", "string".
  static QK_TAny TypedValue(const QK_TString& text, const QK_TString& type, unsigned int line);
};
