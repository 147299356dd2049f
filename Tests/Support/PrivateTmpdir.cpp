// Every test process keeps its temporary files in a folder of its own under
// $TMPDIR (else /tmp), named in $TMPDIR for the life of the process. A task
// sweeps the folders of runs that have ended from $TMPDIR and logs each; a
// test that checks a task's events must not see the leftovers of another
// test process (a death test, a killed run) swept.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "TemporaryFolder.h"

namespace {

// The folder is removed in TearDown, which only the test process itself
// reaches, and never on destruction (not a TemporaryFolder): the child of a
// death test ends with exit(), which destroys the environment, and must not
// take the folder from under its parent.
class PrivateTmpdir : public ::testing::Environment {
 public:
  void SetUp() override {
    const char* current = std::getenv("TMPDIR");
    hadOld_ = current != nullptr;
    if (hadOld_) old_ = current;
    std::string pattern = TemporaryBase() + "/shapejob-test.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      FAIL() << "cannot make the test's temporary folder " << pattern << ": " << std::strerror(errno);
    }
    path_ = pattern;
    setenv("TMPDIR", path_.c_str(), 1);
  }

  void TearDown() override {
    if (path_.empty()) return;
    hadOld_ ? setenv("TMPDIR", old_.c_str(), 1) : unsetenv("TMPDIR");
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

 private:
  std::string path_;
  std::string old_;
  bool hadOld_ = false;
};

[[maybe_unused]] ::testing::Environment* const registered =
    ::testing::AddGlobalTestEnvironment(new PrivateTmpdir);

}  // namespace
