// A fresh folder of a process's own, removed with everything in it when the
// object goes; the files a test, a benchmark or a fuzz target works on are
// made in it. Without GoogleTest: what a folder that cannot be made means is
// its owner's to say (TempFolder.h fails the test).
#pragma once

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "QK_TURL.h"

// Where temporary folders go: $TMPDIR, else /tmp.
inline std::string TemporaryBase() {
  const char* base = std::getenv("TMPDIR");
  return base != nullptr && *base != '\0' ? base : "/tmp";
}

class TemporaryFolder {
 public:
  // The folder is `prefix` followed by six characters that make it new
  // ("/tmp/shapejob-bench-" gives "/tmp/shapejob-bench-a1B2c3").
  explicit TemporaryFolder(const std::string& prefix) {
    std::string pattern = prefix + "XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      error_ = pattern + ": " + std::strerror(errno);
      return;
    }
    path_ = pattern;
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  // Empty when the folder could not be made; Error() then says which and why.
  const std::string& path() const { return path_; }
  const std::string& Error() const { return error_; }

  std::string File(const std::string& name) const { return path_ + "/" + name; }
  QK_TURL Url() const { return QK_TURL::FromLocalPath(QK_TString(path_)); }

  // Replaces the file `name` inside the folder with `content`, making the
  // folders on the way; false when it cannot be written.
  bool WriteFile(const std::string& name, std::string_view content) const {
    const std::string file = File(name);
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ignored);
    std::ofstream out(file, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    return !out.fail();
  }
  // The same, returning the file's path or location; a file that could not
  // be written shows when it is read.
  std::string Write(const std::string& name, std::string_view content) const {
    WriteFile(name, content);
    return File(name);
  }
  QK_TURL WriteUrl(const std::string& name, std::string_view content) const {
    return QK_TURL::FromLocalPath(QK_TString(Write(name, content)));
  }

 private:
  std::string path_;
  std::string error_;
};
