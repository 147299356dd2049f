#include "Output/FolvaneCADSpool.h"

#include <filesystem>
#include <string>

namespace FolvaneCAD {

namespace {

constexpr char kSpoolFolder[] = "spool";
constexpr char kSpoolExtension[] = ".pdf";
constexpr char kNotInFileNames[] = "/\\:*?\"<>|";

}  // namespace

QK_TString SanitizedFileName(const QK_TString& name) {
  std::string sanitized = name.str();
  for (char& c : sanitized) {
    if (static_cast<unsigned char>(c) < 0x20 || std::string(kNotInFileNames).find(c) != std::string::npos)
      c = '_';
  }
  return QK_TString(sanitized);
}

bool NextSpoolFile(const QK_TString& dataFolder, const QK_TString& outputName, QK_TString* path,
                   QK_TString* error) {
  std::filesystem::path folder = std::filesystem::path(dataFolder.str()) / kSpoolFolder;
  std::error_code failure;
  std::filesystem::create_directories(folder, failure);
  if (failure) {
    *error = "The spool folder " + QK_TString(folder.string()) + " cannot be made: " + failure.message();
    return false;
  }
  std::string stem = SanitizedFileName(outputName).str() + "-";
  for (long n = 1;; ++n) {
    std::filesystem::path candidate = folder / (stem + std::to_string(n) + kSpoolExtension);
    if (!std::filesystem::exists(candidate, failure)) {
      *path = QK_TString(candidate.string());
      return true;
    }
  }
}

}  // namespace FolvaneCAD
