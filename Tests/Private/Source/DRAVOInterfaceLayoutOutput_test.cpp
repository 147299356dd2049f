// The output step of a chosen layout on a mock CAD application, and the
// identifying keys of an error entry.
#include <gmock/gmock.h>

#include "OperationDriver.h"

namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::InSequence;
using ::testing::Return;

class LayoutOutputTest : public OperationTest {
 protected:
  LayoutOutputTest() {
    task.GetTName().Define("out", QK_TString(folder.path()));
    ticket.mfgOutputFolder = "<out/>/mfg dir";
    ticket.previewOutputFolder = "<out/>/preview";
    ticket.databaseKind = "Enterprise";
    ticket.generatePreview = true;
    ticket.previewFileFormat = "PNG";
    values = {{"MFGFilePath", "file:///tmp/try/sheet_2_0.MFG"},
              {"PreviewFilePath", "file:///tmp/try/sheet_2.PNG"},
              {"GrainDirection", "2"}};
    ON_CALL(cad, GetImageSetting60()).WillByDefault(Return(5));
  }
  QK_TString Local(const std::string& name) { return QK_TString(folder.File(name)); }
  std::string Saved() { return Local("mfg dir/sheet.MFG").ReplaceChars('/', '\\').str(); }
  std::string Preview() { return QK_TURL(Local("preview/sheet.PNG")).ToString().str(); }

  TempFolder folder;
  CAD::LOTicketParam ticket;
  CAD::StringMap values;
};

TEST_F(LayoutOutputTest, TheLayoutIsOpenedSavedWithBackslashesInTheOutputFolderExportedAndClosed) {
  {
    InSequence order;
    EXPECT_CALL(cad, OpenDesign(QK_TString("/tmp/try/sheet_2_0.MFG")));
    EXPECT_CALL(cad, SetOption72(1));
    EXPECT_CALL(cad, SetOption36(0));
    EXPECT_CALL(cad, SaveDesign(QK_TString(Saved()))).WillOnce(Return(0));
    EXPECT_CALL(cad, ExportImage(2, Local("preview/sheet.PNG"), 4205, 1875, 10, 5, 2, 1, 100)).WillOnce(Return(0));
    EXPECT_CALL(cad, CloseDesign());
  }
  EXPECT_CALL(cad, OpenDesignRecord()).Times(0);
  EXPECT_EQ(cad.GenerateLayoutPreview(values, ticket), 0);
  EXPECT_THAT(task.Messages(), ElementsAre("message 0 shapejobs.message.opendesign file:///tmp/try/sheet_2_0.MFG",
                                           "message 0 shapejobs.message.opendesign " + Saved(),
                                           "message 0 shapejobs.message.previewfilepath " + Preview(),
                                           "message 0 shapejobs.message.loclosingdesign"));
}

TEST_F(LayoutOutputTest, AConventionalServerGetsThePeopleBeforeTheOptionsAndAPersonNotFoundWarns) {
  ticket.databaseKind = "Conventional";
  ticket.dbInfo.ownerName = "Nobody";
  {
    InSequence order;
    EXPECT_CALL(cad, OpenDesign(_));
    EXPECT_CALL(cad, OpenDesignRecord());
    EXPECT_CALL(cad, ReleaseDesignRecord());
    EXPECT_CALL(cad, SetOption72(1));
  }
  EXPECT_EQ(cad.GenerateLayoutPreview(values, ticket), 1);
}

TEST_F(LayoutOutputTest, ASaveWithRemarksOrAFailedPreviewWarnsAndTheDesignIsStillClosed) {
  EXPECT_CALL(cad, SaveDesign(_)).WillOnce(Return(1)).WillOnce(Return(0));
  EXPECT_CALL(cad, ExportImage(_, _, _, _, _, _, _, _, _)).WillOnce(Return(0)).WillOnce(Return(4));
  EXPECT_CALL(cad, CloseDesign()).Times(2);
  EXPECT_EQ(cad.GenerateLayoutPreview(values, ticket), 1);
  EXPECT_EQ(cad.GenerateLayoutPreview(values, ticket), 1);
  EXPECT_EQ(task.Messages().at(7), "message 2 shapejobs.message.previewfailed " + Preview());
}

TEST_F(LayoutOutputTest, ThePreviewKindAndGrainFollowTheTicketAndValuesAndNoPreviewIsNoExport) {
  EXPECT_CALL(cad, CloseDesign()).Times(3);
  values["GrainDirection"] = "Vertical";
  ticket.previewFileFormat = "jpeg";
  EXPECT_CALL(cad, ExportImage(1, Local("preview/sheet.JPG"), _, _, _, _, 0, _, _)).WillOnce(Return(0));
  cad.GenerateLayoutPreview(values, ticket);
  ticket.previewFileFormat = "GIF";
  EXPECT_CALL(cad, ExportImage(0, Local("preview/sheet"), _, _, _, _, _, _, _)).WillOnce(Return(0));
  cad.GenerateLayoutPreview(values, ticket);
  ticket.generatePreview = false;
  EXPECT_EQ(cad.GenerateLayoutPreview(values, ticket), 0);
  EXPECT_EQ(task.Messages().size(), 11u) << "no preview message the third time";
}

TEST(ErrorEntryTest, TheIdentifyingKeysAreAddedOnceAndKeepTheirFirstValues) {
  CAD::StringMap entry{{"ErrorMsg", "Design not found"}};
  CAD::DRAVOInterface::MakeErrorEntry("Cartons", "t1.MFG", -1, 4, entry);
  CAD::DRAVOInterface::MakeErrorEntry("Other", "t2.MFG", 2, 1, entry);
  EXPECT_EQ(entry, (CAD::StringMap{{"ErrorMsg", "Design not found"},
                                   {"FormatClass", "Cartons"},
                                   {"GrainDirection", "-1"},
                                   {"MFGTemplate", "t1.MFG"},
                                   {"NestingType", "4"}}));
}

}  // namespace
