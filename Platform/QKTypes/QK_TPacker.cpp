#include "QK_TPacker.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <functional>

#include "QK_TDict.h"
#include "QK_TTree.h"
#include "QK_TURL.h"

// Every token is written as  <tag><length>:<payload>  so that payloads may
// hold any byte. Values of QK_TAny are a kind token followed by their parts.

namespace {

[[noreturn]] void Malformed(const std::string& what) {
  QK_THROW(QK_EException(QK_TString("unpack: " + what)));
}

bool AllDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

unsigned long long ParseCount(const std::string& text) {
  unsigned long long value = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (!AllDigits(text) || error != std::errc() || stop != end) Malformed("bad count " + text);
  return value;
}

long long ParseInt(const std::string& text) {
  long long value = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) Malformed("bad integer " + text);
  return value;
}

// Read back with the C library, like the writer's "%.17g".
double ParseDouble(const std::string& text) {
  char* stop = nullptr;
  double value = std::strtod(text.c_str(), &stop);
  if (text.empty() || stop != text.c_str() + text.size()) Malformed("bad number " + text);
  return value;
}

bool ParseBool(const std::string& text) {
  if (text != "0" && text != "1") Malformed("bad bool " + text);
  return text == "1";
}

}  // namespace

void QK_TPacker::Token(char tag, const std::string& payload) {
  buffer_ += tag;
  buffer_ += std::to_string(payload.size());
  buffer_ += ':';
  buffer_ += payload;
}

void QK_TPacker::BeginClass(const char* name) { Token('B', name); }
void QK_TPacker::EndClass(const char* name) { Token('E', name); }
void QK_TPacker::PackString(const QK_TString& value) { Token('S', value.str()); }
void QK_TPacker::PackUInt32(std::uint32_t value) { Token('U', std::to_string(value)); }

void QK_TPacker::PackAny(const QK_TAny& value) {
  using Kind = QK_TAny::Kind;
  Token('K', QK_TAny::KindName(value.GetKind()));
  switch (value.GetKind()) {
    case Kind::Illegal: break;
    case Kind::Bool: Token('V', value.AsBool() ? "1" : "0"); break;
    case Kind::Int: Token('V', std::to_string(value.AsInt())); break;
    case Kind::Double: Token('V', QK_TString::Format("%.17g", value.AsDouble()).str()); break;
    case Kind::String: Token('V', value.AsString().str()); break;
    case Kind::URL: Token('V', value.AsURL().LocalName().str()); break;
    case Kind::Dict:
    case Kind::Tree: {
      const QK_TEntries& entries =
          value.Is(Kind::Dict) ? static_cast<const QK_TEntries&>(value.AsDict()) : value.AsTree();
      Token('N', std::to_string(entries.Size()));
      for (const auto& entry : entries) {
        Token('V', entry.first.str());
        PackAny(entry.second);
      }
      break;
    }
    case Kind::Array:
    case Kind::List: {
      const QK_TArray& items = value.Is(Kind::Array) ? value.AsArray() : value.AsList();
      Token('N', std::to_string(items.Size()));
      for (const QK_TAny& item : items) PackAny(item);
      break;
    }
  }
}

std::string QK_TUnpacker::Token(char expectedTag) {
  if (pos_ >= buffer_.size()) Malformed("unexpected end of input");
  char tag = buffer_[pos_];
  if (tag != expectedTag) Malformed(std::string("expected token '") + expectedTag + "', found '" + tag + "'");
  std::size_t colon = buffer_.find(':', pos_ + 1);
  if (colon == std::string::npos) Malformed("token without length");
  std::string digits = buffer_.substr(pos_ + 1, colon - pos_ - 1);
  if (!AllDigits(digits)) Malformed("bad token length");
  std::size_t length = std::strtoull(digits.c_str(), nullptr, 10);
  if (length > buffer_.size() - colon - 1) Malformed("token longer than the input");
  std::string payload = buffer_.substr(colon + 1, length);
  pos_ = colon + 1 + length;
  return payload;
}

void QK_TUnpacker::BeginClass(const char* name) {
  std::string found = Token('B');
  if (found != name) Malformed("expected class section " + std::string(name) + ", found " + found);
}

void QK_TUnpacker::EndClass(const char* name) {
  std::string found = Token('E');
  if (found != name) Malformed("expected end of class section " + std::string(name) + ", found " + found);
}

QK_TString QK_TUnpacker::UnpackString() { return QK_TString(Token('S')); }

std::uint32_t QK_TUnpacker::UnpackUInt32() {
  std::string digits = Token('U');
  unsigned long long value = ParseCount(digits);
  if (value > UINT32_MAX) Malformed("unsigned number out of range " + digits);
  return static_cast<std::uint32_t>(value);
}

namespace {

using TokenReader = std::function<std::string(char)>;

// Values nest no deeper than this; deeper input is refused rather than
// allowed to exhaust the stack.
constexpr int kMaxNesting = 512;

QK_TAny ReadValue(const TokenReader& token, int depth) {
  using Kind = QK_TAny::Kind;
  if (depth > kMaxNesting) Malformed("values nested too deeply");
  std::string kind = token('K');
  auto count = [&token]() { return ParseCount(token('N')); };
  if (kind == QK_TAny::KindName(Kind::Illegal)) return QK_TAny();
  if (kind == QK_TAny::KindName(Kind::Bool)) return QK_TAny(ParseBool(token('V')));
  if (kind == QK_TAny::KindName(Kind::Int)) return QK_TAny(ParseInt(token('V')));
  if (kind == QK_TAny::KindName(Kind::Double)) return QK_TAny(ParseDouble(token('V')));
  if (kind == QK_TAny::KindName(Kind::String)) return QK_TAny(QK_TString(token('V')));
  if (kind == QK_TAny::KindName(Kind::URL)) return QK_TAny(QK_TURL::FromLocalPath(QK_TString(token('V'))));
  if (kind == QK_TAny::KindName(Kind::Dict) || kind == QK_TAny::KindName(Kind::Tree)) {
    bool isDict = kind == QK_TAny::KindName(Kind::Dict);
    QK_TDict dict;
    QK_TTree tree;
    for (unsigned long long i = 0, n = count(); i < n; ++i) {
      QK_TString key(token('V'));
      QK_TAny item = ReadValue(token, depth + 1);
      if (isDict) dict.Set(key, std::move(item)); else tree.Set(key, std::move(item));
    }
    return isDict ? QK_TAny(dict) : QK_TAny(std::move(tree));
  }
  if (kind == QK_TAny::KindName(Kind::Array) || kind == QK_TAny::KindName(Kind::List)) {
    bool isArray = kind == QK_TAny::KindName(Kind::Array);
    QK_TArray array;
    QK_TList list;
    for (unsigned long long i = 0, n = count(); i < n; ++i) {
      if (isArray) array.Append(ReadValue(token, depth + 1)); else list.Append(ReadValue(token, depth + 1));
    }
    return isArray ? QK_TAny(array) : QK_TAny(list);
  }
  Malformed("unknown value kind " + kind);
}

}  // namespace

QK_TAny QK_TUnpacker::UnpackAny() {
  return ReadValue([this](char tag) { return Token(tag); }, 0);
}

std::string QK_PackObject(const QK_IPackable& object) {
  QK_TPacker packer;
  packer.BeginClass(object.QK_PackTypeID());
  object.QK_Pack(packer);
  packer.EndClass(object.QK_PackTypeID());
  return packer.Result();
}

std::unique_ptr<QK_IPackable> QK_UnpackObject(const std::string& packed) {
  QK_TUnpacker probe(packed);
  // The outer section names the type; read it without consuming the input.
  std::string typeId;
  {
    if (packed.empty() || packed[0] != 'B') Malformed("no type id");
    std::size_t colon = packed.find(':');
    if (colon == std::string::npos) Malformed("no type id");
    std::size_t length = std::strtoull(packed.substr(1, colon - 1).c_str(), nullptr, 10);
    typeId = packed.substr(colon + 1, length);
  }
  const QK_TClass* classObject = QK_TClass::Find(typeId.c_str());
  if (classObject == nullptr) Malformed("class " + typeId + " is not registered");
  QK_TObject* created = classObject->CreateObject();
  if (created == nullptr) Malformed("class " + typeId + " has no factory");
  auto* packable = static_cast<QK_IPackable*>(created->QK_DynamicInfo("QK_IPackable"));
  if (packable == nullptr) {
    delete created;
    Malformed("class " + typeId + " is not packable");
  }
  std::unique_ptr<QK_IPackable> result(packable);
  probe.BeginClass(typeId.c_str());
  result->QK_Unpack(probe);
  probe.EndClass(typeId.c_str());
  if (!probe.AtEnd()) Malformed("trailing data after " + typeId);
  return result;
}
