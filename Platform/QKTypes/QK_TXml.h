// Reading small XML documents (tickets, requests, configuration files) into a
// plain element tree. External DTDs and entities are never loaded.
#pragma once

#include <cstdint>
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
  // well-formed throws QK_EException with the file, line, column and reason;
  // so does anything but a regular file of at most 16 MiB (a folder, a pipe,
  // a device), refused before it is read. Entity references may grow a
  // document by at most 1 MiB of text, elements nest at most 256 deep.
  static QK_TXmlElement ParseFile(const QK_TURL& location);
  static QK_TXmlElement ParseText(const QK_TString& text, const QK_TString& sourceName);
  // Opens the document at `location` for reading and returns its descriptor,
  // which the caller closes; `size` receives the file's size. Only a regular
  // file is opened, and without blocking: a folder, a pipe (that might never
  // end or never begin), a device such as /dev/zero and a name holding a
  // NUL character throw QK_EException saying which, with the location as
  // data, as does a file that cannot be opened.
  static int OpenDocument(const QK_TURL& location, std::uint64_t& size);

  // The tree held by the children of `element`: <Tree key="..."> elements
  // become subtrees and <Value key="..." type="..."> elements their values
  // ("string" by default, "bool", "int", "url"). Other elements are ignored.
  // A missing key, an unknown type or a value that is not of its type throws
  // QK_EException naming the line.
  static QK_TTree ReadTree(const QK_TXmlElement& element);
  // The typed value of text: "bool" (true/false/1/0), "int", "url", "string".
  static QK_TAny TypedValue(const QK_TString& text, const QK_TString& type, unsigned int line);
};
