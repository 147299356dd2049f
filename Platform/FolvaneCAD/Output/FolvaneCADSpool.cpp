#include "Output/FolvaneCADSpool.h"

#include <filesystem>

namespace FolvaneCAD {

namespace {

constexpr char kSpoolFolder[] = "spool";
constexpr char kSpoolExtension[] = ".pdf";
constexpr char kNotInFileNames[] = "/\\:*?\"<>|";

std::string SanitizedFileName(const QK_TString& name) {
  std::string sanitized = name.str();
  for (char& c : sanitized) {
    if (static_cast<unsigned char>(c) < 0x20 || std::string(kNotInFileNames).find(c) != std::string::npos)
      c = '_';
  }
  return sanitized;
}

std::filesystem::path Numbered(const std::string& stem, long n) {
  return std::filesystem::path(stem + std::to_string(n) + kSpoolExtension);
}

bool Taken(const std::string& stem, long n) {
  std::error_code failure;
  return std::filesystem::exists(Numbered(stem, n), failure);
}

// From `from` (free, or taken with the files before it): doubling the step
// while files exist, then halving between the last taken number and the
// first free one, which is what it gives.
long FreeNumber(const std::string& stem, long from) {
  if (!Taken(stem, from)) return from;
  long taken = from;
  long step = 1;
  while (Taken(stem, taken + step)) {
    taken += step;
    step *= 2;
  }
  long free = taken + step;
  while (free - taken > 1) {
    long middle = taken + (free - taken) / 2;
    (Taken(stem, middle) ? taken : free) = middle;
  }
  return free;
}

}  // namespace

bool Spool::NextFile(const QK_TString& dataFolder, const QK_TString& outputName, QK_TString* path,
                     QK_TString* error) {
  std::filesystem::path folder = std::filesystem::path(dataFolder.str()) / kSpoolFolder;
  std::error_code failure;
  std::filesystem::create_directories(folder, failure);
  if (failure) {
    *error = "The spool folder " + QK_TString(folder.string()) + " cannot be made: " + failure.message();
    return false;
  }
  std::string stem = (folder / (SanitizedFileName(outputName) + "-")).string();
  long& next = next_.emplace(stem, 1).first->second;
  next = FreeNumber(stem, next);
  *path = QK_TString(Numbered(stem, next).string());
  return true;
}

}  // namespace FolvaneCAD
