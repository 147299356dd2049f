#include "TW_THost.h"

#include <filesystem>

#include <cstdio>
#include <stdexcept>

#include <boost/uuid/uuid.hpp>
#include <boost/uuid/uuid_generators.hpp>
#include <boost/uuid/uuid_io.hpp>

#include "QK_TArray.h"
#include "QK_TXml.h"

namespace {

[[noreturn]] void ThrowUnknownElement(const QK_TXmlElement& element, const QK_TXmlElement& parent) {
  QK_THROW(QK_EException(QK_TString::Format("line %u: unknown element <%s> in <%s>", element.line,
                                            element.name.c_str(), parent.name.c_str())));
}

[[noreturn]] void ThrowWrongRoot(const QK_TXmlElement& root, const char* expected, const char* what) {
  QK_THROW(QK_EException(QK_TString::Format("%s root element must be <%s>, found <%s>", what, expected,
                                            root.name.c_str())));
}

// The element's "key" attribute; an element without one cannot be stored.
const QK_TString& RequiredKey(const QK_TXmlElement& element) {
  const QK_TString* key = element.Attribute("key");
  if (key == nullptr || key->Empty()) {
    QK_THROW(QK_EException(QK_TString::Format("line %u: <%s> without a key", element.line,
                                              element.name.c_str())));
  }
  return *key;
}

// The attribute's value, or `fallback` when it is missing or empty.
QK_TString AttributeOr(const QK_TXmlElement& element, const char* name, const QK_TString& fallback) {
  const QK_TString* value = element.Attribute(name);
  return (value == nullptr || value->Empty()) ? fallback : *value;
}

// A path or "file:" URL; a relative one is taken from `folder`.
QK_TURL LocationFrom(const QK_TURL& folder, const QK_TString& text) {
  QK_TURL location(text);
  if (location.LocalName().StartsWith("/")) return location;
  return folder.Child(location.LocalName());
}

QK_TString NewTaskId() {
  return QK_TString(boost::uuids::to_string(boost::uuids::random_generator()()));
}

// The typed value of a <Param>.
QK_TAny TypedParamValue(const QK_TXmlElement& param) {
  const QK_TString* type = param.Attribute("type");
  return QK_TXml::TypedValue(param.text, type ? *type : QK_TString(), param.line);
}

void ReadParam(const QK_TXmlElement& param, QK_TDict& into);

QK_TDict ReadDict(const QK_TXmlElement& dict) {
  QK_TDict result;
  for (const QK_TXmlElement& child : dict.children) {
    if (child.name != "Param") ThrowUnknownElement(child, dict);
    ReadParam(child, result);
  }
  return result;
}

QK_TArray ReadArray(const QK_TXmlElement& array) {
  QK_TArray result;
  for (const QK_TXmlElement& child : array.children) {
    if (child.name != "Dict") ThrowUnknownElement(child, array);
    result.Append(QK_TAny(ReadDict(child)));
  }
  return result;
}

// A <Param> holds either text (typed by its "type" attribute) or one <Array>.
void ReadParam(const QK_TXmlElement& param, QK_TDict& into) {
  const QK_TString& key = RequiredKey(param);
  const QK_TXmlElement* array = nullptr;
  for (const QK_TXmlElement& child : param.children) {
    if (child.name != "Array" || array != nullptr) ThrowUnknownElement(child, param);
    array = &child;
  }
  into.Set(key, array ? QK_TAny(ReadArray(*array)) : TypedParamValue(param));
}

}  // namespace

TW_TTicketFile TW_THost::ReadTicketFile(const QK_TURL& file) {
  QK_TXmlElement root = QK_TXml::ParseFile(file);
  if (root.name != "Ticket") ThrowWrongRoot(root, "Ticket", "ticket");
  const QK_TString* action = root.Attribute("action");
  if (action == nullptr || action->Empty()) {
    QK_THROW(QK_EException(QK_TString::Format("line %u: <Ticket> needs an action attribute", root.line)));
  }

  // Paths in the ticket are taken from the ticket's own folder, made absolute
  // so that they stay right whatever the task's current folder is later.
  std::error_code ignored;
  QK_TURL folder = QK_TURL::FromLocalPath(
      QK_TString(std::filesystem::absolute(file.LocalName().str(), ignored).lexically_normal().string()))
                       .Parent();
  TW_TTicketFile result;
  result.actionName = *action;
  TW_TTaskSetup& setup = result.setup;
  const QK_TString* id = root.Attribute("id");
  setup.taskId = (id && !id->Empty()) ? *id : NewTaskId();
  const QK_TString* outputDir = root.Attribute("outputDir");
  setup.outputDir = (outputDir && !outputDir->Empty()) ? LocationFrom(folder, *outputDir) : folder;
  setup.outputName = AttributeOr(root, "outputName", "output");

  QK_TDict parameters;
  for (const QK_TXmlElement& child : root.children) {
    if (child.name == "Input") {
      QK_TString text = child.text.Trim();
      if (text.Empty()) {
        QK_THROW(QK_EException(QK_TString::Format("line %u: empty <Input>", child.line)));
      }
      setup.inputs.push_back(LocationFrom(folder, text));
    } else if (child.name == "Param") {
      ReadParam(child, parameters);
    } else if (child.name == "Name") {
      setup.names.emplace_back(RequiredKey(child), child.text);
    } else {
      ThrowUnknownElement(child, root);
    }
  }
  result.ticket = AT_TTicket(*action, std::move(parameters));
  return result;
}

QK_TDict TW_THost::ReadRequestFile(const QK_TURL& file) {
  QK_TXmlElement root = QK_TXml::ParseFile(file);
  if (root.name != "Request") ThrowWrongRoot(root, "Request", "request");
  QK_TDict request;
  for (const QK_TXmlElement& child : root.children) {
    if (child.name == "Param") {
      request.Set(RequiredKey(child), QK_TAny(child.text));
    } else if (child.name == "Tree") {
      request.Set(RequiredKey(child), QK_TAny(QK_TXml::ReadTree(child)));
    } else {
      ThrowUnknownElement(child, root);
    }
  }
  return request;
}

std::string TW_THost::JsonQuote(const QK_TString& text) {
  std::string quoted = "\"";
  for (char c : text.str()) {
    switch (c) {
      case '"': quoted += "\\\""; break;
      case '\\': quoted += "\\\\"; break;
      case '\n': quoted += "\\n"; break;
      case '\t': quoted += "\\t"; break;
      case '\r': quoted += "\\r"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned int>(c));
          quoted += escape;
        } else {
          quoted += c;  // UTF-8 bytes pass through unchanged
        }
    }
  }
  quoted += '"';
  return quoted;
}

void TW_TLinePrinter::Message(int severity, const QK_TString& key, const std::vector<QK_TAny>& arguments) {
  out_ << "message " << severity << ' ' << key;
  for (const QK_TAny& argument : arguments) out_ << ' ' << TW_THost::JsonQuote(argument.ToText());
  out_ << std::endl;
}

void TW_TLinePrinter::Stage(const QK_TString& key) { out_ << "stage " << key << std::endl; }

void TW_TLinePrinter::Progress(unsigned int percent) { out_ << "progress " << percent << std::endl; }

void TW_TLinePrinter::Log(const QK_TString& text) {
  out_ << "log " << TW_THost::JsonQuote(text) << std::endl;
}

void TW_TLinePrinter::Output(const QK_TString& context, const QK_TURL& file) {
  out_ << "output " << context << ' ' << file.LocalName() << std::endl;
}
