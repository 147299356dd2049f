#include "QK_TAny.h"

#include <cmath>
#include <sstream>

#include "QK_EException.h"
#include "QK_TArray.h"
#include "QK_TDict.h"
#include "QK_TTree.h"
#include "QK_TURL.h"

namespace qk_detail {
template <class T>
Box<T>::Box(const T& value) : ptr_(std::make_unique<T>(value)) {}
template <class T>
Box<T>::Box(T&& value) : ptr_(std::make_unique<T>(std::move(value))) {}
template <class T>
Box<T>::Box(const Box& other) : ptr_(std::make_unique<T>(*other.ptr_)) {}
template <class T>
Box<T>& Box<T>::operator=(const Box& other) {
  if (this != &other) ptr_ = std::make_unique<T>(*other.ptr_);
  return *this;
}
template <class T>
Box<T>::~Box() = default;

template class Box<QK_TURL>;
template class Box<QK_TDict>;
template class Box<QK_TArray>;
template class Box<QK_TTree>;
template class Box<QK_TList>;

template <class T>
bool operator==(const Box<T>& a, const Box<T>& b) {
  return a.get() == b.get();
}
}  // namespace qk_detail

const QK_TAny QK_TAny::Illegal;

QK_TAny::QK_TAny() = default;
QK_TAny::QK_TAny(bool value) : value_(value) {}
QK_TAny::QK_TAny(int value) : value_(static_cast<long long>(value)) {}
QK_TAny::QK_TAny(unsigned int value) : value_(static_cast<long long>(value)) {}
QK_TAny::QK_TAny(long value) : value_(static_cast<long long>(value)) {}
QK_TAny::QK_TAny(long long value) : value_(value) {}
QK_TAny::QK_TAny(unsigned long long value) : value_(static_cast<long long>(value)) {}
QK_TAny::QK_TAny(double value) : value_(value) {}
QK_TAny::QK_TAny(const char* value) : value_(QK_TString(value)) {}
QK_TAny::QK_TAny(const wchar_t* value) : value_(QK_TString(value)) {}
QK_TAny::QK_TAny(const QK_TString& value) : value_(value) {}
QK_TAny::QK_TAny(QK_TString&& value) : value_(std::move(value)) {}
QK_TAny::QK_TAny(const QK_TURL& value) : value_(qk_detail::Box<QK_TURL>(value)) {}
QK_TAny::QK_TAny(const QK_TDict& value) : value_(qk_detail::Box<QK_TDict>(value)) {}
QK_TAny::QK_TAny(const QK_TArray& value) : value_(qk_detail::Box<QK_TArray>(value)) {}
QK_TAny::QK_TAny(const QK_TTree& value) : value_(qk_detail::Box<QK_TTree>(value)) {}
QK_TAny::QK_TAny(QK_TTree&& value) : value_(qk_detail::Box<QK_TTree>(std::move(value))) {}
QK_TAny::QK_TAny(const QK_TList& value) : value_(qk_detail::Box<QK_TList>(value)) {}
QK_TAny::QK_TAny(const QK_TAny& other) = default;
// A moved-from value is left as the no-value marker: its boxed container is
// gone, so it must not keep claiming that kind.
QK_TAny::QK_TAny(QK_TAny&& other) noexcept : value_(std::move(other.value_)) {
  other.value_ = std::monostate();
}
QK_TAny& QK_TAny::operator=(const QK_TAny& other) = default;
QK_TAny& QK_TAny::operator=(QK_TAny&& other) noexcept {
  if (this != &other) {
    value_ = std::move(other.value_);
    other.value_ = std::monostate();
  }
  return *this;
}
QK_TAny::~QK_TAny() = default;

QK_TAny::Kind QK_TAny::GetKind() const { return static_cast<Kind>(value_.index()); }

const char* QK_TAny::KindName(Kind kind) {
  switch (kind) {
    case Kind::Illegal: return "no value";
    case Kind::Bool: return "bool";
    case Kind::Int: return "int";
    case Kind::Double: return "double";
    case Kind::String: return "string";
    case Kind::URL: return "url";
    case Kind::Dict: return "dict";
    case Kind::Array: return "array";
    case Kind::Tree: return "tree";
    case Kind::List: return "list";
  }
  return "?";
}

void QK_TAny::WrongKind(Kind wanted) const {
  QK_THROW(QK_EException(QK_TString::Format("QK_TAny: the value is a %s, not a %s",
                                            KindName(GetKind()), KindName(wanted))));
}

bool QK_TAny::AsBool() const {
  if (!Is(Kind::Bool)) WrongKind(Kind::Bool);
  return std::get<bool>(value_);
}

long long QK_TAny::AsInt() const {
  if (!Is(Kind::Int)) WrongKind(Kind::Int);
  return std::get<long long>(value_);
}

double QK_TAny::AsDouble() const {
  if (Is(Kind::Int)) return static_cast<double>(std::get<long long>(value_));
  if (!Is(Kind::Double)) WrongKind(Kind::Double);
  return std::get<double>(value_);
}

const QK_TString& QK_TAny::AsString() const {
  if (!Is(Kind::String)) WrongKind(Kind::String);
  return std::get<QK_TString>(value_);
}

#define QK_ANY_BOXED_ACCESS(Type, KindValue, Method)                                 \
  const Type& QK_TAny::Method() const {                                              \
    if (!Is(KindValue)) WrongKind(KindValue);                                        \
    return std::get<qk_detail::Box<Type>>(value_).get();                             \
  }

QK_ANY_BOXED_ACCESS(QK_TURL, Kind::URL, AsURL)
QK_ANY_BOXED_ACCESS(QK_TDict, Kind::Dict, AsDict)
QK_ANY_BOXED_ACCESS(QK_TArray, Kind::Array, AsArray)
QK_ANY_BOXED_ACCESS(QK_TTree, Kind::Tree, AsTree)
QK_ANY_BOXED_ACCESS(QK_TList, Kind::List, AsList)

QK_TDict& QK_TAny::AsDict() {
  if (!Is(Kind::Dict)) WrongKind(Kind::Dict);
  return std::get<qk_detail::Box<QK_TDict>>(value_).get();
}

QK_TArray& QK_TAny::AsArray() {
  if (!Is(Kind::Array)) WrongKind(Kind::Array);
  return std::get<qk_detail::Box<QK_TArray>>(value_).get();
}

QK_TTree& QK_TAny::AsTree() {
  if (!Is(Kind::Tree)) WrongKind(Kind::Tree);
  return std::get<qk_detail::Box<QK_TTree>>(value_).get();
}

namespace {

void WriteQuoted(std::ostream& out, const QK_TString& text) {
  out << '"';
  for (char c : text.str()) {
    if (c == '"' || c == '\\') out << '\\';
    out << c;
  }
  out << '"';
}

// Inside a container, text is quoted so that it stands apart from its neighbours.
void WriteItem(std::ostream& out, const QK_TAny& item) {
  if (item.Is(QK_TAny::Kind::String) || item.Is(QK_TAny::Kind::URL)) {
    WriteQuoted(out, item.ToText());
  } else {
    out << item.ToText();
  }
}

template <class Entries>
void WriteEntries(std::ostream& out, const Entries& entries) {
  out << '{';
  bool first = true;
  for (const auto& entry : entries) {
    if (!first) out << ", ";
    first = false;
    WriteQuoted(out, entry.first);
    out << ": ";
    WriteItem(out, entry.second);
  }
  out << '}';
}

void WriteItems(std::ostream& out, const QK_TArray& items) {
  out << '[';
  bool first = true;
  for (const QK_TAny& item : items) {
    if (!first) out << ", ";
    first = false;
    WriteItem(out, item);
  }
  out << ']';
}

}  // namespace

QK_TString QK_TAny::ToText() const {
  std::ostringstream out;
  switch (GetKind()) {
    case Kind::Illegal: return QK_TString();
    case Kind::Bool: return std::get<bool>(value_) ? "true" : "false";
    case Kind::Int: return QK_TString(std::to_string(std::get<long long>(value_)));
    case Kind::Double: out << std::get<double>(value_); break;
    case Kind::String: return std::get<QK_TString>(value_);
    case Kind::URL: return AsURL().ToString();
    case Kind::Dict: WriteEntries(out, AsDict()); break;
    case Kind::Tree: WriteEntries(out, AsTree()); break;
    case Kind::Array: WriteItems(out, AsArray()); break;
    case Kind::List: WriteItems(out, AsList()); break;
  }
  return QK_TString(out.str());
}

bool operator==(const QK_TAny& a, const QK_TAny& b) {
  if (a.value_.index() != b.value_.index()) return false;
  switch (a.GetKind()) {
    case QK_TAny::Kind::Illegal: return true;
    case QK_TAny::Kind::Bool: return a.AsBool() == b.AsBool();
    case QK_TAny::Kind::Int: return a.AsInt() == b.AsInt();
    case QK_TAny::Kind::Double: return a.AsDouble() == b.AsDouble();
    case QK_TAny::Kind::String: return a.AsString() == b.AsString();
    case QK_TAny::Kind::URL: return a.AsURL() == b.AsURL();
    case QK_TAny::Kind::Dict: return a.AsDict() == b.AsDict();
    case QK_TAny::Kind::Array: return a.AsArray() == b.AsArray();
    case QK_TAny::Kind::Tree: return a.AsTree() == b.AsTree();
    case QK_TAny::Kind::List: return a.AsList() == b.AsList();
  }
  return false;
}
