#include "QK_TString.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <vector>

const QK_TString QK_TString::sEmpty;

namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string WideToUtf8(const wchar_t* text, std::size_t length) {
  std::string out;
  out.reserve(length);
  for (std::size_t i = 0; i < length; ++i) {
    char32_t c = static_cast<char32_t>(text[i]);
    if (c > 0x10FFFF) c = 0xFFFD;
    AppendUtf8(out, c);
  }
  return out;
}

// True for a code point that its sequence length may carry: not overlong,
// not a surrogate, not past the last code point.
bool ValidCodePoint(char32_t c, int extra) {
  static const char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  return c >= kSmallest[extra] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

// Decodes UTF-8; a malformed byte becomes U+FFFD so nothing is dropped silently.
std::wstring Utf8ToWide(const std::string& text) {
  std::wstring out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    int extra = b < 0x80 ? 0 : (b >> 5) == 0x6 ? 1 : (b >> 4) == 0xE ? 2 : (b >> 3) == 0x1E ? 3 : -1;
    if (extra < 0 || i + extra >= text.size()) {
      out += L'\xFFFD';
      ++i;
      continue;
    }
    char32_t c = extra == 0 ? b : (b & (0x3F >> extra));
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      unsigned char n = static_cast<unsigned char>(text[i + k]);
      if ((n & 0xC0) != 0x80) { ok = false; break; }
      c = (c << 6) | (n & 0x3F);
    }
    if (!ok || !ValidCodePoint(c, extra)) {
      out += L'\xFFFD';
      ++i;
      continue;
    }
    out += static_cast<wchar_t>(c);
    i += extra + 1;
  }
  return out;
}

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }
char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool WildcardMatch(const char* text, const char* pattern, bool caseSensitive) {
  // Iterative matcher with back-tracking to the last "*".
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*text) {
    char t = caseSensitive ? *text : Lower(*text);
    char p = caseSensitive ? *pattern : Lower(*pattern);
    if (*pattern == '*') {
      star = pattern++;
      resume = text;
    } else if (*pattern && (*pattern == '?' || p == t)) {
      ++pattern;
      ++text;
    } else if (star) {
      pattern = star + 1;
      text = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

}  // namespace

QK_TString::QK_TString(const char* text, int length) {
  if (text == nullptr) return;
  text_ = length < 0 ? std::string(text) : std::string(text, static_cast<std::size_t>(length));
}

QK_TString::QK_TString(const wchar_t* text, int length) {
  if (text == nullptr) return;
  std::size_t n = length < 0 ? std::wcslen(text) : static_cast<std::size_t>(length);
  text_ = WideToUtf8(text, n);
}

QK_TString::QK_TString(const std::wstring& text) : text_(WideToUtf8(text.data(), text.size())) {}

QK_TString QK_TString::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out;
  if (needed > 0) {
    std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    out.assign(buffer.data(), static_cast<std::size_t>(needed));
  }
  va_end(args);
  return QK_TString(std::move(out));
}

std::wstring QK_TString::wc_str() const { return Utf8ToWide(text_); }

std::size_t QK_TString::Find(const QK_TString& what, std::size_t from) const {
  return text_.find(what.text_, from);
}

std::size_t QK_TString::FindLast(const QK_TString& what) const { return text_.rfind(what.text_); }

std::size_t QK_TString::FindLast(char what) const { return text_.rfind(what); }

QK_TString QK_TString::Substring(std::size_t from, std::size_t count) const {
  if (from >= text_.size()) return QK_TString();
  return QK_TString(text_.substr(from, count));
}

QK_TString QK_TString::Trim() const {
  const char* space = " \t\r\n\v\f";
  std::size_t first = text_.find_first_not_of(space);
  if (first == std::string::npos) return QK_TString();
  std::size_t last = text_.find_last_not_of(space);
  return QK_TString(text_.substr(first, last - first + 1));
}

QK_TString QK_TString::ToUpper() const {
  std::string out = text_;
  std::transform(out.begin(), out.end(), out.begin(), Upper);
  return QK_TString(std::move(out));
}

QK_TString QK_TString::ToLower() const {
  std::string out = text_;
  std::transform(out.begin(), out.end(), out.begin(), Lower);
  return QK_TString(std::move(out));
}

QK_TString QK_TString::Replace(const QK_TString& what, const QK_TString& with) const {
  if (what.Empty()) return *this;
  std::string out;
  std::size_t pos = 0;
  for (;;) {
    std::size_t hit = text_.find(what.text_, pos);
    if (hit == std::string::npos) break;
    out.append(text_, pos, hit - pos);
    out += with.text_;
    pos = hit + what.text_.size();
  }
  out.append(text_, pos, std::string::npos);
  return QK_TString(std::move(out));
}

QK_TString QK_TString::ReplaceChars(char what, char with) const {
  std::string out = text_;
  std::replace(out.begin(), out.end(), what, with);
  return QK_TString(std::move(out));
}

bool QK_TString::EqualsIgnoreCase(const QK_TString& other) const {
  if (text_.size() != other.text_.size()) return false;
  for (std::size_t i = 0; i < text_.size(); ++i) {
    if (Lower(text_[i]) != Lower(other.text_[i])) return false;
  }
  return true;
}

bool QK_TString::StartsWith(const QK_TString& prefix, bool caseSensitive) const {
  if (prefix.Length() > Length()) return false;
  QK_TString head = Substring(0, prefix.Length());
  return caseSensitive ? head == prefix : head.EqualsIgnoreCase(prefix);
}

std::uint64_t QK_TString::StableKey() const {
  std::uint64_t key = 14695981039346656037ULL;
  for (unsigned char c : text_) {
    key ^= c;
    key *= 1099511628211ULL;
  }
  return key;
}

bool QK_TString::EndsWith(const QK_TString& suffix, bool caseSensitive) const {
  if (suffix.Length() > Length()) return false;
  QK_TString tail = Substring(Length() - suffix.Length());
  return caseSensitive ? tail == suffix : tail.EqualsIgnoreCase(suffix);
}

bool QK_TString::Match(const QK_TString& pattern, bool caseSensitive) const {
  return WildcardMatch(text_.c_str(), pattern.text_.c_str(), caseSensitive);
}

QK_TString& QK_TString::operator+=(const QK_TString& other) {
  text_ += other.text_;
  return *this;
}

QK_TString operator+(const QK_TString& a, const QK_TString& b) { return QK_TString(a.text_ + b.text_); }

std::ostream& operator<<(std::ostream& out, const QK_TString& text) { return out << text.str(); }
