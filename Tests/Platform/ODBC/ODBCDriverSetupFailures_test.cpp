// The driver-setup library when it cannot write what it is asked to: it
// refuses attributes odbc.ini cannot keep before writing anything, and a
// write that fails takes the half-written data source away again.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <odbcinst.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "OdbcSandbox.h"

namespace {

// When set, the write of this keyword fails as a full disk would make it.
std::string failingKeyword;

}  // namespace

// Stands in for the installer's own function for the whole test program:
// the library, loaded by the installer, binds to this one. It passes every
// write on, except the one of `failingKeyword`.
extern "C" BOOL SQLWritePrivateProfileString(LPCSTR section, LPCSTR entry, LPCSTR value, LPCSTR file) {
  using Write = BOOL (*)(LPCSTR, LPCSTR, LPCSTR, LPCSTR);
  static const auto installer = reinterpret_cast<Write>(dlsym(RTLD_NEXT, "SQLWritePrivateProfileString"));
  if (!failingKeyword.empty() && entry != nullptr && failingKeyword == entry) return 0;
  return installer(section, entry, value, file);
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
  ~DriverSetupFailureTest() override { failingKeyword.clear(); }

  OdbcSandbox odbc_;
  std::string site_;
};

TEST_F(DriverSetupFailureTest, AFailedWriteRemovesTheHalfWrittenDataSource) {
  failingKeyword = "DATABASE";
  EXPECT_FALSE(AddSystemDataSource(List({"DSN=task1", "SERVER=h", "DATABASE=d.db", "PORT=1"})));
  EXPECT_NE(InstallerMessage().find("DATABASE"), std::string::npos) << InstallerMessage();
  EXPECT_EQ(odbc_.DataSources().count("task1"), 0u) << "no section with only its first attributes";
  EXPECT_EQ(SystemIni(), site_) << "the other data sources stay as they were";

  failingKeyword.clear();
  EXPECT_TRUE(AddSystemDataSource(List({"DSN=task1", "SERVER=h", "DATABASE=d.db"})));
  EXPECT_EQ(odbc_.DataSources()["task1"],
            (Entries{{"Driver", "SQL Server"}, {"SERVER", "h"}, {"DATABASE", "d.db"}}));
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
