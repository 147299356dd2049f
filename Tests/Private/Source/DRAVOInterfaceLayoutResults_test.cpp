// The results of a layout run: best nest and lowest scrap, the delivered
// file locations, and the preview of each delivered result.
#include <filesystem>

#include <boost/lexical_cast.hpp>
#include <gmock/gmock.h>

#include "OperationDriver.h"
#include "QK_EException.h"

namespace {

using CAD::DRAVOInterface;
using ::testing::_;
using ::testing::ElementsAre;
using ::testing::Return;

// A nest of `ups` one-ups on a sheet of `length` by 50, for design `name`.
struct Nests {
  void Add(const char* scrap, const char* length, const char* ups, const char* name) {
    values.push_back(std::make_shared<CAD::StringMap>(CAD::StringMap{
        {"ScrapPercent", scrap}, {"SheetLength", length}, {"SheetWidth", "50"}, {"TotalOneUps", ups}}));
    designs.emplace_back().designName = name;
    custom.push_back({CAD::StringMap{{"V", name}}});
  }
  std::string Best() {
    index = DRAVOInterface::SelectBestNest(values, designs, custom, chosen, design, chosenCustom);
    return design.designName.str();
  }
  std::vector<std::shared_ptr<CAD::StringMap>> values;
  std::vector<CAD::DesignInfo> designs;
  std::vector<CAD::StringMapList> custom;
  CAD::StringMap chosen;
  CAD::DesignInfo design;
  CAD::StringMapList chosenCustom;
  int index = 0;
};

TEST(SelectionTest, TheBestNestHasTheLeastScrapAreaPerOneupTiesKeepTheEarlierEmptyOnesDoNotCount) {
  Nests nests;
  nests.Add("0", "100", "0", "no one-ups");
  nests.Add("8", "100", "2", "8/2");
  nests.Add("10", "100", "4", "10/4");
  nests.Add("20", "50", "4", "same score");
  EXPECT_EQ(nests.Best(), "10/4");
  EXPECT_EQ(nests.index, 2);
  EXPECT_EQ(nests.chosen.at("ScrapPercent").str(), "10");
  EXPECT_EQ(nests.chosenCustom.at(0).at("V").str(), "10/4");
  nests.values.erase(nests.values.begin() + 1, nests.values.end());
  EXPECT_EQ(nests.Best(), "");
  EXPECT_EQ(nests.index, -1);
  EXPECT_TRUE(nests.chosen.empty() && nests.chosenCustom.empty());
  nests.values[0]->erase("SheetLength");
  nests.values[0]->at("TotalOneUps") = "3";
  EXPECT_THROW(nests.Best(), boost::bad_lexical_cast);
}

TEST(SelectionTest, AProductionResultHasTheLowestScrapAloneTheEarlierOnTies) {
  Nests nests;
  nests.Add("12.5", "1", "9", "a");
  nests.Add("7.25", "900", "1", "b");
  nests.Add("7.25", "1", "9", "c");
  DRAVOInterface::SelectLowestScrapResult(nests.values, nests.designs, nests.custom, nests.chosen, nests.design,
                                          nests.chosenCustom);
  EXPECT_EQ(nests.design.designName.str(), "b");
}

class ResultPathTest : public OperationTest {
 protected:
  ResultPathTest() {
    task.GetTName().Define("out", QK_TString(folder.path()));
    task.GetTName().Define("file", "order-7");
    ticket.mfgOutputFolder = "<out/>/mfg";
    ticket.previewOutputFolder = "<out/>/preview";
    ticket.previewFileFormat = "PNG";
  }
  std::string Url(const std::string& name) { return QK_TURL(QK_TString(folder.File(name))).ToString().str(); }

  TempFolder folder;
  CAD::LOTicketParam ticket;
  CAD::StringMap values;
};

TEST_F(ResultPathTest, TheManufacturingFileLosesTwoTrailingPartsThePreviewOne) {
  values["MFGFilePath"] = "file:///tmp/try/7/sheet_a_2_180.MFG";
  values["PreviewFilePath"] = "file:///tmp/try/sheet_a_2.JPG";
  EXPECT_EQ(cad.ResolveMFGFilePath(values, ticket).str(), Url("mfg/sheet_a.MFG"));
  EXPECT_TRUE(std::filesystem::is_directory(folder.File("mfg")));
  EXPECT_EQ(cad.ResolvePreviewFilePath(values, ticket).str(), Url("preview/sheet_a.PNG"));
  ticket.previewFileFormat = "jpeg";
  EXPECT_EQ(cad.ResolvePreviewFilePath(values, ticket).str(), Url("preview/sheet_a.JPG"));
  ticket.previewFileFormat = "GIF";
  EXPECT_EQ(cad.ResolvePreviewFilePath(values, ticket).str(), Url("preview/sheet_a"));
  values["MFGFilePath"] = "/tmp/try/7/_2_180.MFG";
  EXPECT_EQ(cad.ResolveMFGFilePath(values, ticket).str(), Url("mfg/order-7.MFG")) << "only the two parts";
  EXPECT_THAT(task.Messages(), ElementsAre());
}

TEST_F(ResultPathTest, AFolderWithoutValueIsReportedAndThrown) {
  ticket.mfgOutputFolder = "<nowhere/>";
  try {
    cad.ResolveMFGFilePath(values, ticket);
    FAIL() << "no exception";
  } catch (const QK_EException& e) {
    EXPECT_EQ(e.QK_Message().str(), "Veltrop: <nowhere/> failed to resolved:");
  }
  EXPECT_THAT(task.Messages(), ElementsAre("message 2 shapejobs.message.couldnotresolve <nowhere/>"));
}

class EntryPreviewTest : public ResultPathTest {
 protected:
  EntryPreviewTest() {
    ticket.generatePreview = true;
    names.grainDirection = "2";
    ON_CALL(cad, GetImageSetting60()).WillByDefault(Return(7));
    ON_CALL(cad, GetErrorString()).WillByDefault(Return(QK_TString("disk full")));
  }
  int Write() {
    return cad.WriteEntryPreview("sheet_1", QK_TURL(), location, tryFolder.Url(), ticket, names, values, context);
  }

  TempFolder tryFolder;
  CAD::LayoutTemplateNames names;
  TW_TTaskOutput context{"PREVIEW"};
  QK_TURL location;
};

TEST_F(EntryPreviewTest, AResultsPreviewIsExportedReportedAndAnOutputUnlessItFailed) {
  const std::string path = folder.File("preview/sheet_1.PNG");
  EXPECT_CALL(cad, ExportImage(2, QK_TString(path), 4205, 1875, 10, 7, 2, 1, 100))
      .WillOnce(Return(0))
      .WillOnce(Return(3));
  EXPECT_EQ(Write(), 0);
  EXPECT_EQ(location.LocalName().str(), path);
  EXPECT_EQ(values.at("PreviewFilePath").str(), Url("preview/sheet_1.PNG"));
  ASSERT_EQ(context.Files().size(), 1u);
  EXPECT_EQ(context.Files()[0].location.LocalName().str(), path);
  EXPECT_EQ(Write(), 1);
  EXPECT_EQ(context.Files().size(), 1u);
  EXPECT_THAT(task.Messages(), ElementsAre("message 0 shapejobs.message.previewfilepath " + Url("preview/sheet_1.PNG"),
                                           "message 0 shapejobs.message.previewfilepath " + Url("preview/sheet_1.PNG"),
                                           "message 2 shapejobs.message.previewfailed disk full"));
}

TEST_F(EntryPreviewTest, InProductionThePreviewIsOnlyNamedInTheTryFolderAndWithoutPreviewsNothingHappens) {
  ticket.layoutForProduction = true;
  EXPECT_CALL(cad, ExportImage(_, _, _, _, _, _, _, _, _)).Times(0);
  EXPECT_EQ(Write(), 0);
  EXPECT_EQ(values.at("PreviewFilePath").str(), QK_TURL(QK_TString(tryFolder.File("sheet_1.PNG"))).ToString().str());
  EXPECT_FALSE(std::filesystem::exists(folder.File("preview")));
  ticket.generatePreview = false;
  values.clear();
  EXPECT_EQ(Write(), 0);
  EXPECT_TRUE(values.empty());
  EXPECT_TRUE(context.Files().empty());
  EXPECT_THAT(task.sink.events, ElementsAre());
}

}  // namespace
