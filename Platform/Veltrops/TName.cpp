#include "TName.h"

#include <cctype>
#include <string>

namespace {

// One name reference found in a text: the name, its parameter text and the
// offset just past the reference.
struct TReference {
  QK_TString name;
  QK_TString parameters;
  std::size_t end = 0;
};

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.' || c == ':';
}

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// The offset of the "/>" that ends a parameter text starting at `from`, or
// npos. A parameter text holds no '<' or '>', so that ordinary markup is
// never taken for a reference.
std::size_t ParametersEnd(const std::string& text, std::size_t from) {
  for (std::size_t i = from; i < text.size(); ++i) {
    if (text.compare(i, 2, "/>") == 0) return i;
    if (text[i] == '<' || text[i] == '>') return std::string::npos;
  }
  return std::string::npos;
}

// Parses "name[ parameters]" starting at `from` and followed by `closing`.
bool ParseReference(const std::string& text, std::size_t from, const std::string& closing,
                    TReference& reference) {
  std::size_t nameEnd = from;
  while (nameEnd < text.size() && IsNameChar(text[nameEnd])) ++nameEnd;
  if (nameEnd == from) return false;

  std::size_t closeAt = nameEnd;
  if (nameEnd < text.size() && IsSpace(text[nameEnd])) {
    closeAt = ParametersEnd(text, nameEnd);
    if (closeAt == std::string::npos) return false;
  }
  if (text.compare(closeAt, closing.size(), closing) != 0) return false;

  reference.name = QK_TString(text.substr(from, nameEnd - from));
  reference.parameters = QK_TString(text.substr(nameEnd, closeAt - nameEnd)).Trim();
  reference.end = closeAt + closing.size();
  return true;
}

// Parses a reference that starts with the '<' at `at`: "<name/>" or
// "<<name/>>".
bool ParseReferenceAt(const std::string& text, std::size_t at, TReference& reference) {
  if (text.compare(at, 2, "<<") == 0) return ParseReference(text, at + 2, "/>>", reference);
  return ParseReference(text, at + 1, "/>", reference);
}

}  // namespace

void TName::Define(const QK_TString& name, const QK_TString& value) { values_[name] = value; }

bool TName::IsDefined(const QK_TString& name) const {
  return values_.count(name) != 0 || handlers_.count(name) != 0;
}

void TName::SetLookupHandler(const QK_TString& name, TNameLookupHandler* handler, bool replace) {
  if (handler == nullptr) return;  // a null handler could never answer
  if (replace) {
    handlers_[name] = handler;
  } else {
    handlers_.emplace(name, handler);
  }
}

void TName::RemoveLookupHandler(const QK_TString& name) { handlers_.erase(name); }

bool TName::Resolve(const QK_TString& text, QK_TString& resolved) {
  const std::string& source = text.str();
  std::string result;
  std::size_t copied = 0;
  std::size_t at = source.find('<');
  while (at != std::string::npos) {
    TReference reference;
    if (!ParseReferenceAt(source, at, reference)) {
      at = source.find('<', at + 1);
      continue;
    }
    QK_TString value;
    if (!ValueOf(reference.name, reference.parameters, value)) return false;
    result.append(source, copied, at - copied);
    result += value.str();
    copied = reference.end;
    at = source.find('<', copied);
  }
  result.append(source, copied, std::string::npos);
  resolved = QK_TString(std::move(result));
  return true;
}

bool TName::ValueOf(const QK_TString& name, const QK_TString& parameters, QK_TString& value) {
  auto handler = handlers_.find(name);
  if (handler != handlers_.end()) {
    QK_TString answer;
    if (handler->second->Lookup(name, parameters, *this, answer)) {
      value = answer;
      return true;
    }
  }
  auto defined = values_.find(name);
  if (defined != values_.end()) {
    value = defined->second;
    return true;
  }
  QK_TString answer;
  if (fallback_ == nullptr || !fallback_->Lookup(name, parameters, *this, answer)) return false;
  value = answer;
  return true;
}
