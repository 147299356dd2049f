#include "Base/FolvaneCADText.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

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

namespace {

// Creates a file of a name of its own beside `path` ("<path>.writing-" and
// six random letters) and sets `temporary` to its name; -1 with errno when
// none can be made. O_EXCL makes the name this call's alone, and the mode
// 0666 lets the umask (and a folder's default ACL) decide the permissions,
// as for any file this program creates.
int CreateTemporaryBeside(const std::string& path, std::string* temporary) {
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  for (int attempt = 0; attempt < 100; ++attempt) {
    *temporary = path + ".writing-";
    for (int i = 0; i < 6; ++i) *temporary += kLetters[pick(random)];
    const int descriptor = open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor >= 0 || errno != EEXIST) return descriptor;
  }
  return -1;
}

// Writes all of `content` to `descriptor`; false with errno when it cannot.
bool WriteAll(int descriptor, const std::string& content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t wrote = write(descriptor, content.data() + done, content.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote == 0) errno = EIO;  // a write that takes nothing sets no errno of its own
    if (wrote <= 0) return false;
    done += static_cast<std::size_t>(wrote);
  }
  return true;
}

}  // namespace

// Each call writes a temporary file of its own and renames it over `path`:
// processes that save the same file at once never write into, or put in
// place, each other's unfinished file, and the last whole file wins.
bool WriteWholeFile(const QK_TString& path, const std::string& content, QK_TString* error) {
  std::string temporary;
  const int descriptor = CreateTemporaryBeside(path.str(), &temporary);
  if (descriptor < 0) {
    *error = QK_TString(std::strerror(errno));
    return false;
  }
  int failure = WriteAll(descriptor, content) ? 0 : errno;
  // A file system may report a failed write only when the file is closed.
  if (close(descriptor) != 0 && failure == 0) failure = errno;
  if (failure == 0 && std::rename(temporary.c_str(), path.c_str()) != 0) failure = errno;
  if (failure == 0) return true;
  *error = QK_TString(std::strerror(failure));
  unlink(temporary.c_str());
  return false;
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
