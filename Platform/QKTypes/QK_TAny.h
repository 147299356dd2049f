// Base library variant value. A default-constructed value is the "no value"
// marker, equal to QK_TAny::Illegal.
#pragma once

#include <memory>
#include <variant>

#include "QK_TString.h"

class QK_TURL;
class QK_TDict;
class QK_TArray;
class QK_TTree;
class QK_TList;

namespace qk_detail {
// Owning pointer with deep-copy semantics, so containers nest by value.
template <class T>
class Box {
 public:
  explicit Box(const T& value);
  explicit Box(T&& value);
  Box(const Box& other);
  Box(Box&&) noexcept = default;
  Box& operator=(const Box& other);
  Box& operator=(Box&&) noexcept = default;
  ~Box();
  T& get() { return *ptr_; }
  const T& get() const { return *ptr_; }

 private:
  std::unique_ptr<T> ptr_;
};
}  // namespace qk_detail

class QK_TAny {
 public:
  enum class Kind { Illegal, Bool, Int, Double, String, URL, Dict, Array, Tree, List };

  static const QK_TAny Illegal;

  QK_TAny();
  QK_TAny(bool value);
  QK_TAny(int value);
  QK_TAny(unsigned int value);
  QK_TAny(long value);
  QK_TAny(long long value);
  QK_TAny(unsigned long long value);
  QK_TAny(double value);
  QK_TAny(const char* value);
  QK_TAny(const wchar_t* value);
  QK_TAny(const QK_TString& value);
  QK_TAny(QK_TString&& value);
  QK_TAny(const QK_TURL& value);
  QK_TAny(const QK_TDict& value);
  QK_TAny(const QK_TArray& value);
  QK_TAny(const QK_TTree& value);
  QK_TAny(QK_TTree&& value);
  QK_TAny(const QK_TList& value);
  QK_TAny(const QK_TAny& other);
  QK_TAny(QK_TAny&& other) noexcept;
  QK_TAny& operator=(const QK_TAny& other);
  QK_TAny& operator=(QK_TAny&& other) noexcept;
  ~QK_TAny();

  Kind GetKind() const;
  static const char* KindName(Kind kind);
  bool IsIllegal() const { return GetKind() == Kind::Illegal; }
  bool Is(Kind kind) const { return GetKind() == kind; }

  // Typed access; the wrong kind throws QK_EException naming both kinds.
  bool AsBool() const;
  long long AsInt() const;
  double AsDouble() const;
  const QK_TString& AsString() const;
  const QK_TURL& AsURL() const;
  const QK_TDict& AsDict() const;
  QK_TDict& AsDict();
  const QK_TArray& AsArray() const;
  QK_TArray& AsArray();
  const QK_TTree& AsTree() const;
  QK_TTree& AsTree();
  const QK_TList& AsList() const;

  // A readable text of any value (containers in a JSON-like form).
  QK_TString ToText() const;

  friend bool operator==(const QK_TAny& a, const QK_TAny& b);
  friend bool operator!=(const QK_TAny& a, const QK_TAny& b) { return !(a == b); }

 private:
  using Storage = std::variant<std::monostate, bool, long long, double, QK_TString,
                               qk_detail::Box<QK_TURL>, qk_detail::Box<QK_TDict>,
                               qk_detail::Box<QK_TArray>, qk_detail::Box<QK_TTree>,
                               qk_detail::Box<QK_TList>>;
  [[noreturn]] void WrongKind(Kind wanted) const;
  Storage value_;
};
