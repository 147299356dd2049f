// Locations of the CAD operations: "file:" texts, network and local paths,
// output extensions, output folders and names, and the time script.
#include <filesystem>

#include <gtest/gtest.h>

#include "ConnectedTask.h"
#include "QK_TFile.h"

namespace {

using CAD::DRAVOInterface;

QK_TString FileUrl(const char* text) {
  QK_TString result(text);
  DRAVOInterface::ToFileURL(result);
  return result;
}

TEST(PathsTest, FileSchemeIsDroppedAndNothingElse) {
  EXPECT_EQ(DRAVOInterface::LocalPathFromFileURL("file:C:/std/box.kpx").str(), "C:/std/box.kpx");
  EXPECT_EQ(DRAVOInterface::LocalPathFromFileURL("file:///std/box.kpx").str(), "///std/box.kpx");
  EXPECT_EQ(DRAVOInterface::LocalPathFromFileURL("/std/box.kpx").str(), "/std/box.kpx");
  EXPECT_EQ(DRAVOInterface::FileNameOfPath("C:\\designs\\box.kpx").str(), "box.kpx");
  EXPECT_EQ(DRAVOInterface::FileNameOfPath("box.kpx").str(), "box.kpx");
}

TEST(PathsTest, KnownExtensionsAreReplacedOthersKeptTheWantedOneNotDoubled) {
  auto changed = [](const char* path, const char* extension) {
    QK_TURL url = QK_TURL::FromLocalPath(path);
    DRAVOInterface::ChangeExtension(url, extension);
    return url.LocalName().str();
  };
  EXPECT_EQ(changed("/out/a.JPG", ".PNG"), "/out/a.PNG");
  EXPECT_EQ(changed("/out/a.cff2", ".MFG"), "/out/a.MFG") << "known ignoring case";
  EXPECT_EQ(changed("/out/a.txt", ".xml"), "/out/a.txt.xml");
  EXPECT_EQ(changed("/out/a.XML", ".xml"), "/out/a.xml") << "a known one is replaced";
  EXPECT_EQ(changed("/out/a.old", ".OLD"), "/out/a.old");
  EXPECT_EQ(changed("/out/a", ".kpx"), "/out/a.kpx");
}

TEST(PathsTest, TextsBecomeFileLocations) {
  EXPECT_EQ(FileUrl("file:\\\\srv\\x").str(), "file:\\\\srv\\x") << "already one";
  EXPECT_EQ(FileUrl("\\\\srv\\share\\a.kpx").str(), "file://srv/share/a.kpx");
  EXPECT_EQ(FileUrl("C:\\out\\a b").str(), QK_TURL::LocalToURL("C:/out/a b").ToString(false).str());
  EXPECT_EQ(FileUrl("/out/a b").str(), "file:///out/a b");
  EXPECT_EQ(FileUrl("out/a").str(), "file://out/a");
  EXPECT_EQ(DRAVOInterface::ToHostLocalPath("C:\\out\\a.pdf", "file://localhost/jobs/x").str(), "/out/a.pdf");
  EXPECT_EQ(DRAVOInterface::ToHostLocalPath("C:\\out\\a.pdf", "file://print01/jobs/x").str(), "//print01/out/a.pdf");
  EXPECT_EQ(DRAVOInterface::ToHostLocalPath("\\\\srv\\out\\a.pdf", "file://print01/x").str(), "//srv/out/a.pdf");
  EXPECT_EQ(DRAVOInterface::ToHostLocalPath("/out/a.pdf", "file:///jobs/x").str(), "/out/a.pdf")
      << "a local path keeps its one leading slash";
  EXPECT_EQ(DRAVOInterface::ToHostLocalPath("/out/a.pdf", "file://print01/jobs/x").str(), "//print01/out/a.pdf");
}

class PathsTaskTest : public TaskTest {
 protected:
  testing::NiceMock<MockDriver> cad{&task};
};

TEST_F(PathsTaskTest, DesignLocationsMustBeFileTextsOrNetworkPaths) {
  EXPECT_EQ(cad.MakeDesignURL("\\\\srv\\designs").LocalName().str(), "//srv/designs");
  EXPECT_EQ(cad.MakeDesignURL("file:///designs/a%20b").LocalName().str(), "/designs/a b");
  EXPECT_THROW(cad.MakeDesignURL("C:\\designs"), TaskError);
  EXPECT_EQ(sink.events, (std::vector<std::string>{"message 2 shapejobs.error.invaliddesignurl C:\\designs"}));
}

TEST_F(PathsTaskTest, FolderTreesAreCreatedLevelByLevel) {
  const QK_TURL deep = folder.Url().Child("a/b/c");
  DRAVOInterface::CreateFolderTree(deep);
  EXPECT_TRUE(std::filesystem::is_directory(deep.LocalName().str()));
  DRAVOInterface::CreateFolderTree(deep);  // there already: nothing happens
  folder.Write("file", "x");
  EXPECT_THROW(DRAVOInterface::CreateFolderTree(folder.Url().Child("file/sub")), QK_ECouldNotCreateDirectory);
}

TEST_F(PathsTaskTest, ManufacturingFilesAreNamedInTheirResolvedFolder) {
  task.GetTName().Define("out", QK_TString(folder.path()));
  task.GetTName().Define("file", "order-7");
  CAD::LOTicketParam record;
  record.mfgOutputFolder = "<out/>/mfg/new";
  QK_TString name;
  QK_TURL mfg = cad.MakeMFGOutputPath(record, name);
  EXPECT_EQ(name.str(), "order-7") << "no name: the input file's";
  EXPECT_EQ(mfg.LocalName().str(), folder.File("mfg/new/order-7.MFG"));
  EXPECT_TRUE(std::filesystem::is_directory(folder.File("mfg/new")));

  record.mfgOutputFileName = "sheet.mfg";
  EXPECT_EQ(cad.MakeMFGOutputPath(record, name).FileName().str(), "sheet.MFG");
  record.layoutForProduction = true;
  task.GetTName().Define("autonr1", "0042");
  EXPECT_EQ(cad.MakeMFGOutputPath(record, name).FileName().str(), "sheet_0042.MFG");
  record.mfgOutputFileName = "sheet";
  EXPECT_EQ(cad.MakeMFGOutputPath(record, name).FileName().str(), "sheet_0042.MFG");

  record.mfgOutputFolder = "<nowhere/>";
  try {
    cad.MakeMFGOutputPath(record, name);
    ADD_FAILURE() << "no exception";
  } catch (const QK_EException& e) {
    EXPECT_EQ(e.QK_Message().str(), "Veltrop: <nowhere/> failed to resolved:");
  }
  EXPECT_EQ(sink.events.back(), "message 2 shapejobs.message.couldnotresolve <nowhere/>");
}

TEST_F(PathsTaskTest, PreviewsGoToTheirResolvedFolder) {
  task.GetTName().Define("out", QK_TString(folder.path()));
  CAD::LOTicketParam record;
  record.previewOutputFolder = "<out/>/previews";
  EXPECT_EQ(cad.MakePreviewOutputPath(record, "p.png").LocalName().str(), folder.File("previews/p.png"));
  EXPECT_TRUE(std::filesystem::is_directory(folder.File("previews")));
}

TEST_F(PathsTaskTest, TheTimeScriptSetsTheLayoutsTimeInSeconds) {
  using std::chrono::system_clock;
  const auto now = [] { return system_clock::to_time_t(system_clock::now()); };
  const auto before = now();
  const QK_TURL script(cad.WriteTimeScript());
  const auto after = now();
  const std::string text = QK_TFile::ReadAll(script).str();
  ASSERT_EQ(text.rfind("dset LAY.FIL1.TIME$ = \"", 0), 0u) << text;
  const long long seconds = std::stoll(text.substr(23));
  EXPECT_GE(seconds, before);
  EXPECT_LE(seconds, after);
  EXPECT_EQ(text.back(), '\n');
}

TEST(PathsTest, WithoutATaskThereIsNoTemporaryFile) {
  testing::NiceMock<MockDriver> cad(nullptr);
  EXPECT_THROW(cad.WriteTimeScript(), QK_EException);
}

}  // namespace
