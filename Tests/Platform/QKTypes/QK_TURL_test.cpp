#include "QK_TURL.h"

#include <gtest/gtest.h>

namespace {

QK_TURL Url(const char* text) { return QK_TURL(QK_TString(text)); }

TEST(QKTURLTest, FileUrlsAndWindowsPathsBecomeLocalPaths) {
  EXPECT_EQ(Url("file:///tmp/a%20b/c.kpx").LocalName().str(), "/tmp/a b/c.kpx");
  EXPECT_EQ(Url("file://localhost/tmp/x").LocalName().str(), "/tmp/x");
  EXPECT_EQ(Url("FILE:/tmp/x").LocalName().str(), "/tmp/x");
  EXPECT_EQ(Url("C:\\x\\y.kpx").LocalName().str(), "C:/x/y.kpx");
  EXPECT_EQ(Url("/tmp/100%20").LocalName().str(), "/tmp/100%20") << "a plain path is not decoded";
  EXPECT_EQ(Url("file:///tmp/bad%2").LocalName().str(), "/tmp/bad%2");
}

TEST(QKTURLTest, ToStringOfAnAbsolutePathParsesBack) {
  for (const char* path : {"/tmp/a b/c.kpx", "/tmp/100%/#x?y", "/", "/tmp/Gr\xC3\xB6\xC3\x9F" "e"}) {
    QK_TString text = QK_TURL::FromLocalPath(path).ToString();
    EXPECT_TRUE(text.StartsWith("file:///")) << text;
    EXPECT_FALSE(text.Contains(" ")) << text;
    EXPECT_EQ(QK_TURL(text).LocalName().str(), path) << text;
  }
  EXPECT_EQ(QK_TURL::FromLocalPath("/tmp/a b").ToString().str(), "file:///tmp/a%20b");
  EXPECT_EQ(Url("rel/x.kpx").ToString().str(), "rel/x.kpx");
}

TEST(QKTURLTest, ExtensionIsTheLastDottedPartOfTheFileName) {
  EXPECT_EQ(Url("/jobs/job").Extension().str(), "");
  EXPECT_EQ(Url("/jobs/job.tar.gz").Extension().str(), ".gz");
  EXPECT_EQ(Url("/jobs/.hidden").Extension().str(), "");
  EXPECT_EQ(Url("/jobs.d/job").Extension().str(), "");

  QK_TURL url = Url("/jobs/job.tar.gz");
  url.SetExtension(".zip");
  EXPECT_EQ(url.LocalName().str(), "/jobs/job.tar.zip");
  url = Url("/jobs.d/job");
  url.SetExtension(".kpx");
  EXPECT_EQ(url.LocalName().str(), "/jobs.d/job.kpx");
  url = Url("/jobs/.hidden");
  url.SetExtension(".kpx");
  EXPECT_EQ(url.LocalName().str(), "/jobs/.hidden.kpx");
}

TEST(QKTURLTest, FileNameChildAndParent) {
  QK_TURL url = Url("/jobs/in/job.kpx");
  EXPECT_EQ(url.FileName().str(), "job.kpx");
  url.SetFileName("other.pdf");
  EXPECT_EQ(url.LocalName().str(), "/jobs/in/other.pdf");
  EXPECT_EQ(Url("job.kpx").FileName().str(), "job.kpx");

  EXPECT_EQ(Url("/jobs").Child("in").Child("a.kpx").LocalName().str(), "/jobs/in/a.kpx");
  EXPECT_EQ(Url("/jobs/").Child("a").LocalName().str(), "/jobs/a");
  EXPECT_EQ(Url("/jobs/in/a.kpx").Parent().LocalName().str(), "/jobs/in");
  EXPECT_EQ(Url("/jobs/in/").Parent().LocalName().str(), "/jobs");
  EXPECT_EQ(Url("/jobs").Parent().LocalName().str(), "/");
  EXPECT_EQ(Url("/").Parent().LocalName().str(), "/");
  EXPECT_EQ(Url("a.kpx").Parent().LocalName().str(), ".");
}

TEST(QKTURLTest, TextFormsAndTheirReadersAgree) {
  const QK_TURL url = QK_TURL::LocalToURL("C:\\out\\a b.kpx");
  EXPECT_EQ(url.LocalName().str(), "C:/out/a b.kpx");
  const QK_TURL absolute = QK_TURL::FromLocalPath("/out/a b.kpx");
  EXPECT_EQ(absolute.ToString(false).str(), "file:///out/a%20b.kpx");
  EXPECT_EQ(absolute.ToString(false), absolute.ToString());
  EXPECT_EQ(absolute.ToString(true).str(), "/out/a b.kpx") << "the local form";
  EXPECT_EQ(QK_TURL::FromString(absolute.ToString(false)), absolute);
  EXPECT_EQ(QK_TURL::FromString("file://srv/share/x").LocalName().str(), "//srv/share/x");
  EXPECT_EQ(QK_TURL::FromString("/plain/path").LocalName().str(), "/plain/path");
}

}  // namespace
