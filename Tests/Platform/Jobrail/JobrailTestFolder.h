// A fresh folder under the test temporary directory, removed with everything
// in it when the object goes.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "QK_TFile.h"
#include "QK_TURL.h"

class JobrailTestFolder {
 public:
  JobrailTestFolder() {
    std::string pattern = ::testing::TempDir() + "jobrail-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot create " << pattern;
    path_ = QK_TURL::FromLocalPath(pattern);
  }
  ~JobrailTestFolder() { std::filesystem::remove_all(path_.LocalName().str()); }
  JobrailTestFolder(const JobrailTestFolder&) = delete;
  JobrailTestFolder& operator=(const JobrailTestFolder&) = delete;

  const QK_TURL& Path() const { return path_; }
  // Writes `content` to `name` in the folder and returns its location.
  QK_TURL Write(const QK_TString& name, const QK_TString& content) const {
    QK_TURL file = path_.Child(name);
    QK_TFile::WriteAll(file, content);
    return file;
  }

 private:
  QK_TURL path_;
};
