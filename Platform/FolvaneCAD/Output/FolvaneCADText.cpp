#include "Output/FolvaneCADText.h"

#include <charconv>
#include <cmath>
#include <cstdio>

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
