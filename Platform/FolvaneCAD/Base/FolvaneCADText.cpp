#include "Base/FolvaneCADText.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace FolvaneCAD {

QK_TString FormatNumber(double value) {
  if (value == 0.0) return "0";  // also turns -0 into 0
  // 15 significant digits hide binary noise such as 0.30000000000000004.
  return QK_TString::Format("%.15g", value);
}

bool ParseNumber(const QK_TString& text, double* value) {
  std::string trimmed = text.Trim().str();
  const char* begin = trimmed.data();
  const char* end = begin + trimmed.size();
  if (begin != end && *begin == '+') ++begin;
  if (begin == end || (*begin == '-' && begin != trimmed.data())) return false;
  double parsed = 0.0;
  auto [stop, error] = std::from_chars(begin, end, parsed);
  if (error != std::errc() || stop != end || !std::isfinite(parsed)) return false;
  *value = parsed;
  return true;
}

bool ParseInteger(const QK_TString& text, long* value) {
  std::string trimmed = text.Trim().str();
  const char* begin = trimmed.data();
  const char* end = begin + trimmed.size();
  if (begin != end && *begin == '+') ++begin;
  if (begin == end || (*begin == '-' && begin != trimmed.data())) return false;
  long parsed = 0;
  auto [stop, error] = std::from_chars(begin, end, parsed);
  if (error != std::errc() || stop != end) return false;
  *value = parsed;
  return true;
}

QK_TString LocalPath(const QK_TString& path) { return path.ReplaceChars('\\', '/'); }

QK_TString BaseName(const QK_TString& path) {
  QK_TString local = LocalPath(path);
  std::size_t slash = local.FindLast('/');
  QK_TString name = slash == QK_TString::npos ? local : local.Substring(slash + 1);
  std::size_t dot = name.FindLast('.');
  return dot == QK_TString::npos || dot == 0 ? name : name.Substring(0, dot);
}

QK_TString LowerExtension(const QK_TString& path) {
  QK_TString local = LocalPath(path);
  std::size_t slash = local.FindLast('/');
  QK_TString name = slash == QK_TString::npos ? local : local.Substring(slash + 1);
  std::size_t dot = name.FindLast('.');
  return dot == QK_TString::npos ? QK_TString() : name.Substring(dot).ToLower();
}

bool WriteWholeFile(const QK_TString& path, const std::string& content, QK_TString* error) {
  std::string temporary = path.str() + ".writing";
  errno = 0;
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << content;
    out.close();
    if (!out) {
      *error = errno != 0 ? QK_TString(std::strerror(errno)) : QK_TString("cannot be written");
      std::remove(temporary.c_str());
      return false;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    *error = QK_TString(std::strerror(errno));
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

QK_TString QuotedText(const QK_TString& text) {
  std::string quoted = "\"";
  for (char c : text.str()) {
    switch (c) {
      case '"': quoted += "\\\""; break;
      case '\\': quoted += "\\\\"; break;
      case '\t': quoted += "\\t"; break;
      case '\n': quoted += "\\n"; break;
      case '\r': quoted += "\\r"; break;
      default: quoted += c;
    }
  }
  return QK_TString(quoted + "\"");
}

std::vector<QK_TString> Split(const QK_TString& text, char separator) {
  std::vector<QK_TString> pieces;
  std::string current;
  for (char c : text.str()) {
    if (c == separator) {
      pieces.emplace_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  pieces.emplace_back(current);
  return pieces;
}

QK_TString Join(const std::vector<QK_TString>& pieces, const QK_TString& separator) {
  QK_TString joined;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) joined += separator;
    joined += pieces[i];
  }
  return joined;
}

}  // namespace FolvaneCAD
