#include "Base/FolvaneCADXml.h"

#include <fstream>
#include <sstream>
#include <string>

#include "Base/FolvaneCADText.h"
#include "QK_EException.h"

namespace FolvaneCAD {

namespace {

// Control characters other than tab, line feed and carriage return are not
// allowed in XML 1.0 documents.
bool Representable(unsigned char c) { return c >= 0x20 || c == '\t' || c == '\n' || c == '\r'; }

std::string Escape(const std::string& text, bool inAttribute) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    if (!Representable(u)) continue;
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += inAttribute ? "&quot;" : "\""; break;
      // Attribute values would lose these to normalisation.
      case '\n': out += inAttribute ? "&#10;" : "\n"; break;
      case '\t': out += inAttribute ? "&#9;" : "\t"; break;
      case '\r': out += "&#13;"; break;
      default: out += c;
    }
  }
  return out;
}

// Indented: each element on a line of its own, two blanks per level.
// Compact: no text besides what the elements hold.
void WriteElement(const QK_TXmlElement& element, int depth, XmlLayout layout, std::string& out) {
  const bool indented = layout == XmlLayout::kIndented;
  const std::string indent = indented ? std::string(static_cast<std::size_t>(depth) * 2, ' ') : std::string();
  const char* newline = indented ? "\n" : "";
  out += indent + "<" + element.name.str();
  for (const auto& [name, value] : element.attributes) {
    out += " " + name.str() + "=\"" + Escape(value.str(), true) + "\"";
  }
  bool hasText = !element.text.Trim().Empty();
  if (element.children.empty() && !hasText) {
    out += std::string("/>") + newline;
    return;
  }
  if (element.children.empty()) {
    out += ">" + Escape(element.text.str(), false) + "</" + element.name.str() + ">" + newline;
    return;
  }
  out += std::string(">") + newline;
  if (hasText) out += indent + (indented ? "  " : "") + Escape(element.text.Trim().str(), false) + newline;
  for (const QK_TXmlElement& child : element.children) WriteElement(child, depth + 1, layout, out);
  out += indent + "</" + element.name.str() + ">" + newline;
}

}  // namespace

const QK_TString* AttributeReader::Take(const QK_TString& name) {
  for (auto it = rest_.begin(); it != rest_.end(); ++it) {
    if (it->first != name) continue;
    taken_ = it->second;
    rest_.erase(it);
    return &taken_;
  }
  return nullptr;
}

QK_TString AttributeReader::TakeOr(const QK_TString& name, const QK_TString& fallback) {
  const QK_TString* value = Take(name);
  return value != nullptr ? *value : fallback;
}

bool ReadXmlFile(const QK_TString& path, QK_TXmlElement* root, QK_TString* error) {
  std::ifstream in(path.str(), std::ios::binary);
  if (!in) {
    *error = "cannot be read";
    return false;
  }
  std::ostringstream content;
  content << in.rdbuf();
  try {
    *root = QK_TXml::ParseText(QK_TString(content.str()), path);
  } catch (const QK_EException& e) {
    *error = e.QK_Message();
    return false;
  }
  return true;
}

bool WriteXmlFile(const QK_TString& path, const QK_TXmlElement& root, QK_TString* error, XmlLayout layout) {
  return WriteWholeFile(path, WriteXml(root, layout).str(), error);
}

QK_TString WriteXml(const QK_TXmlElement& root, XmlLayout layout) {
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  WriteElement(root, 0, layout, out);
  return QK_TString(std::move(out));
}

QK_TXmlElement MakeElement(const QK_TString& name, Attributes attributes) {
  QK_TXmlElement element;
  element.name = name;
  element.attributes = std::move(attributes);
  return element;
}

}  // namespace FolvaneCAD
