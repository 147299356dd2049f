#include "QK_TFile.h"

#include <sys/resource.h>

#include <csignal>
#include <string>

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "QK_EException.h"

namespace {

class QKTFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(folder_.path().empty()); }
  QK_TURL At(const char* relative) const {
    return QK_TURL::FromLocalPath(QK_TString(folder_.path())).Child(relative);
  }

  TempFolder folder_;
};

TEST_F(QKTFileTest, WriteAllThenReadAllGivesTheSameBytes) {
  const char raw[] = "line 1\r\nGr\xC3\xB6\xC3\x9F" "e\0end";
  QK_TString content(std::string(raw, sizeof raw - 1));
  QK_TURL file = At("a b.txt");
  QK_TFile::WriteAll(file, content);
  EXPECT_EQ(QK_TFile::ReadAll(file), content);
  EXPECT_EQ(QK_TFileInfo(file).Size(), content.Length());
  EXPECT_TRUE(QK_TFileInfo(file).IsFile());

  QK_TFile::WriteAll(file, "short");
  EXPECT_EQ(QK_TFile::ReadAll(file).str(), "short");
}

TEST_F(QKTFileTest, ReadingAMissingFileNamesIt) {
  QK_TURL missing = At("missing.txt");
  try {
    QK_TFile::ReadAll(missing);
    FAIL() << "a missing file was read";
  } catch (const QK_EException& error) {
    EXPECT_TRUE(error.Describe().Contains(missing.LocalName())) << error.Describe();
  }
  EXPECT_THROW(QK_TFile::ReadAll(At("")), QK_EException) << "a folder is not a file";
}

// While it lives, files of this process end at `bytes`: a write past that
// fails part way, as on a full disk (the signal that would end the process
// instead is ignored).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*previous_)(int) = nullptr;
};

// The failure of WriteAll at `file`: its message, or "" when it wrote.
std::string WriteFailure(const QK_TURL& file, const QK_TString& content) {
  try {
    QK_TFile::WriteAll(file, content);
  } catch (const QK_ECouldNotWriteFile& e) {
    EXPECT_EQ(e.QK_Data().ToText(), file.LocalName()) << "the data names the file";
    return e.QK_Message().str();
  }
  return "";
}

TEST_F(QKTFileTest, AWriteThatFailsSaysWhyAndLeavesNoFile) {
  const QK_TURL cut = At("cut.xml");
  QK_TFile::WriteAll(cut, "an earlier version");
  {
    const FileSizeLimit limit(4096);
    EXPECT_EQ(WriteFailure(cut, QK_TString(std::string(10000, 'x'))), "Cannot write the file: File too large");
  }
  EXPECT_FALSE(QK_TFileInfo::ExistsEx(cut)) << "the cut file is removed";

  EXPECT_EQ(WriteFailure(At("no/such/folder.txt"), "x"), "Cannot write the file: No such file or directory");
  EXPECT_EQ(WriteFailure(At(""), "x"), "Cannot write the file: Is a directory");
  // A device is written through but never removed.
  EXPECT_EQ(WriteFailure(QK_TURL::FromLocalPath("/dev/full"), "x"), "Cannot write the file: No space left on device");
  EXPECT_TRUE(QK_TFileInfo::ExistsEx(QK_TURL::FromLocalPath("/dev/full")));
  EXPECT_EQ(WriteFailure(QK_TURL::FromLocalPath("/dev/null"), "x"), "");
}

TEST_F(QKTFileTest, CreateDirExMakesParentsAndRemoveTreeRemovesAll) {
  QK_TURL deep = At("a/b/c");
  EXPECT_TRUE(QK_TFileInfo::CreateDirEx(deep));
  EXPECT_TRUE(QK_TFileInfo(deep).IsDirectory());
  EXPECT_TRUE(QK_TFileInfo::CreateDirEx(deep)) << "an existing folder is fine";
  QK_TFile::WriteAll(deep.Child("f.txt"), "x");

  QK_TURL top = At("a");
  EXPECT_FALSE(QK_TFile::Remove(top)) << "a folder that is not empty stays";
  EXPECT_TRUE(QK_TFile::RemoveTree(top));
  EXPECT_FALSE(QK_TFileInfo::ExistsEx(top));
  EXPECT_FALSE(QK_TFile::RemoveTree(top));
  EXPECT_FALSE(QK_TFileInfo::ExistsEx(QK_TURL()));

  QK_TFile::WriteAll(At("f.txt"), "x");
  EXPECT_FALSE(QK_TFileInfo::CreateDirEx(At("f.txt/sub")));
}

TEST_F(QKTFileTest, RenameMovesTheFile) {
  QK_TFile::WriteAll(At("from.txt"), "x");
  EXPECT_TRUE(QK_TFile::Rename(At("from.txt"), At("to.txt")));
  EXPECT_FALSE(QK_TFileInfo(At("from.txt")).Exists());
  EXPECT_EQ(QK_TFile::ReadAll(At("to.txt")).str(), "x");
  EXPECT_FALSE(QK_TFile::Rename(At("from.txt"), At("again.txt")));
}

TEST_F(QKTFileTest, AFolderThatCannotBeMadeIsItsOwnFailureClass) {
  QK_TFile::WriteAll(At("plain"), "x");
  EXPECT_FALSE(QK_TFileInfo::CreateDirEx(At("plain/sub")));
  EXPECT_TRUE(QK_TFileInfo::CreateDirEx(At("a/b")));
  try {
    QK_THROW(QK_ECouldNotCreateDirectory(QK_TString("no folder"), QK_TAny(At("plain/sub"))));
  } catch (const QK_EException& e) {
    EXPECT_NE(e.QK_DynamicInfo("QK_ECouldNotCreateDirectory"), nullptr);
    EXPECT_EQ(e.QK_Message().str(), "no folder");
  }
  try {
    QK_THROW(QK_EOutOfMemory(QK_TString("parser out of memory")));
  } catch (const QK_EException& e) {
    EXPECT_NE(e.QK_DynamicInfo("QK_EOutOfMemory"), nullptr);
  }
}

}  // namespace
