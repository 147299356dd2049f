// The driver-setup library when it cannot write what it is asked to: it
// refuses attributes odbc.ini cannot keep before writing anything, and a
// write that fails leaves odbc.ini as it was.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>
#include <gtest/gtest.h>
#include <odbcinst.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "OdbcSandbox.h"

namespace {

// When set, putting the new odbc.ini in place fails as a full disk would
// make it.
bool failRename = false;

}  // namespace

// Stands in for the C library's rename for the whole test program: the
// driver-setup library, loaded by the installer, binds to this one.
extern "C" int rename(const char* from, const char* to) noexcept {
  using Rename = int (*)(const char*, const char*);
  static const auto real = reinterpret_cast<Rename>(dlsym(RTLD_NEXT, "rename"));
  if (failRename) {
    errno = ENOSPC;
    return -1;
  }
  return real(from, to);
}

namespace {

using Entries = OdbcSandbox::Entries;

std::string List(std::initializer_list<std::string> attributes) {
  std::string list;
  for (const std::string& attribute : attributes) list += attribute + '\0';
  return list + '\0';
}

bool AddSystemDataSource(const std::string& attributes) {
  return SQLConfigDataSource(nullptr, ODBC_ADD_SYS_DSN, "SQL Server", attributes.c_str()) != 0;
}

std::string InstallerMessage() {
  DWORD code = 0;
  char message[512] = {};
  WORD length = 0;
  SQLInstallerError(1, &code, message, sizeof message, &length);
  return message;
}

// The sandbox's odbc.ini as it stands.
std::string SystemIni() {
  std::ifstream in(std::string(std::getenv("ODBCSYSINI")) + "/odbc.ini", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class DriverSetupFailureTest : public ::testing::Test {
 protected:
  DriverSetupFailureTest() {
    EXPECT_TRUE(AddSystemDataSource(List({"DSN=site", "SERVER=site-host", "DATABASE=site.db"})));
    site_ = SystemIni();
  }
  ~DriverSetupFailureTest() override { failRename = false; }

  OdbcSandbox odbc_;
  std::string site_;
};

TEST_F(DriverSetupFailureTest, AFailedWriteLeavesOdbcIniAsItWasAndNothingBesideIt) {
  failRename = true;
  EXPECT_FALSE(AddSystemDataSource(List({"DSN=task1", "SERVER=h", "DATABASE=d.db", "PORT=1"})));
  EXPECT_NE(InstallerMessage().find("No space left on device"), std::string::npos) << InstallerMessage();
  EXPECT_EQ(SystemIni(), site_) << "no half-written data source, the others as they were";
  for (const auto& entry : std::filesystem::directory_iterator(std::getenv("ODBCSYSINI"))) {
    EXPECT_EQ(entry.path().filename().string().rfind("odbc.ini.", 0), std::string::npos) << entry.path();
  }

  failRename = false;
  EXPECT_TRUE(AddSystemDataSource(List({"DSN=task1", "SERVER=h", "DATABASE=d.db"})));
  EXPECT_EQ(odbc_.DataSources()["task1"],
            (Entries{{"Driver", "SQL Server"}, {"SERVER", "h"}, {"DATABASE", "d.db"}}));
}

// A file that a new one would take from its owner or its other names is
// rewritten in place: the same file, with its owner and links.
TEST_F(DriverSetupFailureTest, AFileOfAnotherOwnerOrWithOtherLinksStaysTheSameFile) {
  const std::string ini = std::string(std::getenv("ODBCSYSINI")) + "/odbc.ini";
  const std::string link = ini + "-link";
  ASSERT_EQ(::link(ini.c_str(), link.c_str()), 0);
  struct stat before {};
  ASSERT_EQ(stat(ini.c_str(), &before), 0);
  EXPECT_TRUE(AddSystemDataSource(List({"DSN=linked", "SERVER=h"})));
  EXPECT_EQ(SystemIni(), site_ + "[linked]\nDriver=SQL Server\nSERVER=h\n\n");
  struct stat after {};
  ASSERT_EQ(stat(link.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino) << "the other name still names odbc.ini";
  unlink(link.c_str());

  if (geteuid() != 0) GTEST_SKIP() << "giving the file to another account needs root";
  ASSERT_EQ(chown(ini.c_str(), 65534, 65534), 0);
  EXPECT_TRUE(SQLConfigDataSource(nullptr, ODBC_REMOVE_SYS_DSN, "SQL Server", List({"DSN=linked"}).c_str()));
  EXPECT_EQ(SystemIni(), site_);
  ASSERT_EQ(stat(ini.c_str(), &after), 0);
  EXPECT_EQ(after.st_uid, 65534u);
  EXPECT_EQ(after.st_gid, 65534u);
  EXPECT_EQ(after.st_ino, before.st_ino);
}

// Each change is written in the installer's layout and leaves every other
// line as it was: a section added and removed again gives back the file.
TEST_F(DriverSetupFailureTest, AddingAndRemovingASectionGivesBackTheFileByteForByte) {
  EXPECT_TRUE(AddSystemDataSource(List({"DSN=task2", "SERVER=h"})));
  EXPECT_EQ(SystemIni(), site_ + "[task2]\nDriver=SQL Server\nSERVER=h\n\n");
  EXPECT_TRUE(SQLConfigDataSource(nullptr, ODBC_REMOVE_SYS_DSN, "SQL Server", List({"DSN=TASK2"}).c_str()));
  EXPECT_EQ(SystemIni(), site_) << "names compare without regard to case";
}

TEST_F(DriverSetupFailureTest, AttributesThatOdbcIniCannotKeepAreRefusedBeforeAnythingIsWritten) {
  struct Case {
    std::string attribute;
    std::string reason;
  };
  const Case cases[] = {
      {"SERVER=h\n[evil]\nDriver=x", "line break"},
      {"SERVER=h\rx", "line break"},
      {"DATABASE=" + std::string(997, 'd'), "longer than odbc.ini keeps"},
      {"=value", "without a keyword"},
  };
  for (const Case& refused : cases) {
    EXPECT_FALSE(AddSystemDataSource(List({"DSN=site", "DESCRIPTION=replaced", refused.attribute})))
        << refused.attribute;
    EXPECT_NE(InstallerMessage().find(refused.reason), std::string::npos) << InstallerMessage();
    EXPECT_EQ(SystemIni(), site_) << "the earlier definition of the name stays whole";
  }
  // The longest line the installer keeps is still written, and the
  // installer reads it back whole.
  const std::string longest(997 - std::string("DATABASE=").size(), 'd');
  EXPECT_TRUE(AddSystemDataSource(List({"DSN=long", "DATABASE=" + longest})));
  char value[2048] = {};
  SQLSetConfigMode(ODBC_SYSTEM_DSN);
  SQLGetPrivateProfileString("long", "DATABASE", "", value, sizeof value, "ODBC.INI");
  SQLSetConfigMode(ODBC_BOTH_DSN);
  EXPECT_EQ(value, longest);
}

}  // namespace
