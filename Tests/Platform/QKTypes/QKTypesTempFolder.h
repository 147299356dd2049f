// A unique temporary folder for one test, removed with everything in it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

class QKTypesTempFolder {
 public:
  QKTypesTempFolder() {
    std::string pattern = ::testing::TempDir() + "qktypes-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~QKTypesTempFolder() {
    std::error_code error;
    if (!path_.empty()) std::filesystem::remove_all(path_, error);
  }
  QKTypesTempFolder(const QKTypesTempFolder&) = delete;
  QKTypesTempFolder& operator=(const QKTypesTempFolder&) = delete;

  // Empty when the folder could not be made.
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};
