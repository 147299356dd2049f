// Test helper: a fresh folder under the test temporary directory, removed
// with everything in it when the object goes. Every test that needs files of
// its own makes them here.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "QK_TURL.h"

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = ::testing::TempDir() + "shapejob-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      ADD_FAILURE() << "cannot create " << pattern;
      return;
    }
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // Empty when the folder could not be made.
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  QK_TURL Url() const { return QK_TURL::FromLocalPath(QK_TString(path_)); }

  // Writes `content` to `name` inside the folder (making the folders on the
  // way) and returns its path, or its location.
  std::string Write(const std::string& name, const std::string& content) const {
    std::string file = File(name);
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::ofstream(file, std::ios::binary) << content;
    return file;
  }
  QK_TURL WriteUrl(const std::string& name, const std::string& content) const {
    return QK_TURL::FromLocalPath(QK_TString(Write(name, content)));
  }

 private:
  std::string path_;
};
