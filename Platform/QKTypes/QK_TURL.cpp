#include "QK_TURL.h"

#include <cctype>
#include <string>

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecode(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      int high = HexValue(text[i + 1]);
      int low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::string PercentEncode(const std::string& path) {
  std::string out;
  for (unsigned char c : path) {
    if (std::isalnum(c) || std::string("/-._~:@").find(static_cast<char>(c)) != std::string::npos) {
      out += static_cast<char>(c);
    } else {
      out += QK_TString::Format("%%%02X", c).str();
    }
  }
  return out;
}

// The offset where the last part of a path starts.
std::size_t LastPartStart(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace

QK_TURL::QK_TURL(const QK_TString& text) {
  const std::string& raw = text.str();
  if (text.StartsWith("file:", false)) {
    std::string rest = raw.substr(5);
    if (rest.compare(0, 2, "//") == 0) {
      rest = rest.substr(2);
      // "file://host/path": only the local host is meaningful here.
      std::size_t slash = rest.find('/');
      std::string host = slash == std::string::npos ? rest : rest.substr(0, slash);
      rest = slash == std::string::npos ? std::string("/") : rest.substr(slash);
      if (!host.empty() && host != "localhost") rest = "//" + host + rest;
    }
    path_ = QK_TString(PercentDecode(rest)).ReplaceChars('\\', '/');
  } else {
    path_ = text.ReplaceChars('\\', '/');
  }
}

QK_TURL QK_TURL::FromLocalPath(const QK_TString& path) {
  QK_TURL url;
  url.path_ = path.ReplaceChars('\\', '/');
  return url;
}

QK_TString QK_TURL::ToString(bool localForm) const {
  if (localForm) return path_;
  if (path_.StartsWith("/")) return QK_TString("file://" + PercentEncode(path_.str()));
  return path_;
}

QK_TURL QK_TURL::Child(const QK_TString& name) const {
  if (path_.Empty()) return FromLocalPath(name);
  std::string base = path_.str();
  if (base.back() != '/') base += '/';
  return FromLocalPath(QK_TString(base) + name);
}

QK_TURL QK_TURL::Parent() const {
  std::string path = path_.str();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return FromLocalPath(".");
  return FromLocalPath(QK_TString(slash == 0 ? std::string("/") : path.substr(0, slash)));
}

QK_TString QK_TURL::FileName() const {
  const std::string& path = path_.str();
  return QK_TString(path.substr(LastPartStart(path)));
}

void QK_TURL::SetFileName(const QK_TString& name) {
  const std::string& path = path_.str();
  path_ = QK_TString(path.substr(0, LastPartStart(path))) + name;
}

QK_TString QK_TURL::Extension() const {
  QK_TString name = FileName();
  std::size_t dot = name.FindLast('.');
  if (dot == QK_TString::npos || dot == 0) return QK_TString();
  return name.Substring(dot);
}

void QK_TURL::SetExtension(const QK_TString& extension) {
  QK_TString name = FileName();
  std::size_t dot = name.FindLast('.');
  QK_TString stem = (dot == QK_TString::npos || dot == 0) ? name : name.Substring(0, dot);
  SetFileName(stem + extension);
}
