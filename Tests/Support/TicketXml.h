// Test helper: the XML of a ticket, as the workflow server hands one over.
//
//   <Ticket action='…' id='…' outputDir='…' outputName='…'>
//     <Input>…</Input>                                one per input
//     <Param key='…'>…</Param>                        a value
//     <Param key='…' type='bool'>…</Param>            a switch
//     <Param key='…'><Array><Dict>                    a list of dictionaries,
//       <Param key='…'>…</Param>…                     each of values
//     </Dict>…</Array></Param>
//     <Name key='…'>…</Name>                          a name of the host's
//   </Ticket>
//
// Everything is written in the order it is added. Attribute values are
// single-quoted. Values are escaped, so a test hands over the text it means:
// in text & < > " and carriage return (which a reader would turn into a
// line feed), in attributes also ' tab and line feed (which it would turn
// into blanks). Markup() is for the tests that want a value taken as XML
// (entity references of their own).
//
//   RunTicket(TicketXml("splitdesign", "e2e-split-1")
//                 .Attribute("outputDir", "out")
//                 .Input("job.xml")
//                 .Param("SERVER", "Local")
//                 .Xml());
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace ticket_xml {

inline std::string Escaped(const std::string& text, bool inAttribute) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '\r': out += "&#13;"; break;
      case '\'': out += inAttribute ? "&apos;" : "'"; break;
      case '"': out += "&quot;"; break;
      case '\t': out += inAttribute ? "&#9;" : "\t"; break;
      case '\n': out += inAttribute ? "&#10;" : "\n"; break;
      default: out += c;
    }
  }
  return out;
}

inline std::string Text(const std::string& text) { return Escaped(text, false); }
inline std::string AttributeValue(const std::string& text) { return Escaped(text, true); }

// <Param key='key'>value</Param>, the value escaped.
inline std::string Param(const std::string& key, const std::string& value) {
  return "<Param key='" + AttributeValue(key) + "'>" + Text(value) + "</Param>";
}

}  // namespace ticket_xml

class TicketXml {
 public:
  // The values of one dictionary of a list, by key, in order.
  using Dict = std::vector<std::pair<std::string, std::string>>;

  TicketXml(const std::string& action, const std::string& id) {
    Attribute("action", action);
    Attribute("id", id);
  }

  // An attribute of the Ticket element (outputDir, outputName).
  TicketXml& Attribute(const std::string& name, const std::string& value) {
    attributes_ += " " + name + "='" + ticket_xml::AttributeValue(value) + "'";
    return *this;
  }
  TicketXml& Input(const std::string& location) {
    body_ += "<Input>" + ticket_xml::Text(location) + "</Input>";
    return *this;
  }
  TicketXml& Param(const std::string& key, const std::string& value) {
    body_ += ticket_xml::Param(key, value);
    return *this;
  }
  // A parameter the ticket's reader takes as a boolean ("true", "false").
  TicketXml& Switch(const std::string& key, const std::string& value) {
    body_ += OpenParam(key, " type='bool'") + ticket_xml::Text(value) + "</Param>";
    return *this;
  }
  TicketXml& List(const std::string& key, const std::vector<Dict>& dicts) {
    body_ += OpenParam(key) + "<Array>";
    for (const Dict& dict : dicts) {
      body_ += "<Dict>";
      for (const auto& [entry, value] : dict) body_ += ticket_xml::Param(entry, value);
      body_ += "</Dict>";
    }
    body_ += "</Array></Param>";
    return *this;
  }
  TicketXml& Name(const std::string& key, const std::string& value) {
    body_ += "<Name key='" + ticket_xml::AttributeValue(key) + "'>" + ticket_xml::Text(value) + "</Name>";
    return *this;
  }
  // A parameter whose value is written as it is: XML of the test's own.
  TicketXml& Markup(const std::string& key, const std::string& xml) {
    body_ += OpenParam(key) + xml + "</Param>";
    return *this;
  }

  std::string Xml() const { return "<Ticket" + attributes_ + ">" + body_ + "</Ticket>"; }

 private:
  // "<Param key='key'" with `more` attributes, closed.
  static std::string OpenParam(const std::string& key, const std::string& more = "") {
    return "<Param key='" + ticket_xml::AttributeValue(key) + "'" + more + ">";
  }

  std::string attributes_;
  std::string body_;
};
