// Base library string: UTF-8 inside, wide text on demand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

class QK_TString {
 public:
  static const QK_TString sEmpty;
  static constexpr std::size_t npos = std::string::npos;

  QK_TString() = default;
  QK_TString(const char* text, int length = -1);
  QK_TString(const wchar_t* text, int length = -1);
  QK_TString(std::string text) : text_(std::move(text)) {}
  QK_TString(const std::wstring& text);

  // printf-style formatting; "%s" takes narrow C strings.
  static QK_TString Format(const char* format, ...)
      __attribute__((format(printf, 1, 2)));

  const char* c_str() const { return text_.c_str(); }
  std::wstring wc_str() const;
  const std::string& str() const { return text_; }

  std::size_t Length() const { return text_.size(); }
  bool Empty() const { return text_.empty(); }

  // Byte offset of the first (or last) occurrence at or after (before) `from`.
  std::size_t Find(const QK_TString& what, std::size_t from = 0) const;
  std::size_t FindLast(const QK_TString& what) const;
  std::size_t FindLast(char what) const;
  QK_TString Substring(std::size_t from, std::size_t count = npos) const;

  QK_TString Trim() const;
  QK_TString ToUpper() const;
  QK_TString ToLower() const;
  // Every occurrence of `what` replaced by `with`.
  QK_TString Replace(const QK_TString& what, const QK_TString& with) const;
  // Every character of `what` replaced by `with`.
  QK_TString ReplaceChars(char what, char with) const;

  bool EqualsIgnoreCase(const QK_TString& other) const;
  bool StartsWith(const QK_TString& prefix, bool caseSensitive = true) const;
  bool EndsWith(const QK_TString& suffix, bool caseSensitive = true) const;
  bool Contains(const QK_TString& what) const { return Find(what) != npos; }

  // A 64-bit key of the bytes (FNV-1a): the same on every machine and in
  // every build, unlike std::hash.
  std::uint64_t StableKey() const;

  // Wildcard match: "*" any run of characters, "?" any one character.
  bool Match(const QK_TString& pattern, bool caseSensitive) const;

  QK_TString& operator+=(const QK_TString& other);
  friend QK_TString operator+(const QK_TString& a, const QK_TString& b);
  friend bool operator==(const QK_TString& a, const QK_TString& b) { return a.text_ == b.text_; }
  friend bool operator!=(const QK_TString& a, const QK_TString& b) { return a.text_ != b.text_; }
  friend bool operator<(const QK_TString& a, const QK_TString& b) { return a.text_ < b.text_; }

 private:
  std::string text_;
};

std::ostream& operator<<(std::ostream& out, const QK_TString& text);

namespace std {
template <>
struct hash<QK_TString> {
  size_t operator()(const QK_TString& s) const { return hash<string>()(s.str()); }
};
}  // namespace std
